#include "tesdir.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <set>
#include <string>

#include "scratchfolder.h"
#include "tesfile.h"

namespace {

namespace fs = std::filesystem;

std::set<std::string> visit(const TesString& directory, bool skipDots) {
    std::set<std::string> names;
    TesDirIterator iterator;
    for (bool more = iterator.first(directory, skipDots); more; more = iterator.next()) {
        names.insert(iterator.name().toUtf8());
        EXPECT_EQ(iterator.path().toUtf8(), (directory + TesString(u"\\") + iterator.name()).toUtf8());
        EXPECT_FALSE(iterator.atEnd());
    }
    EXPECT_TRUE(iterator.atEnd());
    EXPECT_TRUE(iterator.path().isEmpty());
    return names;
}

TEST(TesDir, VisitsEveryEntryNamesWithoutADotToo) {
    ScratchFolder scratch;
    scratch.write("noext", "");
    scratch.write("file.txt", "");
    scratch.write(".hidden", "");
    scratch.write("sub/inner", "");
    const std::set<std::string> expected = {"noext", "file.txt", ".hidden", "sub"};
    EXPECT_EQ(visit(scratch.path(), true), expected);
    std::set<std::string> withDots = expected;
    withDots.insert(".");
    withDots.insert("..");
    EXPECT_EQ(visit(scratch.path(), false), withDots);
    EXPECT_EQ(tesCountEntries(scratch.path()), 4);
    EXPECT_EQ(tesCountEntries(scratch.path(), false), 6);
    EXPECT_EQ(tesCountEntries(scratch.path("sub")), 1);
}

TEST(TesDir, EntryKindsAndStatus) {
    ScratchFolder scratch;
    scratch.write("file", "12345");
    fs::create_directory(scratch.native("dir"));
    fs::create_symlink(scratch.native("file"), scratch.native("filelink"));
    fs::create_symlink(scratch.native("gone"), scratch.native("dangling"));
    TesDirIterator iterator;
    int seen = 0;
    for (bool more = iterator.first(scratch.path(), true); more; more = iterator.next(), ++seen) {
        const std::string name = iterator.name().toUtf8();
        SCOPED_TRACE(name);
        EXPECT_TRUE(iterator.hasStatus());
        if (name == "file" || name == "filelink") {
            EXPECT_TRUE(iterator.isFile());
            EXPECT_FALSE(iterator.isDirectory());
            EXPECT_EQ(iterator.status().size, 5);
            EXPECT_EQ(iterator.isLink(), name == "filelink");
        } else if (name == "dir") {
            EXPECT_TRUE(iterator.isDirectory());
            EXPECT_FALSE(iterator.isFile());
        } else {
            EXPECT_EQ(name, "dangling");
            EXPECT_TRUE(iterator.isLink());
            EXPECT_FALSE(iterator.isFile());
            EXPECT_FALSE(iterator.isDirectory());
        }
    }
    EXPECT_EQ(seen, 4);
}

TEST(TesDir, EmptyMissingAndRestartedSearches) {
    ScratchFolder scratch;
    TesDirIterator iterator;
    EXPECT_FALSE(iterator.first(scratch.path(), true));  // empty once the dots are skipped
    EXPECT_TRUE(iterator.atEnd());
    EXPECT_FALSE(iterator.next());
    EXPECT_FALSE(iterator.first(scratch.path("missing"), false));
    EXPECT_FALSE(iterator.first(TesString(), false));
    EXPECT_EQ(tesCountEntries(scratch.path("missing")), 0);
    scratch.write("file", "");
    EXPECT_FALSE(iterator.first(scratch.path("file"), false));  // not a directory

    scratch.write("d/a", "");
    scratch.write("d/b", "");
    ASSERT_TRUE(iterator.first(scratch.path("d"), true));
    ASSERT_TRUE(iterator.first(scratch.path("d"), true));  // starts over
    int count = 1;
    while (iterator.next()) ++count;
    EXPECT_EQ(count, 2);

    // A trailing separator on the directory does not double up.
    ASSERT_TRUE(iterator.first(scratch.path("d") + TesString(u"\\"), true));
    EXPECT_EQ(iterator.path().find(u"\\\\"), -1);
}

}  // namespace
