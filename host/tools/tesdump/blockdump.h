// The block tree of a data-model file, printed one line per block.
//
// Scalars carry no tag, so the walk guesses: a child is a block with a known
// tag whose version and size fit its kind and its parent; every other byte
// belongs to an opaque run, printed as hex. The file is damaged when its root
// header is one a reader refuses (not "NEL", root version above 1, size
// smaller than the header or beyond the file), or when a header with a known
// tag and a fitting version, at the start of a payload or right after a
// sibling block, is smaller than its header or runs past its parent. The walk
// stops at the first damage. Each level of nesting indents a line by two
// spaces up to depth 32; deeper lines start with their depth, e.g. "[33] ".
#pragma once

#include <cstdint>
#include <ostream>
#include <string>
#include <vector>

// A block kind the walk knows: its tag, name and payload.
struct BlockKind;

class BlockDump {
public:
    BlockDump(const std::vector<uint8_t>& bytes, std::ostream& out) : bytes_(bytes), out_(out) {}

    // Prints the tree; false at the first damage.
    bool run();
    // Where and why the file is damaged, after run() returned false.
    int64_t damageOffset() const { return damageOffset_; }
    const std::string& damage() const { return damage_; }

private:
    struct Header {
        int64_t offset;
        uint32_t tag;
        uint32_t version;
        uint64_t size;
    };

    // The root header and the size width it sets; false when a reader would refuse it.
    bool readRoot(Header& root);
    // The payload of a block (or of the root) being walked.
    struct Payload {
        int64_t position;
        int64_t end;
        int depth;
        int64_t opaqueStart = -1;  // where the opaque run before `position` starts, -1 for none
        bool afterBlock = true;    // `position` is a payload start or right after a block
    };

    bool readHeader(int64_t offset, int64_t end, Header& header) const;
    // Prints every block in [begin, end) of the root, nested ones included.
    bool walk(int64_t begin, int64_t end);
    void flushOpaque(Payload& payload, int64_t end);
    // True when `header` is a block of `kind` inside [.., end).
    bool fits(const BlockKind& kind, const Header& header, int64_t end) const;
    // Why a header of a known kind cannot lie where it starts; empty when it can.
    std::string brokenBecause(const Header& header, int64_t end) const;
    // Prints the block's line; an object's members follow on their own lines.
    void printBlock(const BlockKind& kind, const Header& header, int depth);
    void printOpaque(int64_t begin, int64_t end, int depth);
    void printValue(const BlockKind& kind, int64_t payload, int64_t payloadBytes);
    void printLineStart(int64_t offset, int depth);
    bool fail(int64_t offset, const std::string& why);

    const std::vector<uint8_t>& bytes_;
    std::ostream& out_;
    int64_t headerBytes_ = 8;
    int64_t damageOffset_ = -1;
    std::string damage_;
};
