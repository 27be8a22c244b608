// The reference host's dialogs and status bar: message boxes answered from a
// script, file dialogs that return scripted paths, prompts kept per owner.
// Everything shown is recorded for session transcripts.
#pragma once

#include <deque>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "hostapi/gui.h"

struct RefDialogShown {
    int32_t kind;
    std::u16string message;
    int32_t answer;
};

class RefSimpleDlg : public IGuiSimpleDlg {
public:
    // Answer of a yes/no question when the script has none left: no.
    static constexpr int32_t kDefaultAnswer = 2;

    void queryInterface(const char* name, void** out) override;
    const char* className() const override;
    int32_t show(int32_t kind, const char16_t* message, const char16_t* title, bool flag1, bool flag2,
                 bool flag3) override;

    void queueAnswer(int32_t answer) { answers_.push_back(answer); }
    size_t unusedAnswers() const { return answers_.size(); }
    const std::vector<RefDialogShown>& shown() const { return shown_; }
    // What was shown since the last call.
    std::vector<RefDialogShown> takeShown();

private:
    std::deque<int32_t> answers_;
    std::vector<RefDialogShown> shown_;
    size_t taken_ = 0;
};

// A scripted file dialog answer: a path, or cancel when `chosen` is false.
struct RefFileAnswer {
    bool chosen;
    std::u16string path;
};

class RefGuiUtil : public IGuiUtil {
public:
    void queryInterface(const char* name, void** out) override;
    const char* className() const override;
    bool openFileDialog(const char16_t** path, const char16_t* filter, const char16_t* startFolder) override;
    bool saveFileDialog(const char16_t** path, const char16_t* filter, const char16_t* startFolder) override;

    void queueAnswer(RefFileAnswer answer) { answers_.push_back(std::move(answer)); }
    size_t unusedAnswers() const { return answers_.size(); }
    // The dialogs asked for since the last call, one line each:
    // open|save filter="..." folder="...".
    std::vector<std::string> takeRequests() { return std::exchange(requests_, {}); }

private:
    bool answer(const char* kind, const char16_t** path, const char16_t* filter, const char16_t* startFolder);

    std::deque<RefFileAnswer> answers_;
    std::u16string lastPath_;
    std::vector<std::string> requests_;
};

class RefStatusBar : public IGuiStatusBar {
public:
    void queryInterface(const char* name, void** out) override;
    const char* className() const override;
    void setPrompt(ITesUnknown* owner, const char16_t* text) override;
    void clearPrompt(ITesUnknown* owner) override;

    // The newest prompt still set, or empty.
    std::u16string prompt() const;

private:
    std::vector<std::pair<ITesUnknown*, std::u16string>> prompts_;
};

class RefCursor : public IGuiCursor {
public:
    void queryInterface(const char* name, void** out) override;
    const char* className() const override;
    void setCursor(ITesUnknown* owner, int32_t shape, int32_t flags) override;
    void resetCursor(ITesUnknown* owner) override;

    // The shape set by the newest owner, or -1 for the standard cursor.
    int32_t shape() const { return shapes_.empty() ? -1 : shapes_.back().second; }

private:
    std::vector<std::pair<ITesUnknown*, int32_t>> shapes_;
};

// Busy blocks record their texts; a session can make the next one report an
// abort request.
class RefBusyBlock : public IGuiBusyBlock {
public:
    void queryInterface(const char* name, void** out) override;
    const char* className() const override;
    ITesUnknown* begin(const char16_t* text, bool cancellable) override;
    bool abortRequested() override { return abort_ && open_ > 0; }

    void requestAbort(bool abort) { abort_ = abort; }
    const std::vector<std::u16string>& texts() const { return texts_; }
    int open() const { return open_; }

private:
    friend class RefBusyHandle;
    std::vector<std::u16string> texts_;
    int open_ = 0;
    bool abort_ = false;
};
