// The reference host's dialog panel: a model of the controls a command or
// widget builds, their values and states, a text dump of it, and the routing
// of user actions to the receiver that owns a control.
#pragma once

#include <map>
#include <string>
#include <vector>

#include "hostapi/gui.h"
#include "iptr.h"

struct RefControl {
    std::string kind;  // "group", "numeric", "combo", "list", "check", "push", "tool", "radio", "text", ...
    std::string key;
    int32_t id = 0;
    std::u16string label;
    std::u16string text;
    double minimum = 0, maximum = 0, step = 0;
    bool ranged = false;  // a range set on a control other than a numeric field
    int32_t precision = 0;
    double value = 0;
    bool checked = false;
    bool editable = false;
    bool enabled = true;
    bool shown = true;
    int32_t selection = -1;
    int32_t radioGroup = -1;
    int32_t depth = 0;  // nesting inside groups
    std::vector<std::u16string> items;
    IGuiReceiver* receiver = nullptr;  // who is told about this control
    std::string icon;                  // the registered name of its icon
    ITesUnknown* widget = nullptr;     // an embedded widget, owned by its builder; told
                                       // through ITesWidget::attach which panel holds it
};

class RefPanel : public IGuiPanel {
public:
    static constexpr int32_t kFirstReservedId = 10000;

    void queryInterface(const char* name, void** out) override;
    const char* className() const override;

    void registerIcon(int32_t index, const char* name) override;
    void beginGroup(const char* key, int32_t id, int32_t flags, const char16_t* title, int32_t style) override;
    void endGroup() override;
    void beginLayout(int32_t kind) override;
    void endLayout() override;
    void beginFont(const char* family, int32_t pointSize) override;
    void endFont() override;
    void addLabel(const char* key, int32_t id, const char16_t* text) override;
    void addNumeric(const char* key, int32_t id, const char16_t* label, double minimum, double maximum, double step,
                    int32_t precision) override;
    void addCombo(const char* key, int32_t id, const char16_t* label, bool editable) override;
    void addList(const char* key, int32_t id, const char16_t* label) override;
    void addCheck(const char* key, int32_t id, const char16_t* label, bool checked) override;
    void addPushButton(const char* key, int32_t id, const char16_t* label) override;
    void addToolButton(const char* key, int32_t id, const char16_t* label, int32_t icon) override;
    void addRadio(const char* key, int32_t id, const char16_t* label, bool firstOfGroup) override;
    void addText(const char* key, int32_t id, const char16_t* text, int32_t rows, int32_t editable, int32_t columns,
                 int32_t flags, int32_t style) override;
    void addTextField(const char* key, int32_t id, const char16_t* label) override;
    void addWidget(ITesUnknown* widget, int32_t id, const char16_t* label) override;
    int32_t reserveIds(int32_t count) override;
    void setReceiver(IGuiReceiver* receiver) override;
    void finishWidget(IGuiReceiver* receiver) override;

    void showStandardButton(int32_t id, bool shown) override;
    void setStandardButtonText(int32_t id, const char16_t* text) override;
    void enable(int32_t id, bool enabled, int32_t scope) override;
    void show(int32_t id, bool shown) override;
    void removeControl(int32_t id) override;
    void setValue(int32_t id, double value) override;
    double getValue(int32_t id) override;
    void setBoolValue(int32_t id, bool value) override;
    bool getBoolValue(int32_t id) override;
    void setChecked(int32_t id, bool checked) override;
    bool isChecked(int32_t id) override;
    int32_t checkedRadio(int32_t anyId) override;
    void setText(int32_t id, const char16_t* text) override;
    const char16_t* getText(int32_t id) override;
    void clearItems(int32_t id) override;
    void addItem(int32_t id, const char16_t* text) override;
    void setItemText(int32_t id, int32_t index, const char16_t* text) override;
    int32_t itemCount(int32_t id) override;
    const char16_t* itemText(int32_t id, int32_t index) override;
    void setSelection(int32_t id, int32_t index) override;
    int32_t getSelection(int32_t id) override;
    void setIcon(int32_t id, int32_t icon) override;
    void setRange(int32_t id, double minimum, double maximum, double step) override;

    // Lookup for sessions and tests: by key, or by id written in decimal. A
    // control of the panel's own goes before an embedded widget of that id.
    RefControl* find(const std::string& keyOrId);
    RefControl* findId(int32_t id);
    const std::vector<RefControl>& controls() const { return controls_; }
    IGuiReceiver* receiver() const { return receiver_; }
    // Standard buttons: id -> shown, and their texts.
    const std::map<int32_t, bool>& standardButtons() const { return standardButtons_; }
    bool standardButtonEnabled(int32_t id) const;

    // A readable dump of every control in building order.
    std::string dump() const;

private:
    RefControl& add(const std::string& kind, const char* key, int32_t id, const char16_t* label);

    std::vector<RefControl> controls_;
    std::map<int32_t, bool> standardButtons_;
    std::map<int32_t, std::u16string> standardTexts_;
    std::map<int32_t, bool> standardEnabled_;
    std::map<int32_t, std::string> icons_;
    IGuiReceiver* receiver_ = nullptr;
    // Controls added after reserveIds belong to the widget being built until
    // finishWidget names its receiver.
    size_t widgetStart_ = 0;
    bool buildingWidget_ = false;
    int32_t depth_ = 0;
    int32_t nextReservedId_ = kFirstReservedId;
    int32_t radioGroups_ = 0;
    std::u16string textResult_;
};
