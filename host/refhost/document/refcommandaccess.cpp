#include "document/refcommandaccess.h"

#include <algorithm>
#include <cmath>

#include "queryinterface.h"

namespace {

constexpr std::u16string_view kFitModelToView = u"Fit Model to View";

// The box of every mesh of the document, each placed where the graphics
// service puts its object; false when the document has no mesh.
bool modelBounds(RefDocument& document, RefGenGfxService& graphics, TesVector& low, TesVector& high) {
    bool found = false;
    for (const IPtr<RefObject>& object : document.objects()) {
        TesVector meshLow, meshHigh;
        if (object->mesh() == nullptr || !object->mesh()->bounds(meshLow, meshHigh)) continue;
        const TesMatrix placement = graphics.objectTransform(object.get());
        for (int corner = 0; corner < 8; ++corner) {
            const TesVector point = placement.transformPoint({(corner & 1) != 0 ? meshHigh.x : meshLow.x,
                                                              (corner & 2) != 0 ? meshHigh.y : meshLow.y,
                                                              (corner & 4) != 0 ? meshHigh.z : meshLow.z});
            if (!found) low = high = point;
            extendBox(point, low, high);
            found = true;
        }
    }
    return found;
}

}  // namespace

void RefCommandAccess::queryInterface(const char* name, void** out) {
    tesAnswerQuery(name, out,
                   {"RefCommandAccess", this, this, {{"ICommandAccess", static_cast<ICommandAccess*>(this)}}});
}

const char* RefCommandAccess::className() const { return "RefCommandAccess"; }

bool RefCommandAccess::runCommand(const char16_t* name, int32_t flags) {
    RefCommandRun run{name != nullptr ? name : u"", flags, false};
    run.known = run.name == kFitModelToView;
    runs_.push_back(run);
    if (run.known) fitModelToView();
    return run.known;
}

// The bounding sphere of the box fits the vertical field of view (the
// narrower one), and stays beyond the near plane and within the far one.
void RefCommandAccess::fitModelToView() {
    TesVector low, high;
    if (!modelBounds(*document_, *graphics_, low, high)) return;
    RefCamera& camera = views_->current().refCamera();
    const TesVector centre = (low + high) * 0.5;
    const double radius = (high - low).length() * 0.5;
    const double halfAngle = std::atan(0.5 / camera.zoom());
    const double nearPlane = camera.clipping()->nearPlane();
    const double distance = std::max(radius / std::sin(halfAngle), 2.0 * nearPlane + radius);
    TesMatrix orientation = camera.orientation().rotationPart();
    const TesVector back{orientation(2, 0), orientation(2, 1), orientation(2, 2)};
    orientation.setTranslation(-orientation.transformPoint(centre + back * distance));
    camera.setOrientation(orientation);
    if (camera.clipping()->farPlane() < distance + radius) {
        static_cast<RefClipping*>(camera.clipping())->setFar(2.0 * (distance + radius));
    }
}
