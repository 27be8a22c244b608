// Panels and dialogs of the host. Texts shown to the user are wide (16-bit
// units); control keys and names are 8-bit. A text a host returns stays valid
// until the next call that changes it.
#pragma once

#include <cstdint>

#include "../tesobject.h"
#include "../tesvector.h"

class IGfxMouseEvent;
class ITesKeyEvent;

// Notifications of a panel and of the views, delivered to the panel's receiver
// (a command or a widget). Slots without a use in this component keep neutral
// names; their meaning is the host's.
class IGuiReceiver : public virtual ITesUnknown {
public:
    virtual void onNotification0(int32_t id) = 0;
    // A push, tool or radio button or a check box was pressed.
    virtual void onControlClicked(int32_t id, bool checked) = 0;
    virtual void onNotification2(int32_t id) = 0;
    virtual void onTextEdited(int32_t id, const char16_t* text) = 0;
    // A numeric or text field was committed.
    virtual void onEditFinished(int32_t id) = 0;
    // A combo or list selection changed (index), or a numeric field's value.
    virtual void onSelectionChanged(int32_t id, int32_t index) = 0;
    virtual void onNotification6(int32_t id) = 0;
    virtual void onWidgetActivated(int32_t id, bool active) = 0;
    virtual void onNotification8(int32_t id) = 0;
    virtual void onNotification9(int32_t id) = 0;
    virtual void onNotification10(int32_t id) = 0;
    virtual void onNotification11(int32_t id) = 0;
    // The panel asks for the view to be redrawn.
    virtual void onRedrawRequest(int32_t id) = 0;
    virtual void onMouseEvent(IGfxMouseEvent* event) = 0;
    virtual void onKeyEvent(ITesKeyEvent* event) = 0;
    virtual void onViewNotification15(int32_t id) = 0;
    virtual void onViewNotification16(int32_t id) = 0;
    virtual void onViewNotification17(int32_t id) = 0;
    virtual void onViewNotification18(int32_t id) = 0;
    virtual void onPreselectNotification(int32_t first, int32_t second, int32_t third) = 0;
};

// Implements every notification of `Interface` (an IGuiReceiver) as a no-op, so
// that a receiver overrides only what it handles.
template <class Interface>
class GuiReceiverNoOps : public Interface {
public:
    void onNotification0(int32_t) override {}
    void onControlClicked(int32_t, bool) override {}
    void onNotification2(int32_t) override {}
    void onTextEdited(int32_t, const char16_t*) override {}
    void onEditFinished(int32_t) override {}
    void onSelectionChanged(int32_t, int32_t) override {}
    void onNotification6(int32_t) override {}
    void onWidgetActivated(int32_t, bool) override {}
    void onNotification8(int32_t) override {}
    void onNotification9(int32_t) override {}
    void onNotification10(int32_t) override {}
    void onNotification11(int32_t) override {}
    void onRedrawRequest(int32_t) override {}
    void onMouseEvent(IGfxMouseEvent*) override {}
    void onKeyEvent(ITesKeyEvent*) override {}
    void onViewNotification15(int32_t) override {}
    void onViewNotification16(int32_t) override {}
    void onViewNotification17(int32_t) override {}
    void onViewNotification18(int32_t) override {}
    void onPreselectNotification(int32_t, int32_t, int32_t) override {}
};

// Fixed control ids of a panel.
inline constexpr int32_t kGuiAcceptButton = -20000;
inline constexpr int32_t kGuiContinueButton = -19998;
inline constexpr int32_t kGuiThirdStandardButton = -19999;
// Last argument of enable(): the control's whole subtree.
inline constexpr int32_t kGuiEnableScope = -30000;

// The dialog panel of a command. Building happens in buildDialog; controls carry
// the command's own ids and keys. Setters never notify the receiver.
class IGuiPanel : public virtual ITesUnknown {
public:
    virtual void registerIcon(int32_t index, const char* name) = 0;
    virtual void beginGroup(const char* key, int32_t id, int32_t flags, const char16_t* title, int32_t style) = 0;
    virtual void endGroup() = 0;
    virtual void beginLayout(int32_t kind) = 0;
    virtual void endLayout() = 0;
    virtual void beginFont(const char* family, int32_t pointSize) = 0;
    virtual void endFont() = 0;
    virtual void addLabel(const char* key, int32_t id, const char16_t* text) = 0;
    virtual void addNumeric(const char* key, int32_t id, const char16_t* label, double minimum, double maximum,
                            double step, int32_t precision) = 0;
    virtual void addCombo(const char* key, int32_t id, const char16_t* label, bool editable) = 0;
    virtual void addList(const char* key, int32_t id, const char16_t* label) = 0;
    virtual void addCheck(const char* key, int32_t id, const char16_t* label, bool checked) = 0;
    virtual void addPushButton(const char* key, int32_t id, const char16_t* label) = 0;
    virtual void addToolButton(const char* key, int32_t id, const char16_t* label, int32_t icon) = 0;
    // A radio button; firstOfGroup starts a new group of exclusive buttons.
    virtual void addRadio(const char* key, int32_t id, const char16_t* label, bool firstOfGroup) = 0;
    // A read-only text control of `rows` lines and `columns` characters.
    virtual void addText(const char* key, int32_t id, const char16_t* text, int32_t rows, int32_t editable,
                         int32_t columns, int32_t flags, int32_t style) = 0;
    virtual void addTextField(const char* key, int32_t id, const char16_t* label) = 0;
    // Places a widget built by the caller under `id`.
    virtual void addWidget(ITesUnknown* widget, int32_t id, const char16_t* label) = 0;
    // Reserves `count` consecutive ids for a widget; returns the first.
    virtual int32_t reserveIds(int32_t count) = 0;
    virtual void setReceiver(IGuiReceiver* receiver) = 0;
    // Ends a widget's building: notifications for its ids go to `receiver`.
    virtual void finishWidget(IGuiReceiver* receiver) = 0;

    virtual void showStandardButton(int32_t id, bool shown) = 0;
    virtual void setStandardButtonText(int32_t id, const char16_t* text) = 0;
    virtual void enable(int32_t id, bool enabled, int32_t scope) = 0;
    virtual void show(int32_t id, bool shown) = 0;
    virtual void removeControl(int32_t id) = 0;
    virtual void setValue(int32_t id, double value) = 0;
    virtual double getValue(int32_t id) = 0;
    virtual void setBoolValue(int32_t id, bool value) = 0;
    virtual bool getBoolValue(int32_t id) = 0;
    virtual void setChecked(int32_t id, bool checked) = 0;
    virtual bool isChecked(int32_t id) = 0;
    // The checked radio button of the group that `anyId` belongs to, or -1.
    virtual int32_t checkedRadio(int32_t anyId) = 0;
    virtual void setText(int32_t id, const char16_t* text) = 0;
    virtual const char16_t* getText(int32_t id) = 0;
    virtual void clearItems(int32_t id) = 0;
    virtual void addItem(int32_t id, const char16_t* text) = 0;
    virtual void setItemText(int32_t id, int32_t index, const char16_t* text) = 0;
    virtual int32_t itemCount(int32_t id) = 0;
    virtual const char16_t* itemText(int32_t id, int32_t index) = 0;
    // -1 selects nothing.
    virtual void setSelection(int32_t id, int32_t index) = 0;
    virtual int32_t getSelection(int32_t id) = 0;
    // Shows the registered icon `icon` on control `id`.
    virtual void setIcon(int32_t id, int32_t icon) = 0;
    // Gives control `id` a range and step, whatever its kind.
    virtual void setRange(int32_t id, double minimum, double maximum, double step) = 0;
};

// "IGuiSimpleDlg": a message box. Kinds and answers below.
inline constexpr int32_t kDialogInform = 0;
inline constexpr int32_t kDialogError = 1;
inline constexpr int32_t kDialogYesNo = 3;
inline constexpr int32_t kAnswerYes = 1;
inline constexpr int32_t kAnswerCancel = 0;

class IGuiSimpleDlg : public virtual ITesUnknown {
public:
    // For kDialogYesNo: kAnswerYes, kAnswerCancel, anything else means no.
    virtual int32_t show(int32_t kind, const char16_t* message, const char16_t* title, bool flag1, bool flag2,
                         bool flag3) = 0;
};

// "IGuiUtil": file dialogs. True when the user chose a file; *path then holds
// it until the next call.
class IGuiUtil : public virtual ITesUnknown {
public:
    virtual bool openFileDialog(const char16_t** path, const char16_t* filter, const char16_t* startFolder) = 0;
    virtual bool saveFileDialog(const char16_t** path, const char16_t* filter, const char16_t* startFolder) = 0;
};

// "IGuiStatusBar": one prompt per owner.
class IGuiStatusBar : public virtual ITesUnknown {
public:
    virtual void setPrompt(ITesUnknown* owner, const char16_t* text) = 0;
    virtual void clearPrompt(ITesUnknown* owner) = 0;
};

class TesString;
class TesMatrix;

// A widget that builds itself into a command panel. Operations the reference
// widgets do not use keep neutral names; their meaning is the host's.
class ITesWidget : public virtual ITesUnknown {
public:
    virtual void attach(ITesUnknown* owner) = 0;
    // Builds the widget's controls into `panel` under `label`.
    virtual void build(IGuiPanel* panel, const char16_t* label) = 0;
    virtual void refresh() = 0;
    virtual void clear() = 0;
    virtual void apply() = 0;
    virtual bool isValid() = 0;
    virtual void setContext(ITesUnknown* context) = 0;
    virtual void show(bool shown) = 0;
    // Takes the widget's controls off the panel.
    virtual void remove() = 0;
    // The name qualifies the keys of the widget's controls.
    virtual void setName(const TesString& name) = 0;
    virtual const TesString& name() = 0;
};

// "ITesMatrixWidget": a read-only 4 x 4 matrix display.
class ITesMatrixWidget : public virtual ITesUnknown {
public:
    virtual void setTitle(const char16_t* text) = 0;
    virtual void setState(bool state) = 0;
    virtual void setMatrix(const TesMatrix& matrix) = 0;
};

// "IGuiCursor": the mouse cursor shown while a command works.
class IGuiCursor : public virtual ITesUnknown {
public:
    virtual void setCursor(ITesUnknown* owner, int32_t shape, int32_t flags) = 0;
    virtual void resetCursor(ITesUnknown* owner) = 0;
};

// "IGuiBusyBlock": a busy indicator with a text. begin returns a new block
// (count 0); the indicator goes away when the last reference to it is released.
class IGuiBusyBlock : public virtual ITesUnknown {
public:
    virtual ITesUnknown* begin(const char16_t* text, bool cancellable) = 0;
    // True when the user asked to abort the work of the newest block.
    virtual bool abortRequested() = 0;
};

// "ITesMarkersWidget": numbered markers drawn on an object. The setup
// operations' argument is the most markers the command places.
class ITesMarkersWidget : public virtual ITesUnknown {
public:
    virtual void setCapacity(int32_t count) = 0;
    virtual void clear() = 0;
    virtual int32_t count() = 0;
    virtual void setLabelCount(int32_t count) = 0;
    // RGBA, 4 floats.
    virtual void setFirstColor(const float* rgba) = 0;
    virtual void setMarkerColor(const float* rgba) = 0;
    // Inserts a marker before `index`; `flags` is the host's.
    virtual void insert(int32_t index, const TesVector& point, int32_t flags) = 0;
    // The marker at `index`; the origin outside 0 .. count - 1.
    virtual TesVector point(int32_t index) = 0;
    // What the graphics node draws (IGfxNode::attach).
    virtual ITesUnknown* displayHandle() = 0;
};

class ITesObject;
class ITesObjFilter;

// "ITesObjSelector": a panel widget that holds a choice of document objects.
// A change of the choice calls the receiver's onWidgetActivated(id, false).
class ITesObjSelector : public virtual ITesUnknown {
public:
    virtual void initialize(IGuiReceiver* receiver, int32_t id) = 0;
    // Offers only what `filter` accepts; a choice it refuses is dropped and
    // the first object it accepts chosen. The selector keeps a reference.
    virtual void setFilter(ITesObjFilter* filter) = 0;
    // The first chosen object, or null.
    virtual ITesObject* firstSelected() = 0;
    // Drops the choice and the filter.
    virtual void reset() = 0;
};

// "IGuiThemeMgr": names of keys as the user's theme binds them.
class IGuiThemeMgr : public virtual ITesUnknown {
public:
    // The key that runs command `command` ("Undo", "Redo"), such as "Ctrl+Z".
    virtual const char16_t* commandKeyName(const char* command) = 0;
    // The name of a key of the host's; 1 is the key that aborts work.
    virtual const char16_t* keyName(int32_t key) = 0;
};

// "IUpdateGui": the host's own hint shown with a command's prompt.
class IUpdateGui : public virtual ITesUnknown {
public:
    virtual const char16_t* hintText() = 0;
};
