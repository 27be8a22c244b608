#include "tesfilewrite.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <map>
#include <string>
#include <vector>

#include "binio.h"
#include "datamodelsample.h"
#include "memorystreams.h"
#include "nelcstring.h"
#include "tempfolder.h"
#include "tesassert.h"
#include "tesmatrix.h"
#include "tesstring.h"

namespace {

using Bytes = std::vector<uint8_t>;

struct AssertRecord {
    int count = 0;
    std::string expression;
    std::string source;
};

class AssertCapture {
public:
    AssertCapture() { tesSetAssertHook(&AssertCapture::record, &record_); }
    ~AssertCapture() { tesSetAssertHook(nullptr, nullptr); }
    const AssertRecord& record() const { return record_; }

private:
    static void record(void* context, const char* expression, const char* source, int) {
        auto* record = static_cast<AssertRecord*>(context);
        ++record->count;
        record->expression = expression;
        record->source = source;
    }
    AssertRecord record_;
};

// A medium that takes any position: bytes land in a map, so a block can span
// more than 4 GiB without the memory for it.
class SparseOutput : public BinOutput {
public:
    bool flush() override { return flushBuffer(); }
    size_t rawWrite(const void* buffer, size_t count) override {
        const auto* bytes = static_cast<const uint8_t*>(buffer);
        for (size_t i = 0; i < count; ++i) stored[position_ + static_cast<int64_t>(i)] = bytes[i];
        position_ += static_cast<int64_t>(count);
        return count;
    }
    size_t rawRead(void*, size_t) override { return 0; }
    int64_t rawTell() override { return position_; }
    bool rawSeek(int64_t position, bool fromStart) override {
        if (!fromStart) return false;
        position_ = position;
        return true;
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

// wide.bin and narrow.bin: the sample object, then the narrow string "hi".
void writeSample(TesFileWrite& writer) {
    SampleObject sample;
    writer.writeHeader();
    writer.writeModel(&sample);
    writer << NelCString("hi");
}

Bytes writtenWith(uint32_t formatVersion, void (*content)(TesFileWrite&)) {
    MemoryOutput out;
    out.setVersion(formatVersion);
    {
        TesFileWrite writer(&out, true);
        content(writer);
        EXPECT_TRUE(writer.good());
    }
    return out.bytes;
}

// allkinds.bin: every value the writer has, in slot order, then a named object.
void writeAllKinds(TesFileWrite& writer) {
    const float vec2f[2] = {1.5F, -2.0F};
    const double vec2d[2] = {0.5, -0.0};
    const double vec4d[4] = {1.0, 2.0, 3.0, 4.0};
    writer.writeHeader();
    writer << kOtherClassId << vec2f << vec2d << TesMatrix::translationMatrix({1.0, 2.0, 3.0})
           << TesVector(-1.0, 0.25, 100.0) << vec4d << TesString() << NelCString("");
    writer << 2.0 << -0.0F << std::numeric_limits<uint32_t>::max() << std::numeric_limits<int32_t>::min() << 'A'
           << static_cast<unsigned char>(0xFF);
    writer.beginNamed(u"obj");
    writer.writeObjectHeader(kOtherClassId, 0);
    writer << uint32_t{1};
    writer.endObject();
    writer.endNamed();
}

}  // namespace

TEST(TesFileWrite, WritesTheHandBuiltFilesByteForByte) {
    EXPECT_EQ(writtenWith(kWideFormat, writeSample), dataModelBytes("wide.bin"));
    EXPECT_EQ(writtenWith(kNarrowFormat, writeSample), dataModelBytes("narrow.bin"));
    EXPECT_EQ(writtenWith(kNarrowFormat, writeAllKinds), dataModelBytes("allkinds.bin"));
}

TEST(TesFileWrite, FormatVersionDecidesRootVersionAndSizeWidth) {
    struct Case {
        uint32_t formatVersion;
        uint8_t rootVersion;
        size_t headerBytes;
    };
    const Case cases[] = {{0, 1, 12}, {1, 0, 8}, {5, 0, 8}, {9, 0, 8}, {10, 1, 12}, {0xFFFFFFFF, 1, 12}};
    for (const Case& c : cases) {
        const Bytes bytes = writtenWith(c.formatVersion, [](TesFileWrite& writer) { writer.writeHeader(); });
        ASSERT_EQ(bytes.size(), c.headerBytes) << c.formatVersion;
        EXPECT_EQ(Bytes(bytes.begin(), bytes.begin() + 4), (Bytes{0x4E, 0x45, 0x4C, c.rootVersion}));
        EXPECT_EQ(tesFromBigEndian<uint64_t>(bytes.data() + 4, c.headerBytes - 4), c.headerBytes);
    }
}

TEST(TesFileWrite, EmptyAndNullStringsAreEmptyBlocks) {
    const Bytes bytes = writtenWith(kNarrowFormat, [](TesFileWrite& writer) {
        writer << TesString() << TesString(u"") << NelCString() << NelCString("");
    });
    const Bytes empty{0x01, 0x00, 0x05, 0x00, 0, 0, 0, 8, 0x01, 0x00, 0x05, 0x00, 0, 0, 0, 8,
                      0x01, 0x00, 0x03, 0x00, 0, 0, 0, 8, 0x01, 0x00, 0x03, 0x00, 0, 0, 0, 8};
    EXPECT_EQ(bytes, empty);
    const Bytes wide = writtenWith(kWideFormat, [](TesFileWrite& writer) { writer << NelCString(""); });
    EXPECT_EQ(wide, (Bytes{0x01, 0x00, 0x03, 0x00, 0, 0, 0, 0, 0, 0, 0, 12}));
}

TEST(TesFileWrite, WideStringsAreBigEndianUnitsAndNarrowOnesRawBytes) {
    const Bytes bytes = writtenWith(kNarrowFormat, [](TesFileWrite& writer) {
        writer << TesString(u"\u00e9\U0001F600") << NelCString("\xff\x01");
    });
    const Bytes expected{0x01, 0x00, 0x05, 0x00, 0, 0, 0, 14, 0x00, 0xE9, 0xD8, 0x3D, 0xDE, 0x00,
                         0x01, 0x00, 0x03, 0x00, 0, 0, 0, 10, 0xFF, 0x01};
    EXPECT_EQ(bytes, expected);
}

TEST(TesFileWrite, NestedBlocksGetTheirOwnSizes) {
    const Bytes bytes = writtenWith(kNarrowFormat, [](TesFileWrite& writer) {
        writer.beginBlock(0x123456, 7);
        writer.beginBlock(0xABCDEF, 0);
        writer << 'x';
        writer.endBlock();
        writer << 'y';
        writer.endBlock();
    });
    const Bytes expected{0x12, 0x34, 0x56, 0x07, 0, 0, 0, 18, 0xAB, 0xCD, 0xEF, 0x00, 0, 0, 0, 9, 'x', 'y'};
    EXPECT_EQ(bytes, expected);

    // Sizes whose fields went to the medium before the block ended: patched
    // by seeking back, and the writer carries on where it was.
    const Bytes large = writtenWith(kWideFormat, [](TesFileWrite& writer) {
        writer.beginBlock(0x10000, 0);
        writer.beginBlock(0x10001, 0);
        for (int i = 0; i < 300; ++i) writer << 1.0;
        writer.endBlock();
        writer << 'z';
        writer.endBlock();
    });
    ASSERT_EQ(large.size(), 12u + 12u + 2400u + 1u);
    EXPECT_EQ(tesFromBigEndian<uint64_t>(large.data() + 4, 8), large.size());
    EXPECT_EQ(tesFromBigEndian<uint64_t>(large.data() + 16, 8), 2412u);
    EXPECT_EQ(large[12 + 2412], 'z');
    EXPECT_EQ(large[12 + 2412 - 8], 0x3F);
}

TEST(TesFileWrite, OversizedBlockInFourByteFormatIsMarkedAndMakesWriterBad) {
    SparseOutput out;
    out.setVersion(kNarrowFormat);
    TesFileWrite writer(&out, false);
    writer.beginBlock(0x10003, 0);
    const int64_t farEnd = int64_t{0x100000000} + 16;
    ASSERT_TRUE(out.seek(farEnd, true));
    writer.endBlock();
    out.flush();
    EXPECT_EQ(out.wordAt(4), 0xFFFFFFFFU);
    EXPECT_FALSE(writer.good());
    EXPECT_EQ(out.tell(), farEnd);

    SparseOutput wide;
    TesFileWrite wideWriter(&wide, false);
    wideWriter.beginBlock(0x10003, 0);
    ASSERT_TRUE(wide.seek(farEnd, true));
    wideWriter.endBlock();
    wide.flush();
    EXPECT_TRUE(wideWriter.good());
    EXPECT_EQ(wide.wordAt(4), 1U);
    EXPECT_EQ(wide.wordAt(8), 16U);
}

TEST(TesFileWrite, BrokenPreconditionsAreReported) {
    AssertCapture capture;
    TesFileWrite detached(nullptr, false);
    EXPECT_FALSE(detached.beginBlock(0x10000, 0));
    EXPECT_EQ(capture.record().expression, "bo_");
    EXPECT_EQ(capture.record().source, "src/tesbasictypes/tesfile");
    EXPECT_FALSE(detached.good());

    MemoryOutput out;
    TesFileWrite writer(&out, false);
    EXPECT_FALSE(writer.endBlock());
    EXPECT_EQ(capture.record().expression, "end_.size() > 0");
    EXPECT_FALSE(writer.open(u"unused"));
    EXPECT_EQ(capture.record().expression, "!bo_");
    EXPECT_EQ(capture.record().count, 3);
    EXPECT_EQ(writer.output(), &out);
}

TEST(TesFileWrite, FailingMediumShowsInGoodAndClose) {
    MemoryOutput small;
    small.failAfter = 0;
    {
        TesFileWrite writer(&small, true);
        writer.writeHeader();
        writer << 1.0;
        EXPECT_TRUE(writer.good());  // nothing reached the medium yet
        EXPECT_FALSE(writer.close());  // the last flush fails
    }
    MemoryOutput large;
    large.failAfter = 0;
    TesFileWrite writer(&large, false);
    const std::vector<double> values(200, 2.0);
    writer.beginBlock(0x10000, 0);
    for (double value : values) writer << value;
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
    EXPECT_EQ(writer.depth(), 0);
    EXPECT_EQ(owned.pending(), 0U);
    const Bytes expected{0x4E, 0x45, 0x4C, 0x00, 0, 0, 0, 24, 0x01, 0, 0, 0, 0, 0, 0, 16, 0x01, 0, 0, 0, 0, 0, 0, 8};
    EXPECT_EQ(owned.bytes, expected);
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
    const std::u16string path = folder.wideFile("sample.tes");
    {
        TesFileWrite writer;
        writer.setVersion(kNarrowFormat);
        ASSERT_TRUE(writer.open(path.c_str()));
        EXPECT_TRUE(writer.good());
        EXPECT_EQ(writer.depth(), 1);
        SampleObject sample;
        writer.writeModel(&sample);
        writer << NelCString("hi");
    }
    EXPECT_EQ(TempFolder::readAll(folder.file("sample.tes")), dataModelBytes("narrow.bin"));

    TesFileWrite writer;
    EXPECT_FALSE(writer.open(folder.wideFile("missing/sample.tes").c_str()));
    EXPECT_EQ(writer.output(), nullptr);
    EXPECT_FALSE(writer.good());
    EXPECT_FALSE(writer.close());
}

TEST(TesFileWrite, AnswersItsNames) {
    TesFileWrite writer;
    void* out = nullptr;
    for (const char* name : {"TesFileWrite", "ITesDataModelWriter", "ITesUnknown"}) {
        writer.queryInterface(name, &out);
        EXPECT_NE(out, nullptr) << name;
    }
    writer.queryInterface("ITesDataModelReader", &out);
    EXPECT_EQ(out, nullptr);
    EXPECT_STREQ(writer.className(), "TesFileWrite");
}

TEST(TesFileWriteStrings, SerialisersWriteBlocksOnBareStreams) {
    MemoryOutput out;
    out.setVersion(kNarrowFormat);
    EXPECT_TRUE(tesWriteWString(out, TesString(u"ok")));
    EXPECT_TRUE(tesWriteCString(out, NelCString("ok")));
    out.flush();
    const Bytes expected{0x01, 0x00, 0x05, 0x00, 0, 0, 0, 12, 0x00, 'o', 0x00, 'k',
                         0x01, 0x00, 0x03, 0x00, 0, 0, 0, 10, 'o', 'k'};
    EXPECT_EQ(out.bytes, expected);

    MemoryOutput failing;
    failing.failAfter = 0;
    EXPECT_TRUE(tesWriteCString(failing, NelCString("x")));  // waits in the buffer
    EXPECT_FALSE(tesWriteCString(failing, NelCString(std::string(2000, 'x').c_str())));
}
