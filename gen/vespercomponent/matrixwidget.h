// The alignment matrix widget: a 4 x 4 transformation shown as four lines of
// right-aligned numbers in a monospace font inside a titled group box.
#pragma once

#include "teswidget.h"

class MatrixWidget : public TesWidget, public ITesMatrixWidget {
public:
    void queryInterface(const char* name, void** out) override;
    const char* className() const override;

    void build(IGuiPanel* panel, const char16_t* label) override;
    void refresh() override {}
    void clear() override {}
    void apply() override {}
    bool isValid() override { return true; }
    void show(bool shown) override;
    void remove() override;

    void setTitle(const char16_t* text) override;
    void setState(bool state) override;
    void setMatrix(const TesMatrix& matrix) override;

    // The key of the group box and of row r (1 to 4).
    std::string boxKey() const;
    std::string rowKey(int row) const;
};
