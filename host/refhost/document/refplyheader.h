// The header of a PLY file: its data format and the elements it declares,
// checked against the bytes that follow it before any data is read.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

enum class RefPlyType : uint8_t { Int8, Uint8, Int16, Uint16, Int32, Uint32, Float32, Float64 };
enum class RefPlyFormat : uint8_t { Ascii, BinaryLittleEndian, BinaryBigEndian };
// The elements the mesh is made of; the others are skipped.
enum class RefPlyKind : uint8_t { Other, Vertex, Face };
// What the reader takes from a property; the rest is skipped.
enum class RefPlyRole : uint8_t { Skip, X, Y, Z, Corners };

size_t refPlySize(RefPlyType type);
bool refPlyIsInteger(RefPlyType type);

struct RefPlyProperty {
    RefPlyType type = RefPlyType::Float32;  // of the value, or of each list item
    bool list = false;
    RefPlyType countType = RefPlyType::Uint8;  // lists only; always an integer type
    RefPlyRole role = RefPlyRole::Skip;
};

struct RefPlyElement {
    std::string name;
    RefPlyKind kind = RefPlyKind::Other;
    uint64_t count = 0;
    int line = 0;  // of its "element" line
    std::vector<RefPlyProperty> properties;
};

struct RefPlyHeader {
    RefPlyFormat format = RefPlyFormat::Ascii;
    std::vector<RefPlyElement> elements;  // in file order
    int64_t vertexCount = 0;              // of the "vertex" element; 0 without one
    size_t dataStart = 0;                 // offset of the first byte after the end_header line
    int dataLine = 0;                     // number of the line starting there
};

// Reads the header at the start of `bytes`: "" or "name:LINE: message". Every
// element fits in the bytes after the header (in binary at its smallest size,
// in ASCII at one digit and a separator a value); the vertex element has x, y
// and z, and the face element a list of integer vertex indices.
std::string refReadPlyHeader(std::string_view bytes, std::string_view name, RefPlyHeader& header);
