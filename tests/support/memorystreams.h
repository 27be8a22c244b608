// Binary streams over memory for tests: every transfer with the medium is
// recorded, reads can be cut into small pieces, and writes can be made to fail.
#pragma once

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <limits>
#include <vector>

#include "binio.h"

struct MemoryTransfer {
    int64_t position;
    size_t requested;
    size_t moved;
    bool operator==(const MemoryTransfer&) const = default;
};

// The bytes of a medium and the position in them.
struct MemoryMedium {
    std::vector<uint8_t> bytes;
    size_t at = 0;

    size_t take(void* buffer, size_t count) {
        const size_t moved = std::min(count, bytes.size() - at);
        if (moved > 0) std::memcpy(buffer, bytes.data() + at, moved);
        at += moved;
        return moved;
    }
    bool moveTo(int64_t position, bool fromStart) {
        const int64_t target = fromStart ? position : static_cast<int64_t>(bytes.size()) + position;
        if (target < 0 || target > static_cast<int64_t>(bytes.size())) return false;
        at = static_cast<size_t>(target);
        return true;
    }
};

class MemoryInput : public BinInput, public MemoryMedium {
public:
    // Each raw read delivers at most `maxPerRead` bytes.
    explicit MemoryInput(std::vector<uint8_t> content, size_t maxPerRead = std::numeric_limits<size_t>::max())
        : MemoryMedium{std::move(content)}, maxPerRead_(maxPerRead) {
        setLength(static_cast<int64_t>(bytes.size()));
    }

    size_t rawRead(void* buffer, size_t count) override {
        const int64_t position = rawTell();
        reads.push_back({position, count, take(buffer, std::min(count, maxPerRead_))});
        return reads.back().moved;
    }
    int64_t rawTell() override { return static_cast<int64_t>(at); }
    bool rawSeek(int64_t position, bool fromStart) override { return moveTo(position, fromStart); }
    bool ok() override { return true; }
    void close() override {}

    std::vector<MemoryTransfer> reads;

private:
    size_t maxPerRead_;
};

class MemoryOutput : public BinOutput, public MemoryMedium {
public:
    bool flush() override { return flushBuffer(); }
    size_t rawWrite(const void* buffer, size_t count) override {
        const bool fail = failAfter >= 0 && static_cast<int>(writes.size()) >= failAfter;
        writes.push_back({rawTell(), count, fail ? 0 : count});
        if (fail) return 0;
        bytes.resize(std::max(bytes.size(), at + count));
        std::memcpy(bytes.data() + at, buffer, count);
        at += count;
        return count;
    }
    size_t rawRead(void* buffer, size_t count) override { return take(buffer, count); }
    int64_t rawTell() override { return static_cast<int64_t>(at); }
    bool rawSeek(int64_t position, bool fromStart) override { return moveTo(position, fromStart); }
    bool ok() override { return true; }
    bool rawClose() override { return closed = true; }
    using BinOutput::pending;

    std::vector<MemoryTransfer> writes;
    int failAfter = -1;  // raw writes from this index on fail (write 0 bytes)
    bool closed = false;
};
