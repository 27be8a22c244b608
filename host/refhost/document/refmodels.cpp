#include "document/refmodels.h"

#include <algorithm>

#include "queryinterface.h"

namespace {

// One triangle edge, keyed by its two vertex indices in ascending order.
struct EdgeUse {
    int64_t key;
    uint32_t slot;  // 3 * triangle + edge
};

std::vector<EdgeUse> edgeUses(const RefMesh& mesh) {
    std::vector<EdgeUse> uses;
    uses.reserve(mesh.triangles.size());
    for (size_t slot = 0; slot < mesh.triangles.size(); ++slot) {
        const size_t first = slot - slot % 3;
        const int64_t a = mesh.triangles[slot];
        const int64_t b = mesh.triangles[first + (slot + 1) % 3];
        uses.push_back({std::min(a, b) << 32 | std::max(a, b), static_cast<uint32_t>(slot)});
    }
    std::sort(uses.begin(), uses.end(),
              [](const EdgeUse& l, const EdgeUse& r) { return l.key < r.key || (l.key == r.key && l.slot < r.slot); });
    return uses;
}

}  // namespace

RefComplex2D::RefComplex2D(const RefMesh& mesh) : neighbours_(mesh.triangles.size(), 0) {
    const std::vector<EdgeUse> uses = edgeUses(mesh);
    for (size_t first = 0; first < uses.size();) {
        size_t end = first + 1;
        while (end < uses.size() && uses[end].key == uses[first].key) ++end;
        if (end - first == 2) {
            neighbours_[uses[first].slot] = uses[first + 1].slot / 3 + 1;
            neighbours_[uses[first + 1].slot] = uses[first].slot / 3 + 1;
        }
        first = end;
    }
}

void RefComplex2D::queryInterface(const char* name, void** out) {
    tesAnswerQuery(name, out, {"RefComplex2D", this, this, {{"IComplex2D", static_cast<IComplex2D*>(this)}}});
}

const char* RefComplex2D::className() const { return "RefComplex2D"; }

uint32_t RefComplex2D::neighbour(uint32_t triangle, int32_t edge) {
    if (triangle == 0 || edge < 0 || edge > 2) return 0;
    const size_t slot = 3 * (static_cast<size_t>(triangle) - 1) + static_cast<size_t>(edge);
    return slot < neighbours_.size() ? neighbours_[slot] : 0;
}

RefMeshModel::RefMeshModel(RefMesh mesh, bool connectivity) : mesh_(std::move(mesh)), connectivity_(connectivity) {}

ITesUnknown* RefMeshModel::surfaceData() {
    if (connectivity_ && !complex_) complex_ = new RefComplex2D(mesh_);
    return complex_.get();
}

void RefMeshModel::queryInterface(const char* name, void** out) {
    tesAnswerQuery(name, out,
                   {"RefMeshModel",
                    this,
                    static_cast<ITesMesh*>(this),
                    {{"ITesMesh", static_cast<ITesMesh*>(this)}, {"ITesMeshExt", static_cast<ITesMeshExt*>(this)}}});
}

const char* RefMeshModel::className() const { return "RefMeshModel"; }

void RefMeshModel::triangleSelection(BitVector* out) {
    if (out != nullptr) *out = selection_;
}

void RefMeshModel::selectTriangles(const BitVector& triangles, bool add) { refSelect(selection_, triangles, add); }

void RefPointModel::queryInterface(const char* name, void** out) {
    tesAnswerQuery(name, out,
                   {"RefPointModel",
                    this,
                    static_cast<ITesPoints*>(this),
                    {{"ITesPoints", static_cast<ITesPoints*>(this)}, {"ITesScan", static_cast<ITesScan*>(this)}}});
}

const char* RefPointModel::className() const { return "RefPointModel"; }

void RefPointModel::pointSelection(BitVector* out) {
    if (out != nullptr) *out = selection_;
}

void RefPointModel::selectPoints(const BitVector& points, bool add) { refSelect(selection_, points, add); }

bool RefPointModel::setNormals(std::vector<double> normals) {
    if (!normals.empty() && normals.size() != points_.size()) return false;
    normals_ = std::move(normals);
    return true;
}

bool RefPointModel::setColors(std::vector<float> colors) {
    if (!colors.empty() && colors.size() != points_.size()) return false;
    colors_ = std::move(colors);
    return true;
}

void refSelect(BitVector& selection, const BitVector& items, bool add) {
    if (add) {
        selection |= items;
    } else {
        selection = items;
    }
}
