#include "cameraselection.h"

#include <numbers>

#include "cameraplacement.h"
#include "srmlscanproperties.h"
#include "tesassert.h"
#include "viewservices.h"

namespace {

constexpr int32_t kViewportWidth = 1200;
constexpr int32_t kViewportHeight = 900;
constexpr double kZoom = 1.15;
constexpr double kNear = 0.01;
// Reported for a complex record without a complex, with the line it has
// always been reported under.
constexpr int kComplexAssertLine = 495;

IViewLayout* viewLayout() { return tesProcessService<IViewLayout>("IViewLayout"); }

IGfxPickVisBufferFact* bufferFactory() { return tesProcessService<IGfxPickVisBufferFact>("IGfxPickVisBufferFact"); }

IGfxDoc* graphicsDocument() { return tesProcessService<IGfxDoc>("IGfxDoc"); }

// The model face `face` of the object's model `model`, or null.
template <class T>
T* modelFace(ITesObject* object, const char* model, const char* face) {
    return tesQuery<T>(tesQuery<ITesUnknown>(object, model), face);
}

bool coverageFlag(ITesSRMLScanProperties* properties) {
    auto* own = tesQuery<SRMLScanProperties>(properties, "SRMLScanProperties");
    return own != nullptr && own->flag() != 0;
}

}  // namespace

CameraSelection::CameraSelection() {
    if (IGfxPickVisBufferFact* factory = bufferFactory()) buffer_ = factory->createBuffer(kBufferCapacity);
    picker_ = tesQuery<ITesPickVisibleRect>(buffer_.get(), "ITesPickVisibleRect");
}

CameraSelection::~CameraSelection() = default;

void CameraSelection::setUp(ITesObject* reference, ITesSRMLModelData* modelData) {
    reference_ = reference;
    modelData_ = modelData;
    TesMatrix turntable;
    if (modelData != nullptr) modelData->turntableTransform(turntable);
    inverseTurntable_ = turntable.inverse();
    complex_.reset();
    auto* mesh = modelFace<ITesMesh>(reference, "GenModel", "ITesMesh");
    auto* complex = tesQuery<IComplex2D>(mesh != nullptr ? mesh->surfaceData() : nullptr, "IComplex2D");
    if (complex == nullptr) return;
    complex_ = std::make_unique<Complex>(Complex{complex});
    if (!complex_->complex) tesAssertReport("i2d_", "gen/vespercomponent/cameraselection", kComplexAssertLine);
}

void CameraSelection::visibleFromRecipe(ITesSRMLRecipe* recipe, BitVector& out) {
    out.clearAll();
    if (recipe == nullptr || modelData_ == nullptr) return;
    TesMatrix turntable;
    modelData_->turntableTransform(turntable);
    for (const IPtr<ITesSRMLScanAngle>& angle : recipe->angles()) {
        const double radians = angle->angle() * std::numbers::pi / 180.0;
        const TesMatrix turn = (turntable * TesMatrix::rotation({0, 0, 1}, radians)) * inverseTurntable_;
        const SRMLScannerIds& scanners = angle->scanners();
        const SRMLScanPropertiesList& properties = angle->scannerProperties();
        for (size_t i = 0; i < scanners.size(); ++i) {
            if (i >= properties.size() || !coverageFlag(properties[i].get())) continue;
            renderAndPick(*modelData_->scannerTransforms().findOrInsert(scanners[i]) * turn, out);
        }
    }
}

// The camera takes the scanner's axes: up is the pose's y axis and the view
// runs along its z axis. The right axis is L x U, so the picture stands on
// its head compared with the view commands' frames; only visibility counts.
void CameraSelection::renderAndPick(const TesMatrix& pose, BitVector& out) {
    if (!prepareOffscreenView()) return;
    const TesVector up = pose.column(1);
    const TesVector back = -pose.column(2);
    const TesVector right = cross(back, up);
    IGfxCamera* camera = currentCamera();
    placeCamera(camera, right, cross(back, right), back, pose.column(3));
    if (camera != nullptr) {
        camera->setZoom(kZoom);
        if (IGfxClipping* clipping = camera->clipping()) clipping->setNear(kNear);
    }
    offscreen_->setViewport(0, 0, kViewportWidth, kViewportHeight);
    renderer()->renderIntoBuffer(offscreen_.get(), buffer_.get());
    int32_t x = 0, y = 0, width = 0, height = 0;
    offscreen_->viewport(&x, &y, &width, &height);
    IPtr<ITesUnknown> found(picker_->pickRect(0, 0, width, height));
    if (auto* pick = tesQuery<ITesPick>(found.get(), "ITesPick")) {
        BitVector picked, visible;
        pick->picked(reference_.get(), &picked);
        pick->visible(reference_.get(), &visible);
        grow(picked, visible);
        out |= picked;
    }
    restoreViews();
}

// The off-screen view takes the place of the user's for one render; the
// renderer keeps its own state meanwhile.
bool CameraSelection::prepareOffscreenView() {
    IViewLayout* layout = viewLayout();
    if (layout == nullptr || renderer() == nullptr || !picker_) return false;
    if (!offscreen_) offscreen_ = layout->createOffscreenView(currentSceneView());
    if (!offscreen_) return false;
    replaced_ = layout->replaceCurrentView(offscreen_.get());
    if (!replaced_) return false;
    renderer()->saveState();
    return true;
}

void CameraSelection::restoreViews() {
    renderer()->restoreState();
    viewLayout()->replaceCurrentView(replaced_.get());
    replaced_ = nullptr;
}

// One ring: the neighbours of the triangles picked by the render join when
// the buffer saw them; what joins is not walked again.
void CameraSelection::grow(BitVector& picked, const BitVector& visible) {
    if (!complex_ || picked.count() < 3 || visible.count() == 0) return;
    const BitVector ring = picked;
    for (int32_t id = ring.nextSet(0); id >= 0; id = ring.nextSet(id)) {
        for (int32_t edge = 0; edge < 3; ++edge) {
            const auto neighbour = static_cast<int32_t>(complex_->complex->neighbour(static_cast<uint32_t>(id), edge));
            if (neighbour > 0 && visible.test(neighbour)) picked.set(neighbour);
        }
    }
}

bool CameraSelection::selectOnModel(const BitVector& items, bool add) {
    BitVector current;
    if (auto* points = modelFace<ITesPoints>(reference_.get(), "PointModel", "ITesPoints")) {
        points->pointSelection(&current);
        if (current == items) return false;
        points->selectPoints(items, add);
    } else if (auto* scan = modelFace<ITesScan>(reference_.get(), "ScanModel", "ITesScan")) {
        scan->pointSelection(&current);
        if (current == items) return false;
        scan->selectPoints(items, add);
    } else if (auto* mesh = modelFace<ITesMeshExt>(reference_.get(), "GenModel", "ITesMeshExt")) {
        if (modelFace<ITesMesh>(reference_.get(), "GenModel", "ITesMesh") == nullptr) return false;
        mesh->triangleSelection(&current);
        if (current == items) return false;
        mesh->selectTriangles(items, add);
    } else {
        return false;
    }
    if (IGfxDoc* document = graphicsDocument()) document->notify(kGfxDocSelectionChanged);
    return true;
}
