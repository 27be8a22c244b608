// Meshes made from numbers rather than files, for scenes and tests: spheres
// and boxes as closed shells, and grids of points for point clouds.
//
// Each shell is added to the mesh after what it holds already, its vertex
// indices offset to match, as a new face (faceCount grows by one), so that
// a pick still tells the shells apart. Triangles wind counter-clockwise seen
// from outside: the right-hand normal points out.
#pragma once

#include <cstdint>
#include <vector>

#include "document/refgeometry.h"
#include "tesvector.h"

// A UV sphere of `rings` bands from pole to pole and 2 × rings segments
// around z: 4 × rings × (rings − 1) triangles. `triangles` is rounded up to
// the next such count, 8 at least (rings 2, an octahedron). A negative radius
// counts as its size.
void refAddSphere(RefMesh& mesh, double radius, int32_t triangles, TesVector centre);

// A box of edges sx, sy and sz (their sizes, whatever their sign) along the
// axes, centred on `centre`: 8 vertices and 12 triangles.
void refAddBox(RefMesh& mesh, double sx, double sy, double sz, TesVector centre);

// nx × ny points x, y, z in the plane z = at.z, from `at` in steps of `step`
// along x (the faster) and y; empty when nx or ny is not positive.
std::vector<double> refGridPoints(int32_t nx, int32_t ny, double step, TesVector at);
