// How an object is drawn and where its points lie: the display flags and
// properties commands set, the bounding box, vertex colours and the
// graphics node.
#include <algorithm>
#include <cstring>

#include "document/refdocument.h"

namespace {

void widen(const double* xyz, size_t count, TesVector* min, TesVector* max) {
    for (size_t i = 0; i < count; ++i, xyz += 3) {
        min->x = std::min(min->x, xyz[0]);
        min->y = std::min(min->y, xyz[1]);
        min->z = std::min(min->z, xyz[2]);
        max->x = std::max(max->x, xyz[0]);
        max->y = std::max(max->y, xyz[1]);
        max->z = std::max(max->z, xyz[2]);
    }
}

}  // namespace

bool RefObject::flag(const char* name, int32_t) {
    return name != nullptr && std::strcmp(name, "Pinned") == 0 && pinned_;
}

uint8_t RefObject::displayProperty(const char* name) {
    if (name == nullptr) return 0;
    auto found = display_.properties.find(name);
    return found != display_.properties.end() ? found->second : 0;
}

void RefObject::setDisplayProperty(const char* name, uint8_t value, int32_t) {
    if (name != nullptr) display_.properties[name] = value;
}

void RefObject::boundingBox(int32_t, TesVector* min, TesVector* max) {
    if (min == nullptr || max == nullptr) return;
    if (const RefMesh* shape = mesh()) widen(shape->vertices.data(), shape->vertices.size() / 3, min, max);
    if (pointModel_) widen(pointModel_->points(), static_cast<size_t>(pointModel_->pointCount()), min, max);
}

bool RefObject::hasVertexColors() { return pointModel_ && pointModel_->hasColors(); }

RefGfxNode& RefObject::node() {
    if (!node_) node_ = new RefGfxNode;
    return *node_;
}
