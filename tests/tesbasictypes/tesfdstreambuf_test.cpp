#include "tesfdstreambuf.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "os/fileio.h"
#include "tempfolder.h"
#include "tesassert.h"

namespace {

using Bytes = std::vector<uint8_t>;
using std::ios_base;
using Traits = std::char_traits<char>;

Bytes bytesOf(const std::string& text) { return Bytes(text.begin(), text.end()); }

// Shows the put area, to see the byte kept in reserve.
class ProbeBuffer : public TesFdStreambuf {
public:
    std::ptrdiff_t putAreaSize() const { return epptr() - pbase(); }
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

class TesFdStreambufFile : public ::testing::Test {
protected:
    std::filesystem::path file(const std::string& content) {
        const std::filesystem::path path = folder_.file("data.bin");
        TempFolder::writeAll(path, bytesOf(content));
        return path;
    }
    std::string path() const { return folder_.narrowFile("data.bin"); }
    std::string content() const {
        const Bytes bytes = TempFolder::readAll(folder_.file("data.bin"));
        return std::string(bytes.begin(), bytes.end());
    }

    TempFolder folder_;
};

}  // namespace

TEST(TesFdStreambufModes, OpenModeMapsToDescriptorFlags) {
    struct Case {
        ios_base::openmode mode;
        bool read, write, create, truncate, append;
    };
    const ios_base::openmode in = ios_base::in, out = ios_base::out, trunc = ios_base::trunc;
    const ios_base::openmode app = ios_base::app, ate = ios_base::ate;
    const Case cases[] = {
        {in, true, false, false, false, false},
        {in | trunc, true, false, false, true, false},
        {out, false, true, true, true, false},
        {out | trunc, false, true, true, true, false},
        {out | app, false, true, true, false, true},
        {out | ate, false, true, true, false, false},
        {out | ate | trunc, false, true, true, true, false},
        {in | out, true, true, true, false, false},
        {in | out | trunc, true, true, true, true, false},
        {in | out | app, true, true, true, false, true},
    };
    for (const Case& c : cases) {
        for (ios_base::openmode binary : {ios_base::openmode{}, ios_base::binary}) {
            const TesFdStreambuf::OpenFlags result = TesFdStreambuf::openFlags(c.mode | binary);
            ASSERT_TRUE(result.valid) << c.mode;
            EXPECT_EQ(result.flags.read, c.read) << c.mode;
            EXPECT_EQ(result.flags.write, c.write) << c.mode;
            EXPECT_EQ(result.flags.create, c.create) << c.mode;
            EXPECT_EQ(result.flags.truncate, c.truncate) << c.mode;
            EXPECT_EQ(result.flags.append, c.append) << c.mode;
            EXPECT_EQ(result.flags.binary, binary != ios_base::openmode{});
        }
    }
    EXPECT_FALSE(TesFdStreambuf::openFlags(ios_base::binary | ios_base::trunc).valid);
}

TEST_F(TesFdStreambufFile, ModeWithoutDirectionAssertsAndFails) {
    file("abc");
    AssertRecord record;
    tesSetAssertHook(recordAssert, &record);
    TesFdStreambuf buffer;
    EXPECT_FALSE(buffer.open(path().c_str(), ios_base::binary));
    tesSetAssertHook(nullptr, nullptr);
    EXPECT_EQ(record.count, 1);
    EXPECT_EQ(record.expression, "0");
    EXPECT_EQ(record.source, "src/tesbasictypes/tesfdstreambuf");
    EXPECT_EQ(record.line, 395);
    EXPECT_FALSE(buffer.isOpen());
    EXPECT_EQ(content(), "abc");
}

TEST_F(TesFdStreambufFile, OpenModesOnAnExistingFile) {
    struct Case {
        ios_base::openmode mode;
        std::string written;
        std::string expected;
    };
    const Case cases[] = {
        {ios_base::out, "xy", "xy"},
        {ios_base::out | ios_base::app, "xy", "abcdxy"},
        {ios_base::out | ios_base::ate, "xy", "abcdxy"},
        {ios_base::in | ios_base::out, "xy", "xycd"},
        {ios_base::in | ios_base::out | ios_base::trunc, "xy", "xy"},
        {ios_base::in, "xy", "abcd"},  // read-only: the write is refused
    };
    for (const Case& c : cases) {
        file("abcd");
        TesFdStreambuf buffer;
        ASSERT_TRUE(buffer.open(path().c_str(), c.mode)) << c.mode;
        buffer.sputn(c.written.data(), static_cast<std::streamsize>(c.written.size()));
        EXPECT_TRUE(buffer.close());
        EXPECT_EQ(content(), c.expected) << c.mode;
    }
}

TEST_F(TesFdStreambufFile, CreatesOnlyWhenWritingAndForTheOwnerOnly) {
    const std::string missing = folder_.narrowFile("new.txt");
    TesFdStreambuf reader;
    EXPECT_FALSE(reader.open(missing.c_str(), ios_base::in));
    EXPECT_FALSE(std::filesystem::exists(missing));
    TesFdStreambuf writer;
    ASSERT_TRUE(writer.open(missing.c_str(), ios_base::out));
    EXPECT_FALSE(writer.open(missing.c_str(), ios_base::out)) << "already open";
    EXPECT_TRUE(writer.close());
    EXPECT_FALSE(writer.close());
    const auto permissions = std::filesystem::status(missing).permissions();
    using std::filesystem::perms;
    EXPECT_EQ(permissions & (perms::owner_all | perms::group_all | perms::others_all),
              perms::owner_read | perms::owner_write);
}

TEST_F(TesFdStreambufFile, FailedOpenSetsFailAndBad) {
    TesIfstream missing(folder_.narrowFile("missing").c_str(), ios_base::in);
    EXPECT_EQ(missing.rdstate(), ios_base::failbit | ios_base::badbit);
    EXPECT_FALSE(missing.isOpen());
    file("12 34");
    EXPECT_TRUE(missing.open(path().c_str(), ios_base::in));
    EXPECT_TRUE(missing.good());
    int first = 0, second = 0;
    missing >> first >> second;
    EXPECT_EQ(first, 12);
    EXPECT_EQ(second, 34);

    TesOfstream noDirection;
    tesSetAssertHook([](void*, const char*, const char*, int) {}, nullptr);
    EXPECT_FALSE(noDirection.open(path().c_str(), ios_base::binary));
    tesSetAssertHook(nullptr, nullptr);
    EXPECT_EQ(noDirection.rdstate(), ios_base::failbit | ios_base::badbit);
}

TEST_F(TesFdStreambufFile, StreamsWriteAndReadThroughWidePaths) {
    const std::u16string wide = folder_.wideFile("\xC3\xBC-text.txt");
    {
        TesOfstream out(wide.c_str(), ios_base::out);
        ASSERT_TRUE(out.good());
        out << "hello " << 42 << '\n';
        out.write("tail", 4);
    }  // destruction writes what is pending and closes
    const Bytes bytes = TempFolder::readAll(folder_.file("\xC3\xBC-text.txt"));
    EXPECT_EQ(std::string(bytes.begin(), bytes.end()), "hello 42\ntail");

    TesFstream both(wide.c_str(), ios_base::in | ios_base::out);
    std::string word;
    int number = 0;
    both >> word >> number;
    EXPECT_EQ(word, "hello");
    EXPECT_EQ(number, 42);
}

TEST_F(TesFdStreambufFile, ByteFFIsAValueNotTheEnd) {
    file("\xFF\x41");
    TesFdStreambuf buffer;
    ASSERT_TRUE(buffer.open(path().c_str(), ios_base::in | ios_base::binary));
    EXPECT_EQ(buffer.sgetc(), 255);
    EXPECT_EQ(buffer.sbumpc(), 255);
    EXPECT_EQ(buffer.sbumpc(), 0x41);
    EXPECT_EQ(buffer.sgetc(), Traits::eof());
    EXPECT_EQ(buffer.sbumpc(), Traits::eof());
}

TEST_F(TesFdStreambufFile, ReadingAndWritingExcludeEachOtherUntilASeek) {
    file("abcdef");
    TesFdStreambuf buffer;
    ASSERT_TRUE(buffer.open(path().c_str(), ios_base::in | ios_base::out));
    EXPECT_EQ(buffer.sgetc(), 'a');
    EXPECT_EQ(buffer.sputc('X'), Traits::eof());
    EXPECT_EQ(buffer.sputn("XY", 2), 0);
    EXPECT_EQ(buffer.pubseekoff(1, ios_base::beg), 1);
    EXPECT_EQ(buffer.sputc('X'), 'X');
    EXPECT_EQ(buffer.sgetc(), Traits::eof());
    char got[4] = {};
    EXPECT_EQ(buffer.sgetn(got, 4), 0);
    EXPECT_EQ(buffer.pubseekpos(0), 0);  // writes the pending 'X'
    EXPECT_EQ(buffer.sgetn(got, 4), 4);
    EXPECT_EQ(std::string(got, 4), "aXcd");
    EXPECT_TRUE(buffer.close());
    EXPECT_EQ(content(), "aXcdef");
}

TEST_F(TesFdStreambufFile, OverflowKeepsTheLastByteInReserve) {
    file("");
    ProbeBuffer buffer;
    ASSERT_TRUE(buffer.open(path().c_str(), ios_base::out));
    EXPECT_EQ(buffer.sputc('a'), 'a');
    EXPECT_EQ(buffer.putAreaSize(), TesFdStreambuf::kBufferSize - 1);
    for (int i = 1; i < 1023; ++i) buffer.sputc('b');
    EXPECT_EQ(std::filesystem::file_size(path()), 0u) << "1023 bytes fit the put area";
    EXPECT_EQ(buffer.sputc('c'), 'c');  // joins the area in the reserved byte
    EXPECT_EQ(std::filesystem::file_size(path()), 1024u);
    buffer.sputc('d');
    EXPECT_EQ(buffer.pubsync(), 0);
    EXPECT_EQ(std::filesystem::file_size(path()), 1025u);
    const std::string written = content();
    EXPECT_EQ(written.substr(1022, 3), "bcd");
}

TEST_F(TesFdStreambufFile, CallersBufferAndUnbufferedWriting) {
    file("");
    TesFdStreambuf buffer;
    char small[4];
    buffer.setBuffer(small, sizeof(small));
    ASSERT_TRUE(buffer.open(path().c_str(), ios_base::out));
    for (char c : std::string("abcde")) buffer.sputc(c);
    EXPECT_EQ(content(), "abcd") << "three in the area plus the reserved byte";
    buffer.pubsetbuf(nullptr, 0);  // writes 'e', then goes unbuffered
    EXPECT_EQ(content(), "abcde");
    buffer.sputc('f');
    EXPECT_EQ(content(), "abcdef");
    EXPECT_TRUE(buffer.close());

    ASSERT_TRUE(buffer.open(path().c_str(), ios_base::in));
    EXPECT_EQ(buffer.sgetc(), 'a');
    EXPECT_EQ(buffer.in_avail(), 1) << "a one-byte get area";
}

TEST_F(TesFdStreambufFile, UflowReadsOneByteFromTheDescriptor) {
    file("abcdef");
    TesFdStreambuf buffer;
    ASSERT_TRUE(buffer.open(path().c_str(), ios_base::in));
    EXPECT_EQ(buffer.sbumpc(), 'a');  // no get area yet: one byte
    char raw[2] = {};
    EXPECT_EQ(buffer.readRaw(raw, 2), 2);
    EXPECT_EQ(std::string(raw, 2), "bc");
    EXPECT_EQ(buffer.sgetc(), 'd');  // fills the get area with the rest
    EXPECT_EQ(buffer.in_avail(), 3);
    EXPECT_EQ(buffer.readRaw(raw, 2), 0) << "the descriptor is at the end";
}

TEST_F(TesFdStreambufFile, BulkTransfersGoStraightToTheDescriptor) {
    std::string text(3000, ' ');
    for (size_t i = 0; i < text.size(); ++i) text[i] = static_cast<char>('a' + i % 26);
    file(text);
    TesFdStreambuf buffer;
    ASSERT_TRUE(buffer.open(path().c_str(), ios_base::in | ios_base::out));
    EXPECT_EQ(buffer.sgetc(), 'a');  // 1024 bytes in the get area
    std::string got(2000, '\0');
    EXPECT_EQ(buffer.sgetn(got.data(), 2000), 2000);
    EXPECT_EQ(got, text.substr(0, 2000));
    EXPECT_EQ(buffer.pubseekoff(0, ios_base::cur), 2000);
    std::string rest(2000, '\0');
    EXPECT_EQ(buffer.sgetn(rest.data(), 2000), 1000);
    EXPECT_EQ(rest.substr(0, 1000), text.substr(2000));

    EXPECT_EQ(buffer.pubseekoff(0, ios_base::end), 3000);
    EXPECT_EQ(buffer.sputc('!'), '!');
    EXPECT_EQ(buffer.sputn("?*", 2), 2);  // the pending '!' goes first
    EXPECT_EQ(content().substr(3000), "!?*");
}

TEST_F(TesFdStreambufFile, PositionsAndPutBack) {
    file("abcdef");
    TesFdStreambuf buffer;
    EXPECT_EQ(buffer.pubseekoff(0, ios_base::cur), -1) << "no descriptor";
    EXPECT_EQ(buffer.sgetc(), Traits::eof());
    EXPECT_EQ(buffer.sputc('x'), Traits::eof());
    ASSERT_TRUE(buffer.open(path().c_str(), ios_base::in));
    EXPECT_EQ(buffer.in_avail(), -1) << "not reading yet";
    EXPECT_EQ(buffer.sgetc(), 'a');
    EXPECT_EQ(buffer.sbumpc(), 'a');
    EXPECT_EQ(buffer.sbumpc(), 'b');
    EXPECT_EQ(buffer.pubseekoff(0, ios_base::cur), 2) << "the next unread byte";
    EXPECT_EQ(buffer.sbumpc(), 'c');  // the seek dropped the area: one byte
    EXPECT_EQ(buffer.sungetc(), 'c');  // before the area: the descriptor steps back
    EXPECT_EQ(buffer.sbumpc(), 'c');
    EXPECT_EQ(buffer.sputbackc('c'), 'c');
    EXPECT_EQ(buffer.sputbackc('x'), Traits::eof()) << "'b' is there";
    EXPECT_EQ(buffer.pubseekoff(-1, ios_base::end), 5);
    EXPECT_EQ(buffer.sbumpc(), 'f');
    EXPECT_EQ(buffer.pubseekpos(100), 100);
    EXPECT_EQ(buffer.sgetc(), Traits::eof());
}

TEST_F(TesFdStreambufFile, AttachTakesAnOpenDescriptor) {
    file("xyz");
    TesFdOpenFlags flags;
    flags.read = true;
    const int fd = tesFdOpen(path().c_str(), flags);
    ASSERT_GE(fd, 0);
    TesFdStreambuf buffer;
    EXPECT_FALSE(buffer.attach(-1, ios_base::in));
    ASSERT_TRUE(buffer.attach(fd, ios_base::in | ios_base::app));
    EXPECT_EQ(buffer.fd(), fd);
    EXPECT_FALSE(buffer.attach(fd, ios_base::in));
    EXPECT_EQ(buffer.sputc('q'), Traits::eof()) << "only the in/out bits are kept";
    char got[3] = {};
    EXPECT_EQ(buffer.sgetn(got, 3), 3);
    EXPECT_EQ(std::string(got, 3), "xyz");
    EXPECT_TRUE(buffer.close());
    EXPECT_FALSE(buffer.isOpen());
}
