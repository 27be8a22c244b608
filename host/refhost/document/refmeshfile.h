// Reading triangle meshes from files. The format follows the extension, in
// any case; a file is read into memory in one go:
//
//   .obj   Wavefront OBJ, read with tinyobjloader. Each shape the library
//          makes is the next face, in file order: the faces before the first
//          group (or object) are face 0, and a group named again later is a
//          new face. Polygons become triangle fans from their first vertex.
//          Vertices need three finite coordinates; normals, texture
//          coordinates, lines, points and materials are ignored.
//   .ply   PLY, ASCII or binary in either byte order, and
//   .off   OFF, both with our own reader (refply.h): the polygons of the
//          file are fans in face 0; NaN and infinite coordinates are kept.
#pragma once

#include <string>

#include "document/refgeometry.h"

struct RefMeshRead {
    bool good = false;
    // What is wrong, naming the file and, where known, its line:
    // "cube.obj:7: face refers to vertex 9; the file has 8 vertices".
    std::string error;
    RefMesh mesh;
};

RefMeshRead refReadMesh(const std::string& path);
