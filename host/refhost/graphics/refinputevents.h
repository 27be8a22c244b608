// Mouse and key events the reference host delivers to a running command.
#pragma once

#include "graphics/refpicking.h"
#include "hostapi/gfx.h"
#include "iptr.h"

inline constexpr int32_t kRefMousePress = 1;
inline constexpr int32_t kRefLeftButton = 1;

// A mouse event in a view. A pick carries what it hit as its target; x and y
// are the pixel, -1 when the pick named its target instead of a pixel. A
// click made at a sub-pixel position answers "IRefClickPosition" with it.
class RefMouseEvent : public IGfxMouseEvent, public IRefClickPosition {
public:
    RefMouseEvent(int32_t type, int32_t x, int32_t y, int32_t buttons, ITesUnknown* target)
        : type_(type), x_(x), y_(y), buttons_(buttons), target_(target) {}
    // A press of the left button at (x, y), from the top left corner.
    static RefMouseEvent* clickAt(double x, double y);
    void queryInterface(const char* name, void** out) override;
    const char* className() const override;
    int32_t type() override { return type_; }
    int32_t x() override { return x_; }
    int32_t y() override { return y_; }
    int32_t buttons() override { return buttons_; }
    double clickX() override { return clickX_; }
    double clickY() override { return clickY_; }

    // What the pick hit, or null.
    ITesUnknown* target() const { return target_.get(); }

private:
    int32_t type_, x_, y_, buttons_;
    IPtr<ITesUnknown> target_;
    bool exact_ = false;
    double clickX_ = 0, clickY_ = 0;
};

class RefKeyEvent : public ITesKeyEvent {
public:
    explicit RefKeyEvent(int32_t code) : code_(code) {}
    void queryInterface(const char* name, void** out) override;
    const char* className() const override;
    int32_t keyCode() override { return code_; }
    int32_t modifiers() override { return 0; }

private:
    int32_t code_;
};
