// The container the reference host hands to a running command: its panel, the
// document and state object, a modified flag, and the request to finish.
#pragma once

#include <string>
#include <vector>

#include "hostapi/commands.h"
#include "iptr.h"

class RefContainer : public IComponentCommandContainerInt {
public:
    RefContainer(IGuiPanel* panel, ITesUnknown* document, ITesUnknown* state)
        : panel_(panel), document_(document), state_(state) {}

    void queryInterface(const char* name, void** out) override;
    const char* className() const override;

    IGuiPanel* panel() override { return panel_; }

    ITesUnknown* activeView() override { return nullptr; }
    void setViewLocked(bool locked) override { record("setViewLocked", locked); }
    void lockViews(bool locked) override { record("lockViews", locked); }

    bool canUndo() override { return false; }
    bool canRedo() override { return false; }
    void undo() override {}
    void redo() override {}
    void clearUndo() override { record("clearUndo"); }
    int32_t undoCount() override { return 0; }
    void setUndoLimit(int32_t limit) override { record("setUndoLimit", limit); }
    void pushUndo(int32_t marker) override { record("pushUndo", marker); }

    ITesUnknown* document() override { return document_; }
    IGuiPanel* dialog() override { return panel_; }
    ITesUnknown* stateObject() override { return state_; }
    void setModified(bool modified) override {
        modified_ = modified;
        record("setModified", modified);
    }
    bool isModified() override { return modified_; }
    void setBusy(bool busy) override { record("setBusy", busy); }
    void refresh() override { record("refresh"); }
    void setTitle(const char16_t* title) override;
    void beginChange() override { record("beginChange"); }
    void endChange() override { record("endChange"); }
    void requestApply() override { record("requestApply"); }
    void requestOk() override { record("requestOk"); }
    void requestCancel() override { record("requestCancel"); }
    void setHelpTopic(const char* topic) override;
    void finish(int32_t result) override {
        finishRequest_ = result;
        record("finish", result);
    }
    bool applyEnabled() override { return true; }
    bool okEnabled() override { return true; }
    bool cancelEnabled() override { return true; }
    bool undoEnabled() override { return false; }

    // The result a command asked to finish with, or -1.
    int32_t finishRequest() const { return finishRequest_; }
    // The calls that change something, in order: "setModified 1", "finish 1", ...
    const std::vector<std::string>& calls() const { return calls_; }

private:
    void record(const char* call) { calls_.emplace_back(call); }
    void record(const char* call, int32_t value) { calls_.push_back(std::string(call) + " " + std::to_string(value)); }

    IGuiPanel* panel_;
    ITesUnknown* document_;
    ITesUnknown* state_;
    std::u16string title_;
    bool modified_ = false;
    int32_t finishRequest_ = -1;
    std::vector<std::string> calls_;
};
