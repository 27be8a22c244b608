// Reading PLY and OFF meshes from bytes in memory; refReadMesh
// (refmeshfile.h) reads files through these by their extension.
//
// PLY: ascii, binary_little_endian and binary_big_endian data after a header
// of "ply", "format", "comment", "obj_info", "element", "property" and
// "end_header" lines. Elements come in any order. The "vertex" element needs
// x, y and z (any scalar type, read as double); the "face" element needs a
// "vertex_indices" (or "vertex_index") list with an integer count and integer
// indices. Other properties and elements are skipped by their declared types.
// ASCII data is read as a stream of words, whatever its line breaks.
//
// OFF: an "OFF" line, a line of vertex, face (and ignored edge) counts, a line
// of x y z for each vertex, and a line "n i0 ... i(n-1)" for each face;
// whatever follows the coordinates or indices (colours) is ignored, and so is
// text from '#' to the end of a line.
//
// Both: the polygons become fans from their first vertex, all of them face 0
// of the mesh (faceCount 1); a file without polygons is refused. A polygon
// has 3 to 255 vertices, and every index names a vertex of the file (indices
// count from 0). Coordinates are kept as read, NaN and infinities included:
// the renderer draws nothing for a triangle with such a corner. Zero-area
// triangles are kept. Numbers are read without locale, with the values strtod
// gives them. Counts are checked against the bytes left in the file before
// anything is allocated for them.
//
// Errors name the file and where: "name:LINE: message" for header and text
// data, "name: byte OFFSET: message" for binary data (offsets from the start
// of the file).
#pragma once

#include <string_view>

#include "document/refmeshfile.h"

RefMeshRead refParsePly(std::string_view bytes, std::string_view name);
RefMeshRead refParseOff(std::string_view bytes, std::string_view name);
