#include "viewservices.h"

#include "iptr.h"

IGfxViewMgr* viewManager() { return tesProcessService<IGfxViewMgr>("IGfxViewMgr"); }

IGfxRenderer* renderer() { return tesProcessService<IGfxRenderer>("IGfxRenderer"); }

IGenGfxService* graphicsService() { return tesProcessService<IGenGfxService>("IGenGfxService"); }

ITesUnknown* currentSceneView() {
    IGfxViewMgr* views = viewManager();
    return views != nullptr ? views->currentSceneView() : nullptr;
}

ISGfxScene* currentScene() { return tesQuery<ISGfxScene>(currentSceneView(), "ISGfxScene"); }

IGfxCamera* currentCamera() {
    ISGfxScene* scene = currentScene();
    return scene != nullptr ? scene->camera() : nullptr;
}

void redraw() {
    if (IGfxRenderer* service = renderer()) service->redraw(kRedraw);
}
