// The data-model property: read a tree, write it, read it again.
//
// The tree walk uses the reader only: inside a block, where a whole header
// fits and the next word has a tag the library writes, the block is read with
// the matching typed read; every other byte is read as an unsigned char. The
// walk stops where the reader turns bad, so the tree is what the reader
// accepted. Written again, those bytes must read back as the same tree with
// the reader good throughout.
#include <cstring>
#include <vector>

#include "memorystreams.h"
#include "nelcstring.h"
#include "properties.h"
#include "tesfileread.h"
#include "tesfilewrite.h"
#include "tesstring.h"

namespace {

// Objects nested deeper than this keep their members unread (and written
// back empty), which bounds the recursion.
constexpr int kMaxDepth = 64;
constexpr uint32_t kNarrowFormat = 5;
constexpr uint32_t kWideFormat = 0;
constexpr int64_t kNarrowHeaderBytes = 8;
constexpr int64_t kWideHeaderBytes = 12;
constexpr uint32_t kWideSizeWidth = 64;

struct Node {
    uint32_t tag = 0;  // 0: a single byte
    uint32_t version = 0;
    TesClassId id{};
    std::vector<uint8_t> bytes;  // a byte, or the values' bit patterns
    std::u16string wide;
    std::string narrow;
    std::vector<Node> children;

    bool operator==(const Node& other) const {
        return tag == other.tag && version == other.version && id == other.id && bytes == other.bytes &&
               wide == other.wide && narrow == other.narrow && children == other.children;
    }
};

bool isKnownTag(uint32_t tag) {
    switch (tag) {
    case kTesObjectTag:
    case kTesVec3dTag:
    case kTesCStringTag:
    case kTesMatrix4dTag:
    case kTesWStringTag:
    case kTesRectTag:
    case kTesVec4dTag:
    case kTesGuidTag:
    case kTesVec2dTag:
    case kTesVec2fTag:
        return true;
    default:
        return false;
    }
}

template <class T>
std::vector<uint8_t> bitsOf(const T* values, size_t count) {
    std::vector<uint8_t> bytes(count * sizeof(T));
    std::memcpy(bytes.data(), values, bytes.size());
    return bytes;
}

template <class T>
void valuesOf(const std::vector<uint8_t>& bytes, T* values) {
    std::memcpy(values, bytes.data(), bytes.size());
}

class TreeReader {
public:
    explicit TreeReader(TesFileRead& reader) : reader_(reader) {}

    // The members of the current block, until its end or the reader turns bad.
    void readMembers(std::vector<Node>& nodes, int depth) {
        const int64_t headerBytes =
            reader_.input()->sizeWidth() == kWideSizeWidth ? kWideHeaderBytes : kNarrowHeaderBytes;
        while (!reader_.atBlockEnd()) {
            Node node;
            const bool block = reader_.remaining() >= headerBytes && isKnownTag(reader_.peekTag());
            if (block ? !readBlock(node, depth) : !readByte(node)) return;
            nodes.push_back(std::move(node));
        }
    }

    bool peeksMoved() const { return peeksMoved_; }

private:
    bool readByte(Node& node) {
        unsigned char byte = 0;
        if (!reader_.readUChar(byte)) return false;
        node.bytes.push_back(byte);
        return true;
    }

    bool readBlock(Node& node, int depth) {
        node.tag = reader_.peekTag();
        checkPeeks(node.tag);
        if (node.tag == kTesObjectTag) return readObject(node, depth);
        if (node.tag == kTesWStringTag) {
            TesString text;
            reader_.readWString(text);
            node.wide = text.c_str();
        } else if (node.tag == kTesCStringTag) {
            NelCString text;
            reader_.readCString(text);
            node.narrow = text.c_str();
        } else if (node.tag == kTesGuidTag) {
            reader_.readGuid(node.id);
        } else if (node.tag == kTesVec2fTag) {
            float values[2];
            reader_.readVec2f(values);
            node.bytes = bitsOf(values, 2);
        } else {
            readDoubles(node);
        }
        return reader_.good();
    }

    // Through the typed read of each kind; the rectangle has none.
    void readDoubles(Node& node) {
        if (node.tag == kTesVec3dTag) {
            double values[3];
            reader_.readVec3d(values);
            node.bytes = bitsOf(values, 3);
        } else if (node.tag == kTesVec2dTag) {
            double values[2];
            reader_.readVec2d(values);
            node.bytes = bitsOf(values, 2);
        } else if (node.tag == kTesMatrix4dTag) {
            double values[4][4];
            reader_.readMatrix4d(values);
            node.bytes = bitsOf(&values[0][0], 16);
        } else if (node.tag == kTesVec4dTag) {
            double values[4];
            reader_ >> values;
            node.bytes = bitsOf(values, 4);
        } else {
            readRectangle(node);
        }
    }

    void readRectangle(Node& node) {
        double values[4] = {};
        if (reader_.beginBlock()) {
            for (double& value : values) reader_.readDouble(value);
            reader_.endBlock();
        }
        node.bytes = bitsOf(values, 4);
    }

    bool readObject(Node& node, int depth) {
        const TesClassId peeked = *reader_.peekClassId();
        if (!reader_.beginObject(nullptr, node.version)) return false;
        node.id = reader_.classId();
        if (!(node.id == peeked)) peeksMoved_ = true;
        if (depth < kMaxDepth) readMembers(node.children, depth + 1);
        return reader_.good() && reader_.endObject();
    }

    // Peeks at a block must find it and leave the position where it was.
    void checkPeeks(uint32_t tag) {
        const int64_t before = reader_.input()->tell();
        uint32_t version = 0;
        if (!reader_.peekBlock(tag, &version)) peeksMoved_ = true;
        reader_.peekClassId();
        if (tag == kTesWStringTag) reader_.peekName();
        if (reader_.input()->tell() != before) peeksMoved_ = true;
    }

    TesFileRead& reader_;
    bool peeksMoved_ = false;
};

void writeNodes(TesFileWrite& writer, const std::vector<Node>& nodes);

void writeDoubles(TesFileWrite& writer, const Node& node) {
    if (node.tag == kTesVec3dTag) {
        double values[3];
        valuesOf(node.bytes, values);
        writer.writeVec3d(values);
    } else if (node.tag == kTesVec2dTag) {
        double values[2];
        valuesOf(node.bytes, values);
        writer.writeVec2d(values);
    } else if (node.tag == kTesMatrix4dTag) {
        double values[4][4];
        valuesOf(node.bytes, &values[0][0]);
        writer.writeMatrix4d(values);
    } else {
        double values[4];
        valuesOf(node.bytes, values);
        if (node.tag == kTesVec4dTag) {
            writer << values;
        } else {
            writer.beginBlock(node.tag, 0);
            for (double value : values) writer.writeDouble(value);
            writer.endBlock();
        }
    }
}

void writeNode(TesFileWrite& writer, const Node& node) {
    if (node.tag == 0) {
        writer.writeUChar(node.bytes[0]);
    } else if (node.tag == kTesObjectTag) {
        writer.writeObjectHeader(node.id, node.version);
        writeNodes(writer, node.children);
        writer.endObject();
    } else if (node.tag == kTesWStringTag) {
        writer.writeWString(TesString(node.wide.c_str()));
    } else if (node.tag == kTesCStringTag) {
        writer.writeCString(NelCString(node.narrow.c_str()));
    } else if (node.tag == kTesGuidTag) {
        writer.writeGuid(node.id);
    } else if (node.tag == kTesVec2fTag) {
        float values[2];
        valuesOf(node.bytes, values);
        writer.writeVec2f(values);
    } else {
        writeDoubles(writer, node);
    }
}

void writeNodes(TesFileWrite& writer, const std::vector<Node>& nodes) {
    for (const Node& node : nodes) writeNode(writer, node);
}

std::vector<uint8_t> writeTree(const std::vector<Node>& nodes, uint32_t formatVersion, bool& good) {
    MemoryOutput out;
    out.setVersion(formatVersion);
    {
        TesFileWrite writer(&out, true);
        writer.writeHeader();
        writeNodes(writer, nodes);
        good = writer.close();
    }
    return out.bytes;
}

struct Tree {
    std::vector<Node> nodes;
    bool rootAccepted = false;
    uint32_t rootVersion = 0;
    // The reader stayed good and reached the end of the root block.
    bool sound = false;
    bool peeksMoved = false;
};

Tree readTree(const std::vector<uint8_t>& bytes) {
    MemoryInput input(bytes);
    TesFileRead reader(&input);
    Tree tree;
    tree.rootAccepted = reader.readHeader() && reader.good();
    if (!tree.rootAccepted) return tree;
    tree.rootVersion = reader.version();
    TreeReader walk(reader);
    walk.readMembers(tree.nodes, 0);
    tree.peeksMoved = walk.peeksMoved();
    tree.sound = reader.good() && reader.atBlockEnd() && reader.endBlock();
    return tree;
}

bool fail(std::string& failure, const char* why) {
    failure = why;
    return false;
}

}  // namespace

bool checkDataModelProperty(const uint8_t* data, size_t size, std::string& failure) {
    const Tree first = readTree(std::vector<uint8_t>(data, data + size));
    if (first.peeksMoved) return fail(failure, "a peek moved the position or missed its block");
    if (!first.rootAccepted) return true;
    const uint32_t formatVersion = first.rootVersion == 0 ? kNarrowFormat : kWideFormat;
    bool written = false;
    const std::vector<uint8_t> firstBytes = writeTree(first.nodes, formatVersion, written);
    if (!written) return fail(failure, "the writer failed on a tree it was given");
    const Tree second = readTree(firstBytes);
    if (!second.sound || second.peeksMoved) return fail(failure, "the written file does not read back soundly");
    if (second.rootVersion != first.rootVersion || !(second.nodes == first.nodes)) {
        return fail(failure, "the tree read back differs");
    }
    const std::vector<uint8_t> secondBytes = writeTree(second.nodes, formatVersion, written);
    if (secondBytes != firstBytes) return fail(failure, "writing the tree again gives other bytes");
    return true;
}
