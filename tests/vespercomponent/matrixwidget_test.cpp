// The layout with the configured decimals is pinned by
// tests/golden/matrix-widget.out; these cover units, signs and the operations.
#include <gtest/gtest.h>

#include "pluginhost.h"
#include "gui/refpanel.h"
#include "infrastructure/reftext.h"
#include "tesmatrix.h"

namespace {

constexpr int32_t kBox = RefPanel::kFirstReservedId;

// A widget of the plug-in, made through the service, built on a fresh panel.
class MatrixWidgetTest : public PluginTest {
protected:
    void SetUp() override {
        PluginTest::SetUp();
        decimals(2);
        host().units().choose("mm");
        void* face = nullptr;
        ASSERT_EQ(host().manager().getService("ITesMatrixWidget", &face), 1);
        matrix = static_cast<ITesMatrixWidget*>(face);
        object = static_cast<ITesUnknown*>(matrix);
        widget = tesQuery<ITesWidget>(object.get(), "ITesWidget");
    }
    static void decimals(int32_t places) { host().settings().setInt(nullptr, "General/Decimal Places", places); }
    std::string row(int r) { return refUtf8(panel->getText(kBox + r)); }

    IPtr<RefPanel> panel{new RefPanel};
    IPtr<ITesUnknown> object;
    ITesMatrixWidget* matrix = nullptr;
    ITesWidget* widget = nullptr;
};

TEST_F(MatrixWidgetTest, UnitFactorScalesOnlyTheTranslation) {
    host().units().choose("um");
    widget->build(panel.get(), u"Fit");
    const TesMatrix values({2, 0, 0, 1, 0, 1, 0, 0.5, 0, 0, 1, 0, 0, 0, 0, 1});
    matrix->setMatrix(values);
    EXPECT_EQ(row(1), "[  2.00 0.00 0.00 1000.00 ]");
    EXPECT_EQ(row(2), "[  0.00 1.00 0.00  500.00 ]");
    EXPECT_EQ(row(4), "[  0.00 0.00 0.00    1.00 ]");  // the bottom row as it is

    host().manager().removeService("IUnitService");  // then lengths are shown as they are
    matrix->setMatrix(values);
    host().manager().addService(&host().units(), {"IUnitService"});
    EXPECT_EQ(row(1), "[  2.00 0.00 0.00 1.00 ]");
}

TEST_F(MatrixWidgetTest, NegativeNumbersWidenOnlyTheirColumnAndKeepTheirSign) {
    decimals(0);
    widget->build(panel.get(), u"");
    matrix->setMatrix(TesMatrix({-0.0, -12, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1}));
    EXPECT_EQ(row(1), "[  -0 -12 0 0 ]");
    EXPECT_EQ(row(2), "[   0   1 0 0 ]");
}

TEST_F(MatrixWidgetTest, NameQualifiesKeysAndOperationsReachThePanel) {
    widget->setName(TesString(u"Fit"));
    widget->build(panel.get(), u"Pre-Alignment");
    ASSERT_NE(panel->find("Fit:MatrixWidget:Box"), nullptr);
    ASSERT_NE(panel->find("Fit:Row4"), nullptr);
    EXPECT_EQ(refUtf8(panel->getText(kBox)), "Pre-Alignment");
    matrix->setTitle(u"Result");
    EXPECT_EQ(refUtf8(panel->getText(kBox)), "Result");
    matrix->setState(true);
    EXPECT_TRUE(panel->isChecked(kBox));
    widget->show(false);
    EXPECT_FALSE(panel->findId(kBox)->shown);
    auto* receiver = tesQuery<IGuiReceiver>(object.get(), "IGuiReceiver");
    for (int r = 1; r <= 4; ++r) EXPECT_EQ(panel->findId(kBox + r)->receiver, receiver) << r;
    widget->remove();
    EXPECT_EQ(panel->findId(kBox), nullptr);
}

}  // namespace
