#include <gtest/gtest.h>

#include "pluginhost.h"
#include "refpanel.h"
#include "reftext.h"
#include "tesmatrix.h"

namespace {

// A widget of the real plug-in, created by its interface name and built on a
// fresh panel.
struct BuiltWidget {
    IPtr<RefPanel> panel{new RefPanel};
    IPtr<ITesUnknown> object;
    ITesMatrixWidget* matrix = nullptr;
    ITesWidget* widget = nullptr;

    explicit BuiltWidget(const char16_t* label, const char16_t* name = nullptr) {
        void* face = nullptr;
        if (pluginUnderTest().host->manager().getService("ITesMatrixWidget", &face) != 1) return;
        matrix = static_cast<ITesMatrixWidget*>(face);
        object = static_cast<ITesUnknown*>(matrix);
        widget = tesQuery<ITesWidget>(object.get(), "ITesWidget");
        if (name != nullptr) widget->setName(TesString(name));
        widget->build(panel.get(), label);
    }
    std::string row(int r) { return refUtf8(panel->getText(RefPanel::kFirstReservedId + r)); }
};

class MatrixWidgetTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(pluginUnderTest().loaded.good);
        settings().setInt(nullptr, "General/Decimal Places", 2);
        pluginUnderTest().host->units().choose("mm");
    }
    RefDataStore& settings() { return pluginUnderTest().host->settings(); }
};

TEST_F(MatrixWidgetTest, IdentityWithTwoDecimalsHasColumnsOfFive) {
    BuiltWidget built(u"");
    ASSERT_NE(built.matrix, nullptr);
    built.matrix->setMatrix(TesMatrix());
    EXPECT_EQ(built.row(1), "[  1.00 0.00 0.00 0.00 ]");
    EXPECT_EQ(built.row(4), "[  0.00 0.00 0.00 1.00 ]");
    EXPECT_EQ(refUtf8(built.panel->getText(RefPanel::kFirstReservedId)), "Alignment Matrix");
    EXPECT_EQ(built.panel->find(":MatrixWidget:Box")->id, RefPanel::kFirstReservedId);
    EXPECT_NE(built.panel->find("Row3"), nullptr);
}

TEST_F(MatrixWidgetTest, UnitFactorScalesOnlyTheTranslation) {
    pluginUnderTest().host->units().choose("um");
    BuiltWidget built(u"Fit");
    const double values[16] = {2, 0, 0, 1, 0, 1, 0, 0.5, 0, 0, 1, 0, 0, 0, 0, 1};
    built.matrix->setMatrix(TesMatrix(values));
    EXPECT_EQ(built.row(1), "[  2.00 0.00 0.00 1000.00 ]");
    EXPECT_EQ(built.row(2), "[  0.00 1.00 0.00  500.00 ]");
    EXPECT_EQ(built.row(4), "[  0.00 0.00 0.00    1.00 ]");  // the bottom row as it is

    pluginUnderTest().host->manager().removeService("IUnitService");
    built.matrix->setMatrix(TesMatrix(values));
    pluginUnderTest().host->manager().addService(&pluginUnderTest().host->units(), {"IUnitService"});
    EXPECT_EQ(built.row(1), "[  2.00 0.00 0.00 1.00 ]");
}

TEST_F(MatrixWidgetTest, NegativeNumbersWidenOnlyTheirColumnAndKeepTheirSign) {
    settings().setInt(nullptr, "General/Decimal Places", 0);
    BuiltWidget built(u"");
    const double values[16] = {-0.0, -12, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};
    built.matrix->setMatrix(TesMatrix(values));
    EXPECT_EQ(built.row(1), "[  -0 -12 0 0 ]");
    EXPECT_EQ(built.row(2), "[   0   1 0 0 ]");
    settings().setInt(nullptr, "General/Decimal Places", 2);
    built.matrix->setMatrix(TesMatrix(values));
    EXPECT_EQ(built.row(1), "[  -0.00 -12.00 0.00 0.00 ]");
}

TEST_F(MatrixWidgetTest, NameQualifiesKeysAndOperationsReachThePanel) {
    BuiltWidget built(u"Pre-Alignment", u"Fit");
    ASSERT_NE(built.panel->find("Fit:MatrixWidget:Box"), nullptr);
    ASSERT_NE(built.panel->find("Fit:Row4"), nullptr);
    EXPECT_EQ(built.widget->name().toUtf8(), "Fit");
    const int32_t box = RefPanel::kFirstReservedId;
    EXPECT_EQ(refUtf8(built.panel->getText(box)), "Pre-Alignment");
    built.matrix->setTitle(u"Result");
    EXPECT_EQ(refUtf8(built.panel->getText(box)), "Result");
    built.matrix->setState(true);
    EXPECT_TRUE(built.panel->isChecked(box));
    built.widget->show(false);
    EXPECT_FALSE(built.panel->findId(box)->shown);
    EXPECT_TRUE(built.widget->isValid());
    auto* receiver = tesQuery<IGuiReceiver>(built.object.get(), "IGuiReceiver");
    for (int row = 1; row <= 4; ++row) EXPECT_EQ(built.panel->findId(box + row)->receiver, receiver) << row;
    built.widget->remove();
    EXPECT_EQ(built.panel->findId(box), nullptr);
}

TEST_F(MatrixWidgetTest, AnswersItsNamesAndItsBaseNames) {
    BuiltWidget built(u"");
    ITesUnknown* object = built.object.get();
    EXPECT_STREQ(object->className(), "MatrixWidget");
    EXPECT_NE(tesQuery<void>(object, "MatrixWidget"), nullptr);
    EXPECT_NE(tesQuery<void>(object, "TesWidget"), nullptr);
    EXPECT_NE(tesQuery<void>(object, "IGuiReceiver"), nullptr);
    EXPECT_EQ(tesQuery<ITesMatrixWidget>(object, "ITesMatrixWidget"), built.matrix);
}

}  // namespace
