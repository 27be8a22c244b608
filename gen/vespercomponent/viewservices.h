// The host's graphics services the view commands share, each looked up once
// per process (a host that does not offer one leaves the feature inert).
#pragma once

#include "hostapi/gfx.h"

IGfxViewMgr* viewManager();
IGfxRenderer* renderer();
IGenGfxService* graphicsService();
// The current scene view, its "ISGfxScene" face and its camera; null when
// the host has none.
ITesUnknown* currentSceneView();
ISGfxScene* currentScene();
IGfxCamera* currentCamera();
// Asks the renderer to redraw, when there is one.
void redraw();
