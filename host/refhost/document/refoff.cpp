// The OFF reader of refply.h.
#include <cstdint>
#include <limits>
#include <vector>

#include "document/refmeshtext.h"
#include "document/refply.h"
#include "session/reflines.h"

namespace {

using Words = std::vector<std::string_view>;

constexpr std::string_view kMagic = "OFF";
constexpr char kComment = '#';

// The lines of an OFF file that hold something, without their comments.
class OffLines {
public:
    OffLines(std::string_view bytes, std::string_view name) : bytes_(bytes), name_(name) {}

    bool next(Words& words) {
        std::string_view line;
        while (refMeshNextLine(bytes_, position_, line)) {
            ++line_;
            words = refMeshWords(line.substr(0, line.find(kComment)));
            if (!words.empty()) return true;
        }
        return false;
    }
    size_t bytesLeft() const { return position_ < bytes_.size() ? bytes_.size() - position_ : 0; }
    std::string fail(const std::string& message) const { return refLineError(name_, line_ == 0 ? 1 : line_, message); }

private:
    std::string_view bytes_;
    std::string name_;
    size_t position_ = 0;
    int line_ = 0;
};

struct OffCounts {
    int64_t vertices = 0;
    int64_t faces = 0;
};

// "OFF", with the counts on its own line or on the next one.
std::string readCounts(OffLines& lines, OffCounts& counts) {
    Words words;
    if (!lines.next(words) || words[0] != kMagic) return lines.fail("not an OFF file: it does not start with \"OFF\"");
    words.erase(words.begin());
    if (words.empty() && !lines.next(words)) return lines.fail("the file ends before the counts line");
    const bool read = words.size() >= 2 && refMeshInteger(words[0], counts.vertices) &&
                      refMeshInteger(words[1], counts.faces) && counts.vertices >= 0 && counts.faces >= 0;
    if (!read) return lines.fail("the counts line needs the numbers of vertices and faces");
    if (counts.vertices > std::numeric_limits<int32_t>::max()) return lines.fail("too many vertices");
    // A vertex line has at least three words, a face line four, each word a
    // byte and a separator: refused before anything is allocated.
    const uint64_t wordsLeft = (static_cast<uint64_t>(lines.bytesLeft()) + 1) / 2;
    const bool fit =
        static_cast<uint64_t>(counts.vertices) <= wordsLeft / 3 &&
        static_cast<uint64_t>(counts.faces) <= (wordsLeft - 3 * static_cast<uint64_t>(counts.vertices)) / 4;
    if (!fit) {
        return lines.fail(std::to_string(counts.vertices) + " vertices and " + std::to_string(counts.faces) +
                          " faces cannot fit in the " + std::to_string(lines.bytesLeft()) + " bytes after this line");
    }
    return {};
}

std::string readVertices(OffLines& lines, int64_t count, RefMesh& mesh) {
    mesh.vertices.assign(3 * static_cast<size_t>(count), 0.0);
    Words words;
    for (int64_t vertex = 0; vertex < count; ++vertex) {
        if (!lines.next(words)) {
            return lines.fail("the file ends after " + std::to_string(vertex) + " of " + std::to_string(count) +
                              " vertices");
        }
        double* xyz = &mesh.vertices[3 * static_cast<size_t>(vertex)];
        const bool read = words.size() >= 3 && refMeshDouble(words[0], xyz[0]) && refMeshDouble(words[1], xyz[1]) &&
                          refMeshDouble(words[2], xyz[2]);
        if (!read) return lines.fail("vertex " + std::to_string(vertex) + " needs three coordinates x y z");
    }
    return {};
}

std::string readFace(const Words& words, int64_t face, int64_t vertexCount, std::vector<int64_t>& corners,
                     RefMesh& mesh) {
    int64_t count = 0;
    if (!refMeshInteger(words[0], count)) return "face " + std::to_string(face) + " starts with no vertex count";
    if (std::string problem = refMeshPolygonProblem(face, count); !problem.empty()) return problem;
    if (words.size() <= static_cast<size_t>(count)) {
        return "face " + std::to_string(face) + " lists " + std::to_string(words.size() - 1) + " of its " +
               std::to_string(count) + " vertices";
    }
    corners.resize(static_cast<size_t>(count));
    for (size_t corner = 0; corner < corners.size(); ++corner) {
        if (!refMeshInteger(words[corner + 1], corners[corner])) {
            return "face " + std::to_string(face) + " has a vertex index that is not a whole number";
        }
        std::string problem = refMeshCornerProblem(face, corners[corner], vertexCount);
        if (!problem.empty()) return problem;
    }
    refMeshAddFan(corners, mesh);
    return {};
}

std::string readFaces(OffLines& lines, const OffCounts& counts, RefMesh& mesh) {
    Words words;
    std::vector<int64_t> corners;
    for (int64_t face = 0; face < counts.faces; ++face) {
        if (!lines.next(words)) {
            return lines.fail("the file ends after " + std::to_string(face) + " of " + std::to_string(counts.faces) +
                              " faces");
        }
        std::string problem = readFace(words, face, counts.vertices, corners, mesh);
        if (!problem.empty()) return lines.fail(problem);
    }
    return {};
}

}  // namespace

RefMeshRead refParseOff(std::string_view bytes, std::string_view name) {
    RefMeshRead read;
    OffLines lines(bytes, name);
    OffCounts counts;
    read.error = readCounts(lines, counts);
    if (read.error.empty()) read.error = readVertices(lines, counts.vertices, read.mesh);
    if (read.error.empty()) read.error = readFaces(lines, counts, read.mesh);
    refMeshFinish(read, name);
    return read;
}
