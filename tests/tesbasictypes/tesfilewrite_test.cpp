#include "tesfilewrite.h"

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "assertreports.h"
#include "datamodelsample.h"
#include "memorystreams.h"
#include "tempfolder.h"

namespace {

using Bytes = std::vector<uint8_t>;

// A medium that takes any position: bytes land in a map, so a block can span
// more than 4 GiB without the memory for it.
class SparseOutput : public BinOutput {
public:
    bool flush() override { return flushBuffer(); }
    size_t rawWrite(const void* buffer, size_t count) override {
        for (size_t i = 0; i < count; ++i) stored[position_++] = static_cast<const uint8_t*>(buffer)[i];
        return count;
    }
    size_t rawRead(void*, size_t) override { return 0; }
    int64_t rawTell() override { return position_; }
    bool rawSeek(int64_t position, bool fromStart) override {
        if (fromStart) position_ = position;
        return fromStart;
    }
    bool ok() override { return true; }
    bool rawClose() override { return true; }

    uint32_t wordAt(int64_t position) const {
        uint32_t word = 0;
        for (int64_t i = 0; i < 4; ++i) word = (word << 8) | stored.at(position + i);
        return word;
    }

    std::map<int64_t, uint8_t> stored;

private:
    int64_t position_ = 0;
};

// The bytes `content` writes on a stream of `formatVersion` through a writer that owns the root.
template <class Content>
Bytes writtenWith(uint32_t formatVersion, Content content) {
    MemoryOutput out;
    out.setVersion(formatVersion);
    {
        TesFileWrite writer(&out, true);
        content(writer);
        EXPECT_TRUE(writer.good());
    }
    return out.bytes;
}

}  // namespace

TEST(TesFileWrite, FormatVersionDecidesRootVersionAndSizeWidth) {
    struct Row {
        uint32_t formatVersion;
        uint8_t rootVersion;
        size_t headerBytes;
    };
    for (const Row row : {Row{0, 1, 12}, Row{1, 0, 8}, Row{9, 0, 8}, Row{10, 1, 12}}) {
        SCOPED_TRACE(row.formatVersion);
        const Bytes bytes = writtenWith(row.formatVersion, [](TesFileWrite& writer) { writer.writeHeader(); });
        ASSERT_EQ(bytes.size(), row.headerBytes);
        EXPECT_EQ(Bytes(bytes.begin(), bytes.begin() + 4), (Bytes{0x4E, 0x45, 0x4C, row.rootVersion}));
        EXPECT_EQ(tesFromBigEndian<uint64_t>(bytes.data() + 4, row.headerBytes - 4), row.headerBytes);
    }
}

TEST(TesFileWrite, WideStringsAreBigEndianUnitsAndNarrowOnesRawBytes) {
    // Every kind of value is in allkinds.bin, written back by the reader's test.
    const Bytes bytes = writtenWith(kNarrowFormat, [](TesFileWrite& writer) {
        writer << TesString() << NelCString() << TesString(u"\u00e9\U0001F600") << NelCString("\xff\x01");
    });
    const Bytes expected{0x01, 0x00, 0x05, 0x00, 0, 0, 0, 8,  0x01, 0x00, 0x03, 0x00, 0,    0,    0, 8,
                         0x01, 0x00, 0x05, 0x00, 0, 0, 0, 14, 0x00, 0xE9, 0xD8, 0x3D, 0xDE, 0x00,
                         0x01, 0x00, 0x03, 0x00, 0, 0, 0, 10, 0xFF, 0x01};
    EXPECT_EQ(bytes, expected);
    const Bytes wide = writtenWith(kWideFormat, [](TesFileWrite& writer) { writer << NelCString(""); });
    EXPECT_EQ(wide, (Bytes{0x01, 0x00, 0x03, 0x00, 0, 0, 0, 0, 0, 0, 0, 12}));
}

TEST(TesFileWrite, NestedBlocksGetTheirOwnSizes) {
    const Bytes bytes = writtenWith(kNarrowFormat, [](TesFileWrite& writer) {
        writer.beginBlock(0x123456, 7);
        writer.beginBlock(0xABCDEF, 0);
        writer << 'x';
        writer.endBlock();
        writer << 'y';
    });
    EXPECT_EQ(bytes, (Bytes{0x12, 0x34, 0x56, 0x07, 0, 0, 0, 18, 0xAB, 0xCD, 0xEF, 0x00, 0, 0, 0, 9, 'x', 'y'}));

    // Size fields that went to the medium before the block ended are patched
    // by seeking back, and the writer carries on where it was.
    const Bytes large = writtenWith(kWideFormat, [](TesFileWrite& writer) {
        writer.beginBlock(0x10000, 0);
        writer.beginBlock(0x10001, 0);
        for (int i = 0; i < 300; ++i) writer << 1.0;
        writer.endBlock();
        writer << 'z';
    });
    ASSERT_EQ(large.size(), 12u + 12u + 2400u + 1u);
    EXPECT_EQ(tesFromBigEndian<uint64_t>(large.data() + 4, 8), large.size());
    EXPECT_EQ(tesFromBigEndian<uint64_t>(large.data() + 16, 8), 2412u);
    EXPECT_EQ(large.back(), 'z');
}

TEST(TesFileWrite, OnlyEightByteSizesHoldBlocksOf4GiB) {
    for (const uint32_t format : {kNarrowFormat, kWideFormat}) {
        SCOPED_TRACE(format);
        SparseOutput out;
        out.setVersion(format);
        TesFileWrite writer(&out, false);
        writer.beginBlock(0x10003, 0);
        const int64_t farEnd = int64_t{0x100000000} + 16;
        ASSERT_TRUE(out.seek(farEnd, true));
        writer.endBlock();
        out.flush();
        EXPECT_EQ(out.tell(), farEnd);
        EXPECT_EQ(writer.good(), format == kWideFormat);
        EXPECT_EQ(out.wordAt(4), format == kWideFormat ? 1U : 0xFFFFFFFFU);  // marked as too large
    }
}

TEST(TesFileWrite, BrokenPreconditionsAreReported) {
    AssertReports asserts;
    TesFileWrite detached(nullptr, false);
    EXPECT_FALSE(detached.beginBlock(0x10000, 0));
    MemoryOutput out;
    TesFileWrite writer(&out, false);
    EXPECT_FALSE(writer.endBlock());
    EXPECT_FALSE(writer.open(u"unused"));
    EXPECT_EQ(writer.output(), &out);
    EXPECT_EQ(asserts.texts, (std::vector<std::string>{"bo_ @ src/tesbasictypes/tesfile",
                                                       "end_.size() > 0 @ src/tesbasictypes/tesfile",
                                                       "!bo_ @ src/tesbasictypes/tesfile"}));
}

TEST(TesFileWrite, FailingMediumShowsInGoodAndClose) {
    MemoryOutput small;
    small.failAfter = 0;
    TesFileWrite smallWriter(&small, true);
    smallWriter.writeHeader();
    smallWriter << 1.0;
    EXPECT_TRUE(smallWriter.good());    // nothing reached the medium yet
    EXPECT_FALSE(smallWriter.close());  // the last flush fails

    MemoryOutput large;
    large.failAfter = 0;
    TesFileWrite writer(&large, false);
    writer.beginBlock(0x10000, 0);
    for (int i = 0; i < 200; ++i) writer << 2.0;
    EXPECT_FALSE(writer.good());  // a full buffer could not be written
}

TEST(TesFileWrite, LettingGoOfAStreamFollowsTheRootFlag) {
    MemoryOutput owned;
    owned.setVersion(kNarrowFormat);
    TesFileWrite writer(&owned, true);
    writer.writeHeader();
    writer.beginBlock(0x10000, 0);
    writer.beginBlock(0x10000, 0);
    writer.setOutput(&owned, true);  // the attached stream: nothing happens
    EXPECT_EQ(writer.depth(), 3);

    MemoryOutput next;
    writer.setOutput(&next, false);  // closes both blocks and the root, flushes
    EXPECT_EQ(owned.bytes, (Bytes{0x4E, 0x45, 0x4C, 0x00, 0, 0, 0, 24, 0x01, 0, 0, 0, 0, 0, 0, 16, 0x01, 0, 0, 0, 0,
                                  0, 0, 8}));
    EXPECT_FALSE(owned.closed);
    EXPECT_EQ(writer.formatVersion(), kWideFormat);
    writer.beginBlock(0x10000, 0);
    writer << 'z';
    EXPECT_TRUE(writer.close());  // not its root: only the open block is closed
    EXPECT_EQ(writer.output(), nullptr);
    next.flush();
    EXPECT_EQ(next.bytes, (Bytes{0x01, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 13, 'z'}));
}

TEST(TesFileWrite, OpenWritesAFileThatTheDestructorFinishes) {
    TempFolder folder;
    {
        TesFileWrite writer;
        writer.setVersion(kNarrowFormat);
        ASSERT_TRUE(writer.open(folder.tesPath("sample.tes")));
        EXPECT_EQ(writer.depth(), 1);
        SampleObject sample;
        writer.writeModel(&sample);
        writer << NelCString("hi");
    }
    EXPECT_EQ(TempFolder::readAll(folder.file("sample.tes")), dataModelBytes("narrow.bin"));

    TesFileWrite writer;
    EXPECT_FALSE(writer.open(folder.tesPath("missing/sample.tes")));
    EXPECT_EQ(writer.output(), nullptr);
    EXPECT_FALSE(writer.good());
    EXPECT_FALSE(writer.close());
}

TEST(TesFileWriteStrings, SerialisersWriteBlocksOnBareStreams) {
    MemoryOutput out;
    out.setVersion(kNarrowFormat);
    EXPECT_TRUE(tesWriteCString(out, NelCString("ok")) && out.flush());
    EXPECT_EQ(out.bytes, (Bytes{0x01, 0x00, 0x03, 0x00, 0, 0, 0, 10, 'o', 'k'}));
    MemoryOutput failing;
    failing.failAfter = 0;
    EXPECT_TRUE(tesWriteCString(failing, NelCString("x")));  // waits in the buffer
    EXPECT_FALSE(tesWriteCString(failing, NelCString(std::string(2000, 'x').c_str())));
}
