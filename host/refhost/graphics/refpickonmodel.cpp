// The "ITesPickOnModel" service of refpicking.h.
#include <new>

#include "graphics/refpicking.h"
#include "hostapi/document.h"
#include "queryinterface.h"

// The pickers of one object, and the arrays they were built on: other
// arrays mean other geometry, and new pickers.
struct RefPickOnModel::Pickers {
    IPtr<ITesObject> object;  // keeps the object, and with it the arrays, alive
    const double* vertices = nullptr;
    int32_t vertexCount = 0;
    const int32_t* triangles = nullptr;
    int32_t triangleCount = 0;
    std::unique_ptr<RefMeshPicker> mesh;    // when there are triangles
    std::unique_ptr<RefCloudPicker> cloud;  // else

    bool builtOn(ITesMesh& geometry) const {
        return vertices == geometry.vertices() && vertexCount == geometry.vertexCount() &&
               triangles == geometry.triangles() && triangleCount == geometry.triangleCount();
    }
    RefPickHit pick(const RefRenderCamera& camera, double x, double y, const TesMatrix& pose) const {
        return mesh ? mesh->pick(camera, x, y, pose) : cloud->pick(camera, x, y, pose);
    }
};

void RefPickOnModel::queryInterface(const char* name, void** out) {
    tesAnswerQuery(name, out,
                   {"RefPickOnModel", this, this, {{"ITesPickOnModel", static_cast<ITesPickOnModel*>(this)}}});
}

const char* RefPickOnModel::className() const { return "RefPickOnModel"; }

const RefPickOnModel::Pickers* RefPickOnModel::pickersOf(ITesObject* object) {
    auto* geometry = tesQuery<ITesMesh>(object, "ITesMesh");
    if (geometry == nullptr) return nullptr;
    auto& kept = pickers_[object];
    if (kept && kept->builtOn(*geometry)) return kept.get();
    try {
        auto made = std::make_shared<Pickers>();
        made->object = object;
        made->vertices = geometry->vertices();
        made->vertexCount = geometry->vertexCount();
        made->triangles = geometry->triangles();
        made->triangleCount = geometry->triangleCount();
        if (made->triangleCount > 0) {
            made->mesh = std::make_unique<RefMeshPicker>(made->vertices, made->vertexCount, made->triangles,
                                                         made->triangleCount);
        } else {
            made->cloud = std::make_unique<RefCloudPicker>(made->vertices, made->vertexCount);
        }
        kept = made;
    } catch (const std::bad_alloc&) {
        pickers_.erase(object);
        return nullptr;
    }
    return kept.get();
}

bool RefPickOnModel::pick(ITesObject* object, TesVector* point) {
    auto* scene = tesQuery<ISGfxScene>(views_ != nullptr ? views_->currentSceneView() : nullptr, "ISGfxScene");
    IGfxCamera* camera = scene != nullptr ? scene->camera() : nullptr;
    if (!event_ || object == nullptr || point == nullptr || camera == nullptr || graphics_ == nullptr) {
        return false;
    }
    const Pickers* pickers = pickersOf(object);
    if (pickers == nullptr) return false;
    double x = event_->x() + 0.5, y = event_->y() + 0.5;
    if (auto* exact = tesQuery<IRefClickPosition>(event_.get(), "IRefClickPosition")) {
        x = exact->clickX();
        y = exact->clickY();
    }
    const RefRenderCamera view{camera->orientation(), camera->projection()};
    const RefPickHit hit = pickers->pick(view, x, y, graphics_->objectTransform(object));
    if (!hit.hit) return false;
    *point = hit.point;
    return true;
}
