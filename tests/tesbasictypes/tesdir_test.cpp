#include "tesdir.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <string>

#include "tempfolder.h"

namespace {

// Each visited name with what the iterator says of it: "f" file, "d" folder,
// "l" link, the size for a file; "-" when it has no status.
std::map<std::string, std::string> visit(const TesString& directory, bool skipDots) {
    std::map<std::string, std::string> entries;
    std::string base = directory.toUtf8();
    if (base.back() == '\\') base.pop_back();
    TesDirIterator iterator;
    for (bool more = iterator.first(directory, skipDots); more; more = iterator.next()) {
        EXPECT_FALSE(iterator.atEnd());
        EXPECT_EQ(iterator.path().toUtf8(), base + "\\" + iterator.name().toUtf8());
        std::string kind = !iterator.hasStatus() ? "-" : iterator.isFile() ? "f" : iterator.isDirectory() ? "d" : "";
        if (iterator.isLink()) kind += "l";
        if (iterator.isFile()) kind += std::to_string(iterator.status().size);
        entries[iterator.name().toUtf8()] = kind;
    }
    EXPECT_TRUE(iterator.atEnd());
    EXPECT_TRUE(iterator.path().isEmpty());
    EXPECT_FALSE(iterator.next());
    return entries;
}

TEST(TesDir, VisitsEveryEntryWithItsKind) {
    TempFolder scratch;
    scratch.write("noext", "12345");
    scratch.write(".hidden", "");
    scratch.write("sub/inner", "");
    std::filesystem::create_symlink(scratch.narrowFile("noext"), scratch.narrowFile("filelink"));
    std::filesystem::create_symlink(scratch.narrowFile("gone"), scratch.narrowFile("dangling"));
    const std::map<std::string, std::string> expected = {
        {"noext", "f5"}, {".hidden", "f0"}, {"sub", "d"}, {"filelink", "fl5"}, {"dangling", "l"}};
    EXPECT_EQ(visit(scratch.tesPath(), true), expected);
    EXPECT_EQ(visit(scratch.tesPath() + u"\\", true), expected);  // a trailing separator is not doubled
    std::map<std::string, std::string> withDots = expected;
    withDots["."] = withDots[".."] = "d";
    EXPECT_EQ(visit(scratch.tesPath(), false), withDots);
    EXPECT_EQ(tesCountEntries(scratch.tesPath(), false), 7);
    EXPECT_EQ(tesCountEntries(scratch.tesPath("sub")), 1);
}

TEST(TesDir, EmptyMissingAndRestartedSearches) {
    TempFolder scratch;
    TesDirIterator iterator;
    EXPECT_FALSE(iterator.first(scratch.tesPath(), true));  // empty once the dots are skipped
    EXPECT_TRUE(iterator.atEnd());
    EXPECT_FALSE(iterator.first(scratch.tesPath("missing"), false));
    EXPECT_FALSE(iterator.first(TesString(), false));
    EXPECT_EQ(tesCountEntries(scratch.tesPath("missing")), 0);
    scratch.write("d/a", "");
    scratch.write("d/b", "");
    EXPECT_FALSE(iterator.first(scratch.tesPath("d/a"), false));  // not a directory
    ASSERT_TRUE(iterator.first(scratch.tesPath("d"), true));
    ASSERT_TRUE(iterator.first(scratch.tesPath("d"), true));  // starts over
    ASSERT_TRUE(iterator.next());
    EXPECT_FALSE(iterator.next());
}

}  // namespace
