#include "computation/refscan.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <numbers>
#include <set>
#include <utility>

#include "document/refsrmltext.h"
#include "graphics/refvisibility.h"
#include "hostapi/srml.h"
#include "progress.h"
#include "refhost.h"

namespace {

constexpr const char16_t* kRigObject = u"RefObject";
constexpr const char16_t* kTurntable = u"Turntable";
// The camera of the plug-in's visible-surface renders.
constexpr double kShotZoom = 1.15;
constexpr double kShotNear = 0.01;

TesMatrix poseOf(RefSubObject& subObject) {
    auto* system = tesQuery<RefCoordinateSystem>(subObject.coordinateSystem(), "RefCoordinateSystem");
    return system != nullptr ? system->matrix() : TesMatrix();
}

// The turn between two frames' axes, in degrees.
double turnBetween(const TesMatrix& a, const TesMatrix& b) {
    const TesMatrix relative = a.rotationPart().inverse() * b.rotationPart();
    const double cosine = std::clamp((relative(0, 0) + relative(1, 1) + relative(2, 2) - 1) / 2, -1.0, 1.0);
    return std::acos(cosine) * 180 / std::numbers::pi;
}

// One frame of the file's rig against the scene's; false when beyond the tolerances.
bool checkFrame(const std::string& what, const TesMatrix& file, const TesMatrix& scene, const RefScanRequest& request,
                RefScanResult& result) {
    const double distance = (file.translation() - scene.translation()).length();
    const double turn = turnBetween(file, scene);
    const bool within = distance <= request.distanceTolerance && turn <= request.angleTolerance;
    char text[200];
    std::snprintf(text, sizeof text, "%s: %.3f mm, %.2f degrees%s", what.c_str(), distance, turn,
                  within ? "" : ", beyond the tolerance");
    result.checks.emplace_back(text);
    return within;
}

std::set<int32_t> scannersUsed(ITesSRMLRecipe& recipe) {
    std::set<int32_t> used;
    for (const IPtr<ITesSRMLScanAngle>& angle : recipe.angles()) {
        if (angle) used.insert(angle->scanners().begin(), angle->scanners().end());
    }
    return used;
}

bool verifyRig(ITesSRML& document, ITesSRMLRecipe& recipe, const RefRig& rig, const RefScanRequest& request,
               RefScanResult& result) {
    ITesSRMLModelData* model = document.modelData();
    if (model == nullptr) {
        result.checks.emplace_back("the recipe file has no rig");
        return false;
    }
    TesMatrix turntable;
    bool good = checkFrame("turntable", model->turntableTransform(turntable), rig.turntable, request, result);
    for (int32_t id : scannersUsed(recipe)) {
        const std::string what = "scanner " + std::to_string(id);
        const TesMatrix* file = model->scannerTransforms().find(id);
        if (file != nullptr && id >= 0 && id < static_cast<int32_t>(rig.scanners.size())) {
            good = checkFrame(what, *file, rig.scanners[static_cast<size_t>(id)], request, result) && good;
        } else {
            result.checks.push_back(what + (file == nullptr ? ": not in the file's rig" : ": not on the scene's rig"));
            good = false;
        }
    }
    return good;
}

// The camera a scanner at `pose` is: up along the pose's y axis, looking
// along its z axis, as the plug-in places its visible-surface renders.
RefRenderCamera shotCamera(const TesMatrix& pose) {
    const TesVector up = pose.column(1);
    const TesVector back = -pose.column(2);
    const TesVector right = cross(back, up);
    TesMatrix orientation = TesMatrix::fromColumns(right, cross(back, right), back, TesVector::zero()).inverse();
    orientation.setTranslation(-orientation.transformPoint(pose.column(3)));
    IPtr<RefCamera> camera(new RefCamera);
    camera->setOrientation(orientation);
    camera->setZoom(kShotZoom);
    camera->clipping()->setNear(kShotNear);
    return refRenderCamera(*camera, kRefViewWidth, kRefViewHeight);
}

// What each camera of each angle sees of `object`, with the scene's rig.
void takeShots(RefHost& host, RefObject& object, ITesSRMLRecipe& recipe, const RefRig& rig, RefScanResult& result) {
    RefRaster raster(kRefViewWidth, kRefViewHeight);
    ProgressCallbackBase progress;  // a bar on a terminal, through the host's "ITesProgress"
    progress.start();
    int64_t done = 0;
    for (const IPtr<ITesSRMLScanAngle>& angle : recipe.angles()) {
        if (!angle) continue;
        // The table turns the part by the angle about its z axis; the scanner
        // sees it as if it had turned the other way round the part.
        const double radians = -angle->angle() * std::numbers::pi / 180.0;
        const TesMatrix turn = rig.turntable * TesMatrix::rotation({0, 0, 1}, radians) * rig.turntable.inverse();
        const SRMLScanPropertiesList& properties = angle->scannerProperties();
        for (size_t i = 0; i < angle->scanners().size(); ++i) {
            const int32_t scanner = angle->scanners()[i];
            RefScanShot shot{angle->angle(), scanner,
                             refSrmlPropertiesText(i < properties.size() ? properties[i].get() : nullptr), {}};
            const RefRenderCamera camera = shotCamera(turn * rig.scanners[static_cast<size_t>(scanner)]);
            for (const RefDrawnObject& drawn : refDrawDocument(raster, host.document(), host.graphics(), camera)) {
                if (drawn.object.get() != &object) continue;
                for (int32_t item : refVisibleItems(raster, drawn)) shot.seen.set(item);
                result.seen |= shot.seen;
            }
            result.shots.push_back(std::move(shot));
        }
        progress.update(++done, static_cast<int64_t>(recipe.angles().size()));
    }
    progress.finish();
}

ITesSRMLRecipe* recipeNamed(ITesSRML& document, const std::string& name) {
    for (const IPtr<ITesSRMLRecipe>& recipe : document.recipes()) {
        if (recipe && refSrmlRecipeName(*recipe) == name) return recipe.get();
    }
    return nullptr;
}

}  // namespace

RefRig refRigOf(RefDocument& document) {
    RefRig rig;
    RefObject* object = document.find(kRigObject);
    if (object == nullptr) return rig;
    for (const IPtr<RefSubObject>& subObject : object->subObjects().subObjects()) {
        if (std::u16string_view(subObject->name()) == kTurntable) {
            rig.turntable = poseOf(*subObject);
        } else {
            rig.scanners.push_back(poseOf(*subObject));
        }
    }
    return rig;
}

RefScanResult refVerifyAndScan(RefHost& host, const RefScanRequest& request) {
    RefScanResult result;
    RefObject* object = host.document().find(kRigObject);
    if (object == nullptr) {
        result.error = "the document has no RefObject to scan";
        return result;
    }
    IPtr<ITesUnknown> created = host.manager().createInstance(kSRMLClassId);
    IPtr<ITesSRML> document(tesQuery<ITesSRML>(created.get(), "ITesSRML"));
    if (!document) {
        result.error = "the plug-in offers no SRML class";
        return result;
    }
    if (!document->read(TesString::fromUtf8(request.srmlPath))) {
        result.error = "cannot read the recipe file " + request.srmlPath;
        return result;
    }
    ITesSRMLRecipe* recipe = recipeNamed(*document, request.recipe);
    if (recipe == nullptr) {
        result.error = "no recipe \"" + request.recipe + "\" in " + request.srmlPath;
        return result;
    }
    if (object->meshModel() != nullptr) result.items = object->meshModel()->triangleCount();
    if (object->pointModel() != nullptr) result.items = object->pointModel()->pointCount();
    const RefRig rig = refRigOf(host.document());
    result.rigGood = verifyRig(*document, *recipe, rig, request, result);
    if (result.rigGood) takeShots(host, *object, *recipe, rig, result);
    return result;
}
