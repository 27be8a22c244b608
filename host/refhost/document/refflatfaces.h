// Flat faces of a mesh that has none of its own (OFF and PLY files, scans):
// the regions a CAD model would call its planar faces.
#pragma once

#include "document/refgeometry.h"

// Numbers the mesh's faces anew: a triangle joins the face of a neighbour
// across an edge when its normal is at most `degrees` from the normal of the
// face's first triangle. Faces are numbered from 0 in the order of their
// first triangle; a degenerate triangle is a face of its own.
void refSplitFlatFaces(RefMesh& mesh, double degrees);
