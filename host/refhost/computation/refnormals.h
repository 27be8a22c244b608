// The reference host's normal calculator ("IPointNormalCalculator"): the
// normal of each point is the direction in which its nearest neighbours
// spread least (principal components of their scatter).
#pragma once

#include <cstddef>
#include <vector>

#include "hostapi/computation.h"
#include "iptr.h"

inline constexpr size_t kRefNormalNeighbours = 10;  // the point itself included

// Unit normals of `count` points (x, y, z each) into `normals`, three to a
// point. With `orient`, normals are turned consistently: from a seed, each
// normal is made to agree (positive dot product) with the neighbour it was
// reached from, the seed of each connected part being its point of largest x,
// whose normal points to +x (or +y, then +z, when it is across x). On a
// closed surface the normals then point outwards. False for fewer than 3
// points or a coordinate that is not finite.
bool refEstimateNormals(const double* xyz, size_t count, size_t neighbours, bool orient, std::vector<double>& normals);

// Takes the points of an "ITesPoints" or an "ITesMesh" (its vertices). With
// `store` a point set of the host's keeps the normals; meshes have no place
// for them, so the calculator also keeps the last ones it calculated.
class RefPointNormalCalculator : public IPointNormalCalculator {
public:
    void queryInterface(const char* name, void** out) override;
    const char* className() const override;
    void setPoints(ITesUnknown* points) override { points_ = points; }
    bool calculate(bool orient, bool store) override;

    // Three values per point; empty before a successful calculate.
    const std::vector<double>& normals() const { return normals_; }

private:
    IPtr<ITesUnknown> points_;
    std::vector<double> normals_;
};
