#include "compbasecmd.h"

#include <gtest/gtest.h>

#include "queryinterface.h"
#include "gui/refcontainer.h"
#include "gui/refpanel.h"

namespace {

class PlainCommand : public CompBaseCmd {};

class RichCommand : public CompBaseCmdInt {};

// A container without the internal interface.
class PlainContainer : public IComponentCommandContainer {
public:
    void queryInterface(const char* name, void** out) override {
        tesAnswerQuery(name, out, {"PlainContainer", this, this, {{"IComponentCommandContainer", this}}});
    }
    const char* className() const override { return "PlainContainer"; }
    IGuiPanel* panel() override { return nullptr; }
};

// A command of kind 3, unavailable and with every button off until it says
// otherwise, that starts, ends on OK or Cancel and runs once; it keeps any container.
TEST(CompBaseCmd, DefaultsOfEverySlot) {
    IPtr<PlainCommand> command(new PlainCommand);
    EXPECT_EQ(command->getKind(), 3);
    EXPECT_FALSE(command->isAvailable(nullptr));
    EXPECT_TRUE(command->start() && command->isInteractive() && command->onOk() && command->onCancel());
    EXPECT_EQ(command->repeatCount(), 1);
    EXPECT_FALSE(command->applyEnabled() || command->okEnabled() || command->cancelEnabled() || command->undoEnabled());
    IPtr<PlainContainer> container(new PlainContainer);
    EXPECT_EQ(command->setContainer(container.get()), container.get());
    EXPECT_EQ(command->getContainer(), container.get());
}

// Only the container's internal face is kept, as a back pointer without a
// reference; a plain container leaves none. Some forwarders map onto another
// operation of the container; the caller's flag of lockViews is read.
TEST(CompBaseCmdInt, KeepsOnlyTheInternalFaceOfItsContainerAndForwardsToIt) {
    IPtr<RichCommand> command(new RichCommand);
    IPtr<PlainContainer> plain(new PlainContainer);
    EXPECT_EQ(command->setContainer(plain.get()), nullptr);
    EXPECT_EQ(command->getContainer(), nullptr);
    IPtr<RefPanel> panel(new RefPanel);
    IPtr<RefContainer> container(new RefContainer(panel.get(), panel.get(), nullptr));
    const uint32_t references = container->refCount();
    EXPECT_EQ(command->setContainer(container.get()), static_cast<IComponentCommandContainerInt*>(container.get()));
    EXPECT_EQ(container->refCount(), references);
    EXPECT_EQ(command->dialog(), panel.get());
    EXPECT_EQ(command->document(), static_cast<ITesUnknown*>(panel.get()));
    EXPECT_TRUE(command->applyEnabled() && command->okEnabled() && command->cancelEnabled());
    EXPECT_FALSE(command->undoEnabled());
    command->setModified(true);
    EXPECT_TRUE(command->isModified());
    command->resetUndo();
    command->limitUndo(5);
    command->finish(1);
    bool locked = true;
    command->lockViews(locked);
    EXPECT_EQ(container->calls(),
              (std::vector<std::string>{"setModified 1", "clearUndo", "setUndoLimit 5", "finish 1", "lockViews 1"}));
    EXPECT_EQ(command->setContainer(nullptr), nullptr);
    EXPECT_EQ(command->getContainer(), nullptr);
}

}  // namespace
