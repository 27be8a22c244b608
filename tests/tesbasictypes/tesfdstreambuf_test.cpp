#include "tesfdstreambuf.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <tuple>

#include "assertreports.h"
#include "os/fileio.h"
#include "tempfolder.h"

namespace {

using std::ios_base;
using Traits = std::char_traits<char>;

// Shows the put area, to see the byte kept in reserve.
class ProbeBuffer : public TesFdStreambuf {
public:
    std::ptrdiff_t putAreaSize() const { return epptr() - pbase(); }
};

// "r", "w", "c", "t", "a", "b" for each flag that is set.
std::string letters(const TesFdOpenFlags& flags) {
    const bool set[] = {flags.read, flags.write, flags.create, flags.truncate, flags.append, flags.binary};
    std::string text;
    for (int i = 0; i < 6; ++i) text += set[i] ? "rwctab"[i] : '-';
    return text;
}

class TesFdStreambufFile : public ::testing::Test {
protected:
    // The path of data.bin, written with `content`.
    std::string file(const std::string& content) { return folder_.write("data.bin", content); }
    std::string content() const { return folder_.read("data.bin"); }

    TempFolder folder_;
};

}  // namespace

// Each mode's descriptor flags, and what writing "xy" through it makes of a file holding "abcd".
TEST_F(TesFdStreambufFile, OpenModesMapToDescriptorFlags) {
    const ios_base::openmode in = ios_base::in, out = ios_base::out, trunc = ios_base::trunc;
    const ios_base::openmode app = ios_base::app, ate = ios_base::ate;
    const std::tuple<ios_base::openmode, std::string, const char*> rows[] = {
        {in, "r-----", "abcd"},  // read-only: the write is refused
        {in | trunc, "r--t--", nullptr},
        {out, "-wct--", "xy"},
        {out | app, "-wc-a-", "abcdxy"},
        {out | ate, "-wc---", "abcdxy"},
        {in | out, "rwc---", "xycd"},
        {in | out | trunc, "rwct--", "xy"},
        {in | out | app | ios_base::binary, "rwc-ab", "abcdxy"},
    };
    for (const auto& [mode, flags, written] : rows) {
        SCOPED_TRACE(flags);
        const TesFdStreambuf::OpenFlags result = TesFdStreambuf::openFlags(mode);
        EXPECT_TRUE(result.valid);
        EXPECT_EQ(letters(result.flags), flags);
        if (written == nullptr) continue;
        TesFdStreambuf buffer;
        ASSERT_TRUE(buffer.open(file("abcd").c_str(), mode));
        buffer.sputn("xy", 2);
        EXPECT_TRUE(buffer.close());
        EXPECT_EQ(content(), written);
    }
}

TEST_F(TesFdStreambufFile, ModeWithoutDirectionAssertsAndFails) {
    const std::string path = file("abc");
    EXPECT_FALSE(TesFdStreambuf::openFlags(ios_base::binary | ios_base::trunc).valid);
    AssertReports asserts;
    TesFdStreambuf buffer;
    EXPECT_FALSE(buffer.open(path.c_str(), ios_base::binary));
    EXPECT_EQ(asserts.texts, std::vector<std::string>{"0 @ src/tesbasictypes/tesfdstreambuf"});
    EXPECT_EQ(asserts.lines, std::vector<int>{395});
    TesOfstream stream;
    EXPECT_FALSE(stream.open(path.c_str(), ios_base::binary));
    EXPECT_EQ(stream.rdstate(), ios_base::failbit | ios_base::badbit);
    EXPECT_EQ(content(), "abc");
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
    using std::filesystem::perms;
    EXPECT_EQ(std::filesystem::status(missing).permissions() & perms::all, perms::owner_read | perms::owner_write);
}

TEST_F(TesFdStreambufFile, StreamsOpenWidePathsAndCloseWhenDestroyed) {
    const std::u16string wide = folder_.wideFile("\xC3\xBC.txt");
    {
        TesOfstream out(wide.c_str(), ios_base::out);
        out << "hello " << 42;
    }  // destruction writes what is pending and closes
    TesIfstream in(folder_.narrowFile("missing").c_str(), ios_base::in);
    EXPECT_TRUE(in.open(wide.c_str(), ios_base::in) && in.good());  // a later open clears fail and bad
    std::string word;
    int number = 0;
    in >> word >> number;
    EXPECT_EQ(word + std::to_string(number), "hello42");
}

TEST_F(TesFdStreambufFile, ReadingAndWritingExcludeEachOtherUntilASeek) {
    TesFdStreambuf buffer;
    ASSERT_TRUE(buffer.open(file("abcdef").c_str(), ios_base::in | ios_base::out));
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
}

TEST_F(TesFdStreambufFile, OverflowKeepsTheLastByteInReserve) {
    const std::string path = file("");
    ProbeBuffer buffer;
    ASSERT_TRUE(buffer.open(path.c_str(), ios_base::out));
    EXPECT_EQ(buffer.sputc('a'), 'a');
    EXPECT_EQ(buffer.putAreaSize(), TesFdStreambuf::kBufferSize - 1);
    for (int i = 1; i < 1023; ++i) buffer.sputc('b');
    EXPECT_EQ(std::filesystem::file_size(path), 0u) << "1023 bytes fit the put area";
    EXPECT_EQ(buffer.sputc('c'), 'c');  // joins the area in the reserved byte
    EXPECT_EQ(std::filesystem::file_size(path), 1024u);
    buffer.sputc('d');
    EXPECT_EQ(buffer.pubsync(), 0);
    EXPECT_EQ(content().substr(1022), "bcd");
}

TEST_F(TesFdStreambufFile, CallersBufferAndUnbufferedWriting) {
    TesFdStreambuf buffer;
    char small[4];
    buffer.setBuffer(small, sizeof(small));
    ASSERT_TRUE(buffer.open(file("").c_str(), ios_base::out));
    for (char c : std::string("abcde")) buffer.sputc(c);
    EXPECT_EQ(content(), "abcd") << "three in the area plus the reserved byte";
    buffer.pubsetbuf(nullptr, 0);  // writes 'e', then goes unbuffered
    EXPECT_EQ(content(), "abcde");
    buffer.sputc('f');
    EXPECT_EQ(content(), "abcdef");
    EXPECT_TRUE(buffer.close());
    ASSERT_TRUE(buffer.open(folder_.narrowFile("data.bin").c_str(), ios_base::in));
    EXPECT_EQ(buffer.sgetc(), 'a');
    EXPECT_EQ(buffer.in_avail(), 1) << "a one-byte get area";
}

// Byte 0xFF is a value, not the end, on both ways in.
TEST_F(TesFdStreambufFile, UflowAndReadRawTakeBytesStraightFromTheDescriptor) {
    TesFdStreambuf buffer;
    ASSERT_TRUE(buffer.open(file("\xFF" "bc" "\xFF" "ef").c_str(), ios_base::in));
    EXPECT_EQ(buffer.sbumpc(), 255);  // no get area yet: one byte
    char raw[2] = {};
    EXPECT_EQ(buffer.readRaw(raw, 2), 2);
    EXPECT_EQ(std::string(raw, 2), "bc");
    EXPECT_EQ(buffer.sgetc(), 255);  // fills the get area with the rest
    EXPECT_EQ(buffer.in_avail(), 3);
    EXPECT_EQ(buffer.readRaw(raw, 2), 0) << "the descriptor is at the end";
}

TEST_F(TesFdStreambufFile, BulkTransfersGoStraightToTheDescriptor) {
    std::string text(3000, ' ');
    for (size_t i = 0; i < text.size(); ++i) text[i] = static_cast<char>('a' + i % 26);
    TesFdStreambuf buffer;
    ASSERT_TRUE(buffer.open(file(text).c_str(), ios_base::in | ios_base::out));
    EXPECT_EQ(buffer.sgetc(), 'a');  // 1024 bytes in the get area
    std::string got(2000, '\0');
    EXPECT_EQ(buffer.sgetn(got.data(), 2000), 2000);
    EXPECT_EQ(got, text.substr(0, 2000));
    EXPECT_EQ(buffer.sgetn(got.data(), 2000), 1000);
    EXPECT_EQ(got.substr(0, 1000), text.substr(2000));
    EXPECT_EQ(buffer.pubseekoff(0, ios_base::end), 3000);
    EXPECT_EQ(buffer.sputc('!'), '!');
    EXPECT_EQ(buffer.sputn("?*", 2), 2);  // the pending '!' goes first
    EXPECT_EQ(content().substr(3000), "!?*");
}

TEST_F(TesFdStreambufFile, PositionsAndPutBack) {
    TesFdStreambuf buffer;
    EXPECT_EQ(buffer.pubseekoff(0, ios_base::cur), -1) << "no descriptor";
    EXPECT_EQ(buffer.sgetc(), Traits::eof());
    EXPECT_EQ(buffer.sputc('x'), Traits::eof());
    ASSERT_TRUE(buffer.open(file("abcdef").c_str(), ios_base::in));
    EXPECT_EQ(buffer.in_avail(), -1) << "not reading yet";
    EXPECT_EQ(buffer.sbumpc(), 'a');
    EXPECT_EQ(buffer.sbumpc(), 'b');
    EXPECT_EQ(buffer.pubseekoff(0, ios_base::cur), 2) << "the next unread byte";
    EXPECT_EQ(buffer.sbumpc(), 'c');   // the seek dropped the area: one byte
    EXPECT_EQ(buffer.sungetc(), 'c');  // before the area: the descriptor steps back
    EXPECT_EQ(buffer.sbumpc(), 'c');
    EXPECT_EQ(buffer.sputbackc('c'), 'c');
    EXPECT_EQ(buffer.sputbackc('x'), Traits::eof()) << "'b' is there";
    EXPECT_EQ(buffer.pubseekpos(100), 100);
    EXPECT_EQ(buffer.sgetc(), Traits::eof());
}

TEST_F(TesFdStreambufFile, AttachTakesAnOpenDescriptor) {
    TesFdOpenFlags flags;
    flags.read = true;
    const int fd = tesFdOpen(file("xyz").c_str(), flags);
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
}
