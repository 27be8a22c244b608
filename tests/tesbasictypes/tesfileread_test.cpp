#include "tesfileread.h"

#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstring>
#include <limits>
#include <string>
#include <vector>

#include "binio.h"
#include "datamodelsample.h"
#include "memorystreams.h"
#include "nelcstring.h"
#include "tempfolder.h"
#include "tesassert.h"
#include "tesfilewrite.h"
#include "tesmatrix.h"
#include "tesstring.h"

namespace {

using Bytes = std::vector<uint8_t>;

constexpr uint32_t kNoTag = 0xFFFFFF;
constexpr uint32_t kNoVersion = 0xFFFFFFFF;

struct AssertRecord {
    int count = 0;
    std::string expression;
};

class AssertCapture {
public:
    AssertCapture() { tesSetAssertHook(&AssertCapture::record, &record_); }
    ~AssertCapture() { tesSetAssertHook(nullptr, nullptr); }
    const AssertRecord& record() const { return record_; }

private:
    static void record(void* context, const char* expression, const char*, int) {
        auto* record = static_cast<AssertRecord*>(context);
        ++record->count;
        record->expression = expression;
    }
    AssertRecord record_;
};

TesString wide(const std::string& name) { return TesString::fromUtf8(name); }

// A reader on an in-memory copy of `bytes`, with its root header read.
struct OpenedBytes {
    explicit OpenedBytes(Bytes bytes, size_t maxPerRead = std::numeric_limits<size_t>::max())
        : input(std::move(bytes), maxPerRead), reader(&input) {
        rootRead = reader.readHeader();
    }
    MemoryInput input;
    TesFileRead reader;
    bool rootRead;
};

void expectSample(TesFileRead& reader) {
    SampleObject sample;
    sample.count = 0;
    sample.name = TesString();
    EXPECT_TRUE(reader.readModel(&sample));
    EXPECT_EQ(sample.version, SampleObject::kVersion);
    EXPECT_EQ(reader.classId(), kSampleClassId);
    EXPECT_EQ(sample.count, 7U);
    EXPECT_EQ(sample.name, TesString(u"Ab"));
    EXPECT_EQ(sample.x, 1.0);
    EXPECT_EQ(sample.y, 2.0);
    EXPECT_EQ(sample.z, 3.0);
    EXPECT_EQ(sample.offset, -2);
    NelCString text;
    reader >> text;
    EXPECT_EQ(text, "hi");
    EXPECT_TRUE(reader.atBlockEnd());
    EXPECT_TRUE(reader.good());
}

}  // namespace

TEST(TesFileRead, ReadsTheHandBuiltFilesInBothSizeWidths) {
    for (const char* name : {"wide.bin", "narrow.bin"}) {
        SCOPED_TRACE(name);
        TesFileRead reader;
        EXPECT_FALSE(reader.good());
        ASSERT_TRUE(reader.open(wide(dataModelFile(name))));
        ASSERT_TRUE(reader.good());
        EXPECT_EQ(reader.tag(), kTesRootTag);
        EXPECT_EQ(reader.input()->sizeWidth(), std::string(name) == "wide.bin" ? 64U : 32U);
        expectSample(reader);
        reader.close();
        EXPECT_FALSE(reader.good());
        EXPECT_EQ(reader.input(), nullptr);
    }
}

TEST(TesFileRead, ReadsEveryKindAndWritesTheSameBytesBack) {
    const Bytes original = dataModelBytes("allkinds.bin");
    OpenedBytes opened(original, 7);  // the medium delivers 7 bytes per read at most
    ASSERT_TRUE(opened.rootRead);
    TesFileRead& reader = opened.reader;
    TesClassId id{};
    float vec2f[2];
    double vec2d[2];
    TesMatrix matrix;
    TesVector vector;
    double vec4d[4];
    TesString empty(u"not empty");
    NelCString emptyNarrow("not empty");
    double real = 0;
    float single = 1;
    uint32_t unsignedWord = 0;
    int32_t signedWord = 0;
    char byte = 0;
    unsigned char unsignedByte = 0;
    reader >> id >> vec2f >> vec2d >> matrix >> vector >> vec4d >> empty >> emptyNarrow;
    reader >> real >> single >> unsignedWord >> signedWord >> byte >> unsignedByte;
    ASSERT_TRUE(reader.good());
    EXPECT_EQ(id, kOtherClassId);
    EXPECT_EQ(vec2f[0], 1.5F);
    EXPECT_EQ(vec2f[1], -2.0F);
    EXPECT_EQ(vec2d[0], 0.5);
    EXPECT_TRUE(std::signbit(vec2d[1]));
    EXPECT_EQ(matrix.translation(), TesVector(1.0, 2.0, 3.0));
    EXPECT_EQ(vector, TesVector(-1.0, 0.25, 100.0));
    EXPECT_EQ(vec4d[3], 4.0);
    EXPECT_TRUE(empty.isEmpty());
    EXPECT_TRUE(emptyNarrow.isEmpty());
    EXPECT_EQ(real, 2.0);
    EXPECT_TRUE(std::signbit(single));
    EXPECT_EQ(unsignedWord, 0xFFFFFFFFU);
    EXPECT_EQ(signedWord, std::numeric_limits<int32_t>::min());
    EXPECT_EQ(byte, 'A');
    EXPECT_EQ(unsignedByte, 0xFF);

    TesClassId named{};
    EXPECT_TRUE(reader.beginNamed(u"ignored", named));
    EXPECT_EQ(named, kOtherClassId);
    EXPECT_EQ(reader.peekTag(), kTesObjectTag);
    uint32_t version = kNoVersion;
    EXPECT_TRUE(reader.beginObject(nullptr, version));
    EXPECT_EQ(version, 0U);
    reader >> unsignedWord;
    EXPECT_EQ(unsignedWord, 1U);
    EXPECT_TRUE(reader.endObject());
    EXPECT_TRUE(reader.atBlockEnd());
    EXPECT_TRUE(reader.endBlock());
    EXPECT_EQ(reader.depth(), 0);

    // The values read, written again, give the same file.
    MemoryOutput out;
    out.setVersion(kNarrowFormat);
    {
        TesFileWrite writer(&out, true);
        writer.writeHeader();
        writer << id << vec2f << vec2d << matrix << vector << vec4d << empty << emptyNarrow;
        writer << real << single << 0xFFFFFFFFU << signedWord << byte << unsignedByte;
        writer.beginNamed(u"obj");
        writer.writeObjectHeader(named, version);
        writer << uint32_t{1};
        writer.endObject();
    }
    EXPECT_EQ(out.bytes, original);
}

TEST(TesFileRead, EndingABlockEarlyLandsOnTheNextOne) {
    OpenedBytes opened(dataModelBytes("narrow.bin"));
    TesFileRead& reader = opened.reader;
    uint32_t version = 0;
    ASSERT_TRUE(reader.beginObject(nullptr, version));
    uint32_t count = 0;
    reader >> count;
    EXPECT_EQ(reader.remaining(), 48);
    EXPECT_TRUE(reader.endObject());
    NelCString text;
    reader >> text;
    EXPECT_EQ(text, "hi");

    OpenedBytes skipping(dataModelBytes("wide.bin"));
    EXPECT_TRUE(skipping.reader.skipBlock());
    EXPECT_EQ(skipping.reader.peekTag(), kTesCStringTag);
    EXPECT_TRUE(skipping.reader.expectBlock(kTesCStringTag, 0));
    EXPECT_EQ(skipping.reader.remaining(), 2);
}

TEST(TesFileRead, PeeksLeaveThePositionAlone) {
    OpenedBytes opened(dataModelBytes("narrow.bin"));
    TesFileRead& reader = opened.reader;
    BinInput& input = opened.input;
    const int64_t start = input.tell();
    uint32_t version = 0;
    EXPECT_EQ(reader.peekTag(), kTesObjectTag);
    EXPECT_EQ(*reader.peekClassId(), kSampleClassId);
    EXPECT_TRUE(reader.peekObject(kSampleClassId, &version));
    EXPECT_EQ(version, 3U);
    EXPECT_FALSE(reader.peekObject(kOtherClassId, &version));
    EXPECT_EQ(version, kNoVersion);
    EXPECT_TRUE(reader.peekBlock(kTesObjectTag, &version));
    EXPECT_EQ(version, 3U);
    EXPECT_FALSE(reader.peekBlock(kTesVec3dTag, &version));
    EXPECT_EQ(version, kNoVersion);
    EXPECT_EQ(input.tell(), start);
    EXPECT_TRUE(reader.good());

    ASSERT_TRUE(reader.beginObject(nullptr, version));
    uint32_t count = 0;
    reader >> count;
    const int64_t atName = input.tell();
    EXPECT_EQ(*reader.peekName(), TesString(u"Ab"));
    EXPECT_EQ(input.tell(), atName);
    EXPECT_TRUE(reader.good());

    // At the end of the input.
    reader.endObject();
    reader.skipBlock();
    reader.endBlock();
    const int64_t end = input.tell();
    EXPECT_EQ(end, 94);
    EXPECT_EQ(reader.peekTag(), kNoTag);
    EXPECT_EQ(*reader.peekClassId(), TesClassId{});
    EXPECT_EQ(input.tell(), end);
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
    struct Case {
        const char* what;
        Bytes bytes;
        int64_t failsAt;
    };
    // An object header followed by 16 bytes of class identifier (0x11 each).
    Bytes objectWithoutId = {0x4E, 0x45, 0x4C, 0x00, 0, 0, 0, 31, 0x0B, 0x00, 0x02, 0x00, 0, 0, 0, 23};
    objectWithoutId.resize(objectWithoutId.size() + 16, 0x11);
    const Case cases[] = {
        {"size beyond the input", {0x4E, 0x45, 0x4C, 0x00, 0, 0, 0, 9}, 0},
        {"size smaller than its header", {0x4E, 0x45, 0x4C, 0x00, 0, 0, 0, 7}, 0},
        {"header cut short", {0x4E, 0x45, 0x4C, 0x00, 0, 0}, 0},
        {"huge 8-byte size", {0x4E, 0x45, 0x4C, 0x01, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF}, 0},
        {"child past its parent", {0x4E, 0x45, 0x4C, 0x00, 0, 0, 0, 20, 0x01, 0, 0, 0, 0, 0, 0, 13, 1, 2, 3, 4, 5}, 8},
        {"child smaller than its header", {0x4E, 0x45, 0x4C, 0x00, 0, 0, 0, 16, 0x01, 0, 0, 0, 0, 0, 0, 4}, 8},
        {"object without its class identifier", objectWithoutId, 8},
        {"huge string inside a small file",
         {0x4E, 0x45, 0x4C, 0x00, 0, 0, 0, 0, 0x01, 0, 3, 0, 0x7F, 0xFF, 0xFF, 0xFF},
         8},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        MemoryInput input(c.bytes);
        TesFileRead reader(&input);
        if (c.failsAt > 0) {
            ASSERT_TRUE(reader.readHeader());
            ASSERT_TRUE(reader.good());
        }
        EXPECT_FALSE(reader.beginBlock());
        EXPECT_FALSE(reader.good());
        EXPECT_EQ(input.tell(), c.failsAt);
        EXPECT_EQ(reader.depth(), c.failsAt > 0 ? 1 : 0);
        EXPECT_TRUE(reader.atBlockEnd());
        EXPECT_EQ(reader.remaining(), 0);
    }
}

TEST(TesFileRead, OpenAcceptsOnlySoundRoots) {
    struct Case {
        const char* file;
        bool opens;
        bool good;
    };
    const Case cases[] = {
        {"wide.bin", true, true},           {"rootzero.bin", true, true},
        {"rootversion2.bin", true, false},  {"notdatamodel.bin", true, false},
        {"truncated.bin", true, false},     {"missing.bin", false, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.file);
        TesFileRead reader;
        EXPECT_EQ(reader.open(wide(dataModelFile(c.file))), c.opens);
        EXPECT_EQ(reader.good(), c.good);
        EXPECT_EQ(reader.input() != nullptr, c.opens);
    }

    TempFolder folder;  // a directory opens for reading but cannot be read
    TesFileRead directory;
    EXPECT_TRUE(directory.open(wide(folder.path().string())));
    EXPECT_FALSE(directory.good());
}

TEST(TesFileRead, RootOfSizeZeroRunsToTheEnd) {
    TesFileRead reader;
    ASSERT_TRUE(reader.open(wide(dataModelFile("rootzero.bin"))));
    NelCString text;
    reader >> text;
    EXPECT_EQ(text, "hi");
    EXPECT_TRUE(reader.atBlockEnd());
    EXPECT_TRUE(reader.good());
}

TEST(TesFileRead, WrongTagsAndVersionsMakeTheReaderBad) {
    const Bytes vec2d{0x4E, 0x45, 0x4C, 0x00, 0, 0, 0, 0, 0x01, 0x00, 0x09, 0x02, 0, 0, 0, 24, 0x3F, 0xF0, 0, 0,
                      0,    0,    0,    0,    0x40, 0,    0,    0,    0, 0, 0, 0};
    {
        OpenedBytes opened(vec2d);
        double values[3] = {9, 9, 9};
        EXPECT_FALSE(opened.reader.readVec3d(values));
        EXPECT_EQ(values[0], 0.0);
        EXPECT_EQ(opened.reader.depth(), 1);
    }
    struct Case {
        uint32_t tag;
        int32_t maxVersion;
        bool accepted;
    };
    const Case cases[] = {{kTesVec2dTag, 2, true},  {kTesVec2dTag, 255, true}, {kTesVec2dTag, 1, false},
                          {kTesVec2dTag, -1, false}, {kTesVec3dTag, 2, false}};
    for (const Case& c : cases) {
        OpenedBytes opened(vec2d);
        EXPECT_EQ(opened.reader.expectBlock(c.tag, c.maxVersion), c.accepted) << c.tag << " " << c.maxVersion;
        EXPECT_EQ(opened.reader.good(), c.accepted);
        EXPECT_EQ(opened.reader.depth(), 2);
    }
    OpenedBytes notObject(vec2d);
    uint32_t version = 0;
    EXPECT_FALSE(notObject.reader.beginObject(nullptr, version));
    EXPECT_EQ(version, 2U);
    EXPECT_FALSE(notObject.reader.good());
}

TEST(TesFileRead, ScalarsStayInsideTheirBlock) {
    // A block with three payload bytes: a 32-bit value would cross its end.
    const Bytes bytes{0x4E, 0x45, 0x4C, 0x00, 0, 0, 0, 0, 0x12, 0x34, 0x56, 0x00, 0, 0, 0, 11, 1, 2, 3, 0x7F};
    OpenedBytes opened(bytes);
    TesFileRead& reader = opened.reader;
    ASSERT_TRUE(reader.beginBlock());
    EXPECT_EQ(reader.tag(), 0x123456U);
    int32_t word = 5;
    EXPECT_FALSE(reader.readInt32(word));
    EXPECT_EQ(word, 0);
    EXPECT_FALSE(reader.good());
    unsigned char byte = 9;
    EXPECT_FALSE(reader.readUChar(byte));  // not good: nothing more is read
    EXPECT_EQ(byte, 0);
    EXPECT_FALSE(reader.endBlock());
    EXPECT_EQ(reader.tag(), 0x123456U);

    OpenedBytes fitting(bytes);
    ASSERT_TRUE(fitting.reader.beginBlock());
    char values[3];
    fitting.reader >> values[0] >> values[1] >> values[2];
    EXPECT_EQ(values[2], 3);
    EXPECT_TRUE(fitting.reader.atBlockEnd());
    EXPECT_TRUE(fitting.reader.endBlock());
    signed char last = 0;
    fitting.reader >> last;
    EXPECT_EQ(last, 0x7F);
    EXPECT_TRUE(fitting.reader.good());
}

TEST(TesFileRead, TruncatedScalarsAtTheTopLevelMakeTheReaderBad) {
    MemoryInput input({0x00, 0x00, 0x01});
    TesFileRead reader(&input);
    double value = 4;
    EXPECT_FALSE(reader.readDouble(value));
    EXPECT_EQ(value, 0.0);
    EXPECT_FALSE(reader.good());
}

TEST(TesFileRead, EndBlockWithoutABlockAssertsOnlyOnAGoodReader) {
    AssertCapture capture;
    MemoryInput input(dataModelBytes("narrow.bin"));
    TesFileRead reader(&input);
    EXPECT_FALSE(reader.endBlock());
    EXPECT_EQ(capture.record().count, 1);
    EXPECT_EQ(capture.record().expression, "end_.size() > 0 || !good_");
    reader.setBad();
    EXPECT_FALSE(reader.endBlock());
    EXPECT_EQ(capture.record().count, 1);

    TesFileRead detached;
    EXPECT_EQ(detached.remaining(), 0);
    EXPECT_EQ(capture.record().expression, "bi_");
    EXPECT_EQ(detached.peekTag(), kNoTag);
    EXPECT_TRUE(reader.input() != nullptr);
    EXPECT_FALSE(reader.open(wide(dataModelFile("narrow.bin"))));
    EXPECT_EQ(capture.record().expression, "!bi_");
}

TEST(TesFileRead, SizeWidthIsFixedByTheFirstRootOnly) {
    // Two roots in a row: the second one's version does not change the width.
    const Bytes bytes{0x4E, 0x45, 0x4C, 0x00, 0, 0, 0, 8, 0x4E, 0x45, 0x4C, 0x01, 0, 0, 0, 8};
    MemoryInput input(bytes);
    TesFileRead reader(&input);
    EXPECT_TRUE(reader.skipBlock());
    EXPECT_EQ(input.sizeWidth(), 32U);
    EXPECT_TRUE(reader.beginBlock());
    EXPECT_EQ(reader.version(), 1U);
    EXPECT_EQ(reader.remaining(), 0);

    // A width fixed beforehand wins over the root.
    MemoryInput fixed({0x4E, 0x45, 0x4C, 0x00, 0, 0, 0, 0, 0, 0, 0, 12});
    fixed.setSizeWidth64();
    TesFileRead fixedReader(&fixed);
    EXPECT_TRUE(fixedReader.readHeader());
    EXPECT_EQ(fixed.sizeWidth(), 64U);
}

TEST(TesFileRead, SetInputStartsAfresh) {
    MemoryInput first(dataModelBytes("narrow.bin"));
    MemoryInput second(dataModelBytes("wide.bin"));
    TesFileRead reader(&first);
    reader.readHeader();
    reader.setBad();
    reader.setInput(&first);  // the attached stream: nothing changes
    EXPECT_FALSE(reader.good());
    EXPECT_EQ(reader.depth(), 1);

    reader.setInput(&second);
    EXPECT_TRUE(reader.good());
    EXPECT_EQ(reader.depth(), 0);
    EXPECT_EQ(reader.classId(), TesClassId{});
    EXPECT_TRUE(reader.readHeader());
    expectSample(reader);
}

TEST(TesFileRead, AnswersItsNames) {
    TesFileRead reader;
    void* out = nullptr;
    for (const char* name : {"TesFileRead", "ITesDataModelReader", "ITesUnknown"}) {
        reader.queryInterface(name, &out);
        EXPECT_NE(out, nullptr) << name;
    }
    reader.queryInterface("ITesDataModelWriter", &out);
    EXPECT_EQ(out, nullptr);
    EXPECT_STREQ(reader.className(), "TesFileRead");
}

TEST(TesFileReadStrings, SerialisersReadWhatTheWritersWrote) {
    struct Case {
        uint32_t outputVersion;
        bool fixWidth64;
        bool readable;
    };
    // A bare input reads 4-byte sizes unless told otherwise.
    const Case cases[] = {{kNarrowFormat, false, true}, {kWideFormat, true, true}, {kWideFormat, false, false}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.outputVersion);
        MemoryOutput out;
        out.setVersion(c.outputVersion);
        ASSERT_TRUE(tesWriteWString(out, TesString(u"w\u00e9")));
        ASSERT_TRUE(tesWriteCString(out, NelCString("narrow")));
        out.flush();
        MemoryInput in(out.bytes, 3);
        if (c.fixWidth64) in.setSizeWidth64();
        TesString text(u"old");
        NelCString narrow("old");
        EXPECT_EQ(tesReadWString(in, text), c.readable);
        EXPECT_EQ(text, c.readable ? TesString(u"w\u00e9") : TesString());
        if (!c.readable) continue;
        EXPECT_TRUE(tesReadCString(in, narrow));
        EXPECT_EQ(narrow, "narrow");
        EXPECT_FALSE(tesReadCString(in, narrow));  // nothing left
        EXPECT_TRUE(narrow.isEmpty());
    }
}
