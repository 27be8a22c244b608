#include "graphics/refinputevents.h"

#include <cmath>

#include "queryinterface.h"

RefMouseEvent* RefMouseEvent::clickAt(double x, double y) {
    auto* event = new RefMouseEvent(kRefMousePress, static_cast<int32_t>(std::floor(x)),
                                    static_cast<int32_t>(std::floor(y)), kRefLeftButton, nullptr);
    event->exact_ = true;
    event->clickX_ = x;
    event->clickY_ = y;
    return event;
}

void RefMouseEvent::queryInterface(const char* name, void** out) {
    tesAnswerQuery(name, out,
                   {"RefMouseEvent",
                    this,
                    static_cast<IGfxMouseEvent*>(this),
                    {{"IGfxMouseEvent", static_cast<IGfxMouseEvent*>(this)},
                     {"IRefClickPosition", exact_ ? static_cast<IRefClickPosition*>(this) : nullptr}}});
}

const char* RefMouseEvent::className() const { return "RefMouseEvent"; }

void RefKeyEvent::queryInterface(const char* name, void** out) {
    tesAnswerQuery(name, out, {"RefKeyEvent", this, this, {{"ITesKeyEvent", static_cast<ITesKeyEvent*>(this)}}});
}

const char* RefKeyEvent::className() const { return "RefKeyEvent"; }
