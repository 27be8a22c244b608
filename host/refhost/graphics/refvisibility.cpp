#include "graphics/refvisibility.h"

#include "queryinterface.h"

namespace {

// How far behind the nearest surface, relative to its depth, an item still
// counts as seen: enough for the neighbours of a picked triangle on the same
// surface, far less than the gap to a surface behind it.
constexpr double kVisibleTolerance = 1e-3;

// The raster ids of one drawn object as its own item numbers.
void setOwnIds(BitVector& bits, const std::vector<int32_t>& ids, const RefDrawnObject& drawn) {
    for (int32_t id : ids) {
        if (id >= drawn.firstId && id - drawn.firstId < drawn.itemCount) bits.set(id - drawn.firstId + 1);
    }
}

void setItems(BitVector& bits, const std::vector<int32_t>& items) {
    for (int32_t item : items) bits.set(item);
}

}  // namespace

std::vector<int32_t> refVisibleItems(const RefRaster& raster, const RefDrawnObject& drawn) {
    if (drawn.mesh) {
        const RefMesh& mesh = drawn.mesh->mesh();
        return raster.visibleTriangles(mesh.vertices.data(), mesh.triangles.data(), mesh.triangleCount(),
                                       drawn.worldToClip, kVisibleTolerance);
    }
    return raster.visiblePoints(drawn.points->points(), drawn.points->pointCount(), drawn.worldToClip,
                                kVisibleTolerance);
}

RefRenderCamera refRenderCamera(RefCamera& camera, int32_t width, int32_t height) {
    return {camera.orientation(), camera.projection(), width, height};
}

std::vector<RefDrawnObject> refDrawDocument(RefRaster& raster, RefDocument& document, RefGenGfxService& graphics,
                                            const RefRenderCamera& camera, const RefDrawStyle& style) {
    raster.clear();
    std::vector<RefDrawnObject> drawn;
    int32_t nextId = 1;
    const TesMatrix view = camera.projection * camera.orientation;
    for (const IPtr<RefObject>& object : document.objects()) {
        if (object->isExcluded() || (object->meshModel() == nullptr && object->pointModel() == nullptr)) continue;
        if (style.pane != nullptr && !style.pane->shows(object.get())) continue;
        RefDrawnObject item{object, object->meshModel(), object->pointModel(),
                            view * graphics.objectTransform(object.get()), nextId, 0};
        if (item.mesh) {
            const RefMesh& mesh = item.mesh->mesh();
            item.itemCount = mesh.triangleCount();
            raster.drawTriangles(mesh.vertices.data(), mesh.triangles.data(), mesh.triangleCount(), item.worldToClip,
                                 style.threads, style.fill, nextId);
        } else {
            item.itemCount = item.points->pointCount();
            raster.drawPoints(item.points->points(), item.points->pointCount(), item.worldToClip, nextId);
        }
        nextId += item.itemCount;
        drawn.push_back(std::move(item));
    }
    return drawn;
}

void RefVisBuffer::queryInterface(const char* name, void** out) {
    tesAnswerQuery(name, out,
                   {"RefVisBuffer", this, this, {{"ITesPickVisibleRect", static_cast<ITesPickVisibleRect*>(this)}}});
}

const char* RefVisBuffer::className() const { return "RefVisBuffer"; }

void RefVisBuffer::render(RefDocument& document, RefGenGfxService& graphics, const RefRenderCamera& camera) {
    if (!raster_ || raster_->width() != camera.width || raster_->height() != camera.height) {
        raster_ = std::make_unique<RefRaster>(camera.width, camera.height);
    }
    drawn_ = refDrawDocument(*raster_, document, graphics, camera, style_);
    log_->push_back({camera, 0, 0, {}});
}

ITesUnknown* RefVisBuffer::pickRect(int32_t x, int32_t y, int32_t width, int32_t height) {
    if (!raster_) return nullptr;
    const std::vector<int32_t> owners = raster_->picked(x, y, width, height);
    std::map<ITesObject*, RefPick::Found> found;
    RefRenderRecord& record = log_->back();
    record.picked = record.visible = 0;
    record.visibleItems.clear();
    for (const RefDrawnObject& drawn : drawn_) {
        RefPick::Found& items = found[drawn.object.get()];
        setOwnIds(items.picked, owners, drawn);
        setItems(items.visible, refVisibleItems(*raster_, drawn));
        record.picked += items.picked.count();
        record.visible += items.visible.count();
        record.visibleItems.emplace_back(drawn.object, items.visible);
    }
    return new RefPick(std::move(found));
}

void RefPick::queryInterface(const char* name, void** out) {
    tesAnswerQuery(name, out, {"RefPick", this, this, {{"ITesPick", static_cast<ITesPick*>(this)}}});
}

const char* RefPick::className() const { return "RefPick"; }

bool RefPick::picked(ITesObject* object, BitVector* out) { return answer(object, out, &Found::picked); }

bool RefPick::visible(ITesObject* object, BitVector* out) { return answer(object, out, &Found::visible); }

bool RefPick::answer(ITesObject* object, BitVector* out, BitVector Found::*which) {
    if (out == nullptr) return false;
    auto entry = found_.find(object);
    if (entry == found_.end()) {
        out->clearAll();
        return false;
    }
    *out = entry->second.*which;
    return true;
}

void RefVisBufferFactory::queryInterface(const char* name, void** out) {
    tesAnswerQuery(name, out,
                   {"RefVisBufferFactory",
                    this,
                    this,
                    {{"IGfxPickVisBufferFact", static_cast<IGfxPickVisBufferFact*>(this)}}});
}

const char* RefVisBufferFactory::className() const { return "RefVisBufferFactory"; }

ITesUnknown* RefVisBufferFactory::createBuffer(int32_t) {
    log_ = std::make_shared<RefRenderLog>();
    return static_cast<ITesPickVisibleRect*>(new RefVisBuffer(log_, style_));
}

void RefGfxDoc::queryInterface(const char* name, void** out) {
    tesAnswerQuery(name, out, {"RefGfxDoc", this, this, {{"IGfxDoc", static_cast<IGfxDoc*>(this)}}});
}

const char* RefGfxDoc::className() const { return "RefGfxDoc"; }

IGfxNode* RefGfxDoc::node(ITesObject* object) {
    auto* own = tesQuery<RefObject>(object, "RefObject");
    return own != nullptr ? &own->node() : nullptr;
}

void RefGfxDoc::restoreLayout(IViewLayout* layout, int32_t) {
    if (layout == nullptr) return;
    views_->setLayout(kGfxLayoutMain);
    ++layoutsRestored_;
}
