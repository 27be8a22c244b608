#include "viewservices.h"

#include "iptr.h"

IGfxViewMgr* viewManager() {
    static SPtr<IGfxViewMgr> service("IGfxViewMgr");
    return service.get();
}

IGfxRenderer* renderer() {
    static SPtr<IGfxRenderer> service("IGfxRenderer");
    return service.get();
}

IGenGfxService* graphicsService() {
    static SPtr<IGenGfxService> service("IGenGfxService");
    return service.get();
}

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
