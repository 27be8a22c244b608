#include "binio.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <memory>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "memorystreams.h"
#include "os/fileio.h"
#include "tempfolder.h"
#include "tesassert.h"

namespace {

using Bytes = std::vector<uint8_t>;

template <class T>
Bytes writtenBytes(T value) {
    MemoryOutput out;
    EXPECT_TRUE(out.write(&value, 1));
    EXPECT_TRUE(out.flush());
    return out.bytes;
}

template <class T>
T readValue(const Bytes& bytes) {
    MemoryInput in(bytes);
    T value{};
    EXPECT_TRUE(in.read(&value, 1));
    return value;
}

Bytes sequence(size_t count, uint8_t first = 0) {
    Bytes bytes(count);
    for (size_t i = 0; i < count; ++i) bytes[i] = static_cast<uint8_t>(first + i);
    return bytes;
}

// XORs every byte with the low byte of its medium position and records the
// calls; the same transform undoes itself.
class XorScrambler : public BinIO_Scrambler {
public:
    explicit XorScrambler(int* destroyed = nullptr) : destroyed_(destroyed) {}
    ~XorScrambler() override {
        if (destroyed_ != nullptr) ++*destroyed_;
    }
    void scramble(uint8_t* buffer, int64_t position, size_t bytes) override {
        scrambles.push_back({position, bytes, bytes});
        apply(buffer, position, bytes);
    }
    void unscramble(uint8_t* buffer, int64_t position, size_t bytes) override {
        unscrambles.push_back({position, bytes, bytes});
        apply(buffer, position, bytes);
    }
    static void apply(uint8_t* buffer, int64_t position, size_t bytes) {
        for (size_t i = 0; i < bytes; ++i) buffer[i] ^= static_cast<uint8_t>(position + static_cast<int64_t>(i));
    }

    std::vector<MemoryTransfer> scrambles;
    std::vector<MemoryTransfer> unscrambles;

private:
    int* destroyed_;
};

class BinIOScrambler : public ::testing::Test {
protected:
    void SetUp() override {
        scrambler_ = new XorScrambler;
        setScrambler(scrambler_);
    }
    void TearDown() override { setScrambler(nullptr); }
    XorScrambler* scrambler_ = nullptr;
};

struct AssertRecord {
    std::string expression;
    std::string source;
    int line = 0;
    int count = 0;
};

void recordAssert(void* context, const char* expression, const char* source, int line) {
    auto* record = static_cast<AssertRecord*>(context);
    *record = {expression, source, line, record->count + 1};
}

}  // namespace

TEST(BinIOByteSwap, SwapsEveryWidthAtCompileTime) {
    static_assert(tesByteSwap(uint8_t{0x12}) == 0x12);
    static_assert(tesByteSwap(uint16_t{0x1234}) == 0x3412);
    static_assert(tesByteSwap(int16_t{-2}) == static_cast<int16_t>(0xFEFF));
    static_assert(tesByteSwap(uint32_t{0x01020304}) == 0x04030201);
    static_assert(tesByteSwap(uint64_t{0x0102030405060708}) == 0x0807060504030201);
    SUCCEED();
}

TEST(BinOutput, WritesEveryTypeBigEndian) {
    EXPECT_EQ(writtenBytes<char>('A'), (Bytes{0x41}));
    EXPECT_EQ(writtenBytes<signed char>(-1), (Bytes{0xFF}));
    EXPECT_EQ(writtenBytes<unsigned char>(0x80), (Bytes{0x80}));
    EXPECT_EQ(writtenBytes<int16_t>(-2), (Bytes{0xFF, 0xFE}));
    EXPECT_EQ(writtenBytes<uint16_t>(0x0102), (Bytes{0x01, 0x02}));
    EXPECT_EQ(writtenBytes<int32_t>(0x01020304), (Bytes{0x01, 0x02, 0x03, 0x04}));
    EXPECT_EQ(writtenBytes<int32_t>(-2), (Bytes{0xFF, 0xFF, 0xFF, 0xFE}));
    EXPECT_EQ(writtenBytes<uint32_t>(0xDEADBEEF), (Bytes{0xDE, 0xAD, 0xBE, 0xEF}));
    EXPECT_EQ(writtenBytes<uint64_t>(0x0102030405060708), (Bytes{1, 2, 3, 4, 5, 6, 7, 8}));
    EXPECT_EQ(writtenBytes<float>(1.0f), (Bytes{0x3F, 0x80, 0x00, 0x00}));
    EXPECT_EQ(writtenBytes<float>(-2.5f), (Bytes{0xC0, 0x20, 0x00, 0x00}));
    EXPECT_EQ(writtenBytes<double>(1.0), (Bytes{0x3F, 0xF0, 0, 0, 0, 0, 0, 0}));
    EXPECT_EQ(writtenBytes<double>(-0.0), (Bytes{0x80, 0, 0, 0, 0, 0, 0, 0}));
}

TEST(BinInput, ReadsEveryTypeBigEndian) {
    EXPECT_EQ(readValue<int16_t>({0xFF, 0xFE}), -2);
    EXPECT_EQ(readValue<uint16_t>({0xFF, 0xFE}), 65534);
    EXPECT_EQ(readValue<signed char>({0xFF}), -1);
    EXPECT_EQ(readValue<unsigned char>({0xFF}), 255);
    EXPECT_EQ(readValue<int32_t>({0xFF, 0xFF, 0xFF, 0xFE}), -2);
    EXPECT_EQ(readValue<int32_t>({0x01, 0x02, 0x03, 0x04}), 0x01020304);
    EXPECT_EQ(readValue<uint32_t>({0xDE, 0xAD, 0xBE, 0xEF}), 0xDEADBEEFu);
    EXPECT_EQ(readValue<uint64_t>({0xFF, 0, 0, 0, 0, 0, 0, 0x01}), 0xFF00000000000001u);
    EXPECT_EQ(readValue<float>({0xC0, 0x20, 0x00, 0x00}), -2.5f);
    EXPECT_EQ(readValue<double>({0x3F, 0xF0, 0, 0, 0, 0, 0, 0}), 1.0);
    EXPECT_TRUE(std::isnan(readValue<double>({0x7F, 0xF8, 0, 0, 0, 0, 0, 0})));
}

TEST(BinIOConverters, AnyWidthExtendsAndTruncates) {
    const uint8_t ff[] = {0xFF};
    const uint8_t three[] = {0x80, 0x00, 0x01};
    const uint8_t ten[] = {0xAA, 0xBB, 0x01, 0x02, 0x03, 0x04, 0x05, 0x06, 0x07, 0x08};
    EXPECT_EQ(tesFromBigEndian<int32_t>(ff, 1), -1);
    EXPECT_EQ(tesFromBigEndian<uint32_t>(ff, 1), 255u);
    EXPECT_EQ(tesFromBigEndian<int64_t>(three, 3), -8388607);
    EXPECT_EQ(tesFromBigEndian<uint64_t>(three, 3), 0x800001u);
    EXPECT_EQ(tesFromBigEndian<int16_t>(three, 3), 0x0001);               // truncated to the low bytes
    EXPECT_EQ(tesFromBigEndian<uint64_t>(ten, 10), 0x0102030405060708u);  // the last eight bytes
    EXPECT_EQ(tesFromBigEndian<int32_t>(ff, 0), 0);
    const uint8_t one[] = {0x3F, 0xF0, 0, 0, 0, 0, 0, 0};
    EXPECT_EQ(tesFromBigEndian<double>(one, 8), 1.0);
    const uint8_t oneF[] = {0x3F, 0x80, 0, 0};
    EXPECT_EQ(tesFromBigEndian<float>(oneF, 4), 1.0f);

    struct Case {
        int64_t value;
        bool isSigned;
        size_t width;
        Bytes expected;
    };
    const Case cases[] = {
        {-2, true, 3, {0xFF, 0xFF, 0xFE}},
        {-2, true, 10, {0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFE}},
        {0xFFFE, false, 4, {0x00, 0x00, 0xFF, 0xFE}},
        {0x01020304, true, 2, {0x03, 0x04}},
        {0x01020304, false, 1, {0x04}},
        {0x7F, false, 10, {0, 0, 0, 0, 0, 0, 0, 0, 0, 0x7F}},
    };
    for (const Case& c : cases) {
        Bytes out(c.width, 0x55);
        if (c.isSigned) {
            tesToBigEndian<int32_t>(static_cast<int32_t>(c.value), out.data(), c.width);
        } else {
            tesToBigEndian<uint32_t>(static_cast<uint32_t>(c.value), out.data(), c.width);
        }
        EXPECT_EQ(out, c.expected) << c.value << " in " << c.width;
    }
    Bytes doubleOut(8);
    tesToBigEndian(1.0, doubleOut.data(), 8);
    EXPECT_EQ(doubleOut, (Bytes{0x3F, 0xF0, 0, 0, 0, 0, 0, 0}));
}

TEST(BinIOConverters, EveryWidthRoundTripsWhatFits) {
    std::mt19937_64 random(7);
    for (int i = 0; i < 2000; ++i) {
        const auto value = static_cast<int64_t>(random());
        for (size_t width = 1; width <= 8; ++width) {
            Bytes bytes(width);
            tesToBigEndian(value, bytes.data(), width);
            const int shift = static_cast<int>(64 - width * 8);
            const int64_t truncated =
                shift == 0 ? value : static_cast<int64_t>(static_cast<uint64_t>(value) << shift) >> shift;
            ASSERT_EQ(tesFromBigEndian<int64_t>(bytes.data(), width), truncated) << width;
        }
    }
}

TEST(BinOutput, ThreeHundredDoublesLandInOrderWhateverTheFlushPoints) {
    std::vector<double> values(300);
    for (size_t i = 0; i < values.size(); ++i) values[i] = static_cast<double>(i) * 1.25 - 7.0;
    for (size_t prefix : {0, 1, 7, 767, 768, 769, 1000, 1023}) {
        MemoryOutput out;
        const Bytes head = sequence(prefix);
        ASSERT_TRUE(out.writeRaw(head.data(), head.size()));
        ASSERT_TRUE(out.write(values.data(), values.size()));
        ASSERT_TRUE(out.flush());
        ASSERT_EQ(out.bytes.size(), prefix + 2400) << prefix;
        EXPECT_TRUE(std::equal(head.begin(), head.end(), out.bytes.begin()));
        for (size_t i = 0; i < values.size(); ++i) {
            ASSERT_EQ(tesFromBigEndian<double>(out.bytes.data() + prefix + i * 8, 8), values[i]) << prefix << " " << i;
        }
        for (const MemoryTransfer& write : out.writes) EXPECT_LE(write.requested, 1024u);
    }
}

TEST(BinOutput, FlushesEarlyOnlyWhenFewerThan256BytesAreFree) {
    struct Case {
        size_t pendingBefore;
        size_t writesAfter;
        size_t pendingAfter;
    };
    // One int32 after `pendingBefore` raw bytes.
    const Case cases[] = {{767, 0, 771}, {768, 0, 772}, {769, 1, 4}, {1020, 1, 4}};
    for (const Case& c : cases) {
        MemoryOutput out;
        const Bytes head = sequence(c.pendingBefore);
        ASSERT_TRUE(out.writeRaw(head.data(), head.size()));
        ASSERT_TRUE(out.writes.empty());
        const int32_t value = 1;
        ASSERT_TRUE(out.write(&value, 1));
        EXPECT_EQ(out.writes.size(), c.writesAfter) << c.pendingBefore;
        EXPECT_EQ(out.pending(), c.pendingAfter) << c.pendingBefore;
        EXPECT_EQ(out.tell(), static_cast<int64_t>(c.pendingBefore + 4));
    }
}

TEST(BinOutput, WriteRawFillsTheWholeBufferBeforeWriting) {
    MemoryOutput out;
    const Bytes block = sequence(2500);
    ASSERT_TRUE(out.writeRaw(block.data(), 1000));
    ASSERT_TRUE(out.writeRaw(block.data() + 1000, 24));
    ASSERT_EQ(out.writes.size(), 1u);
    EXPECT_EQ(out.writes[0], (MemoryTransfer{0, 1024, 1024}));
    ASSERT_TRUE(out.writeRaw(block.data() + 1024, 1476));
    ASSERT_EQ(out.writes.size(), 2u);
    EXPECT_EQ(out.writes[1], (MemoryTransfer{1024, 1024, 1024}));
    EXPECT_EQ(out.pending(), 452u);
    EXPECT_EQ(out.tell(), 2500);
    ASSERT_TRUE(out.flush());
    EXPECT_EQ(out.bytes, block);

    MemoryOutput failing;
    failing.failAfter = 0;
    EXPECT_TRUE(failing.writeRaw(block.data(), 1023));
    EXPECT_FALSE(failing.writeRaw(block.data(), 1));
    EXPECT_TRUE(failing.writeRaw(block.data(), 0));
}

TEST(BinOutput, ReserveAndCommitAtTheBufferEdge) {
    MemoryOutput out;
    uint8_t* area = nullptr;
    EXPECT_EQ(out.reserve(area, 5000), 1024u);
    std::fill(area, area + 1024, 0xAB);
    EXPECT_TRUE(out.commit(1024));  // exactly full: written at once
    ASSERT_EQ(out.writes.size(), 1u);
    EXPECT_EQ(out.pending(), 0u);

    const Bytes head = sequence(700);
    ASSERT_TRUE(out.writeRaw(head.data(), head.size()));
    uint8_t* second = nullptr;
    EXPECT_EQ(out.reserve(second, 500), 324u);  // 324 free: no early flush
    EXPECT_EQ(second, area + 700);
    EXPECT_FALSE(out.commit(325));  // more than the free area: refused
    EXPECT_EQ(out.pending(), 700u);
    EXPECT_TRUE(out.commit(100));
    EXPECT_EQ(out.reserve(second, 10), 10u);  // 224 free: flushed first
    EXPECT_EQ(second, area);
    EXPECT_EQ(out.writes.size(), 2u);
    EXPECT_EQ(out.writes[1], (MemoryTransfer{1024, 800, 800}));
    EXPECT_TRUE(out.commit(0));
    EXPECT_EQ(out.tell(), 1824);

    MemoryOutput failing;
    failing.failAfter = 0;
    EXPECT_EQ(failing.reserve(area, 1024), 1024u);
    EXPECT_FALSE(failing.commit(1024));
}

TEST(BinOutput, TellSeekAndReadBackSeeThePendingBytes) {
    MemoryOutput out;
    const int32_t values[] = {1, 2, 3};
    ASSERT_TRUE(out.write(values, 3));
    EXPECT_EQ(out.rawTell(), 0);
    EXPECT_EQ(out.tell(), 12);
    ASSERT_TRUE(out.seek(4, true));  // writes the pending bytes first
    EXPECT_EQ(out.bytes.size(), 12u);
    EXPECT_EQ(out.tell(), 4);
    const int16_t patch = -1;
    ASSERT_TRUE(out.write(&patch, 1));
    uint8_t back[4] = {};
    EXPECT_EQ(out.readBack(back, 4), 4u);  // flushes the patch, then reads after it
    EXPECT_EQ(Bytes(back, back + 4), (Bytes{0x00, 0x02, 0x00, 0x00}));
    EXPECT_EQ(out.bytes, (Bytes{0, 0, 0, 1, 0xFF, 0xFF, 0, 2, 0, 0, 0, 3}));
    EXPECT_EQ(out.readBack(back, 4), 2u);  // a short read at the end
    EXPECT_FALSE(out.seek(100, true));
    EXPECT_EQ(out.version(), 0u);
    out.setVersion(7);
    EXPECT_EQ(out.version(), 7u);
    EXPECT_TRUE(out.close());
    EXPECT_TRUE(out.closed);
}

TEST(BinOutput, OverwritesOnlyWhatIsStillPending) {
    MemoryOutput out;
    const Bytes head = sequence(1020);
    ASSERT_TRUE(out.writeRaw(head.data(), head.size()));
    const uint8_t patch[] = {0xAA, 0xBB, 0xCC, 0xDD, 0xEE, 0xFF};
    EXPECT_TRUE(out.overwritePending(1014, patch, 6));  // the last six pending bytes
    EXPECT_FALSE(out.overwritePending(1015, patch, 6)); // one past the pending end
    ASSERT_TRUE(out.writeRaw(head.data(), 8));          // fills the buffer: 1024 bytes go out
    EXPECT_FALSE(out.overwritePending(1020, patch, 6)); // straddles the flushed part
    EXPECT_TRUE(out.overwritePending(1024, patch, 4));
    EXPECT_FALSE(out.overwritePending(0, patch, 1));
    EXPECT_TRUE(out.overwritePending(1028, patch, 0));
    ASSERT_TRUE(out.flush());
    EXPECT_EQ(out.writes.size(), 2u);
    EXPECT_EQ(Bytes(out.bytes.begin() + 1012, out.bytes.end()),
              (Bytes{0xF4, 0xF5, 0xAA, 0xBB, 0xCC, 0xDD, 0xEE, 0xFF, 0, 1, 2, 3, 0xAA, 0xBB, 0xCC, 0xDD}));
}

TEST(BinOutput, StopsAtTheFirstFailedFlush) {
    std::vector<double> values(300, 1.0);
    MemoryOutput failing;
    failing.failAfter = 1;  // the first block goes out, the second fails
    EXPECT_FALSE(failing.write(values.data(), values.size()));
    EXPECT_EQ(failing.writes.size(), 2u);
    EXPECT_EQ(failing.bytes.size(), 1024u);

    MemoryOutput early;
    early.failAfter = 0;
    const Bytes head = sequence(900);
    ASSERT_TRUE(early.writeRaw(head.data(), head.size()));
    const int32_t value = 5;
    EXPECT_FALSE(early.write(&value, 1));  // the early flush fails
    EXPECT_EQ(early.pending(), 0u);
    EXPECT_TRUE(early.write(&value, 0));
    EXPECT_FALSE(BinOutputFile(static_cast<std::FILE*>(nullptr)).flush());
}

TEST(BinOutput, MatrixIsSixteenDoublesRowByRow) {
    TesMatrix matrix;
    for (int i = 0; i < 16; ++i) matrix[i] = i + 0.5;
    MemoryOutput out;
    ASSERT_TRUE(out.write(matrix));
    ASSERT_TRUE(out.flush());
    ASSERT_EQ(out.bytes.size(), 128u);
    EXPECT_EQ(tesFromBigEndian<double>(out.bytes.data() + 8 * 13, 8), 13.5);

    MemoryInput in(out.bytes);
    TesMatrix back;
    ASSERT_TRUE(in.read(back));
    EXPECT_TRUE(std::equal(back.data(), back.data() + 16, matrix.data()));

    MemoryInput shortInput(Bytes(out.bytes.begin(), out.bytes.begin() + 100));
    EXPECT_FALSE(shortInput.read(back));
}

TEST(BinInput, AShortReadKeepsOnlyTheWholeValues) {
    const Bytes six = {0, 0, 0, 7, 0xAA, 0xBB};
    for (size_t maxPerRead : {size_t{1}, size_t{3}, size_t{1024}}) {
        MemoryInput in(six, maxPerRead);
        int32_t values[3] = {-5, -5, -5};
        EXPECT_FALSE(in.read(values, 3));
        EXPECT_EQ(values[0], 7);
        EXPECT_EQ(values[1], -5) << "an incomplete value is not stored";
        EXPECT_EQ(in.tell(), 6);
        EXPECT_TRUE(in.ok()) << "the end of the input is no error";
    }
    MemoryInput empty(Bytes{});
    int16_t value = 3;
    EXPECT_TRUE(empty.read(&value, 0));
    EXPECT_FALSE(empty.read(&value, 1));
    EXPECT_EQ(value, 3);
}

TEST(BinInput, ReadsInPiecesOfAtMost1024WithoutReadAhead) {
    const Bytes bytes = sequence(3000);
    MemoryInput in(bytes);
    std::vector<uint16_t> values(1100);
    ASSERT_TRUE(in.read(values.data(), values.size()));
    EXPECT_EQ(in.reads, (std::vector<MemoryTransfer>{{0, 1024, 1024}, {1024, 1024, 1024}, {2048, 152, 152}}));
    EXPECT_EQ(in.tell(), 2200);
    EXPECT_EQ(values[1099], (bytes[2198] << 8) | bytes[2199]);
}

TEST(BinInput, PeekWordLeavesThePositionAlone) {
    MemoryInput in({0x00, 0x00, 0x01, 0x02, 0xFF, 0xFF, 0xFF, 0xFE, 0x09, 0x09});
    EXPECT_EQ(in.peekWord(), 0x0102);
    EXPECT_EQ(in.tell(), 0);
    int32_t first = 0;
    ASSERT_TRUE(in.read(&first, 1));
    EXPECT_EQ(in.peekWord(), -2);
    EXPECT_EQ(in.tell(), 4);
    ASSERT_TRUE(in.seek(-2, false));
    EXPECT_EQ(in.peekWord(), -1);  // two bytes left: cannot be read
    ASSERT_TRUE(in.seek(0, false));
    EXPECT_EQ(in.peekWord(), -1);
    EXPECT_EQ(in.tell(), 10);
}

TEST(BinInput, RawAndChunkReads) {
    const Bytes bytes = sequence(1500);
    MemoryInput in(bytes);
    const uint8_t* chunk = nullptr;
    EXPECT_EQ(in.readChunk(chunk, 5000), 1024u);
    ASSERT_NE(chunk, nullptr);
    EXPECT_TRUE(std::equal(chunk, chunk + 1024, bytes.begin()));
    Bytes rest(1000);
    EXPECT_EQ(in.readRaw(rest.data(), rest.size()), 476u);
    EXPECT_TRUE(std::equal(rest.begin(), rest.begin() + 476, bytes.begin() + 1024));
    EXPECT_EQ(in.readRaw(rest.data(), 10), 0u);
    EXPECT_EQ(in.length(), 1500);
}

TEST(BinInput, SizeWidthIsFixedOnce) {
    MemoryInput in(Bytes{});
    EXPECT_EQ(in.sizeWidth(), 0u);
    EXPECT_TRUE(in.setSizeWidth64());
    EXPECT_FALSE(in.setSizeWidth32());
    EXPECT_EQ(in.sizeWidth(), 64u);
    in.setSizeWidth(0);
    EXPECT_TRUE(in.setSizeWidth32());
    EXPECT_EQ(in.sizeWidth(), 32u);
}

TEST(BinIOScramblerOwnership, SetScramblerDeletesThePreviousOne) {
    int destroyed = 0;
    auto* first = new XorScrambler(&destroyed);
    setScrambler(first);
    EXPECT_EQ(currentScrambler(), first);
    setScrambler(first);  // the current one again: kept
    EXPECT_EQ(destroyed, 0);
    setScrambler(new XorScrambler(&destroyed));
    EXPECT_EQ(destroyed, 1);
    setScrambler(nullptr);
    EXPECT_EQ(destroyed, 2);
    EXPECT_EQ(currentScrambler(), nullptr);
}

TEST_F(BinIOScrambler, OutputIsScrambledWithTheMediumPositionOfEachFlush) {
    MemoryOutput out;
    const Bytes head = sequence(1000, 0x30);
    std::vector<uint32_t> values(400);
    for (size_t i = 0; i < values.size(); ++i) values[i] = static_cast<uint32_t>(i * 2654435761u);
    ASSERT_TRUE(out.writeRaw(head.data(), head.size()));
    ASSERT_TRUE(out.write(values.data(), values.size()));
    ASSERT_TRUE(out.seek(0, false));
    ASSERT_TRUE(out.writeRaw(head.data(), 3));
    ASSERT_TRUE(out.flush());

    ASSERT_EQ(out.bytes.size(), 2603u);
    Bytes plain = out.bytes;
    XorScrambler::apply(plain.data(), 0, plain.size());
    EXPECT_TRUE(std::equal(head.begin(), head.end(), plain.begin()));
    for (size_t i = 0; i < values.size(); ++i) {
        ASSERT_EQ(tesFromBigEndian<uint32_t>(plain.data() + 1000 + 4 * i, 4), values[i]) << i;
    }
    ASSERT_FALSE(scrambler_->scrambles.empty());
    EXPECT_EQ(scrambler_->scrambles.front(), (MemoryTransfer{0, 1000, 1000}));  // early flush
    EXPECT_EQ(scrambler_->scrambles.back(), (MemoryTransfer{2600, 3, 3}));
    for (size_t i = 0; i < out.writes.size(); ++i) {
        EXPECT_EQ(scrambler_->scrambles[i].position, out.writes[i].position);
    }
}

TEST_F(BinIOScrambler, EveryRawReadIsUnscrambledWithItsOwnPosition) {
    Bytes stored = {0, 0, 0, 1, 0, 0, 0, 2, 0xCA, 0xFE, 0xBA, 0xBE};
    XorScrambler::apply(stored.data(), 0, stored.size());
    MemoryInput in(stored, 3);
    int32_t values[2] = {};
    ASSERT_TRUE(in.read(values, 2));
    EXPECT_EQ(values[0], 1);
    EXPECT_EQ(values[1], 2);
    // Each partial value is finished by a read of its own.
    EXPECT_EQ(scrambler_->unscrambles,
              (std::vector<MemoryTransfer>{{0, 3, 3}, {3, 1, 1}, {4, 3, 3}, {7, 1, 1}}));

    uint8_t raw[4] = {};
    EXPECT_EQ(in.readRaw(raw, 4), 3u);
    EXPECT_EQ(Bytes(raw, raw + 3), (Bytes{0xCA, 0xFE, 0xBA}));
    const uint8_t* chunk = nullptr;
    EXPECT_EQ(in.readChunk(chunk, 4), 1u);
    EXPECT_EQ(chunk[0], 0xBE);
    EXPECT_EQ(scrambler_->unscrambles.back(), (MemoryTransfer{11, 1, 1}));
}

TEST_F(BinIOScrambler, ReadBackUnscramblesWhatItRead) {
    MemoryOutput out;
    const uint32_t values[] = {0x11223344, 0x55667788};
    ASSERT_TRUE(out.write(values, 2));
    ASSERT_TRUE(out.seek(4, true));
    uint8_t back[4] = {};
    EXPECT_EQ(out.readBack(back, 4), 4u);
    EXPECT_EQ(Bytes(back, back + 4), (Bytes{0x55, 0x66, 0x77, 0x88}));
    EXPECT_EQ(scrambler_->unscrambles.back(), (MemoryTransfer{4, 4, 4}));
}

TEST(BinMagic, TagAndVersionInOneWord) {
    const BinMagic magic(0x123, 5);
    EXPECT_EQ(magic.word(), 0x12305);
    EXPECT_EQ(magic.tag(), 0x123);
    EXPECT_EQ(magic.version(), 5);
    std::ostringstream text;
    text << magic;
    EXPECT_EQ(text.str(), "291 5");
    for (int32_t version : {0, 7, 255, -3}) {
        const BinMagic none(-1, version);
        EXPECT_EQ(none.tag(), -1);
        EXPECT_EQ(none.version(), -1);
    }
    EXPECT_EQ(BinMagic(static_cast<int32_t>(0x80000001)).tag(), -1);
    EXPECT_EQ(BinMagic(0x12305), magic);

    MemoryOutput out;
    ASSERT_TRUE(magic.write(out));
    ASSERT_TRUE(out.flush());
    EXPECT_EQ(out.bytes, (Bytes{0x00, 0x01, 0x23, 0x05}));
}

TEST(BinMagic, ReadingChecksTheWord) {
    AssertRecord record;
    tesSetAssertHook(recordAssert, &record);
    const BinMagic expected(0x42, 1);
    BinMagic read;
    MemoryInput matching({0x00, 0x00, 0x42, 0x01});
    EXPECT_TRUE(read.readExpect(matching, expected));
    EXPECT_EQ(record.count, 0);

    MemoryInput other({0x00, 0x00, 0x43, 0x01});
    EXPECT_FALSE(read.readExpect(other, expected));
    EXPECT_EQ(record.count, 1);
    EXPECT_EQ(record.expression, "magic_ == magic");
    EXPECT_EQ(record.source, "src/tesbasictypes/binio");
    EXPECT_EQ(record.line, 578);
    EXPECT_EQ(read.tag(), 0x43);
    MemoryInput empty(Bytes{});
    EXPECT_FALSE(read.readExpect(empty, expected));
    EXPECT_EQ(record.count, 2);
    tesSetAssertHook(nullptr, nullptr);

    BinMagic compatible(0x42, 1);
    MemoryInput newer({0x00, 0x00, 0x42, 0x09, 0x00, 0x00, 0x41, 0x09});
    EXPECT_TRUE(compatible.readCompatible(newer));
    EXPECT_EQ(compatible.version(), 9);
    EXPECT_FALSE(compatible.readCompatible(newer));
    EXPECT_EQ(compatible.tag(), 0x41);
    EXPECT_FALSE(compatible.readCompatible(newer));  // nothing left: the word stays
    EXPECT_EQ(compatible.tag(), 0x41);

    BinMagic exact;
    MemoryInput words({0x00, 0x00, 0x42, 0x01, 0x00, 0x00, 0x42, 0x02, 0x00});
    EXPECT_TRUE(exact.readExact(words, expected));
    EXPECT_FALSE(exact.readExact(words, expected));
    EXPECT_FALSE(exact.readExact(words, BinMagic(0)));  // a short read is no match
}

TEST(BinIOFiles, MissingFileReadsNothing) {
    TempFolder folder;
    BinInputFile in(folder.wideFile("missing.bin").c_str());
    EXPECT_EQ(in.length(), 0);
    EXPECT_FALSE(in.ok());
    int32_t value = 9;
    EXPECT_FALSE(in.read(&value, 1));
    EXPECT_EQ(value, 9);
    EXPECT_EQ(in.tell(), 0);
    EXPECT_FALSE(in.seek(0, true));
    EXPECT_EQ(in.peekWord(), -1);

    BinInputFile none(static_cast<const char16_t*>(nullptr));
    EXPECT_FALSE(none.ok());
    BinOutputFile nowhere((folder.path() / "no" / "such" / "folder.bin").u16string().c_str());
    EXPECT_FALSE(nowhere.ok());
    EXPECT_TRUE(nowhere.write(&value, 1));  // still in the buffer
    EXPECT_EQ(nowhere.tell(), 4);
    EXPECT_FALSE(nowhere.flush());
    EXPECT_EQ(nowhere.tell(), 0);
    EXPECT_FALSE(nowhere.seek(0, true));
}

TEST(BinIOFiles, WriteThenReadThroughAWidePath) {
    TempFolder folder;
    const std::u16string path = folder.wideFile("d\xC3\xA4t\xC3\xA4-\xCF\x89.bin");
    std::vector<double> values(1000);
    for (size_t i = 0; i < values.size(); ++i) values[i] = std::sqrt(static_cast<double>(i));
    {
        BinOutputFile out(path.c_str());
        ASSERT_TRUE(out.ok());
        const int32_t head = 0x01020304;
        ASSERT_TRUE(out.write(&head, 1));
        ASSERT_TRUE(out.write(values.data(), values.size()));
        ASSERT_TRUE(out.flush());
        EXPECT_EQ(out.tell(), 8004);
    }
    const Bytes bytes = TempFolder::readAll(folder.file("d\xC3\xA4t\xC3\xA4-\xCF\x89.bin"));
    ASSERT_EQ(bytes.size(), 8004u);
    EXPECT_EQ(Bytes(bytes.begin(), bytes.begin() + 4), (Bytes{1, 2, 3, 4}));

    BinInputFile in(path.c_str());
    EXPECT_TRUE(in.ok());
    EXPECT_EQ(in.length(), 8004);
    EXPECT_EQ(in.peekWord(), 0x01020304);
    ASSERT_TRUE(in.seek(4, true));
    std::vector<double> back(1001, -1.0);
    EXPECT_FALSE(in.read(back.data(), back.size()));  // one more than there is
    EXPECT_TRUE(std::equal(values.begin(), values.end(), back.begin()));
    EXPECT_EQ(back[1000], -1.0);
    EXPECT_TRUE(in.ok()) << "the end of the file is no error";
    ASSERT_TRUE(in.seek(-8, false));
    double last = 0;
    ASSERT_TRUE(in.read(&last, 1));
    EXPECT_EQ(last, values.back());
}

TEST(BinIOFiles, OutputFileReadsBackAndWritesAgain) {
    TempFolder folder;
    const std::u16string path = folder.wideFile("update.bin");
    BinOutputFile out(path.c_str());
    const uint32_t values[] = {1, 2, 3};
    ASSERT_TRUE(out.write(values, 3));
    ASSERT_TRUE(out.seek(4, true));
    uint8_t back[4] = {};
    ASSERT_EQ(out.readBack(back, 4), 4u);
    EXPECT_EQ(Bytes(back, back + 4), (Bytes{0, 0, 0, 2}));
    const uint32_t patch = 9;
    ASSERT_TRUE(out.write(&patch, 1));  // after a read on the same C stream
    EXPECT_TRUE(out.close());
    EXPECT_EQ(TempFolder::readAll(folder.file("update.bin")), (Bytes{0, 0, 0, 1, 0, 0, 0, 2, 0, 0, 0, 9}));
    EXPECT_FALSE(out.ok());
}

TEST(BinIOFiles, PositionsFollowEveryTransferAndSeek) {
    TempFolder folder;
    const std::u16string path = folder.wideFile("positions.bin");
    const Bytes bytes = sequence(3000);
    {
        BinOutputFile out(path.c_str());
        ASSERT_TRUE(out.writeRaw(bytes.data(), bytes.size()));
        EXPECT_EQ(out.rawTell(), 2048);
        ASSERT_TRUE(out.seek(-10, false));  // relative to the end
        EXPECT_EQ(out.tell(), 2990);
        uint8_t back[4] = {};
        ASSERT_EQ(out.readBack(back, 4), 4u);
        EXPECT_EQ(out.tell(), 2994);
        EXPECT_FALSE(out.seek(-5000, false));
        EXPECT_EQ(out.tell(), 2994);
    }
    std::FILE* adopted = tesFileOpen(folder.narrowFile("positions.bin").c_str(), "r+b");
    ASSERT_NE(adopted, nullptr);
    ASSERT_TRUE(tesFileSeek(adopted, 7, TesSeekOrigin::kStart));
    BinOutputFile resumed(adopted);  // carries on where the C stream stands
    EXPECT_EQ(resumed.tell(), 7);

    BinInputFile in(path.c_str());
    uint8_t chunk[100];
    ASSERT_EQ(in.readRaw(chunk, sizeof(chunk)), sizeof(chunk));
    EXPECT_EQ(in.tell(), 100);
    EXPECT_TRUE(in.seek(100, true));  // where it stands already
    ASSERT_TRUE(in.seek(-1, false));
    EXPECT_EQ(in.tell(), 2999);
    EXPECT_EQ(in.readRaw(chunk, sizeof(chunk)), 1u);
    EXPECT_EQ(chunk[0], bytes.back());
    EXPECT_TRUE(in.seek(3000, true));
    EXPECT_EQ(in.readRaw(chunk, 1), 0u);
    ASSERT_TRUE(in.seek(0, true));
    EXPECT_EQ(in.readRaw(chunk, 2), 2u);
    EXPECT_EQ(in.tell(), 2);
}

TEST(BinIOFiles, DestructionWritesWhatIsPendingAndClosesTheStream) {
    TempFolder folder;
    {
        BinOutputFile out(folder.wideFile("pending.bin").c_str());
        const int16_t value = -2;
        ASSERT_TRUE(out.write(&value, 1));
    }
    EXPECT_EQ(TempFolder::readAll(folder.file("pending.bin")), (Bytes{0xFF, 0xFE}));

    std::FILE* file = tesFileOpen(folder.narrowFile("pending.bin").c_str(), "rb");
    ASSERT_NE(file, nullptr);
    std::fgetc(file);
    BinInputFile in(file);  // owns it; starts at 0 whatever the stream's position
    EXPECT_EQ(in.length(), 2);
    uint16_t value = 0;
    ASSERT_TRUE(in.read(&value, 1));
    EXPECT_EQ(value, 65534);
    in.close();
    EXPECT_FALSE(in.ok());
    EXPECT_EQ(in.rawRead(&value, 2), 0u);
}

// Random inputs, random typed reads: a read succeeds exactly when the input
// holds enough bytes, stores only whole values, and never touches memory past
// the input or the destination (run under ASan).
namespace {

struct Oracle {
    const Bytes& bytes;
    size_t cursor = 0;
};

template <class T>
void checkRandomRead(MemoryInput& in, Oracle& oracle, size_t count) {
    constexpr size_t width = sizeof(T);
    auto values = std::make_unique<T[]>(count == 0 ? 1 : count);
    const T sentinel = static_cast<T>(0x5A);
    std::fill(values.get(), values.get() + (count == 0 ? 1 : count), sentinel);
    const size_t available = oracle.bytes.size() - oracle.cursor;
    const bool complete = in.read(values.get(), count);
    ASSERT_EQ(complete, available >= count * width);
    const size_t stored = complete ? count : available / width;
    for (size_t i = 0; i < stored; ++i) {
        const T expected = tesFromBigEndian<T>(oracle.bytes.data() + oracle.cursor + i * width, width);
        ASSERT_EQ(std::memcmp(&values[i], &expected, width), 0) << i;
    }
    for (size_t i = stored; i < count; ++i) ASSERT_EQ(std::memcmp(&values[i], &sentinel, width), 0) << i;
    oracle.cursor = complete ? oracle.cursor + count * width : oracle.bytes.size();
    ASSERT_EQ(in.tell(), static_cast<int64_t>(oracle.cursor));
}

}  // namespace

TEST(BinInputProperty, RandomInputsNeverOverreadAndStoreOnlyWholeValues) {
    std::mt19937 random(20240611);
    for (int round = 0; round < 300; ++round) {
        const size_t size = round % 10 == 0 ? random() % 4000 : random() % 80;
        Bytes bytes(size);
        for (uint8_t& byte : bytes) byte = static_cast<uint8_t>(random());
        const size_t maxPerRead = round % 3 == 0 ? std::numeric_limits<size_t>::max() : 1 + random() % 9;
        MemoryInput in(bytes, maxPerRead);
        Oracle oracle{bytes};
        while (oracle.cursor < bytes.size()) {
            const size_t count = random() % 8 == 0 ? random() % 600 : random() % 5;
            switch (random() % 10) {
            case 0: checkRandomRead<char>(in, oracle, count); break;
            case 1: checkRandomRead<signed char>(in, oracle, count); break;
            case 2: checkRandomRead<unsigned char>(in, oracle, count); break;
            case 3: checkRandomRead<int16_t>(in, oracle, count); break;
            case 4: checkRandomRead<uint16_t>(in, oracle, count); break;
            case 5: checkRandomRead<int32_t>(in, oracle, count); break;
            case 6: checkRandomRead<uint32_t>(in, oracle, count); break;
            case 7: checkRandomRead<uint64_t>(in, oracle, count); break;
            case 8: checkRandomRead<float>(in, oracle, count); break;
            default: checkRandomRead<double>(in, oracle, count); break;
            }
            if (::testing::Test::HasFatalFailure()) return;
        }
    }
}
