#include "document/refpointfile.h"

#include <cmath>

#include "document/refmeshtext.h"

namespace {

// Reads `count` finite numbers from words[first] on into `out`.
bool readNumbers(const std::vector<std::string_view>& words, size_t first, size_t count, std::vector<double>& out) {
    for (size_t i = first; i < first + count; ++i) {
        double value = 0;
        if (!refMeshDouble(words[i], value) || !std::isfinite(value)) return false;
        out.push_back(value);
    }
    return true;
}

// What is wrong with one line, or "".
std::string readLine(const std::vector<std::string_view>& words, RefPointRead& read) {
    if (words.empty() || words[0].starts_with('#')) return {};
    if (words[0] == "vn") {
        if (words.size() != 4 || !readNumbers(words, 1, 3, read.normals)) return "vn needs three finite numbers";
        return {};
    }
    if (words[0] != "v") return "unknown line: " + refMeshQuoted(words[0]);
    if ((words.size() != 4 && words.size() != 7) || !readNumbers(words, 1, 3, read.points)) {
        return "v needs three finite coordinates and may have a colour R G B";
    }
    if (words.size() == 4) return {};
    std::vector<double> colour;
    if (!readNumbers(words, 4, 3, colour)) return "a colour needs three finite numbers";
    for (double part : colour) {
        if (part < 0 || part > 1) return "colour parts go from 0 to 1";
        read.colors.push_back(static_cast<float>(part));
    }
    return {};
}

// Colours and normals go with every point or none.
std::string countsProblem(const RefPointRead& read) {
    if (!read.colors.empty() && read.colors.size() != read.points.size()) return "some points have no colour";
    if (!read.normals.empty() && read.normals.size() != read.points.size()) return "vn lines do not match the points";
    if (read.points.empty()) return "no points";
    return {};
}

}  // namespace

RefPointRead refReadPoints(const std::string& path) {
    RefPointRead read;
    std::string text;
    if (!refReadMeshText(path, text, read.error)) return read;
    size_t position = 0;
    std::string_view line;
    for (int number = 1; refMeshNextLine(text, position, line); ++number) {
        const std::string problem = readLine(refMeshWords(line), read);
        if (!problem.empty()) {
            read.error = path + ":" + std::to_string(number) + ": " + problem;
            return read;
        }
    }
    read.error = countsProblem(read);
    if (!read.error.empty()) {
        read.error = path + ": " + read.error;
        return read;
    }
    read.good = true;
    return read;
}
