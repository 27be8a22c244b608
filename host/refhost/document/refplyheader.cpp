#include "document/refplyheader.h"

#include <algorithm>
#include <charconv>
#include <iterator>
#include <limits>
#include <utility>

#include "document/refmeshtext.h"
#include "session/reflines.h"

namespace {

using Words = std::vector<std::string_view>;

constexpr std::string_view kMagic = "ply";
constexpr std::string_view kEndHeader = "end_header";
constexpr std::string_view kVertexElement = "vertex";
constexpr std::string_view kFaceElement = "face";
constexpr std::string_view kCornerLists[] = {"vertex_indices", "vertex_index"};
constexpr std::string_view kCoordinates[] = {"x", "y", "z"};

struct TypeName {
    std::string_view name;
    RefPlyType type;
};

constexpr TypeName kTypeNames[] = {
    {"char", RefPlyType::Int8},       {"int8", RefPlyType::Int8},       {"uchar", RefPlyType::Uint8},
    {"uint8", RefPlyType::Uint8},     {"short", RefPlyType::Int16},     {"int16", RefPlyType::Int16},
    {"ushort", RefPlyType::Uint16},   {"uint16", RefPlyType::Uint16},   {"int", RefPlyType::Int32},
    {"int32", RefPlyType::Int32},     {"uint", RefPlyType::Uint32},     {"uint32", RefPlyType::Uint32},
    {"float", RefPlyType::Float32},   {"float32", RefPlyType::Float32}, {"double", RefPlyType::Float64},
    {"float64", RefPlyType::Float64},
};

constexpr std::pair<std::string_view, RefPlyFormat> kFormats[] = {
    {"ascii", RefPlyFormat::Ascii},
    {"binary_little_endian", RefPlyFormat::BinaryLittleEndian},
    {"binary_big_endian", RefPlyFormat::BinaryBigEndian},
};

struct HeaderState {
    RefPlyHeader& header;
    bool hasFormat = false;
    int line = 1;
};

bool typeNamed(std::string_view word, RefPlyType& type) {
    const auto* found = std::find_if(std::begin(kTypeNames), std::end(kTypeNames),
                                     [word](const TypeName& entry) { return entry.name == word; });
    if (found == std::end(kTypeNames)) return false;
    type = found->type;
    return true;
}

RefPlyKind kindOf(std::string_view element) {
    if (element == kVertexElement) return RefPlyKind::Vertex;
    if (element == kFaceElement) return RefPlyKind::Face;
    return RefPlyKind::Other;
}

RefPlyRole roleOf(RefPlyKind element, std::string_view property) {
    for (int axis = 0; axis < 3 && element == RefPlyKind::Vertex; ++axis) {
        if (property == kCoordinates[axis]) return static_cast<RefPlyRole>(static_cast<int>(RefPlyRole::X) + axis);
    }
    const bool corners = property == kCornerLists[0] || property == kCornerLists[1];
    return element == RefPlyKind::Face && corners ? RefPlyRole::Corners : RefPlyRole::Skip;
}

std::string readFormat(const Words& words, HeaderState& state) {
    if (state.hasFormat) return "a second format line";
    if (words.size() != 3) return "a format line is \"format ascii|binary_little_endian|binary_big_endian 1.0\"";
    const auto* found = std::find_if(std::begin(kFormats), std::end(kFormats),
                                     [&](const auto& format) { return format.first == words[1]; });
    if (found == std::end(kFormats)) return "unknown format " + refMeshQuoted(words[1]);
    state.header.format = found->second;
    state.hasFormat = true;
    return {};
}

std::string readElement(const Words& words, HeaderState& state) {
    uint64_t count = 0;
    if (words.size() != 3) return "an element line is \"element NAME COUNT\"";
    const char* end = words[2].data() + words[2].size();
    const auto [stop, problem] = std::from_chars(words[2].data(), end, count);
    if (problem != std::errc() || stop != end)
        return "the count of element " + refMeshQuoted(words[1]) + " is not a count";
    const RefPlyKind kind = kindOf(words[1]);
    for (const RefPlyElement& element : state.header.elements) {
        if (kind != RefPlyKind::Other && element.kind == kind) return "a second " + element.name + " element";
    }
    state.header.elements.push_back({std::string(words[1]), kind, count, state.line, {}});
    return {};
}

// The type words of a property line into `property`; its name.
std::string readTypes(const Words& words, RefPlyProperty& property, std::string_view& name) {
    const bool list = words.size() >= 2 && words[1] == "list";
    if (list && words.size() != 5) return "a list property line is \"property list COUNTTYPE TYPE NAME\"";
    if (!list && words.size() != 3) return "a property line is \"property TYPE NAME\"";
    const size_t typeWord = list ? 3 : 1;
    if (list && !typeNamed(words[2], property.countType)) return "unknown type " + refMeshQuoted(words[2]);
    if (!typeNamed(words[typeWord], property.type)) return "unknown type " + refMeshQuoted(words[typeWord]);
    name = words.back();
    property.list = list;
    if (list && !refPlyIsInteger(property.countType))
        return "the count of list " + refMeshQuoted(name) + " is not an integer type";
    return {};
}

std::string readProperty(const Words& words, HeaderState& state) {
    if (state.header.elements.empty()) return "a property before any element";
    RefPlyElement& element = state.header.elements.back();
    RefPlyProperty property;
    std::string_view name;
    if (std::string problem = readTypes(words, property, name); !problem.empty()) return problem;
    property.role = roleOf(element.kind, name);
    if (property.role == RefPlyRole::Skip) {
        element.properties.push_back(property);
        return {};
    }
    const bool taken = std::any_of(element.properties.begin(), element.properties.end(),
                                   [&](const RefPlyProperty& other) { return other.role == property.role; });
    if (taken) return "a second " + std::string(name) + " property of " + element.name;
    if (property.role == RefPlyRole::Corners && (!property.list || !refPlyIsInteger(property.type))) {
        return "face " + std::string(name) + " must be a list of integers";
    }
    if (property.role != RefPlyRole::Corners && property.list)
        return "vertex " + std::string(name) + " must not be a list";
    element.properties.push_back(property);
    return {};
}

std::string readStatement(const Words& words, HeaderState& state) {
    if (words[0] == "comment" || words[0] == "obj_info") return {};
    if (words[0] == "format") return readFormat(words, state);
    if (words[0] == "element") return readElement(words, state);
    if (words[0] == "property") return readProperty(words, state);
    return "unknown header line " + refMeshQuoted(words[0]);
}

bool hasRole(const RefPlyElement& element, RefPlyRole role) {
    return std::any_of(element.properties.begin(), element.properties.end(),
                       [role](const RefPlyProperty& property) { return property.role == role; });
}

// The problem of one element's properties, with state.line at the element.
std::string checkProperties(const RefPlyElement& element, HeaderState& state) {
    state.line = element.line;
    if (element.kind == RefPlyKind::Vertex) {
        if (!hasRole(element, RefPlyRole::X)) return "the vertex element has no x property";
        if (!hasRole(element, RefPlyRole::Y)) return "the vertex element has no y property";
        if (!hasRole(element, RefPlyRole::Z)) return "the vertex element has no z property";
        if (element.count > static_cast<uint64_t>(std::numeric_limits<int32_t>::max())) return "too many vertices";
        state.header.vertexCount = static_cast<int64_t>(element.count);
    }
    if (element.kind == RefPlyKind::Face && !hasRole(element, RefPlyRole::Corners)) {
        return "the face element has no vertex_indices list";
    }
    return {};
}

// The fewest bytes (binary) or words (ASCII) one instance of `element` takes.
uint64_t smallestInstance(const RefPlyElement& element, RefPlyFormat format) {
    if (format == RefPlyFormat::Ascii) return element.properties.size();
    uint64_t bytes = 0;
    for (const RefPlyProperty& property : element.properties) {
        bytes += refPlySize(property.list ? property.countType : property.type);
    }
    return bytes;
}

// Each element against what is left after the ones before it, so that a
// count is refused before anything is allocated or looped over for it.
std::string checkCounts(size_t dataBytes, HeaderState& state) {
    const bool ascii = state.header.format == RefPlyFormat::Ascii;
    uint64_t left = ascii ? (static_cast<uint64_t>(dataBytes) + 1) / 2 : dataBytes;
    for (const RefPlyElement& element : state.header.elements) {
        const uint64_t each = smallestInstance(element, state.header.format);
        if (each == 0) continue;
        if (element.count > left / each) {
            state.line = element.line;
            return std::to_string(element.count) + " " + refMeshQuoted(element.name) + " elements cannot fit in the " +
                   std::to_string(dataBytes) + " bytes after the header";
        }
        left -= element.count * each;
    }
    return {};
}

std::string finishHeader(size_t dataBytes, HeaderState& state) {
    if (!state.hasFormat) return "the header has no format line";
    for (const RefPlyElement& element : state.header.elements) {
        if (std::string problem = checkProperties(element, state); !problem.empty()) return problem;
    }
    return checkCounts(dataBytes, state);
}

}  // namespace

size_t refPlySize(RefPlyType type) {
    constexpr size_t kSizes[] = {1, 1, 2, 2, 4, 4, 4, 8};
    return kSizes[static_cast<size_t>(type)];
}

bool refPlyIsInteger(RefPlyType type) { return type != RefPlyType::Float32 && type != RefPlyType::Float64; }

std::string refReadPlyHeader(std::string_view bytes, std::string_view name, RefPlyHeader& header) {
    const std::string file(name);
    HeaderState state{header};
    size_t position = 0;
    std::string_view line;
    if (!refMeshNextLine(bytes, position, line) || refMeshWords(line) != Words{kMagic}) {
        return refLineError(file, 1, "not a PLY file: it does not start with a \"ply\" line");
    }
    while (refMeshNextLine(bytes, position, line)) {
        ++state.line;
        const Words words = refMeshWords(line);
        if (words.empty()) continue;
        std::string problem;
        if (words[0] == kEndHeader) {
            header.dataStart = std::min(position, bytes.size());
            header.dataLine = state.line + 1;
            problem = finishHeader(bytes.size() - header.dataStart, state);
            return problem.empty() ? problem : refLineError(file, state.line, problem);
        }
        problem = readStatement(words, state);
        if (!problem.empty()) return refLineError(file, state.line, problem);
    }
    return refLineError(file, state.line, "the header has no end_header line");
}
