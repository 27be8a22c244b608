#include "binio.h"

#include <gtest/gtest.h>

#include <limits>
#include <random>
#include <string>
#include <vector>

#include "assertreports.h"
#include "memorystreams.h"
#include "os/fileio.h"
#include "tempfolder.h"

namespace {

using Bytes = std::vector<uint8_t>;
using Transfers = std::vector<MemoryTransfer>;

static_assert(tesByteSwap(uint64_t{0x0102030405060708}) == 0x0807060504030201);  // usable at compile time

Bytes sequence(size_t count) {
    Bytes bytes(count);
    for (size_t i = 0; i < count; ++i) bytes[i] = static_cast<uint8_t>(i);
    return bytes;
}

template <class T>
Bytes bigEndian(T value, size_t width = sizeof(T)) {
    Bytes bytes(width, 0x55);
    tesToBigEndian(value, bytes.data(), width);
    return bytes;
}

// `value` is written as `bytes`, and `bytes` read back give the same bits.
template <class T>
void expectLayout(T value, const Bytes& bytes) {
    MemoryOutput out;
    ASSERT_TRUE(out.write(&value, 1) && out.flush());
    EXPECT_EQ(out.bytes, bytes);
    T back{};
    ASSERT_TRUE(MemoryInput(bytes).read(&back, 1));
    EXPECT_EQ(std::memcmp(&back, &value, sizeof(T)), 0) << ::testing::PrintToString(bytes);
}

// XORs every byte with the low byte of its medium position, records the calls
// and counts its destruction; the same transform undoes itself.
class XorScrambler : public BinIO_Scrambler {
public:
    explicit XorScrambler(int* destroyed = nullptr) : destroyed_(destroyed) {}
    ~XorScrambler() override {
        if (destroyed_ != nullptr) ++*destroyed_;
    }
    void scramble(uint8_t* buffer, int64_t at, size_t bytes) override { apply(scrambles, buffer, at, bytes); }
    void unscramble(uint8_t* buffer, int64_t at, size_t bytes) override { apply(unscrambles, buffer, at, bytes); }
    static void xorBytes(uint8_t* buffer, int64_t position, size_t bytes) {
        for (size_t i = 0; i < bytes; ++i) buffer[i] ^= static_cast<uint8_t>(position + static_cast<int64_t>(i));
    }

    Transfers scrambles, unscrambles;

private:
    static void apply(Transfers& calls, uint8_t* buffer, int64_t position, size_t bytes) {
        calls.push_back({position, bytes, bytes});
        xorBytes(buffer, position, bytes);
    }
    int* destroyed_;
};

}  // namespace

TEST(BinIO, EveryTypeIsBigEndianOnTheMedium) {
    // Types of one width share the byte path: one row per width and per floating type.
    expectLayout<signed char>(-1, {0xFF});
    expectLayout<int16_t>(-2, {0xFF, 0xFE});
    expectLayout<uint32_t>(0xDEADBEEF, {0xDE, 0xAD, 0xBE, 0xEF});
    expectLayout<uint64_t>(0xFF00000000000001, {0xFF, 0, 0, 0, 0, 0, 0, 0x01});
    expectLayout<float>(-2.5f, {0xC0, 0x20, 0x00, 0x00});
    expectLayout<double>(-0.0, {0x80, 0, 0, 0, 0, 0, 0, 0});

    TesMatrix matrix;  // sixteen doubles, row by row; full reads are the stream fuzz property's
    for (int i = 0; i < 16; ++i) matrix[i] = i + 0.5;
    MemoryOutput out;
    ASSERT_TRUE(out.write(matrix) && out.flush());
    EXPECT_EQ(Bytes(out.bytes.begin() + 8 * 13, out.bytes.begin() + 8 * 14), bigEndian(13.5));
    EXPECT_FALSE(MemoryInput(Bytes(out.bytes.begin(), out.bytes.begin() + 100)).read(matrix));
}

TEST(BinIOConverters, AnyWidthExtendsAndTruncates) {
    const uint8_t three[] = {0x80, 0x00, 0x01};
    const uint8_t ten[] = {0xAA, 0xBB, 0x01, 0x02, 0x03, 0x04, 0x05, 0x06, 0x07, 0x08};
    EXPECT_EQ(tesFromBigEndian<uint64_t>(three, 3), 0x800001u);
    EXPECT_EQ(tesFromBigEndian<int16_t>(three, 3), 0x0001);               // truncated to the low bytes
    EXPECT_EQ(tesFromBigEndian<uint64_t>(ten, 10), 0x0102030405060708u);  // the last eight bytes
    EXPECT_EQ(tesFromBigEndian<int32_t>(three, 0), 0);
    EXPECT_EQ(bigEndian<int32_t>(-2, 10), (Bytes{0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFE}));
    EXPECT_EQ(bigEndian<uint32_t>(0x80000000, 6), (Bytes{0, 0, 0x80, 0, 0, 0}));

    std::mt19937_64 random(7);  // every width from 1 to 8 keeps the value's low bytes, read back sign-extended
    for (int i = 0; i < 300; ++i) {
        const auto value = static_cast<int64_t>(random());
        for (size_t width = 1; width <= 8; ++width) {
            const int shift = static_cast<int>(64 - width * 8);
            const int64_t truncated = static_cast<int64_t>(static_cast<uint64_t>(value) << shift) >> shift;
            ASSERT_EQ(tesFromBigEndian<int64_t>(bigEndian(value, width).data(), width), truncated) << width;
        }
    }
}

TEST(BinOutput, TypedWritesFlushEarlyOnlyWhenFewerThan256BytesAreFree) {
    // One int32 after `pendingBefore` raw bytes; values across many flushes are the stream fuzz property's.
    const std::pair<size_t, size_t> rows[] = {{768, 0}, {769, 1}};
    for (const auto& [pendingBefore, writesAfter] : rows) {
        SCOPED_TRACE(pendingBefore);
        MemoryOutput out;
        Bytes expected = sequence(pendingBefore);
        const int32_t value = -2;
        ASSERT_TRUE(out.writeRaw(expected.data(), expected.size()) && out.write(&value, 1));
        EXPECT_EQ(out.writes.size(), writesAfter);
        EXPECT_EQ(out.tell(), static_cast<int64_t>(pendingBefore + 4));
        expected.insert(expected.end(), {0xFF, 0xFF, 0xFF, 0xFE});
        ASSERT_TRUE(out.flush());
        EXPECT_EQ(out.bytes, expected);
    }
}

TEST(BinOutput, RawWritesAndCommitsFillTheWholeBufferBeforeWriting) {
    MemoryOutput out;
    const Bytes block = sequence(2500);
    ASSERT_TRUE(out.writeRaw(block.data(), 1000) && out.writeRaw(block.data() + 1000, 1500));
    EXPECT_EQ(out.writes, (Transfers{{0, 1024, 1024}, {1024, 1024, 1024}}));
    ASSERT_TRUE(out.flush());
    EXPECT_EQ(out.bytes, block);

    uint8_t* area = nullptr;
    EXPECT_EQ(out.reserve(area, 5000), 1024u);
    EXPECT_TRUE(out.commit(1024));  // exactly full: written at once
    ASSERT_TRUE(out.writeRaw(block.data(), 700));
    uint8_t* second = nullptr;
    EXPECT_EQ(out.reserve(second, 500), 324u);  // 324 free: no early flush
    EXPECT_EQ(second, area + 700);
    EXPECT_FALSE(out.commit(325));  // more than the free area: refused
    EXPECT_TRUE(out.commit(100));
    EXPECT_EQ(out.reserve(second, 10), 10u);  // 224 free: flushed first
    EXPECT_EQ(second, area);
    EXPECT_EQ(out.writes.back(), (MemoryTransfer{3524, 800, 800}));
    EXPECT_TRUE(out.commit(0));
}

TEST(BinOutput, AFailedFlushFailsTheWriteAndEmptiesTheBuffer) {
    std::vector<double> values(300, 1.0);
    MemoryOutput second;
    second.failAfter = 1;  // the first block goes out, the second fails
    EXPECT_FALSE(second.write(values.data(), values.size()));
    EXPECT_EQ(second.bytes.size(), 1024u);

    MemoryOutput out;
    out.failAfter = 0;
    const Bytes block = sequence(1024);
    ASSERT_TRUE(out.writeRaw(block.data(), 900));
    EXPECT_FALSE(out.write(values.data(), 1));  // the early flush fails
    EXPECT_EQ(out.pending(), 0u);
    EXPECT_TRUE(out.writeRaw(block.data(), 1023));
    EXPECT_FALSE(out.writeRaw(block.data(), 1));  // the buffer is full
}

TEST(BinOutput, SeekReadBackAndOverwriteWorkOnWhatIsPendingOrWritten) {
    MemoryOutput out;
    const int32_t values[] = {1, 2, 3};
    const int16_t patch = -1;
    ASSERT_TRUE(out.write(values, 3) && out.seek(4, true) && out.write(&patch, 1));
    uint8_t back[4] = {};
    EXPECT_EQ(out.readBack(back, 4), 4u);  // writes the patch, then reads after it
    EXPECT_EQ(Bytes(back, back + 4), (Bytes{0x00, 0x02, 0x00, 0x00}));
    EXPECT_EQ(out.bytes, (Bytes{0, 0, 0, 1, 0xFF, 0xFF, 0, 2, 0, 0, 0, 3}));
    EXPECT_EQ(out.readBack(back, 4), 2u);  // a short read at the end
    EXPECT_FALSE(out.seek(100, true));

    MemoryOutput pending;
    const Bytes head = sequence(1020);
    const uint8_t bytes[] = {0xAA, 0xBB, 0xCC, 0xDD, 0xEE, 0xFF};
    ASSERT_TRUE(pending.writeRaw(head.data(), head.size()));
    EXPECT_TRUE(pending.overwritePending(1014, bytes, 6));   // the last six pending bytes
    EXPECT_FALSE(pending.overwritePending(1015, bytes, 6));  // one past the pending end
    ASSERT_TRUE(pending.writeRaw(head.data(), 8));           // fills the buffer: 1024 bytes go out
    EXPECT_FALSE(pending.overwritePending(1020, bytes, 6));  // straddles the flushed part
    EXPECT_TRUE(pending.overwritePending(1024, bytes, 4));
    ASSERT_TRUE(pending.flush());
    EXPECT_EQ(Bytes(pending.bytes.begin() + 1012, pending.bytes.end()),
              (Bytes{0xF4, 0xF5, 0xAA, 0xBB, 0xCC, 0xDD, 0xEE, 0xFF, 0, 1, 2, 3, 0xAA, 0xBB, 0xCC, 0xDD}));
}

TEST(BinInput, ReadsInPiecesOfAtMost1024AndPeeksWithoutMoving) {
    const Bytes bytes = sequence(3000);
    MemoryInput in(bytes);
    std::vector<uint16_t> values(1100);
    ASSERT_TRUE(in.read(values.data(), values.size()));
    EXPECT_EQ(in.reads, (Transfers{{0, 1024, 1024}, {1024, 1024, 1024}, {2048, 152, 152}}));
    const uint8_t* chunk = nullptr;
    EXPECT_EQ(in.readChunk(chunk, 5000), 800u);
    EXPECT_EQ(chunk[0], bytes[2200]);
    ASSERT_TRUE(in.seek(-6, false));
    EXPECT_EQ(in.peekWord(), static_cast<int32_t>(0xB2B3B4B5));
    ASSERT_TRUE(in.seek(-2, false));
    EXPECT_EQ(in.peekWord(), -1);  // two bytes left: cannot be read
}

TEST(BinIOScrambler, SetScramblerDeletesThePreviousOne) {
    int destroyed = 0;
    auto* first = new XorScrambler(&destroyed);
    setScrambler(first);
    setScrambler(first);  // the current one again: kept
    EXPECT_EQ(currentScrambler(), first);
    setScrambler(new XorScrambler(&destroyed));
    EXPECT_EQ(destroyed, 1);
    setScrambler(nullptr);
    EXPECT_EQ(destroyed, 2);
}

// Round trips through the scrambler in every piece size are the stream fuzz
// property's (fuzzreplay.streams); here the positions each transfer is given.
TEST(BinIOScrambler, EveryTransferIsScrambledWithItsMediumPosition) {
    auto* scrambler = new XorScrambler;
    setScrambler(scrambler);
    MemoryOutput out;
    const Bytes head = sequence(1000);
    const std::vector<uint32_t> values(400, 0x01020304);
    EXPECT_TRUE(out.writeRaw(head.data(), head.size()) && out.write(values.data(), values.size()));
    EXPECT_TRUE(out.seek(0, false) && out.writeRaw(head.data(), 3) && out.seek(1000, true));
    EXPECT_EQ(scrambler->scrambles, (Transfers{{0, 1000, 1000}, {1000, 1024, 1024}, {2024, 576, 576}, {2600, 3, 3}}));
    uint8_t back[4] = {};
    EXPECT_EQ(out.readBack(back, 4), 4u);
    EXPECT_EQ(Bytes(back, back + 4), (Bytes{1, 2, 3, 4}));
    MemoryInput in(out.bytes, 3);
    uint32_t word = 0;
    EXPECT_TRUE(in.seek(997, true) && in.read(&word, 1));
    // The read back, then each partial value finished by a read of its own.
    EXPECT_EQ(scrambler->unscrambles, (Transfers{{1000, 4, 4}, {997, 3, 3}, {1000, 1, 1}}));
    EXPECT_EQ(word, 0xE5E6E701);
    setScrambler(nullptr);
}

TEST(BinMagic, WordLayoutAndTheThreeWaysOfReadingIt) {
    const BinMagic magic(0x123, 5);
    EXPECT_EQ(BinMagic(-1, 7).version(), -1);  // a negative tag ignores the version
    MemoryOutput out;
    ASSERT_TRUE(magic.write(out) && out.flush());
    EXPECT_EQ(out.bytes, (Bytes{0x00, 0x01, 0x23, 0x05}));
    EXPECT_EQ(::testing::PrintToString(magic), "291 5");

    const BinMagic expected(0x42, 1);
    BinMagic read;
    MemoryInput words({0x00, 0x00, 0x42, 0x01, 0x00, 0x00, 0x43, 0x01});
    AssertReports asserts;
    EXPECT_TRUE(read.readExpect(words, expected));
    EXPECT_FALSE(read.readExpect(words, expected));
    EXPECT_EQ(read.tag(), 0x43);
    EXPECT_FALSE(read.readExpect(words, expected));  // nothing left
    EXPECT_EQ(asserts.texts, std::vector<std::string>(2, "magic_ == magic @ src/tesbasictypes/binio"));

    BinMagic compatible = expected;
    MemoryInput newer({0x00, 0x00, 0x42, 0x09, 0x00, 0x00, 0x41, 0x09});
    EXPECT_TRUE(compatible.readCompatible(newer));  // versions may differ
    EXPECT_FALSE(compatible.readCompatible(newer));
    EXPECT_FALSE(compatible.readCompatible(newer));  // nothing left: the word read before stays
    EXPECT_EQ(compatible.tag(), 0x41);
    MemoryInput exact({0x00, 0x00, 0x42, 0x01, 0x00, 0x00, 0x42, 0x02, 0x00});
    EXPECT_TRUE(read.readExact(exact, expected));
    EXPECT_FALSE(read.readExact(exact, expected));
    EXPECT_FALSE(read.readExact(exact, BinMagic(0)));  // a short read is no match
}

TEST(BinIOFiles, WidePathFilesAgreeOnBytesAndPositions) {
    TempFolder folder;
    const std::string name = "d\xC3\xA4t\xC3\xA4-\xCF\x89.bin";
    Bytes expected = sequence(3000);
    {
        BinOutputFile out(folder.wideFile(name).c_str());
        ASSERT_TRUE(out.writeRaw(expected.data(), expected.size()));
        ASSERT_TRUE(out.seek(-10, false));  // relative to the end
        uint8_t back[4] = {};
        ASSERT_EQ(out.readBack(back, 4), 4u);
        EXPECT_EQ(back[0], expected[2990]);
        EXPECT_FALSE(out.seek(-5000, false));
        EXPECT_EQ(out.tell(), 2994);
        const uint16_t patch = 0xFFFE;
        ASSERT_TRUE(out.write(&patch, 1));  // after a read on the same C stream; the destructor writes it
    }
    expected[2994] = 0xFF;
    expected[2995] = 0xFE;
    EXPECT_EQ(TempFolder::readAll(folder.file(name)), expected);

    std::FILE* file = tesFileOpen(folder.narrowFile(name).c_str(), "rb");
    ASSERT_NE(file, nullptr);
    std::fgetc(file);
    BinInputFile in(file);  // starts at 0 whatever the stream's position
    EXPECT_EQ(in.length(), 3000);
    ASSERT_TRUE(in.seek(-6, false));
    uint16_t last[4] = {7, 7, 7, 7};
    EXPECT_FALSE(in.read(last, 4));  // one more than there is
    EXPECT_EQ(last[0], 0xFFFE);
    EXPECT_EQ(last[3], 7);
    EXPECT_TRUE(in.ok()) << "the end of the file is no error";
    EXPECT_EQ(in.tell(), 3000);

    BinInputFile missing(folder.wideFile("missing.bin").c_str());
    EXPECT_FALSE(missing.ok() || missing.read(last, 1));
    BinOutputFile nowhere(folder.wideFile("no/such/folder.bin").c_str());
    EXPECT_TRUE(nowhere.write(last, 1));  // still in the buffer
    EXPECT_FALSE(nowhere.flush());
}

// Random inputs, random typed reads of each width: a read succeeds exactly when
// the input holds enough bytes, stores only whole values, and never touches
// memory past the input or the destination (run under ASan).
TEST(BinInputProperty, RandomInputsNeverOverreadAndStoreOnlyWholeValues) {
    std::mt19937 random(20240611);
    for (int round = 0; round < 300 && !::testing::Test::HasFatalFailure(); ++round) {
        Bytes bytes(round % 10 == 0 ? random() % 4000 : random() % 80);
        for (uint8_t& byte : bytes) byte = static_cast<uint8_t>(random());
        MemoryInput in(bytes, round % 3 == 0 ? std::numeric_limits<size_t>::max() : 1 + random() % 9);
        size_t cursor = 0;
        auto check = [&](auto sentinel) {
            using T = decltype(sentinel);
            const size_t count = random() % 8 == 0 ? random() % 600 : random() % 5;
            std::vector<T> values(count, sentinel);
            const size_t available = bytes.size() - cursor;
            const bool complete = in.read(values.data(), count);
            ASSERT_EQ(complete, available >= count * sizeof(T));
            const size_t stored = complete ? count : available / sizeof(T);
            for (size_t i = 0; i < count; ++i) {
                const size_t at = cursor + i * sizeof(T);
                const T expected = i < stored ? tesFromBigEndian<T>(&bytes[at], sizeof(T)) : sentinel;
                ASSERT_EQ(std::memcmp(&values[i], &expected, sizeof(T)), 0) << i;
            }
            cursor = complete ? cursor + count * sizeof(T) : bytes.size();
            ASSERT_EQ(in.tell(), static_cast<int64_t>(cursor));
        };
        while (cursor < bytes.size() && !::testing::Test::HasFatalFailure()) {
            check(uint8_t{0x5A});
            check(int16_t{0x5A});
            check(90.0f);
            check(uint64_t{0x5A});
        }
    }
}
