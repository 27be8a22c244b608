#include "document/refply.h"

#include <bit>
#include <cstring>
#include <type_traits>

#include "binio.h"
#include "document/refmeshtext.h"
#include "document/refplyheader.h"
#include "session/reflines.h"

namespace {

// The element instance being read, for messages.
struct Place {
    std::string_view element;
    uint64_t index = 0;
    uint64_t count = 0;

    std::string endMessage() const {
        return "the data ends in " + std::string(element) + " " + std::to_string(index) + " of " +
               std::to_string(count);
    }
};

bool isSpace(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f'; }

// ASCII data: one word a value, whatever the line breaks; messages name the
// line of the word.
class AsciiData {
public:
    AsciiData(std::string_view bytes, const RefPlyHeader& header, std::string_view name)
        : bytes_(bytes), position_(header.dataStart), line_(header.dataLine), name_(name) {}

    bool number(RefPlyType type, double& value) {
        std::string_view text;
        if (!word(text)) return false;
        int64_t whole = 0;
        if (!refPlyIsInteger(type)) {
            if (refMeshDouble(text, value)) return true;
        } else if (refMeshInteger(text, whole)) {
            value = static_cast<double>(whole);
            return true;
        }
        return fail(refMeshQuoted(text) + " is not a number of type " + typeName(type));
    }
    bool integer(RefPlyType, int64_t& value) {
        std::string_view text;
        if (!word(text)) return false;
        return refMeshInteger(text, value) || fail(refMeshQuoted(text) + " is not a whole number");
    }
    bool skip(RefPlyType type, uint64_t count) {
        double ignored = 0;
        for (uint64_t value = 0; value < count; ++value) {
            if (!number(type, ignored)) return false;
        }
        return true;
    }
    bool fail(const std::string& message) {
        error_ = refLineError(name_, line_, message);
        return false;
    }
    const std::string& error() const { return error_; }
    Place place;

private:
    static std::string typeName(RefPlyType type) { return refPlyIsInteger(type) ? "integer" : "float"; }

    bool word(std::string_view& text) {
        for (; position_ < bytes_.size() && isSpace(bytes_[position_]); ++position_) {
            if (bytes_[position_] == '\n') ++line_;
        }
        if (position_ == bytes_.size()) return fail(place.endMessage());
        const size_t start = position_;
        while (position_ < bytes_.size() && !isSpace(bytes_[position_])) ++position_;
        text = bytes_.substr(start, position_ - start);
        return true;
    }

    std::string_view bytes_;
    size_t position_;
    int line_;
    std::string name_;
    std::string error_;
};

// Binary data in either byte order; messages name the offset of the value.
class BinaryData {
public:
    BinaryData(std::string_view bytes, const RefPlyHeader& header, std::string_view name)
        : bytes_(bytes),
          position_(header.dataStart),
          name_(name),
          swap_((header.format == RefPlyFormat::BinaryBigEndian) != (std::endian::native == std::endian::big)) {}

    bool number(RefPlyType type, double& value) {
        if (type == RefPlyType::Float32 || type == RefPlyType::Float64) {
            if (!has(refPlySize(type))) return false;
            value = type == RefPlyType::Float32 ? take<float>() : take<double>();
            return true;
        }
        int64_t whole = 0;
        if (!integer(type, whole)) return false;
        value = static_cast<double>(whole);
        return true;
    }
    bool integer(RefPlyType type, int64_t& value) {
        if (!has(refPlySize(type))) return false;
        switch (type) {
        case RefPlyType::Int8: value = take<int8_t>(); break;
        case RefPlyType::Uint8: value = take<uint8_t>(); break;
        case RefPlyType::Int16: value = take<int16_t>(); break;
        case RefPlyType::Uint16: value = take<uint16_t>(); break;
        case RefPlyType::Int32: value = take<int32_t>(); break;
        case RefPlyType::Uint32: value = take<uint32_t>(); break;
        case RefPlyType::Float32:
        case RefPlyType::Float64: return fail("a float where a whole number belongs");
        }
        return true;
    }
    bool skip(RefPlyType type, uint64_t count) {
        start_ = position_;
        if (count > (bytes_.size() - position_) / refPlySize(type)) return fail(place.endMessage());
        position_ += count * refPlySize(type);
        return true;
    }
    bool fail(const std::string& message) {
        error_ = refPrintable(name_) + ": byte " + std::to_string(start_) + ": " + refPrintable(message);
        return false;
    }
    const std::string& error() const { return error_; }
    Place place;

private:
    bool has(size_t size) {
        start_ = position_;
        return size <= bytes_.size() - position_ || fail(place.endMessage());
    }

    template <class T>
    T take() {
        using Bits = std::conditional_t<
            sizeof(T) == 1, uint8_t,
            std::conditional_t<sizeof(T) == 2, uint16_t, std::conditional_t<sizeof(T) == 4, uint32_t, uint64_t>>>;
        Bits bits = 0;
        std::memcpy(&bits, bytes_.data() + position_, sizeof(Bits));
        position_ += sizeof(Bits);
        return std::bit_cast<T>(swap_ ? tesByteSwap(bits) : bits);
    }

    std::string_view bytes_;
    size_t position_;
    size_t start_ = 0;
    std::string name_;
    bool swap_;
    std::string error_;
};

template <class Data>
bool skipProperty(const RefPlyProperty& property, Data& data) {
    if (!property.list) return data.skip(property.type, 1);
    int64_t count = 0;
    if (!data.integer(property.countType, count)) return false;
    if (count < 0) return data.fail("a list has a negative count (" + std::to_string(count) + ")");
    return data.skip(property.type, static_cast<uint64_t>(count));
}

template <class Data>
bool readVertex(const RefPlyElement& element, Data& data, double* xyz) {
    for (const RefPlyProperty& property : element.properties) {
        const bool read = property.role == RefPlyRole::Skip
                              ? skipProperty(property, data)
                              : data.number(property.type, xyz[static_cast<int>(property.role) - 1]);
        if (!read) return false;
    }
    return true;
}

// The polygon of one face: its corner count, then each index, checked as read.
template <class Data>
bool readPolygon(const RefPlyProperty& property, int64_t face, int64_t vertexCount, Data& data,
                 std::vector<int64_t>& corners, RefMesh& mesh) {
    int64_t count = 0;
    if (!data.integer(property.countType, count)) return false;
    if (std::string problem = refMeshPolygonProblem(face, count); !problem.empty()) return data.fail(problem);
    corners.resize(static_cast<size_t>(count));
    for (int64_t& corner : corners) {
        if (!data.integer(property.type, corner)) return false;
        std::string problem = refMeshCornerProblem(face, corner, vertexCount);
        if (!problem.empty()) return data.fail(problem);
    }
    refMeshAddFan(corners, mesh);
    return true;
}

template <class Data>
bool readVertices(const RefPlyElement& element, Data& data, RefMesh& mesh) {
    mesh.vertices.assign(3 * element.count, 0.0);
    for (uint64_t index = 0; index < element.count; ++index) {
        data.place.index = index;
        if (!readVertex(element, data, &mesh.vertices[3 * index])) return false;
    }
    return true;
}

// Faces, and the elements the mesh does not use.
template <class Data>
bool readOthers(const RefPlyElement& element, int64_t vertexCount, Data& data, RefMesh& mesh) {
    const bool faces = element.kind == RefPlyKind::Face;
    std::vector<int64_t> corners;
    for (uint64_t index = 0; index < element.count; ++index) {
        data.place.index = index;
        for (const RefPlyProperty& property : element.properties) {
            const bool read = faces && property.role == RefPlyRole::Corners
                                  ? readPolygon(property, static_cast<int64_t>(index), vertexCount, data, corners, mesh)
                                  : skipProperty(property, data);
            if (!read) return false;
        }
    }
    return true;
}

template <class Data>
std::string readData(const RefPlyHeader& header, Data data, RefMesh& mesh) {
    for (const RefPlyElement& element : header.elements) {
        if (element.properties.empty()) continue;  // nothing to read, whatever its count
        data.place = {element.name, 0, element.count};
        const bool read = element.kind == RefPlyKind::Vertex ? readVertices(element, data, mesh)
                                                             : readOthers(element, header.vertexCount, data, mesh);
        if (!read) return data.error();
    }
    return {};
}

}  // namespace

RefMeshRead refParsePly(std::string_view bytes, std::string_view name) {
    RefMeshRead read;
    RefPlyHeader header;
    read.error = refReadPlyHeader(bytes, name, header);
    if (read.error.empty()) {
        read.error = header.format == RefPlyFormat::Ascii
                         ? readData(header, AsciiData(bytes, header, name), read.mesh)
                         : readData(header, BinaryData(bytes, header, name), read.mesh);
    }
    refMeshFinish(read, name);
    return read;
}
