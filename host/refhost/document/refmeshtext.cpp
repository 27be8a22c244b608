#include "document/refmeshtext.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <limits>

#include "session/reflines.h"

namespace {


bool isDigit(char c) { return c >= '0' && c <= '9'; }

// The power of ten of the first significant digit of a decimal literal,
// saturated: from_chars reports a literal beyond the range of double without
// a value, and its sign says whether strtod overflows or underflows it.
int64_t decimalMagnitude(std::string_view word) {
    constexpr int64_t kSaturated = 1'000'000;
    size_t i = word.empty() || (word[0] != '-' && word[0] != '+') ? 0 : 1;
    int64_t lead = 0;
    bool significant = false;
    for (; i < word.size() && isDigit(word[i]); ++i) {
        significant = significant || word[i] != '0';
        if (significant) lead = std::min(lead + 1, kSaturated);
    }
    if (i < word.size() && word[i] == '.') {
        for (++i; i < word.size() && isDigit(word[i]); ++i) {
            significant = significant || word[i] != '0';
            if (!significant) lead = std::max(lead - 1, -kSaturated);
        }
    }
    if (i + 1 >= word.size()) return lead;
    const bool negative = word[i + 1] == '-';
    int64_t exponent = 0;
    for (i += (word[i + 1] == '-' || word[i + 1] == '+') ? 2 : 1; i < word.size(); ++i) {
        exponent = std::min(exponent * 10 + (word[i] - '0'), kSaturated);
    }
    return lead + (negative ? -exponent : exponent);
}

// from_chars takes no '+'; strtod does, before a digit, a point or a name.
std::string_view withoutPlus(std::string_view word) {
    if (word.size() > 1 && word[0] == '+' && word[1] != '-' && word[1] != '+') word.remove_prefix(1);
    return word;
}

}  // namespace

bool refMeshNextLine(std::string_view text, size_t& position, std::string_view& line) {
    if (position >= text.size()) return false;
    const size_t end = std::min(text.find('\n', position), text.size());
    line = text.substr(position, end - position);
    if (line.ends_with('\r')) line.remove_suffix(1);
    position = end + 1;
    return true;
}

std::vector<std::string_view> refMeshWords(std::string_view line, std::string_view blanks) {
    std::vector<std::string_view> words;
    size_t start = line.find_first_not_of(blanks);
    while (start != std::string_view::npos) {
        const size_t end = std::min(line.find_first_of(blanks, start), line.size());
        words.push_back(line.substr(start, end - start));
        start = line.find_first_not_of(blanks, end);
    }
    return words;
}

bool refMeshDouble(std::string_view word, double& value) {
    word = withoutPlus(word);
    const char* end = word.data() + word.size();
    const auto [stop, problem] = std::from_chars(word.data(), end, value);
    if (stop != end || word.empty()) return false;
    if (problem == std::errc()) return true;
    if (problem != std::errc::result_out_of_range) return false;
    const double magnitude = decimalMagnitude(word) > 0 ? std::numeric_limits<double>::infinity() : 0.0;
    value = word[0] == '-' ? -magnitude : magnitude;
    return true;
}

bool refMeshInteger(std::string_view word, int64_t& value) {
    word = withoutPlus(word);
    const char* end = word.data() + word.size();
    const auto [stop, problem] = std::from_chars(word.data(), end, value);
    return problem == std::errc() && stop == end && !word.empty();
}

std::string refMeshQuoted(std::string_view word) {
    constexpr size_t kLongest = 40;
    return "\"" + std::string(word.substr(0, kLongest)) + (word.size() > kLongest ? "...\"" : "\"");
}

std::string refMeshPolygonProblem(int64_t face, int64_t corners) {
    const std::string polygon = "face " + std::to_string(face);
    if (corners < 0) return polygon + " has a negative vertex count (" + std::to_string(corners) + ")";
    if (corners < 3) return polygon + " has " + std::to_string(corners) + " vertices; a face needs at least three";
    if (corners > kRefMostPolygonCorners) {
        return polygon + " has " + std::to_string(corners) + " vertices; more than " +
               std::to_string(kRefMostPolygonCorners);
    }
    return {};
}

std::string refMeshCornerProblem(int64_t face, int64_t index, int64_t vertexCount) {
    if (index >= 0 && index < vertexCount) return {};
    return "face " + std::to_string(face) + " refers to vertex " + std::to_string(index) + "; the file has " +
           std::to_string(vertexCount) + " vertices";
}

void refMeshAddFan(std::span<const int64_t> corners, RefMesh& mesh) {
    for (size_t corner = 1; corner + 1 < corners.size(); ++corner) {
        mesh.triangles.insert(mesh.triangles.end(),
                              {static_cast<int32_t>(corners[0]), static_cast<int32_t>(corners[corner]),
                               static_cast<int32_t>(corners[corner + 1])});
        mesh.triangleFaces.push_back(0);
    }
}

void refMeshFinish(RefMeshRead& read, std::string_view name) {
    if (read.error.empty() && read.mesh.triangleCount() == 0) read.error = refPrintable(name) + ": no faces";
    read.good = read.error.empty();
    if (!read.good) {
        read.mesh = RefMesh();
        return;
    }
    read.mesh.faceCount = 1;
}
