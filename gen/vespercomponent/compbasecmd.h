// The two bases of the component's commands. Every slot of the host's command
// interface gets a default, so a command overrides only what it handles.
// CompBaseCmdInt also reaches the host's richer container and forwards a set of
// its operations.
#pragma once

#include "hostapi/commands.h"
#include "tesstring.h"

// True when the host's state says no command is running ("inCommand" false):
// the availability every command of this component starts from.
bool commandMayStart(ICommandState* state);

// The defaults both bases give, over the container type each keeps.
template <class Container>
class CommandDefaults : public GuiReceiverNoOps<IComponentCommand> {
public:
    void setDialog(IGuiPanel* panel) override { dialog_ = panel; }
    const TesString& getName() override { return name_; }
    int32_t getKind() override { return kind_; }
    bool isAvailable(ICommandState*) override { return false; }
    void updateGui() override {}
    void buildDialog(IGuiPanel*) override {}
    bool start() override { return true; }
    void end() override {}
    bool isInteractive() override { return true; }
    bool onOk() override { return true; }
    bool onCancel() override { return true; }
    void onApply() override {}
    int32_t repeatCount() override { return 1; }
    virtual Container* getContainer() { return container_; }

protected:
    int32_t kind_ = kComponentCommand;
    TesString name_;
    Container* container_ = nullptr;  // owned by the host
    IGuiPanel* dialog_ = nullptr;     // owned by the host
};

class CompBaseCmd : public CommandDefaults<IComponentCommandContainer> {
public:
    void queryInterface(const char* name, void** out) override;
    const char* className() const override;

    IComponentCommandContainer* setContainer(IComponentCommandContainer* container) override;
    bool applyEnabled() override { return false; }
    bool okEnabled() override { return false; }
    bool cancelEnabled() override { return false; }
    bool undoEnabled() override { return false; }
};

class CompBaseCmdInt : public CommandDefaults<IComponentCommandContainerInt> {
public:
    void queryInterface(const char* name, void** out) override;
    const char* className() const override;

    // Keeps the container's "IComponentCommandContainerInt" face, or null.
    IComponentCommandContainer* setContainer(IComponentCommandContainer* container) override;
    bool applyEnabled() override { return container_->applyEnabled(); }
    bool okEnabled() override { return container_->okEnabled(); }
    bool cancelEnabled() override { return container_->cancelEnabled(); }
    bool undoEnabled() override { return container_->undoEnabled(); }

    // Forwarders to the container, in the order of the host's command table.
    virtual ITesUnknown* document() { return container_->document(); }
    virtual IGuiPanel* dialog() { return container_->dialog(); }
    virtual ITesUnknown* stateObject() { return container_->stateObject(); }
    virtual void setModified(bool modified) { container_->setModified(modified); }
    virtual bool isModified() { return container_->isModified(); }
    virtual void setBusy(bool busy) { container_->setBusy(busy); }
    virtual void refresh() { container_->refresh(); }
    virtual void setTitle(const char16_t* title) { container_->setTitle(title); }
    virtual void beginChange() { container_->beginChange(); }
    virtual void clearUndo() { container_->clearUndo(); }
    virtual void resetUndo() { container_->clearUndo(); }
    virtual void setUndoLimit(int32_t limit) { container_->setUndoLimit(limit); }
    virtual void limitUndo(int32_t limit) { container_->setUndoLimit(limit); }
    virtual void endChange() { container_->endChange(); }
    virtual void requestApply() { container_->requestApply(); }
    virtual void requestOk() { container_->requestOk(); }
    virtual void requestCancel() { container_->requestCancel(); }
    virtual void setHelpTopic(const char* topic) { container_->setHelpTopic(topic); }
    virtual void finish(int32_t result) { container_->finish(result); }
    virtual void pushUndo(int32_t marker) { container_->pushUndo(marker); }
    // The caller's flag is read, the container receives its value.
    virtual void lockViews(bool& locked) { container_->lockViews(locked); }
};
