#include <gtest/gtest.h>

#include "compbasecmd.h"
#include "enumeration.h"
#include "queryinterface.h"
#include "refcontainer.h"
#include "refpanel.h"

namespace {

class PlainCommand : public CompBaseCmd {};

class RichCommand : public CompBaseCmdInt {};

// A container without the internal interface.
class PlainContainer : public IComponentCommandContainer {
public:
    void queryInterface(const char* name, void** out) override {
        tesAnswerQuery(name, out,
                       {"PlainContainer",
                        this,
                        this,
                        {{"IComponentCommandContainer", static_cast<IComponentCommandContainer*>(this)}}});
    }
    const char* className() const override { return "PlainContainer"; }
    IGuiPanel* panel() override { return nullptr; }
};

TEST(CompBaseCmd, DefaultsOfEverySlot) {
    IPtr<PlainCommand> command(new PlainCommand);
    EXPECT_EQ(command->getKind(), 3);
    EXPECT_TRUE(command->getName().isEmpty());
    EXPECT_FALSE(command->isAvailable(nullptr));
    EXPECT_TRUE(command->start());
    EXPECT_TRUE(command->onOk());
    EXPECT_TRUE(command->onCancel());
    EXPECT_TRUE(command->isInteractive());
    EXPECT_EQ(command->repeatCount(), 1);
    EXPECT_FALSE(command->applyEnabled() || command->okEnabled() || command->cancelEnabled() ||
                 command->undoEnabled());
    IPtr<PlainContainer> container(new PlainContainer);
    EXPECT_EQ(command->setContainer(container.get()), container.get());
    EXPECT_EQ(command->getContainer(), container.get());
    EXPECT_EQ(command->setContainer(nullptr), nullptr);
    EXPECT_EQ(command->getContainer(), nullptr);

    EnumerationContext context;
    context.enumerate(command.get());
    const std::vector<EnumeratedName> expected = {{"CompBaseCmd", 1, ""}, {"IComponentCommand", 0, "CompBaseCmd"}};
    EXPECT_EQ(context.entries(), expected);
}

TEST(CompBaseCmdInt, KeepsOnlyTheInternalFaceOfItsContainer) {
    IPtr<RichCommand> command(new RichCommand);
    IPtr<PlainContainer> plain(new PlainContainer);
    EXPECT_EQ(command->setContainer(plain.get()), nullptr);
    EXPECT_EQ(command->getContainer(), nullptr);
    IPtr<RefPanel> panel(new RefPanel);
    IPtr<RefContainer> rich(new RefContainer(panel.get(), nullptr, nullptr));
    const uint32_t references = rich->refCount();
    EXPECT_EQ(command->setContainer(rich.get()), static_cast<IComponentCommandContainerInt*>(rich.get()));
    EXPECT_EQ(rich->refCount(), references);  // a back pointer: no reference
    EXPECT_EQ(command->setContainer(nullptr), nullptr);
    EXPECT_EQ(command->getContainer(), nullptr);
    EXPECT_STREQ(command->className(), "CompBaseCmdInt");
}

TEST(CompBaseCmdInt, ForwardsToTheContainer) {
    IPtr<RichCommand> command(new RichCommand);
    IPtr<RefPanel> panel(new RefPanel);
    IPtr<RefContainer> container(new RefContainer(panel.get(), panel.get(), nullptr));
    command->setContainer(container.get());
    EXPECT_EQ(command->dialog(), panel.get());
    EXPECT_EQ(command->document(), static_cast<ITesUnknown*>(panel.get()));
    command->setModified(true);
    EXPECT_TRUE(container->isModified());
    EXPECT_TRUE(command->isModified());
    command->finish(1);
    EXPECT_EQ(container->finishRequest(), 1);
    EXPECT_TRUE(command->applyEnabled());
    EXPECT_TRUE(command->okEnabled());
    EXPECT_FALSE(command->undoEnabled());
    bool locked = true;
    command->lockViews(locked);
    EXPECT_TRUE(locked);
}

}  // namespace
