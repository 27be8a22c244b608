// The container the reference host hands to a running command: its panel, the
// document and state object, a modified flag, and the request to finish.
#pragma once

#include <string>

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
    void setViewLocked(bool locked) override { viewLocked_ = locked; }
    void lockViews(bool locked) override { viewsLocked_ = locked; }

    bool canUndo() override { return false; }
    bool canRedo() override { return false; }
    void undo() override {}
    void redo() override {}
    void clearUndo() override {}
    int32_t undoCount() override { return 0; }
    void setUndoLimit(int32_t) override {}
    void pushUndo(int32_t) override {}

    ITesUnknown* document() override { return document_; }
    IGuiPanel* dialog() override { return panel_; }
    ITesUnknown* stateObject() override { return state_; }
    void setModified(bool modified) override { modified_ = modified; }
    bool isModified() override { return modified_; }
    void setBusy(bool) override {}
    void refresh() override {}
    void setTitle(const char16_t* title) override { title_ = title != nullptr ? title : u""; }
    void beginChange() override {}
    void endChange() override {}
    void requestApply() override {}
    void requestOk() override {}
    void requestCancel() override {}
    void setHelpTopic(const char*) override {}
    void finish(int32_t result) override { finishRequest_ = result; }
    bool applyEnabled() override { return true; }
    bool okEnabled() override { return true; }
    bool cancelEnabled() override { return true; }
    bool undoEnabled() override { return false; }

    // The result a command asked to finish with, or -1.
    int32_t finishRequest() const { return finishRequest_; }

private:
    IGuiPanel* panel_;
    ITesUnknown* document_;
    ITesUnknown* state_;
    std::u16string title_;
    bool modified_ = false;
    bool viewLocked_ = false;
    bool viewsLocked_ = false;
    int32_t finishRequest_ = -1;
};
