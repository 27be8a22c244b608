// File operations on a real file system, inside a folder of their own per test.
#include "tesfile.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <string>
#include <thread>

#include "os/nativepath.h"
#include "tempfolder.h"
#include "tesdir.h"

namespace {

namespace fs = std::filesystem;

std::string bytes(size_t count) {
    std::string text(count, '\0');
    for (size_t i = 0; i < count; ++i) text[i] = static_cast<char>(i * 7 + 3);
    return text;
}

// What can be read from `file`, which is then closed; "(none)" without a stream.
std::string readAndClose(std::FILE* file) {
    if (file == nullptr) return "(none)";
    std::string text(100, '\0');
    text.resize(std::fread(text.data(), 1, text.size(), file));
    std::fclose(file);
    return text;
}

TEST(TesFile, NativePathMapping) {
    const std::pair<std::u16string, std::string> rows[] = {
        {u"\\home\\me\\part.srml", "/home/me/part.srml"},
        {u"d:", "/"},
        {u"d:data", "/data"},
        {u"mixed/sep\\x", "mixed/sep/x"},
        {u"", ""},
        {u"\u00e9\\x", "\xc3\xa9/x"},
        {u"1:\\x", "1:/x"},  // not a drive letter
    };
    for (const auto& [path, native] : rows) EXPECT_EQ(tesNativePath(path), native);
}

TEST(TesFile, StatusQueries) {
    TempFolder folder;
    folder.write("file.bin", bytes(10));
    const TesString file = folder.tesPath("file.bin");
    const TesString missing = folder.tesPath("missing");
    EXPECT_TRUE(TesFile::isFile(file) && !TesFile::isDirectory(file));
    EXPECT_TRUE(TesFile::isDirectory(folder.tesPath()) && !TesFile::isFile(folder.tesPath()));
    EXPECT_FALSE(TesFile::isFile(missing) || TesFile::isDirectory(missing) || TesFile::exists(missing));
    EXPECT_FALSE(TesFile::exists(TesString()));
    EXPECT_FALSE(TesFile::exists(static_cast<const char*>(nullptr)));
    TesFileStatus record;
    ASSERT_TRUE(TesFile::status(file, &record));
    EXPECT_EQ(record.size, 10);
    for (int32_t mode : {0, 6}) EXPECT_TRUE(TesFile::canAccess(file, mode)) << mode;
    EXPECT_FALSE(TesFile::canAccess(file, 1));  // not an access mode of the C runtime
    EXPECT_FALSE(TesFile::canAccess(missing, 0));
}

TEST(TesFile, MakeDirectory) {
    TempFolder folder;
    const TesString deep = folder.tesPath("a\\b\\c");
    EXPECT_FALSE(TesFile::makeDirectory(deep, false));  // parents missing
    EXPECT_TRUE(TesFile::makeDirectory(deep, true));
    EXPECT_TRUE(TesFile::makeDirectory(deep, false));  // already there
    EXPECT_TRUE(TesFile::makeDirectory(folder.tesPath("a\\b\\d\\"), false));  // trailing separator
    folder.write("file", "x");
    EXPECT_FALSE(TesFile::makeDirectory(folder.tesPath("file"), false));
    EXPECT_FALSE(TesFile::makeDirectory(folder.tesPath("file\\sub\\deeper"), true));
    EXPECT_FALSE(folder.exists("file/sub"));
    EXPECT_FALSE(TesFile::makeDirectory(TesString(), true));
}

TEST(TesFile, RemoveDirectoryLeavesWhatLinksPointTo) {
    TempFolder folder;
    folder.write("tree/noext", "2");
    folder.write("tree/sub/deeper/f3", "4");
    fs::create_directories(folder.file("tree/empty"));
    folder.write("outside/keep.txt", "keep");
    fs::create_directory_symlink(folder.file("outside"), folder.file("tree/link"));
    EXPECT_FALSE(TesFile::removeDirectory(folder.tesPath("tree"), false));  // not empty
    EXPECT_TRUE(folder.exists("tree/noext"));
    EXPECT_TRUE(TesFile::removeDirectory(folder.tesPath("tree"), true));
    EXPECT_FALSE(folder.exists("tree"));
    EXPECT_EQ(folder.read("outside/keep.txt"), "keep");
    EXPECT_FALSE(TesFile::removeDirectory(folder.tesPath("tree"), true));
}

TEST(TesFile, CopyFileCopiesAcrossBlockBoundariesAndRefusesWithoutLosingData) {
    TempFolder folder;
    for (size_t size : {0, 2048, 2049}) {
        SCOPED_TRACE(size);
        folder.write("src", bytes(size));
        folder.write("dst", "previous content that is longer than some sources");
        EXPECT_TRUE(TesFile::copyFile(folder.tesPath("src"), folder.tesPath("dst")));
        EXPECT_EQ(folder.read("dst"), bytes(size));
    }
    folder.write("dst", "keep");
    fs::create_directory(folder.file("dir"));
    EXPECT_FALSE(TesFile::copyFile(folder.tesPath("missing"), folder.tesPath("dst")));
    EXPECT_FALSE(TesFile::copyFile(folder.tesPath("dst"), folder.tesPath("dst")));  // same file
    EXPECT_FALSE(TesFile::copyFile(folder.tesPath("dir"), folder.tesPath("dst")));
    EXPECT_FALSE(TesFile::copyFile(folder.tesPath("dst"), folder.tesPath("missing\\deeper")));
    EXPECT_EQ(folder.read("dst"), "keep");
}

TEST(TesFile, CopyTree) {
    TempFolder folder;
    folder.write("src/a.txt", "a");
    folder.write("src/sub/deeper/c", bytes(3000));
    fs::create_directories(folder.file("src/emptydir"));
    folder.write("dst/sub", "a file in the way of a subdirectory");
    EXPECT_TRUE(TesFile::copyTree(folder.tesPath("src"), folder.tesPath("dst")));
    EXPECT_EQ(folder.read("dst/a.txt"), "a");
    EXPECT_EQ(folder.read("dst/sub/deeper/c"), bytes(3000));
    EXPECT_TRUE(fs::is_directory(folder.file("dst/emptydir")));
    EXPECT_EQ(folder.read("src/sub/deeper/c"), bytes(3000));  // the source stays

    EXPECT_TRUE(TesFile::copyTree(folder.tesPath("nothing"), folder.tesPath("dst2")));  // neither file nor directory
    EXPECT_FALSE(folder.exists("dst2"));

    // The linked directory is not followed, and the copy goes on after it.
    fs::create_directory_symlink(folder.file("src/sub"), folder.file("src/link"));
    EXPECT_FALSE(TesFile::copyTree(folder.tesPath("src"), folder.tesPath("dst3")));
    EXPECT_EQ(folder.read("dst3/a.txt"), "a");
    EXPECT_FALSE(folder.exists("dst3/link"));
}

TEST(TesFile, NarrowPathFormsTakeTheSameWay) {
    TempFolder folder;
    const auto at = [&folder](const char* name) { return folder.narrowFile(name); };
    EXPECT_TRUE(TesFile::makeDirectory(at("a/b").c_str(), true));
    folder.write("a/b/f", "x");
    EXPECT_TRUE(TesFile::copyFile(at("a/b/f").c_str(), at("a/g").c_str()));
    EXPECT_TRUE(TesFile::copyTree(at("a").c_str(), at("c").c_str()));
    EXPECT_TRUE(TesFile::moveTree(at("c").c_str(), at("d").c_str()));
    EXPECT_TRUE(TesFile::removeDirectory(at("a").c_str(), true));
    EXPECT_EQ(folder.read("d/b/f") + folder.read("d/g"), "xx");
    EXPECT_FALSE(folder.exists("a") || folder.exists("c"));
}

TEST(TesFile, CopyAndMoveRefuseADestinationInsideTheSource) {
    TempFolder folder;
    folder.write("src/a", "a");
    EXPECT_FALSE(TesFile::copyTree(folder.tesPath("src"), folder.tesPath("src\\inner")));
    EXPECT_FALSE(TesFile::copyTree(folder.tesPath("src"), folder.tesPath("src")));
    EXPECT_FALSE(TesFile::copyTree(folder.tesPath("src"), folder.tesPath("src\\x\\..\\inner")));
    EXPECT_FALSE(TesFile::moveTree(folder.tesPath("src"), folder.tesPath("src\\inner")));
    EXPECT_FALSE(folder.exists("src/inner"));
    EXPECT_TRUE(TesFile::copyTree(folder.tesPath("src"), folder.tesPath("src2")));  // a sibling with a common prefix
}

TEST(TesFile, MoveTreeRenameAndRemove) {
    TempFolder folder;
    folder.write("one/a", "a");
    EXPECT_TRUE(TesFile::moveTree(folder.tesPath("one"), folder.tesPath("two")));  // a plain rename
    EXPECT_EQ(folder.read("two/a"), "a");
    EXPECT_FALSE(folder.exists("one"));

    // Into a directory that is not empty: the rename fails, entries move one by one.
    folder.write("src/f", "new f");
    folder.write("src/sub/g", "g");
    folder.write("dst/f", "old f");
    folder.write("dst/other", "other");
    folder.write("dst/sub/g", "old g");
    EXPECT_TRUE(TesFile::moveTree(folder.tesPath("src"), folder.tesPath("dst")));
    EXPECT_EQ(folder.read("dst/f") + folder.read("dst/other") + folder.read("dst/sub/g"), "new fotherg");
    EXPECT_TRUE(fs::is_directory(folder.file("src/sub")));  // the source directories stay
    EXPECT_FALSE(folder.exists("src/f") || folder.exists("src/sub/g"));
    EXPECT_FALSE(TesFile::moveTree(folder.tesPath("missing"), folder.tesPath("anywhere")));
    EXPECT_FALSE(TesFile::rename(folder.tesPath("missing"), folder.tesPath("c")));
    EXPECT_FALSE(TesFile::removeFile(folder.tesPath("missing")));
}

TEST(TesFile, OpenAndReopenRefuseBadPathsAndModes) {
    TempFolder folder;
    folder.write("a", "first");
    folder.write("b", "second");
    EXPECT_EQ(TesFile::openFile(TesString(), "rb"), nullptr);
    EXPECT_EQ(TesFile::openFile(folder.tesPath("a"), ""), nullptr);
    EXPECT_EQ(TesFile::openFile(folder.tesPath("a"), nullptr), nullptr);
    EXPECT_EQ(TesFile::openFile(folder.tesPath("a"), std::string(256, 'r').c_str()), nullptr);
    EXPECT_EQ(TesFile::openFile(folder.tesPath("missing"), "rb"), nullptr);
    std::FILE* file = TesFile::openFile(folder.tesPath("a"), std::string(255, 'r').c_str());
    ASSERT_NE(file, nullptr);
    EXPECT_EQ(TesFile::reopenFile(TesString(), "rb", file), nullptr);  // stream untouched
    file = TesFile::reopenFile(folder.tesPath("b"), "rb", file);
    ASSERT_NE(file, nullptr);
    EXPECT_EQ(readAndClose(file), "second");
}

TEST(TesFile, WriteAllInChunks) {
    TempFolder folder;
    const std::string data = bytes(10000);
    for (int64_t chunk : {int64_t{0}, int64_t{1}, int64_t{999}, int64_t{20000}}) {
        SCOPED_TRACE(chunk);
        std::FILE* file = TesFile::openFile(folder.tesPath("out"), "wb");
        ASSERT_NE(file, nullptr);
        EXPECT_TRUE(TesFile::writeAll(data.data(), file, static_cast<int64_t>(data.size()), chunk));
        std::fclose(file);
        EXPECT_EQ(folder.read("out"), data);
    }
    std::FILE* readOnly = TesFile::openFile(folder.tesPath("out"), "rb");
    ASSERT_NE(readOnly, nullptr);
    EXPECT_FALSE(TesFile::writeAll(data.data(), readOnly, 10, 4));  // the first piece is short
    EXPECT_TRUE(TesFile::writeAll(nullptr, readOnly, 0, 4));
    EXPECT_FALSE(TesFile::writeAll(data.data(), readOnly, -1, 4));
    EXPECT_FALSE(TesFile::writeAll(nullptr, readOnly, 3, 4));
    EXPECT_FALSE(TesFile::writeAll(data.data(), nullptr, 3, 4));
    std::fclose(readOnly);
}

TEST(TesFile, OpenSharedKeepsOtherOpenersOutAndReadersRetry) {
    TempFolder folder;
    folder.write("shared", "contents");
    const TesString path = folder.tesPath("shared");
    std::FILE* writer = TesFile::openShared(path, "wb", 1.0);
    ASSERT_NE(writer, nullptr);
    EXPECT_EQ(folder.read("shared"), "contents");              // "w" does not truncate
    EXPECT_EQ(TesFile::openShared(path, "wb", 1.0), nullptr);  // a write mode never waits
    EXPECT_EQ(TesFile::openShared(path, "rb", 0.0), nullptr);  // nor does a wait of 0
    EXPECT_EQ(readAndClose(TesFile::openFile(path, "rb")), "contents");  // openers that do not lock get in
    EXPECT_GE(std::fputs("NEW", writer), 0);
    std::fclose(writer);
    EXPECT_EQ(folder.read("shared"), "NEWtents");

    std::FILE* reader = TesFile::openShared(path, "r", 0.0);
    ASSERT_NE(reader, nullptr);
    EXPECT_EQ(std::fputc('x', reader), EOF);  // opened read-only
    std::fclose(reader);
    EXPECT_EQ(readAndClose(TesFile::openShared(folder.tesPath("new"), "w", 0.0)), "");  // created, write-only
    EXPECT_EQ(fs::status(folder.file("new")).permissions() & fs::perms::all,
              fs::perms::owner_read | fs::perms::owner_write);
    EXPECT_EQ(TesFile::openShared(folder.tesPath("nodir\\x"), "w", 0.0), nullptr);
    EXPECT_EQ(TesFile::openShared(path, "", 1.0), nullptr);

    // A reader retries until the file is free or its bound is reached.
    std::FILE* holder = TesFile::openShared(path, "rb", 0.0);
    ASSERT_NE(holder, nullptr);
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(TesFile::openShared(path, "rb", 0.01), nullptr);
    const auto bound = std::chrono::milliseconds(10 * (TesFile::kOpenSharedAttempts - 1));
    EXPECT_GE(std::chrono::steady_clock::now() - start, bound);

    std::FILE* waited = nullptr;
    std::thread second([&] { waited = TesFile::openShared(path, "rb", 0.02); });
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    std::fclose(holder);
    second.join();
    ASSERT_NE(waited, nullptr);
    std::fclose(waited);
}

TEST(TesFile, TemporaryFileVanishesOnClose) {
    TempFolder folder;
    std::FILE* file = TesFile::createTemporaryFile(folder.tesPath("tmp"));
    ASSERT_NE(file, nullptr);
    EXPECT_FALSE(folder.exists("tmp"));
    EXPECT_GE(std::fputs("data", file), 0);
    std::rewind(file);
    EXPECT_EQ(readAndClose(file), "data");
    EXPECT_EQ(tesCountEntries(folder.tesPath()), 0);
    folder.write("taken", "");
    EXPECT_EQ(TesFile::createTemporaryFile(folder.tesPath("taken")), nullptr);  // must be new
}

}  // namespace
