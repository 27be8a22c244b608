// The models an object of the reference host's document carries: a triangle
// mesh with its connectivity and its selection ("GenModel"), and a point
// cloud or a scan with its selection ("PointModel", "ScanModel"). Items are
// numbered from 1 in selections: the k-th triangle or point (from 0) is item
// k + 1, and bit 0 is never set.
#pragma once

#include <memory>
#include <vector>

#include "bitvector.h"
#include "document/refgeometry.h"
#include "hostapi/document.h"
#include "iptr.h"

// Which triangles meet across each edge. An edge joins two triangles when
// exactly two triangles have it (as the same two vertex indices, in either
// direction); an edge of one triangle is a boundary, and an edge of three or
// more triangles is non-manifold: none of them has a neighbour across it.
class RefComplex2D : public IComplex2D {
public:
    explicit RefComplex2D(const RefMesh& mesh);
    void queryInterface(const char* name, void** out) override;
    const char* className() const override;
    uint32_t neighbour(uint32_t triangle, int32_t edge) override;

private:
    std::vector<uint32_t> neighbours_;  // three per triangle, item numbers
};

class RefMeshModel : public ITesMesh, public ITesMeshExt {
public:
    // Without `connectivity` the mesh has no surface data.
    RefMeshModel(RefMesh mesh, bool connectivity);
    void queryInterface(const char* name, void** out) override;
    const char* className() const override;
    int32_t vertexCount() override { return mesh_.vertexCount(); }
    const double* vertices() override { return mesh_.vertices.data(); }
    int32_t triangleCount() override { return mesh_.triangleCount(); }
    const int32_t* triangles() override { return mesh_.triangles.data(); }
    // The connectivity, built on first use.
    ITesUnknown* surfaceData() override;
    const int32_t* triangleFaces() override { return mesh_.triangleFaces.data(); }
    void triangleSelection(BitVector* out) override;
    void selectTriangles(const BitVector& triangles, bool add) override;

    const RefMesh& mesh() const { return mesh_; }
    bool hasConnectivity() const { return connectivity_; }
    const BitVector& selection() const { return selection_; }

private:
    RefMesh mesh_;
    bool connectivity_;
    IPtr<RefComplex2D> complex_;
    BitVector selection_;
};

// A point cloud, also seen as a scan.
class RefPointModel : public ITesPoints, public ITesScan {
public:
    explicit RefPointModel(std::vector<double> points) : points_(std::move(points)) {}
    void queryInterface(const char* name, void** out) override;
    const char* className() const override;
    int32_t pointCount() override { return static_cast<int32_t>(points_.size() / 3); }
    const double* points() override { return points_.data(); }
    void pointSelection(BitVector* out) override;
    void selectPoints(const BitVector& points, bool add) override;
    bool hasNormals() override { return !normals_.empty(); }

    const BitVector& selection() const { return selection_; }
    // Three values per point each; empty for none. False, and nothing kept,
    // when the count does not match the points.
    bool setNormals(std::vector<double> normals);
    const std::vector<double>& normals() const { return normals_; }
    bool setColors(std::vector<float> colors);
    bool hasColors() const { return !colors_.empty(); }

private:
    std::vector<double> points_;
    std::vector<double> normals_;
    std::vector<float> colors_;
    BitVector selection_;
};

// Replaces the selection by `items` or, with `add`, adds them to it.
void refSelect(BitVector& selection, const BitVector& items, bool add);
