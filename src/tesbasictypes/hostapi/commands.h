// Commands the host runs: the command interface the component implements, the
// container the host hands to a command, and the state object of isAvailable.
// The meaning of the container's operations is the host's; a command reaches
// them only through the forwarders of its base class.
#pragma once

#include <cstdint>

#include "../tesobject.h"
#include "gui.h"

class TesString;
class ITesObject;

// "IComponentCommandContainer": what every container offers.
class IComponentCommandContainer : public virtual ITesUnknown {
public:
    virtual IGuiPanel* panel() = 0;
};

// The container's view access (its second base).
class ICommandViewAccess : public virtual ITesUnknown {
public:
    virtual ITesUnknown* activeView() = 0;
    virtual void setViewLocked(bool locked) = 0;
    virtual void lockViews(bool locked) = 0;
};

// The container's undo access (its third base).
class ICommandUndoAccess : public virtual ITesUnknown {
public:
    virtual bool canUndo() = 0;
    virtual bool canRedo() = 0;
    virtual void undo() = 0;
    virtual void redo() = 0;
    virtual void clearUndo() = 0;
    virtual int32_t undoCount() = 0;
    virtual void setUndoLimit(int32_t limit) = 0;
    virtual void pushUndo(int32_t marker) = 0;
};

// "IComponentCommandContainerInt": the richer container.
class IComponentCommandContainerInt : public IComponentCommandContainer,
                                      public ICommandViewAccess,
                                      public ICommandUndoAccess {
public:
    virtual ITesUnknown* document() = 0;
    virtual IGuiPanel* dialog() = 0;
    virtual ITesUnknown* stateObject() = 0;
    virtual void setModified(bool modified) = 0;
    virtual bool isModified() = 0;
    virtual void setBusy(bool busy) = 0;
    virtual void refresh() = 0;
    virtual void setTitle(const char16_t* title) = 0;
    virtual void beginChange() = 0;
    virtual void endChange() = 0;
    virtual void requestApply() = 0;
    virtual void requestOk() = 0;
    virtual void requestCancel() = 0;
    virtual void setHelpTopic(const char* topic) = 0;
    // Ends the running command; 1 accepts it.
    virtual void finish(int32_t result) = 0;
    virtual bool applyEnabled() = 0;
    virtual bool okEnabled() = 0;
    virtual bool cancelEnabled() = 0;
    virtual bool undoEnabled() = 0;
};

// The state object handed to isAvailable.
class ICommandState : public virtual ITesUnknown {
public:
    // A host state by key, e.g. "inCommand"; false for an unknown key.
    virtual bool boolValue(const char* key) = 0;
    virtual ITesObject* activeObject() = 0;
};

// "IDialogRemover": a command that lets the host take its panel down.
class IDialogRemover : public virtual ITesUnknown {
public:
    virtual bool mayRemoveDialog() = 0;
};

// Carries the command enumerations; no data and no operations.
class IComponentCommandEnum {
public:
    static constexpr int32_t kComponentCommand = 3;
};

// The host's command interface. Slots 0 to 19 are IGuiReceiver's.
class IComponentCommand : public IGuiReceiver, public IComponentCommandEnum {
public:
    virtual IComponentCommandContainer* setContainer(IComponentCommandContainer* container) = 0;
    virtual void setDialog(IGuiPanel* panel) = 0;
    virtual const TesString& getName() = 0;
    virtual int32_t getKind() = 0;
    virtual bool isAvailable(ICommandState* state) = 0;
    virtual void updateGui() = 0;
    virtual void buildDialog(IGuiPanel* panel) = 0;
    virtual bool start() = 0;
    virtual void end() = 0;
    virtual bool isInteractive() = 0;
    virtual bool onOk() = 0;
    virtual bool onCancel() = 0;
    virtual void onApply() = 0;
    virtual int32_t repeatCount() = 0;
    virtual bool applyEnabled() = 0;
    virtual bool okEnabled() = 0;
    virtual bool cancelEnabled() = 0;
    virtual bool undoEnabled() = 0;
};
