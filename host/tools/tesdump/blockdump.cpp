#include "blockdump.h"

#include <algorithm>
#include <charconv>
#include <cstdio>

#include "binio.h"
#include "classid.h"
#include "datamodel.h"
#include "textcodec.h"

enum class Decode { kObject, kDoubles, kFloats, kNarrow, kWide, kClassId };

struct BlockKind {
    uint32_t tag;
    const char* name;
    Decode decode;
    int64_t payloadBytes;  // kAnyPayload: any length
};

namespace {

constexpr int64_t kAnyPayload = -1;
constexpr uint32_t kWideRootVersion = 1;
constexpr int64_t kNarrowHeaderBytes = 8;
constexpr int64_t kWideHeaderBytes = 12;
constexpr int64_t kWordBytes = 4;
// An opaque run prints at most this many of its bytes.
constexpr int64_t kOpaqueBytesShown = 16;
constexpr char kHexDigits[] = "0123456789abcdef";
constexpr int kIndentPerLevel = 2;
// Deeper lines keep this indentation and show their depth as a number, so a
// deeply nested file prints lines of bounded length.
constexpr int kMaxIndentedDepth = 32;

constexpr BlockKind kKinds[] = {
    {kTesObjectTag, "object", Decode::kObject, kAnyPayload},
    {kTesVec3dTag, "vec3d", Decode::kDoubles, 24},
    {kTesCStringTag, "cstring", Decode::kNarrow, kAnyPayload},
    {kTesMatrix4dTag, "matrix4d", Decode::kDoubles, 128},
    {kTesWStringTag, "wstring", Decode::kWide, kAnyPayload},
    {kTesRectTag, "rect", Decode::kDoubles, 32},
    {kTesVec4dTag, "vec4d", Decode::kDoubles, 32},
    {kTesGuidTag, "guid", Decode::kClassId, kTesClassIdBytes},
    {kTesVec2dTag, "vec2d", Decode::kDoubles, 16},
    {kTesVec2fTag, "vec2f", Decode::kFloats, 8},
};

const BlockKind* findKind(uint32_t tag) {
    for (const BlockKind& kind : kKinds) {
        if (kind.tag == tag) return &kind;
    }
    return nullptr;
}

// Value blocks have version 0; an object block carries any data version.
bool versionFits(const BlockKind& kind, uint32_t version) { return kind.decode == Decode::kObject || version == 0; }

std::string hexNumber(uint64_t value, int digits) {
    char text[24];
    std::snprintf(text, sizeof(text), "0x%0*llx", digits, static_cast<unsigned long long>(value));
    return text;
}

std::string hexOffset(int64_t offset) { return hexNumber(static_cast<uint64_t>(offset), 8); }

template <class T>
std::string shortest(T value) {
    char text[32];
    const auto result = std::to_chars(text, text + sizeof(text), value);
    return std::string(text, result.ptr);
}

void appendEscaped(std::string& out, unsigned char byte) {
    if (byte == '"' || byte == '\\') {
        out += '\\';
        out += static_cast<char>(byte);
    } else if (byte < 0x20 || byte == 0x7F) {
        out += "\\x";
        out += kHexDigits[byte >> 4];
        out += kHexDigits[byte & 0xF];
    } else {
        out += static_cast<char>(byte);
    }
}

std::string quoted(const std::string& text) {
    std::string out = "\"";
    for (char c : text) appendEscaped(out, static_cast<unsigned char>(c));
    return out + "\"";
}

std::string classIdText(const uint8_t* bytes) {
    TesClassId id{};
    id.data1 = tesFromBigEndian<uint32_t>(bytes, 4);
    id.data2 = tesFromBigEndian<uint16_t>(bytes + 4, 2);
    id.data3 = tesFromBigEndian<uint16_t>(bytes + 6, 2);
    for (int i = 0; i < 8; ++i) id.data4[i] = bytes[8 + i];
    char text[37];
    id.format(text);
    return text;
}

}  // namespace

bool BlockDump::run() {
    Header root{};
    if (!readRoot(root)) return false;
    const auto length = static_cast<int64_t>(bytes_.size());
    const int64_t end = root.size == 0 ? length : static_cast<int64_t>(root.size);
    printLineStart(0, 0);
    out_ << "NEL v" << root.version << " size " << root.size;
    if (root.size == 0) out_ << " (to the end: " << end << ")";
    out_ << ", " << (headerBytes_ - kWordBytes) << "-byte sizes\n";
    if (!walk(headerBytes_, end)) return false;
    if (end < length) {
        printLineStart(end, 0);
        out_ << "after the root block: " << (length - end) << " bytes\n";
    }
    return true;
}

bool BlockDump::readRoot(Header& root) {
    const auto length = static_cast<int64_t>(bytes_.size());
    if (length < kWordBytes) return fail(0, "too short for a block header");
    const uint32_t word = tesFromBigEndian<uint32_t>(bytes_.data(), kWordBytes);
    const uint32_t tag = word >> 8;
    const uint32_t version = word & kTesMaxBlockVersion;
    if (tag != kTesRootTag) return fail(0, "not a data-model file: root tag " + hexNumber(tag, 6) + ", not \"NEL\"");
    if (version > kWideRootVersion) return fail(0, "root version " + std::to_string(version) + ", only 0 and 1 exist");
    headerBytes_ = version == kWideRootVersion ? kWideHeaderBytes : kNarrowHeaderBytes;
    if (!readHeader(0, length, root)) return fail(0, "root header cut short");
    const uint64_t size = root.size == 0 ? static_cast<uint64_t>(length) : root.size;
    const std::string sizeText = "root size " + std::to_string(root.size);
    if (size < static_cast<uint64_t>(headerBytes_)) {
        return fail(0, sizeText + " is smaller than its " + std::to_string(headerBytes_) + "-byte header");
    }
    if (size > static_cast<uint64_t>(length)) {
        return fail(0, sizeText + " runs past the end of the file (" + std::to_string(length) + " bytes)");
    }
    return true;
}

bool BlockDump::readHeader(int64_t offset, int64_t end, Header& header) const {
    if (end - offset < headerBytes_) return false;
    const uint8_t* at = bytes_.data() + offset;
    const uint32_t word = tesFromBigEndian<uint32_t>(at, kWordBytes);
    header.offset = offset;
    header.tag = word >> 8;
    header.version = word & kTesMaxBlockVersion;
    header.size = tesFromBigEndian<uint64_t>(at + kWordBytes, static_cast<size_t>(headerBytes_ - kWordBytes));
    return true;
}

// Depth first with a stack of its own, so nesting is bounded by memory, not by
// the call stack.
bool BlockDump::walk(int64_t begin, int64_t end) {
    std::vector<Payload> open{{begin, end, 1}};
    while (!open.empty()) {
        Payload& payload = open.back();
        if (payload.position >= payload.end) {
            flushOpaque(payload, payload.end);
            open.pop_back();
            continue;
        }
        Header header{};
        const BlockKind* kind = readHeader(payload.position, payload.end, header) ? findKind(header.tag) : nullptr;
        if (kind != nullptr && versionFits(*kind, header.version)) {
            if (fits(*kind, header, payload.end)) {
                flushOpaque(payload, payload.position);
                payload.position += static_cast<int64_t>(header.size);
                payload.afterBlock = true;
                const int depth = payload.depth;
                printBlock(*kind, header, depth);
                if (kind->decode == Decode::kObject) {
                    const int64_t members = header.offset + headerBytes_ + kTesClassIdBytes;
                    open.push_back({members, header.offset + static_cast<int64_t>(header.size), depth + 1});
                }
                continue;
            }
            const std::string why = payload.afterBlock ? brokenBecause(header, payload.end) : std::string();
            if (!why.empty()) {
                flushOpaque(payload, payload.position);
                return fail(header.offset, why);
            }
        }
        if (payload.opaqueStart < 0) payload.opaqueStart = payload.position;
        ++payload.position;
        payload.afterBlock = false;
    }
    return true;
}

void BlockDump::flushOpaque(Payload& payload, int64_t end) {
    if (payload.opaqueStart >= 0) printOpaque(payload.opaqueStart, end, payload.depth);
    payload.opaqueStart = -1;
}

bool BlockDump::fits(const BlockKind& kind, const Header& header, int64_t end) const {
    const auto headerBytes = static_cast<uint64_t>(headerBytes_);
    if (header.size < headerBytes || header.size > static_cast<uint64_t>(end - header.offset)) return false;
    const uint64_t payload = header.size - headerBytes;
    switch (kind.decode) {
    case Decode::kObject:
        return payload >= static_cast<uint64_t>(kTesClassIdBytes);
    case Decode::kWide:
        return payload % 2 == 0;
    case Decode::kNarrow:
        return true;
    default:
        return payload == static_cast<uint64_t>(kind.payloadBytes);
    }
}

std::string BlockDump::brokenBecause(const Header& header, int64_t end) const {
    const std::string size = std::to_string(header.size);
    if (header.size < static_cast<uint64_t>(headerBytes_)) {
        return "block size " + size + " is smaller than its " + std::to_string(headerBytes_) + "-byte header";
    }
    if (header.size > static_cast<uint64_t>(end - header.offset)) {
        return "block size " + size + " runs past its parent's end at " + hexOffset(end);
    }
    return {};
}

void BlockDump::printBlock(const BlockKind& kind, const Header& header, int depth) {
    printLineStart(header.offset, depth);
    out_ << kind.name << " v" << header.version << " size " << header.size;
    const int64_t payload = header.offset + headerBytes_;
    const int64_t end = header.offset + static_cast<int64_t>(header.size);
    if (kind.decode == Decode::kObject) {
        out_ << " class " << classIdText(bytes_.data() + payload) << '\n';
        return;
    }
    out_ << ' ';
    printValue(kind, payload, end - payload);
    out_ << '\n';
}

void BlockDump::printValue(const BlockKind& kind, int64_t payload, int64_t payloadBytes) {
    const uint8_t* at = bytes_.data() + payload;
    switch (kind.decode) {
    case Decode::kDoubles:
    case Decode::kFloats: {
        const size_t width = kind.decode == Decode::kDoubles ? sizeof(double) : sizeof(float);
        out_ << '(';
        for (int64_t i = 0; i * static_cast<int64_t>(width) < payloadBytes; ++i) {
            if (i > 0) out_ << ", ";
            const uint8_t* value = at + i * static_cast<int64_t>(width);
            out_ << (width == sizeof(double) ? shortest(tesFromBigEndian<double>(value, width))
                                             : shortest(tesFromBigEndian<float>(value, width)));
        }
        out_ << ')';
        break;
    }
    case Decode::kNarrow:
        out_ << quoted(std::string(reinterpret_cast<const char*>(at), static_cast<size_t>(payloadBytes)));
        break;
    case Decode::kWide: {
        std::u16string units(static_cast<size_t>(payloadBytes / 2), u'\0');
        for (size_t i = 0; i < units.size(); ++i) units[i] = tesFromBigEndian<char16_t>(at + 2 * i, 2);
        out_ << quoted(tesWideToUtf8(units.data(), static_cast<int32_t>(units.size())));
        break;
    }
    case Decode::kClassId:
        out_ << classIdText(at);
        break;
    case Decode::kObject:
        break;
    }
}

void BlockDump::printOpaque(int64_t begin, int64_t end, int depth) {
    printLineStart(begin, depth);
    out_ << "bytes " << (end - begin) << ':';
    const int64_t shown = std::min(end - begin, kOpaqueBytesShown);
    for (int64_t i = 0; i < shown; ++i) {
        const uint8_t byte = bytes_[static_cast<size_t>(begin + i)];
        out_ << ' ' << kHexDigits[byte >> 4] << kHexDigits[byte & 0xF];
    }
    if (shown < end - begin) out_ << " ...";
    out_ << '\n';
}

void BlockDump::printLineStart(int64_t offset, int depth) {
    const int indented = std::min(depth, kMaxIndentedDepth);
    out_ << hexOffset(offset) << "  " << std::string(static_cast<size_t>(indented * kIndentPerLevel), ' ');
    if (depth > kMaxIndentedDepth) out_ << '[' << depth << "] ";
}

bool BlockDump::fail(int64_t offset, const std::string& why) {
    damageOffset_ = offset;
    damage_ = why;
    return false;
}
