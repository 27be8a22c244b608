#include "gui/refpanel.h"

#include <algorithm>
#include <cstdlib>

#include "queryinterface.h"
#include "infrastructure/reftext.h"

namespace {
constexpr const char* kClassName = "RefPanel";

std::u16string orEmpty(const char16_t* text) { return text != nullptr ? text : u""; }

std::string quoted(const std::u16string& text) { return "\"" + refUtf8(text) + "\""; }

std::string describe(const RefControl& control) {
    std::string line(static_cast<size_t>(control.depth) * 2, ' ');
    line += control.kind + " " + std::to_string(control.id);
    if (!control.key.empty()) line += " " + control.key;
    if (!control.label.empty()) line += " label=" + quoted(control.label);
    if (control.kind == "numeric") {
        line += " range=" + refFormatDouble(control.minimum) + ".." + refFormatDouble(control.maximum) +
                " step=" + refFormatDouble(control.step) + " value=" + refFormatDouble(control.value);
    }
    if (control.ranged) {
        line += " range=" + refFormatDouble(control.minimum) + ".." + refFormatDouble(control.maximum) +
                " step=" + refFormatDouble(control.step);
    }
    if (control.kind == "check" || control.kind == "radio" || control.kind == "group") {
        line += control.checked ? " checked" : "";
    }
    if (control.kind == "combo" || control.kind == "list") {
        line += " items=[";
        for (size_t i = 0; i < control.items.size(); ++i) line += (i ? ", " : "") + quoted(control.items[i]);
        line += "] selection=" + std::to_string(control.selection);
    }
    if (!control.icon.empty()) line += " icon=" + control.icon;
    if (control.editable) line += " editable";
    if (!control.text.empty()) line += " text=" + quoted(control.text);
    if (!control.enabled) line += " disabled";
    if (!control.shown) line += " hidden";
    return line;
}
}  // namespace

void RefPanel::queryInterface(const char* name, void** out) {
    tesAnswerQuery(name, out, {kClassName, this, this, {{"IGuiPanel", static_cast<IGuiPanel*>(this)}}});
}

const char* RefPanel::className() const { return kClassName; }

RefControl& RefPanel::add(const std::string& kind, const char* key, int32_t id, const char16_t* label) {
    RefControl control;
    control.kind = kind;
    control.key = key != nullptr ? key : "";
    control.id = id;
    control.label = orEmpty(label);
    control.depth = depth_;
    controls_.push_back(std::move(control));
    return controls_.back();
}

void RefPanel::registerIcon(int32_t index, const char* name) { icons_[index] = name != nullptr ? name : ""; }

void RefPanel::beginGroup(const char* key, int32_t id, int32_t, const char16_t* title, int32_t) {
    add("group", key, id, title);
    ++depth_;
}

void RefPanel::endGroup() { depth_ = std::max(0, depth_ - 1); }

void RefPanel::beginLayout(int32_t) {}

void RefPanel::endLayout() {}

void RefPanel::beginFont(const char*, int32_t) {}

void RefPanel::endFont() {}

void RefPanel::addLabel(const char* key, int32_t id, const char16_t* text) { add("label", key, id, text); }

void RefPanel::addNumeric(const char* key, int32_t id, const char16_t* label, double minimum, double maximum,
                          double step, int32_t precision) {
    RefControl& control = add("numeric", key, id, label);
    control.minimum = minimum;
    control.maximum = maximum;
    control.step = step;
    control.precision = precision;
    control.value = std::clamp(0.0, minimum, std::max(minimum, maximum));
}

void RefPanel::addCombo(const char* key, int32_t id, const char16_t* label, bool editable) {
    add("combo", key, id, label).editable = editable;
}

void RefPanel::addList(const char* key, int32_t id, const char16_t* label) { add("list", key, id, label); }

void RefPanel::addCheck(const char* key, int32_t id, const char16_t* label, bool checked) {
    add("check", key, id, label).checked = checked;
}

void RefPanel::addPushButton(const char* key, int32_t id, const char16_t* label) { add("push", key, id, label); }

void RefPanel::addToolButton(const char* key, int32_t id, const char16_t* label, int32_t icon) {
    add("tool", key, id, label);
    setIcon(id, icon);
}

void RefPanel::setIcon(int32_t id, int32_t icon) {
    RefControl* control = findId(id);
    const auto name = icons_.find(icon);
    if (control != nullptr) control->icon = name != icons_.end() ? name->second : "#" + std::to_string(icon);
}

// A numeric field takes the new range as its own; other kinds keep it for
// the dump.
void RefPanel::setRange(int32_t id, double minimum, double maximum, double step) {
    RefControl* control = findId(id);
    if (control == nullptr) return;
    control->minimum = minimum;
    control->maximum = maximum;
    control->step = step;
    control->ranged = control->kind != "numeric";
}

void RefPanel::addRadio(const char* key, int32_t id, const char16_t* label, bool firstOfGroup) {
    if (firstOfGroup || radioGroups_ == 0) ++radioGroups_;
    add("radio", key, id, label).radioGroup = radioGroups_;
}

void RefPanel::addText(const char* key, int32_t id, const char16_t* text, int32_t, int32_t, int32_t, int32_t,
                       int32_t) {
    add("text", key, id, nullptr).text = orEmpty(text);
}

void RefPanel::addTextField(const char* key, int32_t id, const char16_t* label) { add("field", key, id, label); }

// The widget learns which panel it sits on, so that it can take itself off.
void RefPanel::addWidget(ITesUnknown* widget, int32_t id, const char16_t* label) {
    add("widget", nullptr, id, label).widget = widget;
    if (auto* embedded = tesQuery<ITesWidget>(widget, "ITesWidget")) embedded->attach(static_cast<IGuiPanel*>(this));
}

int32_t RefPanel::reserveIds(int32_t count) {
    const int32_t first = nextReservedId_;
    nextReservedId_ += std::max(0, count);
    widgetStart_ = controls_.size();
    buildingWidget_ = true;
    return first;
}

void RefPanel::setReceiver(IGuiReceiver* receiver) {
    if (!buildingWidget_) receiver_ = receiver;
}

void RefPanel::finishWidget(IGuiReceiver* receiver) {
    for (size_t i = widgetStart_; i < controls_.size(); ++i) controls_[i].receiver = receiver;
    buildingWidget_ = false;
}

void RefPanel::showStandardButton(int32_t id, bool shown) { standardButtons_[id] = shown; }

void RefPanel::setStandardButtonText(int32_t id, const char16_t* text) { standardTexts_[id] = orEmpty(text); }

bool RefPanel::standardButtonEnabled(int32_t id) const {
    auto found = standardEnabled_.find(id);
    return found == standardEnabled_.end() || found->second;
}

// Disabling a group disables what it holds.
void RefPanel::enable(int32_t id, bool enabled, int32_t scope) {
    if (id <= kGuiAcceptButton + 2 && id >= kGuiAcceptButton) {
        standardEnabled_[id] = enabled;
        return;
    }
    for (size_t i = 0; i < controls_.size(); ++i) {
        if (controls_[i].id != id) continue;
        controls_[i].enabled = enabled;
        if (scope != kGuiEnableScope || controls_[i].kind != "group") continue;
        for (size_t j = i + 1; j < controls_.size() && controls_[j].depth > controls_[i].depth; ++j) {
            controls_[j].enabled = enabled;
        }
    }
}

void RefPanel::show(int32_t id, bool shown) {
    if (RefControl* control = findId(id)) control->shown = shown;
}

void RefPanel::removeControl(int32_t id) {
    controls_.erase(std::remove_if(controls_.begin(), controls_.end(),
                                   [id](const RefControl& control) { return control.id == id; }),
                    controls_.end());
}

void RefPanel::setValue(int32_t id, double value) {
    if (RefControl* control = findId(id)) control->value = value;
}

double RefPanel::getValue(int32_t id) {
    RefControl* control = findId(id);
    return control != nullptr ? control->value : 0.0;
}

void RefPanel::setBoolValue(int32_t id, bool value) { setChecked(id, value); }

bool RefPanel::getBoolValue(int32_t id) { return isChecked(id); }

// Checking a radio button clears the others of its group.
void RefPanel::setChecked(int32_t id, bool checked) {
    RefControl* control = findId(id);
    if (control == nullptr) return;
    if (control->kind == "radio" && checked) {
        for (RefControl& other : controls_) {
            if (other.kind == "radio" && other.radioGroup == control->radioGroup) other.checked = false;
        }
    }
    control->checked = checked;
}

bool RefPanel::isChecked(int32_t id) {
    RefControl* control = findId(id);
    return control != nullptr && control->checked;
}

int32_t RefPanel::checkedRadio(int32_t anyId) {
    RefControl* member = findId(anyId);
    if (member == nullptr || member->kind != "radio") return -1;
    for (const RefControl& other : controls_) {
        if (other.kind == "radio" && other.radioGroup == member->radioGroup && other.checked) return other.id;
    }
    return -1;
}

void RefPanel::setText(int32_t id, const char16_t* text) {
    RefControl* control = findId(id);
    if (control == nullptr) return;
    if (control->kind == "group") {
        control->label = orEmpty(text);
    } else {
        control->text = orEmpty(text);
    }
}

const char16_t* RefPanel::getText(int32_t id) {
    RefControl* control = findId(id);
    if (control == nullptr) return u"";
    if (control->kind == "combo" && control->text.empty() && control->selection >= 0 &&
        control->selection < static_cast<int32_t>(control->items.size())) {
        return control->items[static_cast<size_t>(control->selection)].c_str();
    }
    return control->kind == "group" ? control->label.c_str() : control->text.c_str();
}

void RefPanel::clearItems(int32_t id) {
    if (RefControl* control = findId(id)) {
        control->items.clear();
        control->selection = -1;
    }
}

void RefPanel::addItem(int32_t id, const char16_t* text) {
    if (RefControl* control = findId(id)) control->items.push_back(orEmpty(text));
}

void RefPanel::setItemText(int32_t id, int32_t index, const char16_t* text) {
    RefControl* control = findId(id);
    if (control != nullptr && index >= 0 && index < static_cast<int32_t>(control->items.size())) {
        control->items[static_cast<size_t>(index)] = orEmpty(text);
    }
}

int32_t RefPanel::itemCount(int32_t id) {
    RefControl* control = findId(id);
    return control != nullptr ? static_cast<int32_t>(control->items.size()) : 0;
}

const char16_t* RefPanel::itemText(int32_t id, int32_t index) {
    RefControl* control = findId(id);
    if (control == nullptr || index < 0 || index >= static_cast<int32_t>(control->items.size())) return u"";
    return control->items[static_cast<size_t>(index)].c_str();
}

void RefPanel::setSelection(int32_t id, int32_t index) {
    RefControl* control = findId(id);
    if (control == nullptr) return;
    control->selection = index >= 0 && index < static_cast<int32_t>(control->items.size()) ? index : -1;
    control->text.clear();
}

int32_t RefPanel::getSelection(int32_t id) {
    RefControl* control = findId(id);
    return control != nullptr ? control->selection : -1;
}

RefControl* RefPanel::findId(int32_t id) {
    RefControl* widget = nullptr;
    for (RefControl& control : controls_) {
        if (control.id != id) continue;
        if (control.kind != "widget") return &control;
        if (widget == nullptr) widget = &control;
    }
    return widget;
}

RefControl* RefPanel::find(const std::string& keyOrId) {
    for (RefControl& control : controls_) {
        if (control.key == keyOrId) return &control;
    }
    char* end = nullptr;
    const long id = std::strtol(keyOrId.c_str(), &end, 10);
    if (keyOrId.empty() || *end != '\0') return nullptr;
    return findId(static_cast<int32_t>(id));
}

// Standard buttons a command showed, hid or disabled come first.
std::string RefPanel::dump() const {
    std::map<int32_t, bool> touched = standardButtons_;
    for (const auto& [id, enabled] : standardEnabled_) touched.emplace(id, true);
    std::string text;
    for (const auto& [id, shown] : touched) {
        text += "standard " + std::to_string(id) + (shown ? " shown" : " hidden");
        auto label = standardTexts_.find(id);
        if (label != standardTexts_.end()) text += " label=" + quoted(label->second);
        text += standardButtonEnabled(id) ? "\n" : " disabled\n";
    }
    for (const RefControl& control : controls_) text += describe(control) + "\n";
    return text;
}
