// File operations on a real file system, inside a scratch folder per test.
#include "tesfile.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "os/nativepath.h"
#include "scratchfolder.h"
#include "tesdir.h"
#include "tespath.h"

namespace {

namespace fs = std::filesystem;

std::string bytes(size_t count) {
    std::string text(count, '\0');
    for (size_t i = 0; i < count; ++i) text[i] = static_cast<char>(i * 7 + 3);
    return text;
}

TEST(TesFile, NativePathMapping) {
    const std::vector<std::pair<std::u16string, std::string>> cases = {
        {u"\\home\\me\\part.srml", "/home/me/part.srml"},
        {u"d:\\data\\x", "/data/x"},
        {u"d:", "/"},
        {u"d:data", "/data"},
        {u"rel\\a", "rel/a"},
        {u"mixed/sep\\x", "mixed/sep/x"},
        {u"", ""},
        {u"\u00e9\\x", "\xc3\xa9/x"},
        {u"1:\\x", "1:/x"},  // not a drive letter
    };
    for (const auto& [path, native] : cases) EXPECT_EQ(tesNativePath(path), native);
}

TEST(TesFile, PosixPathTypedByAUserReachesTheFile) {
    ScratchFolder scratch;
    scratch.write("part.srml", "<srml/>");
    TesString typed = TesString::fromUtf8(scratch.native("part.srml"));
    TesPath::normalize(typed);
    EXPECT_TRUE(TesPath::isAbsolute(typed));
    EXPECT_EQ(typed.find(u'/'), -1);
    std::FILE* file = TesFile::openFile(typed, "rb");
    ASSERT_NE(file, nullptr);
    char text[8] = {};
    EXPECT_EQ(std::fread(text, 1, 7, file), 7u);
    EXPECT_STREQ(text, "<srml/>");
    std::fclose(file);
}

TEST(TesFile, StatusQueries) {
    ScratchFolder scratch;
    scratch.write("file.bin", bytes(10));
    const TesString folder = scratch.path();
    const TesString file = scratch.path("file.bin");
    const TesString missing = scratch.path("missing");
    EXPECT_TRUE(TesFile::isFile(file));
    EXPECT_FALSE(TesFile::isDirectory(file));
    EXPECT_TRUE(TesFile::isDirectory(folder));
    EXPECT_FALSE(TesFile::isFile(folder));
    EXPECT_FALSE(TesFile::isFile(missing));
    EXPECT_FALSE(TesFile::isDirectory(missing));
    EXPECT_TRUE(TesFile::exists(file));
    EXPECT_TRUE(TesFile::exists(scratch.native("file.bin").c_str()));
    EXPECT_FALSE(TesFile::exists(missing));
    EXPECT_FALSE(TesFile::exists(TesString()));
    EXPECT_FALSE(TesFile::exists(static_cast<const char*>(nullptr)));
    TesFileStatus record;
    ASSERT_TRUE(TesFile::status(file, &record));
    EXPECT_EQ(record.size, 10);
    EXPECT_FALSE(TesFile::status(missing, &record));
    for (int32_t mode : {0, 2, 4, 6}) EXPECT_TRUE(TesFile::canAccess(file, mode)) << mode;
    EXPECT_FALSE(TesFile::canAccess(file, 1));  // not an access mode of the C runtime
    EXPECT_FALSE(TesFile::canAccess(missing, 0));
}

TEST(TesFile, MakeDirectory) {
    ScratchFolder scratch;
    const TesString deep = scratch.path("a\\b\\c");
    EXPECT_FALSE(TesFile::makeDirectory(deep, false));  // parents missing
    EXPECT_TRUE(TesFile::makeDirectory(deep, true));
    EXPECT_TRUE(fs::is_directory(scratch.native("a/b/c")));
    EXPECT_TRUE(TesFile::makeDirectory(deep, true));   // already there
    EXPECT_TRUE(TesFile::makeDirectory(deep, false));
    EXPECT_TRUE(TesFile::makeDirectory(scratch.path("a\\b\\d\\"), false));  // trailing separator
    EXPECT_TRUE(TesFile::makeDirectory((scratch.native("n1/n2")).c_str(), true));
    EXPECT_TRUE(fs::is_directory(scratch.native("n1/n2")));

    scratch.write("file", "x");
    EXPECT_FALSE(TesFile::makeDirectory(scratch.path("file"), false));
    EXPECT_FALSE(TesFile::makeDirectory(scratch.path("file\\sub\\deeper"), true));
    EXPECT_FALSE(scratch.exists("file/sub"));
    EXPECT_FALSE(TesFile::makeDirectory(TesString(), true));
}

TEST(TesFile, RemoveDirectory) {
    ScratchFolder scratch;
    scratch.write("tree/f1", "1");
    scratch.write("tree/noext", "2");
    scratch.write("tree/sub/f2.txt", "3");
    scratch.write("tree/sub/deeper/f3", "4");
    fs::create_directories(scratch.native("tree/empty"));
    scratch.write("outside/keep.txt", "keep");
    fs::create_directory_symlink(scratch.native("outside"), scratch.native("tree/link"));

    EXPECT_FALSE(TesFile::removeDirectory(scratch.path("tree"), false));  // not empty
    EXPECT_TRUE(scratch.exists("tree/f1"));
    EXPECT_TRUE(TesFile::removeDirectory(scratch.path("tree"), true));
    EXPECT_FALSE(scratch.exists("tree"));
    EXPECT_EQ(scratch.read("outside/keep.txt"), "keep");  // the link went, not what it points to
    EXPECT_FALSE(TesFile::removeDirectory(scratch.path("tree"), true));
    fs::create_directory(scratch.native("plain"));
    EXPECT_TRUE(TesFile::removeDirectory(scratch.native("plain").c_str(), false));
    EXPECT_FALSE(scratch.exists("plain"));
}

TEST(TesFile, CopyFileAtBlockBoundaries) {
    ScratchFolder scratch;
    for (size_t size : {0, 1, 2047, 2048, 2049, 4096, 5000}) {
        const std::string name = "src" + std::to_string(size);
        scratch.write(name, bytes(size));
        scratch.write("dst", "previous content that is longer than some sources");
        EXPECT_TRUE(TesFile::copyFile(scratch.path(name), scratch.path("dst"))) << size;
        EXPECT_EQ(scratch.read("dst"), bytes(size)) << size;
    }
    EXPECT_TRUE(TesFile::copyFile(scratch.native("src1").c_str(), scratch.native("narrow").c_str()));
    EXPECT_EQ(scratch.read("narrow"), bytes(1));
}

TEST(TesFile, CopyFileRefusesWithoutLosingData) {
    ScratchFolder scratch;
    scratch.write("dst", "keep");
    EXPECT_FALSE(TesFile::copyFile(scratch.path("missing"), scratch.path("dst")));
    EXPECT_EQ(scratch.read("dst"), "keep");
    EXPECT_FALSE(TesFile::copyFile(scratch.path("dst"), scratch.path("dst")));  // same file
    EXPECT_EQ(scratch.read("dst"), "keep");
    EXPECT_FALSE(TesFile::copyFile(scratch.path("dst"), scratch.path("missing\\deeper")));
    fs::create_directory(scratch.native("dir"));
    EXPECT_FALSE(TesFile::copyFile(scratch.path("dir"), scratch.path("dst")));
    EXPECT_EQ(scratch.read("dst"), "keep");
}

TEST(TesFile, CopyTree) {
    ScratchFolder scratch;
    scratch.write("src/a.txt", "a");
    scratch.write("src/noext", "n");
    scratch.write("src/sub/b.bin", bytes(3000));
    scratch.write("src/sub/deeper/c", "c");
    fs::create_directories(scratch.native("src/emptydir"));
    scratch.write("dst/sub", "a file in the way of a subdirectory");

    EXPECT_TRUE(TesFile::copyTree(scratch.path("src"), scratch.path("dst")));
    EXPECT_EQ(scratch.read("dst/a.txt"), "a");
    EXPECT_EQ(scratch.read("dst/noext"), "n");
    EXPECT_EQ(scratch.read("dst/sub/b.bin"), bytes(3000));
    EXPECT_EQ(scratch.read("dst/sub/deeper/c"), "c");
    EXPECT_TRUE(fs::is_directory(scratch.native("dst/emptydir")));
    EXPECT_EQ(scratch.read("src/sub/b.bin"), bytes(3000));  // the source stays

    EXPECT_TRUE(TesFile::copyTree(scratch.path("src\\a.txt"), scratch.path("single")));
    EXPECT_EQ(scratch.read("single"), "a");
    EXPECT_TRUE(TesFile::copyTree(scratch.path("nothing"), scratch.path("dst2")));  // neither file nor directory
    EXPECT_FALSE(scratch.exists("dst2"));
    EXPECT_TRUE(TesFile::copyTree(scratch.native("src").c_str(), scratch.native("narrow").c_str()));
    EXPECT_EQ(scratch.read("narrow/sub/deeper/c"), "c");
}

TEST(TesFile, CopyTreeRefusesItsOwnInside) {
    ScratchFolder scratch;
    scratch.write("src/a", "a");
    EXPECT_FALSE(TesFile::copyTree(scratch.path("src"), scratch.path("src\\inner")));
    EXPECT_FALSE(TesFile::copyTree(scratch.path("src"), scratch.path("src")));
    EXPECT_FALSE(TesFile::copyTree(scratch.path("src"), scratch.path("src\\x\\..\\inner")));
    EXPECT_FALSE(scratch.exists("src/inner"));
    EXPECT_TRUE(TesFile::copyTree(scratch.path("src"), scratch.path("src2")));  // a sibling with a common prefix
}

TEST(TesFile, CopyTreeReportsAFailedStepAndGoesOn) {
    ScratchFolder scratch;
    scratch.write("src/a", "a");
    scratch.write("src/z", "z");
    fs::create_directories(scratch.native("src/linked"));
    fs::create_directory_symlink(scratch.native("src/linked"), scratch.native("src/link"));
    EXPECT_FALSE(TesFile::copyTree(scratch.path("src"), scratch.path("dst")));  // the linked directory is not followed
    EXPECT_EQ(scratch.read("dst/a"), "a");
    EXPECT_EQ(scratch.read("dst/z"), "z");
    EXPECT_FALSE(scratch.exists("dst/link"));
}

TEST(TesFile, MoveTree) {
    ScratchFolder scratch;
    scratch.write("one/a", "a");
    EXPECT_TRUE(TesFile::moveTree(scratch.path("one"), scratch.path("two")));  // a plain rename
    EXPECT_FALSE(scratch.exists("one"));
    EXPECT_EQ(scratch.read("two/a"), "a");

    // Into a directory that is not empty: the rename fails, entries move one by one.
    scratch.write("src/f", "new f");
    scratch.write("src/sub/g", "g");
    scratch.write("src/sub/h", "h");
    scratch.write("dst/f", "old f");
    scratch.write("dst/other", "other");
    scratch.write("dst/sub/h", "old h");
    EXPECT_TRUE(TesFile::moveTree(scratch.path("src"), scratch.path("dst")));
    EXPECT_EQ(scratch.read("dst/f"), "new f");
    EXPECT_EQ(scratch.read("dst/other"), "other");
    EXPECT_EQ(scratch.read("dst/sub/g"), "g");
    EXPECT_EQ(scratch.read("dst/sub/h"), "h");
    EXPECT_TRUE(fs::is_directory(scratch.native("src/sub")));  // the source directories stay
    EXPECT_FALSE(scratch.exists("src/f"));
    EXPECT_FALSE(scratch.exists("src/sub/g"));

    EXPECT_FALSE(TesFile::moveTree(scratch.path("dst"), scratch.path("dst\\inside")));
    EXPECT_FALSE(scratch.exists("dst/inside"));
    EXPECT_FALSE(TesFile::moveTree(scratch.path("missing"), scratch.path("anywhere")));
    EXPECT_TRUE(TesFile::moveTree(scratch.native("two").c_str(), scratch.native("three").c_str()));
    EXPECT_EQ(scratch.read("three/a"), "a");
}

TEST(TesFile, RenameAndRemove) {
    ScratchFolder scratch;
    scratch.write("a", "a");
    EXPECT_TRUE(TesFile::rename(scratch.path("a"), scratch.path("b")));
    EXPECT_FALSE(TesFile::rename(scratch.path("a"), scratch.path("c")));
    EXPECT_TRUE(TesFile::removeFile(scratch.path("b")));
    EXPECT_FALSE(TesFile::removeFile(scratch.path("b")));
    EXPECT_FALSE(TesFile::rename(TesString(), scratch.path("c")));
}

TEST(TesFile, OpenAndReopen) {
    ScratchFolder scratch;
    scratch.write("a", "first");
    scratch.write("b", "second");
    EXPECT_EQ(TesFile::openFile(TesString(), "rb"), nullptr);
    EXPECT_EQ(TesFile::openFile(scratch.path("a"), ""), nullptr);
    EXPECT_EQ(TesFile::openFile(scratch.path("a"), nullptr), nullptr);
    EXPECT_EQ(TesFile::openFile(scratch.path("a"), std::string(256, 'r').c_str()), nullptr);
    EXPECT_EQ(TesFile::openFile(scratch.path("missing"), "rb"), nullptr);
    std::FILE* file = TesFile::openFile(scratch.path("a"), "rb");
    ASSERT_NE(file, nullptr);
    EXPECT_EQ(TesFile::reopenFile(TesString(), "rb", file), nullptr);  // stream untouched
    file = TesFile::reopenFile(scratch.path("b"), "rb", file);
    ASSERT_NE(file, nullptr);
    char text[7] = {};
    EXPECT_EQ(std::fread(text, 1, 6, file), 6u);
    EXPECT_STREQ(text, "second");
    std::fclose(file);
}

TEST(TesFile, WriteAllInChunks) {
    ScratchFolder scratch;
    const std::string data = bytes(10000);
    for (int64_t chunk : {int64_t{0}, int64_t{-5}, int64_t{1}, int64_t{999}, int64_t{10000}, int64_t{20000}}) {
        std::FILE* file = TesFile::openFile(scratch.path("out"), "wb");
        ASSERT_NE(file, nullptr);
        EXPECT_TRUE(TesFile::writeAll(data.data(), file, static_cast<int64_t>(data.size()), chunk)) << chunk;
        std::fclose(file);
        EXPECT_EQ(scratch.read("out"), data) << chunk;
    }
    std::FILE* readOnly = TesFile::openFile(scratch.path("out"), "rb");
    ASSERT_NE(readOnly, nullptr);
    EXPECT_FALSE(TesFile::writeAll(data.data(), readOnly, 10, 4));  // the first piece is short
    EXPECT_TRUE(TesFile::writeAll(nullptr, readOnly, 0, 4));
    EXPECT_FALSE(TesFile::writeAll(data.data(), readOnly, -1, 4));
    EXPECT_FALSE(TesFile::writeAll(nullptr, readOnly, 3, 4));
    EXPECT_FALSE(TesFile::writeAll(data.data(), nullptr, 3, 4));
    std::fclose(readOnly);
}

TEST(TesFile, OpenSharedKeepsOtherOpenersOut) {
    ScratchFolder scratch;
    scratch.write("shared", "contents");
    const TesString path = scratch.path("shared");
    std::FILE* writer = TesFile::openShared(path, "wb", 1.0);
    ASSERT_NE(writer, nullptr);
    EXPECT_EQ(scratch.read("shared"), "contents");                  // "w" does not truncate
    EXPECT_EQ(TesFile::openShared(path, "wb", 1.0), nullptr);       // a write mode never waits
    EXPECT_EQ(TesFile::openShared(path, "rb", 0.0), nullptr);       // nor does a wait of 0
    EXPECT_EQ(TesFile::openShared(path, "rb", -1.0), nullptr);
    std::FILE* plain = TesFile::openFile(path, "rb");                // openers that do not lock get in
    ASSERT_NE(plain, nullptr);
    std::fclose(plain);
    EXPECT_GE(std::fputs("NEW", writer), 0);
    std::fclose(writer);
    EXPECT_EQ(scratch.read("shared"), "NEWtents");

    std::FILE* reader = TesFile::openShared(path, "r", 0.0);
    ASSERT_NE(reader, nullptr);
    EXPECT_EQ(std::fputc('x', reader), EOF);  // opened read-only
    std::fclose(reader);

    std::FILE* created = TesFile::openShared(scratch.path("new"), "w", 0.0);
    ASSERT_NE(created, nullptr);
    std::fclose(created);
    EXPECT_EQ(fs::status(scratch.native("new")).permissions() & fs::perms::all,
              fs::perms::owner_read | fs::perms::owner_write);
    EXPECT_EQ(TesFile::openShared(scratch.path("nodir\\x"), "w", 0.0), nullptr);
    EXPECT_EQ(TesFile::openShared(path, "", 1.0), nullptr);
}

TEST(TesFile, OpenSharedRetriesUntilTheFileIsFree) {
    ScratchFolder scratch;
    scratch.write("shared", "x");
    const TesString path = scratch.path("shared");
    std::FILE* holder = TesFile::openShared(path, "rb", 0.0);
    ASSERT_NE(holder, nullptr);
    std::FILE* waited = nullptr;
    std::thread second([&] { waited = TesFile::openShared(path, "rb", 0.02); });
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    std::fclose(holder);
    second.join();
    ASSERT_NE(waited, nullptr);
    std::fclose(waited);
}

TEST(TesFile, OpenSharedGivesUpAfterItsBound) {
    ScratchFolder scratch;
    scratch.write("shared", "x");
    const TesString path = scratch.path("shared");
    std::FILE* holder = TesFile::openShared(path, "rb", 0.0);
    ASSERT_NE(holder, nullptr);
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(TesFile::openShared(path, "rb", 0.01), nullptr);
    const auto waited = std::chrono::steady_clock::now() - start;
    EXPECT_GE(waited, std::chrono::milliseconds(10 * (TesFile::kOpenSharedAttempts - 1)));
    std::fclose(holder);
    // A file that never appears is given up on the same way.
    EXPECT_EQ(TesFile::openShared(scratch.path("never"), "rb", 0.001), nullptr);
}

TEST(TesFile, TemporaryFileVanishesOnClose) {
    ScratchFolder scratch;
    const TesString path = scratch.path("tmp");
    std::FILE* file = TesFile::createTemporaryFile(path);
    ASSERT_NE(file, nullptr);
    EXPECT_FALSE(scratch.exists("tmp"));
    EXPECT_GE(std::fputs("data", file), 0);
    EXPECT_EQ(std::fseek(file, 0, SEEK_SET), 0);
    char text[5] = {};
    EXPECT_EQ(std::fread(text, 1, 4, file), 4u);
    EXPECT_STREQ(text, "data");
    std::fclose(file);
    EXPECT_EQ(tesCountEntries(scratch.path()), 0);
    scratch.write("taken", "");
    EXPECT_EQ(TesFile::createTemporaryFile(scratch.path("taken")), nullptr);  // must be new
}

}  // namespace
