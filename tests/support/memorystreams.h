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

class MemoryInput : public BinInput {
public:
    // Each raw read delivers at most `maxPerRead` bytes.
    explicit MemoryInput(std::vector<uint8_t> bytes, size_t maxPerRead = std::numeric_limits<size_t>::max())
        : bytes_(std::move(bytes)), maxPerRead_(maxPerRead) {
        setLength(static_cast<int64_t>(bytes_.size()));
    }

    size_t rawRead(void* buffer, size_t count) override {
        const size_t moved = std::min({count, maxPerRead_, bytes_.size() - position_});
        if (moved > 0) std::memcpy(buffer, bytes_.data() + position_, moved);
        reads.push_back({static_cast<int64_t>(position_), count, moved});
        position_ += moved;
        return moved;
    }
    int64_t rawTell() override { return static_cast<int64_t>(position_); }
    bool rawSeek(int64_t position, bool fromStart) override {
        const int64_t target = fromStart ? position : static_cast<int64_t>(bytes_.size()) + position;
        if (target < 0 || target > static_cast<int64_t>(bytes_.size())) return false;
        position_ = static_cast<size_t>(target);
        return true;
    }
    bool ok() override { return true; }
    void close() override {}

    std::vector<MemoryTransfer> reads;

private:
    std::vector<uint8_t> bytes_;
    size_t maxPerRead_;
    size_t position_ = 0;
};

class MemoryOutput : public BinOutput {
public:
    bool flush() override { return flushBuffer(); }
    size_t rawWrite(const void* buffer, size_t count) override {
        const bool fail = failAfter >= 0 && static_cast<int>(writes.size()) >= failAfter;
        writes.push_back({static_cast<int64_t>(position_), count, fail ? 0 : count});
        if (fail) return 0;
        if (bytes.size() < position_ + count) bytes.resize(position_ + count);
        std::memcpy(bytes.data() + position_, buffer, count);
        position_ += count;
        return count;
    }
    size_t rawRead(void* buffer, size_t count) override {
        const size_t moved = std::min(count, bytes.size() - position_);
        if (moved > 0) std::memcpy(buffer, bytes.data() + position_, moved);
        position_ += moved;
        return moved;
    }
    int64_t rawTell() override { return static_cast<int64_t>(position_); }
    bool rawSeek(int64_t position, bool fromStart) override {
        const int64_t target = fromStart ? position : static_cast<int64_t>(bytes.size()) + position;
        if (target < 0 || target > static_cast<int64_t>(bytes.size())) return false;
        position_ = static_cast<size_t>(target);
        return true;
    }
    bool ok() override { return true; }
    bool rawClose() override {
        closed = true;
        return true;
    }
    using BinOutput::pending;

    std::vector<uint8_t> bytes;
    std::vector<MemoryTransfer> writes;
    int failAfter = -1;  // raw writes from this index on fail (write 0 bytes)
    bool closed = false;

private:
    size_t position_ = 0;
};
