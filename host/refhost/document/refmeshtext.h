// What the PLY and OFF readers share: lines and words of text, numbers read
// exactly and without locale, and polygons checked and turned into fans.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "document/refmeshfile.h"

// The whole file at `path` in one read; a byte-order mark at the start is
// dropped. False with `error` saying why when it cannot be read.
bool refReadMeshText(const std::string& path, std::string& text, std::string& error);

// The next line of `text` at `position`, without its "\n" or "\r\n";
// `position` moves past the line end. False at the end of the text.
bool refMeshNextLine(std::string_view text, size_t& position, std::string_view& line);

// Space, tab, vertical tab, form feed and CR.
inline constexpr std::string_view kRefMeshBlanks = " \t\v\f\r";

// The words of a line, separated by any of `blanks`.
std::vector<std::string_view> refMeshWords(std::string_view line, std::string_view blanks = kRefMeshBlanks);

// A decimal number as the whole word, with the value strtod gives it (a
// literal beyond the range of double is an infinity or a zero); "nan" and
// "inf" are numbers here. No hex forms.
bool refMeshDouble(std::string_view word, double& value);
// A decimal integer as the whole word, with an optional sign.
bool refMeshInteger(std::string_view word, int64_t& value);

// `word` in double quotes for a message, cut after 40 bytes.
std::string refMeshQuoted(std::string_view word);

// A polygon has 3 to 255 corners, as in the OBJ reader.
inline constexpr int64_t kRefMostPolygonCorners = 255;

// What is wrong with face `face` of `corners` corners, or "".
std::string refMeshPolygonProblem(int64_t face, int64_t corners);
// What is wrong with corner index `index` of face `face`, or "".
std::string refMeshCornerProblem(int64_t face, int64_t index, int64_t vertexCount);

// Appends the fan of a checked polygon (its first corner with each following
// edge) to face 0 of `mesh`.
void refMeshAddFan(std::span<const int64_t> corners, RefMesh& mesh);

// Ends a read: with an error the mesh is dropped; without triangles the read
// fails with "name: no faces"; otherwise the mesh has face 0 and is good.
void refMeshFinish(RefMeshRead& read, std::string_view name);
