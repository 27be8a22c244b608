#include "gui/refdialogs.h"

#include <algorithm>

#include "iptr.h"
#include "queryinterface.h"
#include "infrastructure/reftext.h"

namespace {
constexpr const char* kSimpleDlgClass = "RefSimpleDlg";
constexpr const char* kGuiUtilClass = "RefGuiUtil";
constexpr const char* kStatusBarClass = "RefStatusBar";
}  // namespace

void RefSimpleDlg::queryInterface(const char* name, void** out) {
    tesAnswerQuery(name, out, {kSimpleDlgClass, this, this, {{"IGuiSimpleDlg", static_cast<IGuiSimpleDlg*>(this)}}});
}

const char* RefSimpleDlg::className() const { return kSimpleDlgClass; }

// Informations and errors need no answer; only questions take one.
int32_t RefSimpleDlg::show(int32_t kind, const char16_t* message, const char16_t*, bool, bool, bool) {
    int32_t answer = kAnswerYes;
    if (kind == kDialogYesNo) {
        answer = kDefaultAnswer;
        if (!answers_.empty()) {
            answer = answers_.front();
            answers_.pop_front();
        }
    }
    shown_.push_back({kind, message != nullptr ? message : u"", answer});
    return answer;
}

std::vector<RefDialogShown> RefSimpleDlg::takeShown() {
    std::vector<RefDialogShown> recent(shown_.begin() + static_cast<std::ptrdiff_t>(taken_), shown_.end());
    taken_ = shown_.size();
    return recent;
}

void RefGuiUtil::queryInterface(const char* name, void** out) {
    tesAnswerQuery(name, out, {kGuiUtilClass, this, this, {{"IGuiUtil", static_cast<IGuiUtil*>(this)}}});
}

const char* RefGuiUtil::className() const { return kGuiUtilClass; }

bool RefGuiUtil::openFileDialog(const char16_t** path, const char16_t* filter, const char16_t* startFolder) {
    return answer("open", path, filter, startFolder);
}

bool RefGuiUtil::saveFileDialog(const char16_t** path, const char16_t* filter, const char16_t* startFolder) {
    return answer("save", path, filter, startFolder);
}

// Without a scripted answer the user cancels.
bool RefGuiUtil::answer(const char* kind, const char16_t** path, const char16_t* filter,
                        const char16_t* startFolder) {
    requests_.push_back(std::string(kind) + " filter=\"" + refUtf8(filter) + "\" folder=\"" + refUtf8(startFolder) +
                        "\"");
    if (answers_.empty() || path == nullptr) return false;
    RefFileAnswer next = answers_.front();
    answers_.pop_front();
    if (!next.chosen) return false;
    lastPath_ = next.path;
    *path = lastPath_.c_str();
    return true;
}

void RefStatusBar::queryInterface(const char* name, void** out) {
    tesAnswerQuery(name, out, {kStatusBarClass, this, this, {{"IGuiStatusBar", static_cast<IGuiStatusBar*>(this)}}});
}

const char* RefStatusBar::className() const { return kStatusBarClass; }

void RefStatusBar::setPrompt(ITesUnknown* owner, const char16_t* text) {
    clearPrompt(owner);
    prompts_.emplace_back(owner, text != nullptr ? text : u"");
}

void RefStatusBar::clearPrompt(ITesUnknown* owner) {
    prompts_.erase(std::remove_if(prompts_.begin(), prompts_.end(),
                                  [owner](const auto& prompt) { return prompt.first == owner; }),
                   prompts_.end());
}

std::u16string RefStatusBar::prompt() const { return prompts_.empty() ? u"" : prompts_.back().second; }

void RefCursor::queryInterface(const char* name, void** out) {
    tesAnswerQuery(name, out, {"RefCursor", this, this, {{"IGuiCursor", static_cast<IGuiCursor*>(this)}}});
}

const char* RefCursor::className() const { return "RefCursor"; }

void RefCursor::setCursor(ITesUnknown* owner, int32_t shape, int32_t) {
    resetCursor(owner);
    shapes_.emplace_back(owner, shape);
}

void RefCursor::resetCursor(ITesUnknown* owner) {
    shapes_.erase(std::remove_if(shapes_.begin(), shapes_.end(),
                                 [owner](const auto& entry) { return entry.first == owner; }),
                  shapes_.end());
}

// One busy indicator: open from begin to its last release.
class RefBusyHandle : public ITesUnknown {
public:
    explicit RefBusyHandle(RefBusyBlock* service) : service_(service) { ++service_->open_; }
    ~RefBusyHandle() override { --service_->open_; }
    void queryInterface(const char* name, void** out) override {
        tesAnswerQuery(name, out, {"RefBusyHandle", this, this, {}});
    }
    const char* className() const override { return "RefBusyHandle"; }

private:
    IPtr<RefBusyBlock> service_;
};

void RefBusyBlock::queryInterface(const char* name, void** out) {
    tesAnswerQuery(name, out, {"RefBusyBlock", this, this, {{"IGuiBusyBlock", static_cast<IGuiBusyBlock*>(this)}}});
}

const char* RefBusyBlock::className() const { return "RefBusyBlock"; }

ITesUnknown* RefBusyBlock::begin(const char16_t* text, bool) {
    texts_.emplace_back(text != nullptr ? text : u"");
    return new RefBusyHandle(this);
}
