// Session statements that act on the panel as a user would, and the matrix
// widget.
#include <algorithm>
#include <cmath>

#include "hostapi/commands.h"
#include "infrastructure/reftext.h"
#include "refhost.h"
#include "session/refsession.h"

namespace {

constexpr const char* kMatrixWidgetService = "ITesMatrixWidget";

bool closeTo(double actual, double expected) {
    return std::fabs(actual - expected) <= 1e-9 * std::max(1.0, std::fabs(expected));
}

// For expect KEY WHAT EXPECTED: empty when `actual` is what was expected.
std::string mismatch(const RefSession::Words& words, const std::string& actual) {
    if (actual == words[3]) return {};
    return "expected " + words[1] + " " + words[2] + " " + words[3] + ", found " + actual;
}

}  // namespace

RefControl* RefSession::control(const std::string& key, std::string& error) {
    RefControl* found = panel_ ? panel_->find(key) : nullptr;
    if (found == nullptr) error = "no control " + key;
    return found;
}

RefControl* RefSession::usableControl(const Words& words, size_t wordCount, IGuiReceiver** receiver,
                                      std::string& error) {
    const std::string& verb = words[0];
    if (running(verb, error) == nullptr) return nullptr;
    if (words.size() < 2) {
        error = verb + " needs a control";
        return nullptr;
    }
    RefControl* target = control(words[1], error);
    if (target == nullptr) return nullptr;
    if (!target->enabled || !target->shown) {
        error = "control " + words[1] + " cannot be used now";
        return nullptr;
    }
    if (words.size() != wordCount) {
        error = verb + " needs a control and a value";
        return nullptr;
    }
    *receiver = target->receiver != nullptr ? target->receiver : panel_->receiver();
    if (*receiver == nullptr) *receiver = command_;
    return target;
}

std::string RefSession::click(const Words& words) {
    std::string error;
    IGuiReceiver* receiver = nullptr;
    RefControl* target = usableControl(words, std::min<size_t>(words.size(), 3), &receiver, error);
    if (target == nullptr) return error;
    const int32_t id = target->id;
    bool checked = target->kind == "radio" || (target->kind == "check" && !target->checked);
    if (words.size() == 3) checked = words[2] == "on";
    if (target->kind == "radio" || target->kind == "check") panel_->setChecked(id, checked);
    receiver->onControlClicked(id, checked);
    return {};
}

std::string RefSession::select(const Words& words) {
    std::string error;
    IGuiReceiver* receiver = nullptr;
    RefControl* target = usableControl(words, 3, &receiver, error);
    if (target == nullptr) return error;
    const int32_t id = target->id;
    int index = 0;
    if (!refParseInt(words[2], &index) || index < -1 || index >= panel_->itemCount(id)) {
        return "no entry " + words[2] + " in " + words[1];
    }
    panel_->setSelection(id, index);
    receiver->onSelectionChanged(id, index);
    return {};
}

std::string RefSession::typeText(const Words& words) {
    std::string error;
    IGuiReceiver* receiver = nullptr;
    RefControl* target = usableControl(words, 3, &receiver, error);
    if (target == nullptr) return error;
    // The typed text itself: an emptied combo box reads back its selected item.
    const std::u16string typed = refWide(words[2]);
    panel_->setText(target->id, typed.c_str());
    receiver->onTextEdited(target->id, typed.c_str());
    return {};
}

// set types a number and commits it; value only types it.
std::string RefSession::setValue(const Words& words) {
    std::string error;
    IGuiReceiver* receiver = nullptr;
    RefControl* target = usableControl(words, 3, &receiver, error);
    if (target == nullptr) return error;
    double value = 0;
    if (!refParseDouble(words[2], &value)) return "not a number: " + words[2];
    if (target->kind == "numeric" && !(value >= target->minimum && value <= target->maximum)) {
        return words[2] + " is outside the range of " + words[1];
    }
    panel_->setValue(target->id, value);
    if (words[0] == "set") receiver->onEditFinished(target->id);
    return {};
}

// The arrows of a numeric field: a whole number inside its range, heard as a
// selection change (the field's value is the "index").
std::string RefSession::spin(const Words& words) {
    std::string error;
    IGuiReceiver* receiver = nullptr;
    RefControl* target = usableControl(words, 3, &receiver, error);
    if (target == nullptr) return error;
    if (target->kind != "numeric") return "spin: " + words[1] + " is not a numeric field";
    int value = 0;
    if (!refParseInt(words[2], &value)) return "not a whole number: " + words[2];
    if (value < target->minimum || value > target->maximum) return words[2] + " is outside the range of " + words[1];
    panel_->setValue(target->id, value);
    receiver->onSelectionChanged(target->id, value);
    return {};
}

std::string RefSession::expect(const Words& words) {
    if (words.size() != 4) return "expect KEY value|text|selection|checked|enabled EXPECTED";
    const std::string& what = words[2];
    const std::string& expected = words[3];
    std::string actual;
    int standard = 0;
    if (panel_ && what == "enabled" && refParseInt(words[1], &standard) && standard >= kGuiAcceptButton &&
        standard <= kGuiContinueButton) {
        return mismatch(words, panel_->standardButtonEnabled(standard) ? "true" : "false");
    }
    std::string error;
    RefControl* target = control(words[1], error);
    if (target == nullptr) return error;
    if (what == "value") {
        double wanted = 0;
        if (!refParseDouble(expected, &wanted)) return "not a number: " + expected;
        if (closeTo(target->value, wanted)) return {};
        actual = refFormatDouble(target->value);
    } else if (what == "text") {
        actual = refUtf8(panel_->getText(target->id));
    } else if (what == "selection") {
        actual = std::to_string(target->selection);
    } else if (what == "checked") {
        actual = target->checked ? "true" : "false";
    } else if (what == "enabled") {
        actual = target->enabled ? "true" : "false";
    } else {
        return "cannot expect " + what;
    }
    return mismatch(words, actual);
}

std::string RefSession::buildWidget(const Words& words) {
    if (words.size() < 2 || words.size() > 3 || words[1] != "matrix") return "widget matrix [LABEL]";
    // The widget takes a panel of its own; the one a running command holds
    // must stay its own until the command ends.
    if (command_ != nullptr) return "widget: a command is running; end it first";
    void* face = nullptr;
    if (host_.manager().getService(kMatrixWidgetService, &face) != 1) return "the plug-in offers no matrix widget";
    widget_ = static_cast<ITesMatrixWidget*>(face);
    widgetObject_ = static_cast<ITesUnknown*>(widget_);
    auto* asWidget = tesQuery<ITesWidget>(widgetObject_.get(), "ITesWidget");
    if (asWidget == nullptr) return "the matrix widget is not a widget";
    widgetPanel_ = new RefPanel;
    panel_ = widgetPanel_;
    const std::u16string label = words.size() == 3 ? refWide(words[2]) : u"";
    asWidget->build(panel_.get(), label.c_str());
    return {};
}

std::string RefSession::showMatrix(const Words& words) {
    if (words.size() == 3) return objectMatrix(words);
    if (widget_ == nullptr) return "no matrix widget";
    if (words.size() != 17) return "matrix needs sixteen values";
    TesMatrix matrix;
    for (int i = 0; i < 16; ++i) {
        if (!refParseDouble(words[static_cast<size_t>(i) + 1], &matrix[i])) return "not a number: " + words[i + 1];
    }
    widget_->setMatrix(matrix);
    return {};
}
