#include "document/refmeshfile.h"

#include <tiny_obj_loader.h>

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cmath>
#include <string_view>

#include "document/refmeshtext.h"
#include "document/refply.h"
#include "session/reflines.h"

namespace {

constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";
// The blanks the OBJ library splits words at.
constexpr std::string_view kBlanks = " \t";
// The library counts the vertices of a polygon in a byte.
constexpr size_t kMostPolygonVertices = 255;

// The file lines of the vertices and faces tinyobjloader reads, in order, so
// that a problem it lets through can be named by its line.
struct ObjLines {
    std::vector<int> vertices;
    std::vector<int> faces;
};


// A decimal number with a finite value, as the whole word.
bool isFiniteNumber(std::string_view word) {
    if (word.size() > 1 && word[0] == '+' && word[1] != '-') word.remove_prefix(1);
    double value = 0;
    const auto [end, problem] = std::from_chars(word.data(), word.data() + word.size(), value);
    return problem == std::errc() && end == word.data() + word.size() && std::isfinite(value);
}

std::string at(const std::string& path, int line) { return refPrintable(path + ":" + std::to_string(line)); }

// Where the library takes a line for a vertex or a face: "v" or "f" and a
// blank after leading blanks. Checks what it would let through: a missing
// or unreadable coordinate (it reads 0), a face of fewer than three
// vertices (it drops it) or of more than it can count. Lines end at "\n", "\r\n" or a lone "\r", as there.
std::string scanObjLines(std::string_view text, const std::string& path, ObjLines& lines) {
    int number = 0;
    for (size_t start = 0; start < text.size();) {
        const size_t end = std::min(text.find_first_of("\r\n", start), text.size());
        const std::vector<std::string_view> words = refMeshWords(text.substr(start, end - start), kBlanks);
        start = end + (text.compare(end, 2, "\r\n") == 0 ? 2 : 1);
        ++number;
        const std::string_view statement = words.empty() ? std::string_view() : words[0];
        if (statement == "v") {
            const bool finite = words.size() >= 4 && std::all_of(words.begin() + 1, words.begin() + 4, isFiniteNumber);
            if (!finite) return at(path, number) + ": a vertex needs three finite coordinates x y z";
            lines.vertices.push_back(number);
        } else if (statement == "f") {
            if (words.size() < 4) return at(path, number) + ": a face needs at least three vertices";
            if (words.size() - 1 > kMostPolygonVertices) {
                return at(path, number) + ": a face has more than " + std::to_string(kMostPolygonVertices) +
                       " vertices";
            }
            lines.faces.push_back(number);
        }
    }
    return {};
}

// "path:line" for entry `index` of `numbers`, or the path alone.
std::string located(const std::string& path, const std::vector<int>& numbers, size_t index) {
    return index < numbers.size() ? at(path, numbers[index]) : refPrintable(path);
}

std::string checkVertices(const std::vector<tinyobj::real_t>& vertices, const std::string& path,
                          const ObjLines& lines) {
    for (size_t coordinate = 0; coordinate < vertices.size(); ++coordinate) {
        if (std::isfinite(vertices[coordinate])) continue;
        return located(path, lines.vertices, coordinate / 3) + ": a vertex coordinate is out of range";
    }
    return {};
}

// Appends the fan of one polygon (first vertex with each following edge).
std::string addPolygon(const std::vector<tinyobj::index_t>& indices, size_t first, size_t count, int32_t face,
                       RefMesh& mesh) {
    const int32_t vertexCount = mesh.vertexCount();
    for (size_t corner = first; corner < first + count; ++corner) {
        const int index = indices[corner].vertex_index;
        if (index < 0) return "face refers to a vertex before the first";
        if (index >= vertexCount) {
            return "face refers to vertex " + std::to_string(static_cast<int64_t>(index) + 1) + "; the file has " +
                   std::to_string(vertexCount) + " vertices";
        }
    }
    for (size_t corner = first + 1; corner + 1 < first + count; ++corner) {
        mesh.triangles.insert(mesh.triangles.end(),
                              {indices[first].vertex_index, indices[corner].vertex_index,
                               indices[corner + 1].vertex_index});
        mesh.triangleFaces.push_back(face);
    }
    return {};
}

std::string addShapes(const std::vector<tinyobj::shape_t>& shapes, const std::string& path, const ObjLines& lines,
                      RefMesh& mesh) {
    size_t polygon = 0;
    for (const tinyobj::shape_t& shape : shapes) {
        const int32_t face = mesh.faceCount++;
        size_t first = 0;
        for (const unsigned char count : shape.mesh.num_face_vertices) {
            const std::string problem = addPolygon(shape.mesh.indices, first, count, face, mesh);
            if (!problem.empty()) return located(path, lines.faces, polygon) + ": " + problem;
            first += count;
            ++polygon;
        }
    }
    return {};
}

RefMeshRead readObj(const std::string& path) {
    RefMeshRead read;
    std::string text;
    if (!refReadMeshText(path, text, read.error)) return read;
    ObjLines lines;
    read.error = scanObjLines(text, path, lines);
    if (!read.error.empty()) return read;
    tinyobj::ObjReaderConfig config;
    config.triangulate = false;  // it splits quads on a diagonal of its own choosing
    config.vertex_color = false;
    tinyobj::ObjReader reader;
    if (!reader.ParseFromString(text, "", config)) {
        read.error = refPrintable(path + ": " + reader.Error().substr(0, reader.Error().find('\n')));
        return read;
    }
    const std::vector<tinyobj::real_t>& vertices = reader.GetAttrib().vertices;
    read.error = checkVertices(vertices, path, lines);
    if (!read.error.empty()) return read;
    read.mesh.vertices.assign(vertices.begin(), vertices.end());
    read.error = addShapes(reader.GetShapes(), path, lines, read.mesh);
    if (read.error.empty() && read.mesh.triangleCount() == 0) read.error = refPrintable(path) + ": no faces";
    read.good = read.error.empty();
    return read;
}

bool hasExtension(const std::string& path, std::string_view extension) {
    if (path.size() < extension.size()) return false;
    return std::equal(extension.begin(), extension.end(), path.end() - static_cast<ptrdiff_t>(extension.size()),
                      [](char a, char b) { return a == std::tolower(static_cast<unsigned char>(b)); });
}

template <RefMeshRead (*parse)(std::string_view, std::string_view)>
RefMeshRead readWith(const std::string& path) {
    RefMeshRead read;
    std::string bytes;
    return refReadMeshText(path, bytes, read.error) ? parse(bytes, path) : read;
}

struct MeshFormat {
    std::string_view extension;
    RefMeshRead (*read)(const std::string& path);
};

constexpr MeshFormat kFormats[] = {
    {".obj", readObj},
    {".ply", readWith<refParsePly>},
    {".off", readWith<refParseOff>},
};

}  // namespace

RefMeshRead refReadMesh(const std::string& path) {
    for (const MeshFormat& format : kFormats) {
        if (hasExtension(path, format.extension)) return format.read(path);
    }
    RefMeshRead read;
    read.error = refPrintable(path) + ": not a mesh file this host reads (.obj, .ply, .off)";
    return read;
}

bool refReadMeshText(const std::string& path, std::string& text, std::string& error) {
    if (!refReadText(path, text, error)) return false;
    if (text.starts_with(kByteOrderMark)) text.erase(0, kByteOrderMark.size());
    return true;
}
