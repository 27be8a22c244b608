// Reading triangle meshes from files. The format follows the extension:
//
//   .obj   Wavefront OBJ, read with tinyobjloader. Each shape the library
//          makes is the next face, in file order: the faces before the first
//          group (or object) are face 0, and a group named again later is a
//          new face. Polygons become triangle fans from their first vertex.
//          Vertices need three finite coordinates; normals, texture
//          coordinates, lines, points and materials are ignored.
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
