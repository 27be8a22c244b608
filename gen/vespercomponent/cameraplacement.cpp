#include "cameraplacement.h"

#include "viewservices.h"

TesVector viewOrigin() {
    TesMatrix view;
    IGenGfxService* service = graphicsService();
    if (service == nullptr || !service->matrix(kGfxViewTransform, 2, 0, -1, &view)) return TesVector::zero();
    return view.inverse().transformPoint(TesVector::zero());
}

void placeCamera(IGfxCamera* camera, const TesVector& right, const TesVector& up, const TesVector& back,
                 const TesVector& position) {
    if (camera == nullptr) return;
    TesMatrix orientation = TesMatrix::fromColumns(right, up, back, TesVector::zero()).inverse();
    orientation.setTranslation(camera->orientation().translation());
    camera->setOrientation(orientation);
    // The origin is read after the turn: the host's view transformation
    // answers the camera as it now stands.
    const TesVector origin = viewOrigin();
    const TesVector shift = -orientation.rotationPart().transformPoint(position - origin);
    camera->setOrientation(TesMatrix::translationMatrix(shift) * orientation);
}
