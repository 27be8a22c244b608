#include "matrixwidget.h"

#include <algorithm>

#include "hostapi/infrastructure.h"
#include "hostapi/settings.h"
#include "iptr.h"
#include "queryinterface.h"
#include "tesmatrix.h"
#include "translatedtext.h"

namespace {

constexpr const char* kClassName = "MatrixWidget";
constexpr const char* kDefaultTitle = "Alignment Matrix";
constexpr const char* kFontSize = "Fonts and Languages/Font Point Application";
constexpr const char* kDecimalPlaces = "General/Decimal Places";
constexpr const char* kFontFamily = "monospace";
constexpr int32_t kReservedIds = 5;
constexpr int kRows = 4;
constexpr int kTranslation[] = {3, 7, 11};

int32_t integerSetting(const char* key) {
    SPtr<IDataStore> settings("IDataStore");
    return settings ? settings->getInt(key, 0) : 0;
}

// Lengths shown in the user's unit; 1 without the unit service.
double unitFactor() {
    SPtr<IUnitService> units("IUnitService");
    return units ? units->factor(units->currentUnit()) : 1.0;
}

bool isTranslation(int index) { return std::find(std::begin(kTranslation), std::end(kTranslation), index) != std::end(kTranslation); }

TesString padLeft(const TesString& text, int32_t width) {
    TesString padded;
    for (int32_t i = text.length(); i < width; ++i) padded += u' ';
    padded += text;
    return padded;
}

}  // namespace

void MatrixWidget::queryInterface(const char* name, void** out) {
    if (tesAnswerQuery(name, out,
                       {kClassName,
                        this,
                        static_cast<ITesWidget*>(this),
                        {{"ITesMatrixWidget", static_cast<ITesMatrixWidget*>(this)}}})) {
        return;
    }
    TesWidget::queryInterface(name, out);
}

const char* MatrixWidget::className() const { return kClassName; }

std::string MatrixWidget::boxKey() const { return name_.toUtf8() + ":" + kClassName + ":Box"; }

std::string MatrixWidget::rowKey(int row) const {
    const std::string prefix = name_.isEmpty() ? std::string() : name_.toUtf8() + ":";
    return prefix + "Row" + std::to_string(row);
}

void MatrixWidget::build(IGuiPanel* panel, const char16_t* label) {
    panel_ = panel;
    baseId_ = panel->reserveIds(kReservedIds);
    const int32_t fontSize = integerSetting(kFontSize);
    panel->setReceiver(this);
    const TesString title = label != nullptr && label[0] != u'\0' ? TesString(label) : trText(kDefaultTitle);
    panel->beginGroup(boxKey().c_str(), baseId_, 1, title.c_str(), 1);
    panel->beginLayout(1);
    panel->beginFont(kFontFamily, fontSize);
    for (int row = 1; row <= kRows; ++row) panel->addText(rowKey(row).c_str(), baseId_ + row, u"", 1, 0, 12, 0, 0);
    panel->endFont();
    panel->endLayout();
    panel->endGroup();
    panel->finishWidget(this);
}

void MatrixWidget::show(bool shown) {
    if (panel_ != nullptr) panel_->show(baseId_, shown);
}

void MatrixWidget::remove() {
    if (panel_ != nullptr) panel_->removeControl(baseId_);
}

void MatrixWidget::setTitle(const char16_t* text) {
    if (panel_ != nullptr) panel_->setText(baseId_, text);
}

void MatrixWidget::setState(bool state) {
    if (panel_ != nullptr) panel_->setBoolValue(baseId_, state);
}

// Fixed-point texts with the configured decimals, translations in the user's
// unit, each column as wide as its widest text plus one.
void MatrixWidget::setMatrix(const TesMatrix& matrix) {
    if (panel_ == nullptr) return;
    const std::string pattern = "0." + std::to_string(integerSetting(kDecimalPlaces));
    const double factor = unitFactor();
    TesString texts[16];
    int32_t widths[4] = {0, 0, 0, 0};
    for (int i = 0; i < 16; ++i) {
        const double value = isTranslation(i) ? matrix[i] * factor : matrix[i];
        texts[i] = TesString::number(value, TesFormatSpec{false, false, pattern.c_str()});
        widths[i % 4] = std::max(widths[i % 4], texts[i].length() + 1);
    }
    for (int row = 0; row < kRows; ++row) {
        TesString line(u"[ ");
        for (int column = 0; column < 4; ++column) line += padLeft(texts[row * 4 + column], widths[column]);
        line += u" ]";
        panel_->setText(baseId_ + row + 1, line.c_str());
    }
}
