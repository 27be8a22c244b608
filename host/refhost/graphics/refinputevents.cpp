#include "graphics/refinputevents.h"

#include "queryinterface.h"

void RefMouseEvent::queryInterface(const char* name, void** out) {
    tesAnswerQuery(name, out, {"RefMouseEvent", this, this, {{"IGfxMouseEvent", static_cast<IGfxMouseEvent*>(this)}}});
}

const char* RefMouseEvent::className() const { return "RefMouseEvent"; }

void RefKeyEvent::queryInterface(const char* name, void** out) {
    tesAnswerQuery(name, out, {"RefKeyEvent", this, this, {{"ITesKeyEvent", static_cast<ITesKeyEvent*>(this)}}});
}

const char* RefKeyEvent::className() const { return "RefKeyEvent"; }
