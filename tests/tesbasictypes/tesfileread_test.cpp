#include "tesfileread.h"

#include <gtest/gtest.h>

#include <limits>
#include <string>
#include <tuple>
#include <vector>

#include "assertreports.h"
#include "datamodelsample.h"
#include "memorystreams.h"
#include "tempfolder.h"
#include "tesfilewrite.h"

namespace {

using Bytes = std::vector<uint8_t>;

constexpr uint32_t kNoTag = 0xFFFFFF;
constexpr uint32_t kNoVersion = 0xFFFFFFFF;

TesString sampleFile(const std::string& name) { return TesString::fromUtf8(dataModelFile(name)); }

// A reader on an in-memory copy of `bytes`, with its root header read.
struct OpenedBytes {
    explicit OpenedBytes(Bytes bytes, size_t maxPerRead = std::numeric_limits<size_t>::max())
        : input(std::move(bytes), maxPerRead), reader(&input), rootRead(reader.readHeader()) {}
    MemoryInput input;
    TesFileRead reader;
    bool rootRead;
};

}  // namespace

// Every value read, written again, gives the same file: each was read bit for bit.
// Round trips of whole trees are the data-model fuzz property's.
TEST(TesFileRead, ReadsEveryKindExactly) {
    const Bytes original = dataModelBytes("allkinds.bin");
    OpenedBytes opened(original, 7);  // the medium delivers 7 bytes per read at most
    ASSERT_TRUE(opened.rootRead);
    TesFileRead& reader = opened.reader;
    TesClassId id{}, named{};
    float vec2f[2] = {}, single = 1;
    double vec2d[2] = {}, vec4d[4] = {}, real = 0;
    TesMatrix matrix;
    TesVector vector;
    TesString empty(u"not empty");
    NelCString emptyNarrow("not empty");
    uint32_t unsignedWord = 0, version = kNoVersion, member = 0;
    int32_t signedWord = 0;
    char byte = 0;
    unsigned char unsignedByte = 0;
    reader >> id >> vec2f >> vec2d >> matrix >> vector >> vec4d >> empty >> emptyNarrow;
    reader >> real >> single >> unsignedWord >> signedWord >> byte >> unsignedByte;
    EXPECT_TRUE(reader.beginNamed(u"ignored", named));
    EXPECT_EQ(reader.peekTag(), kTesObjectTag);
    EXPECT_TRUE(reader.beginObject(nullptr, version));
    reader >> member;
    EXPECT_TRUE(reader.endObject() && reader.endBlock());
    EXPECT_EQ(reader.depth(), 0);

    MemoryOutput out;
    out.setVersion(kNarrowFormat);
    {
        TesFileWrite writer(&out, true);
        writer.writeHeader();
        writer << id << vec2f << vec2d << matrix << vector << vec4d << empty << emptyNarrow;
        writer << real << single << unsignedWord << signedWord << byte << unsignedByte;
        writer.beginNamed(u"obj");
        writer.writeObjectHeader(named, version);
        writer << member;
    }
    EXPECT_EQ(out.bytes, original);
}

TEST(TesFileRead, PeeksLeaveThePositionAndEndingEarlySkipsTheRest) {
    OpenedBytes opened(dataModelBytes("narrow.bin"));
    TesFileRead& reader = opened.reader;
    uint32_t version = 0;
    EXPECT_EQ(*reader.peekClassId(), kSampleClassId);
    EXPECT_TRUE(reader.peekObject(kSampleClassId, &version));
    EXPECT_EQ(version, 3U);
    EXPECT_FALSE(reader.peekObject(kOtherClassId, &version));
    EXPECT_EQ(version, kNoVersion);
    EXPECT_FALSE(reader.peekBlock(kTesVec3dTag, &version));
    EXPECT_EQ(opened.input.tell(), 8);
    ASSERT_TRUE(reader.beginObject(nullptr, version));
    reader >> version;
    EXPECT_EQ(*reader.peekName(), TesString(u"Ab"));
    EXPECT_EQ(reader.remaining(), 48);
    EXPECT_TRUE(reader.endObject());  // early: lands on the narrow string
    EXPECT_TRUE(reader.expectBlock(kTesCStringTag, 0));
    EXPECT_EQ(reader.remaining(), 2);

    ASSERT_TRUE(opened.input.seek(0, false));  // at the end of the input
    EXPECT_EQ(reader.peekTag(), kNoTag);
    EXPECT_EQ(*reader.peekClassId(), TesClassId{});
    EXPECT_EQ(opened.input.tell(), 94);
    EXPECT_TRUE(reader.good());
}

TEST(TesFileRead, BlocksPastTheCurrentBlockAreRefused) {
    // The object block ends right before the narrow string: at its end the
    // string's header is no member of it.
    OpenedBytes opened(dataModelBytes("narrow.bin"));
    uint32_t version = 0;
    ASSERT_TRUE(opened.reader.beginObject(nullptr, version));
    ASSERT_TRUE(opened.input.seek(0x54, true));
    EXPECT_TRUE(opened.reader.atBlockEnd());
    EXPECT_FALSE(opened.reader.peekObject(kSampleClassId));
    EXPECT_FALSE(opened.reader.beginBlock());
    EXPECT_EQ(opened.input.tell(), 0x54);
}

TEST(TesFileRead, BadHeadersFailAndRestoreThePosition) {
    struct Row {
        const char* name;
        Bytes bytes;
        int64_t failsAt;  // 8: inside a root block
    };
    // An object header followed by 16 bytes of class identifier (0x11 each).
    Bytes objectWithoutId = {0x4E, 0x45, 0x4C, 0x00, 0, 0, 0, 31, 0x0B, 0x00, 0x02, 0x00, 0, 0, 0, 23};
    objectWithoutId.resize(objectWithoutId.size() + 16, 0x11);
    const Row rows[] = {
        {"size beyond the input", {0x4E, 0x45, 0x4C, 0x00, 0, 0, 0, 9}, 0},
        {"header cut short", {0x4E, 0x45, 0x4C, 0x00, 0, 0}, 0},
        {"huge 8-byte size", {0x4E, 0x45, 0x4C, 0x01, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF}, 0},
        {"child past its parent", {0x4E, 0x45, 0x4C, 0x00, 0, 0, 0, 20, 0x01, 0, 0, 0, 0, 0, 0, 13, 1, 2, 3, 4, 5}, 8},
        {"child smaller than its header", {0x4E, 0x45, 0x4C, 0x00, 0, 0, 0, 16, 0x01, 0, 0, 0, 0, 0, 0, 4}, 8},
        {"object without its class identifier", objectWithoutId, 8},
        {"huge string in a small file", {0x4E, 0x45, 0x4C, 0x00, 0, 0, 0, 0, 0x01, 0, 3, 0, 0x7F, 0xFF, 0xFF, 0xFF}, 8},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        MemoryInput input(row.bytes);
        TesFileRead reader(&input);
        ASSERT_TRUE(row.failsAt == 0 || (reader.readHeader() && reader.good()));
        EXPECT_FALSE(reader.beginBlock() || reader.good());
        EXPECT_EQ(input.tell(), row.failsAt);
        EXPECT_EQ(reader.depth(), row.failsAt > 0 ? 1 : 0);
        EXPECT_TRUE(reader.atBlockEnd());
        EXPECT_EQ(reader.remaining(), 0);
    }
}

TEST(TesFileRead, OpenAcceptsOnlySoundRoots) {
    const std::tuple<const char*, bool, bool> rows[] = {
        {"rootzero.bin", true, true},      {"rootversion2.bin", true, false}, {"notdatamodel.bin", true, false},
        {"truncated.bin", true, false},    {"missing.bin", false, false},
    };
    for (const auto& [file, opens, good] : rows) {
        SCOPED_TRACE(file);
        TesFileRead reader;
        EXPECT_EQ(reader.open(sampleFile(file)), opens);
        EXPECT_EQ(reader.good(), good);
        EXPECT_EQ(reader.input() != nullptr, opens);
        reader.close();
        EXPECT_FALSE(reader.good() || reader.input());
    }
    TempFolder folder;  // a directory opens for reading but cannot be read
    TesFileRead directory;
    EXPECT_TRUE(directory.open(TesString::fromUtf8(folder.narrowFile())));
    EXPECT_FALSE(directory.good());

    TesFileRead rootZero;  // a root of size 0 runs to the end of the input
    ASSERT_TRUE(rootZero.open(sampleFile("rootzero.bin")));
    NelCString text;
    rootZero >> text;
    EXPECT_EQ(text, "hi");
    EXPECT_TRUE(rootZero.atBlockEnd() && rootZero.good());
}

TEST(TesFileRead, WrongTagsAndVersionsMakeTheReaderBad) {
    const Bytes vec2d{0x4E, 0x45, 0x4C, 0x00, 0, 0, 0, 0, 0x01, 0x00, 0x09, 0x02, 0, 0, 0, 24, 0x3F, 0xF0, 0, 0,
                      0,    0,    0,    0,    0x40, 0,    0,    0,    0, 0, 0, 0};
    const std::tuple<const char*, uint32_t, int32_t, bool> rows[] = {
        {"exact version", kTesVec2dTag, 2, true}, {"newer version", kTesVec2dTag, 1, false},
        {"negative maximum", kTesVec2dTag, -1, false}, {"other tag", kTesVec3dTag, 2, false}};
    for (const auto& [name, tag, maxVersion, accepted] : rows) {
        SCOPED_TRACE(name);
        OpenedBytes opened(vec2d);
        EXPECT_EQ(opened.reader.expectBlock(tag, maxVersion), accepted);
        EXPECT_EQ(opened.reader.good(), accepted);
        EXPECT_EQ(opened.reader.depth(), 2);
    }
    OpenedBytes wrongValue(vec2d);
    double values[3] = {9, 9, 9};
    EXPECT_FALSE(wrongValue.reader.readVec3d(values));
    EXPECT_EQ(values[0], 0.0);
    OpenedBytes notObject(vec2d);
    uint32_t version = 0;
    EXPECT_FALSE(notObject.reader.beginObject(nullptr, version));
    EXPECT_EQ(version, 2U);
}

TEST(TesFileRead, ScalarsStayInsideTheirBlock) {
    // A block with three payload bytes: a 32-bit value would cross its end. Reads
    // that end on a block's end are the data-model fuzz property's.
    const Bytes bytes{0x4E, 0x45, 0x4C, 0x00, 0, 0, 0, 0, 0x12, 0x34, 0x56, 0x00, 0, 0, 0, 11, 1, 2, 3, 0x7F};
    OpenedBytes crossing(bytes);
    ASSERT_TRUE(crossing.reader.beginBlock());
    int32_t word = 5;
    EXPECT_FALSE(crossing.reader.readInt32(word));
    EXPECT_EQ(word, 0);
    unsigned char byte = 9;
    EXPECT_FALSE(crossing.reader.readUChar(byte));  // not good: nothing more is read
    EXPECT_EQ(byte, 0);
    signed char small = 5;
    crossing.reader >> small;
    EXPECT_EQ(small, 0);
    EXPECT_FALSE(crossing.reader.readModel(nullptr));

    MemoryInput topLevel({0x00, 0x00, 0x01});  // cut short with no block open
    double value = 4;
    EXPECT_FALSE(TesFileRead(&topLevel).readDouble(value));
    EXPECT_EQ(value, 0.0);
}

TEST(TesFileRead, BrokenPreconditionsAssert) {
    AssertReports asserts;
    MemoryInput input(dataModelBytes("narrow.bin"));
    TesFileRead reader(&input);
    EXPECT_FALSE(reader.endBlock());
    reader.setBad();
    EXPECT_FALSE(reader.endBlock());  // not good: no assertion
    EXPECT_FALSE(reader.open(sampleFile("narrow.bin")));
    EXPECT_EQ(reader.input(), &input);
    TesFileRead detached;
    EXPECT_EQ(detached.remaining(), 0);
    EXPECT_EQ(detached.peekTag(), kNoTag);
    const std::string source = " @ src/tesbasictypes/tesfile";
    EXPECT_EQ(asserts.texts, (std::vector<std::string>{"end_.size() > 0 || !good_" + source, "!bi_" + source,
                                                       "bi_" + source, "bi_" + source}));
}

TEST(TesFileRead, SizeWidthIsFixedByTheFirstRootOnly) {
    // Two roots in a row: the second one's version does not change the width.
    MemoryInput input({0x4E, 0x45, 0x4C, 0x00, 0, 0, 0, 8, 0x4E, 0x45, 0x4C, 0x01, 0, 0, 0, 8});
    TesFileRead reader(&input);
    EXPECT_TRUE(reader.skipBlock() && reader.beginBlock());
    EXPECT_EQ(reader.version(), 1U);
    EXPECT_EQ(reader.remaining(), 0);

    MemoryInput fixed({0x4E, 0x45, 0x4C, 0x00, 0, 0, 0, 0, 0, 0, 0, 12});  // a width fixed beforehand wins
    fixed.setSizeWidth64();
    TesFileRead fixedReader(&fixed);
    EXPECT_TRUE(fixedReader.readHeader());
    EXPECT_EQ(fixedReader.remaining(), 0);
}

TEST(TesFileRead, SetInputStartsAfresh) {
    MemoryInput first(dataModelBytes("narrow.bin"));
    MemoryInput second(dataModelBytes("wide.bin"));
    TesFileRead reader(&first);
    reader.readHeader();
    reader.setBad();
    reader.setInput(&first);  // the attached stream: nothing changes
    EXPECT_FALSE(reader.good() || reader.depth() != 1);
    reader.setInput(&second);
    EXPECT_TRUE(reader.good() && reader.depth() == 0 && reader.readHeader());
    EXPECT_EQ(reader.input()->sizeWidth(), 64U);
}

TEST(TesFileReadStrings, SerialisersRefuseSizesOfTheWrongWidth) {
    MemoryOutput out;  // 8-byte sizes; a bare input reads 4-byte ones unless told otherwise
    ASSERT_TRUE(tesWriteWString(out, TesString(u"w\u00e9")) && out.flush());
    MemoryInput in(out.bytes);
    TesString text(u"old");
    EXPECT_FALSE(tesReadWString(in, text));
    EXPECT_TRUE(text.isEmpty());
    MemoryInput fixed(out.bytes);
    fixed.setSizeWidth64();
    EXPECT_TRUE(tesReadWString(fixed, text));
    EXPECT_EQ(text, TesString(u"w\u00e9"));
    NelCString narrow("old");
    EXPECT_FALSE(tesReadCString(fixed, narrow));  // nothing left
    EXPECT_TRUE(narrow.isEmpty());
}
