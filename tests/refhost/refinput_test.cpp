// What scripts, scenes and settings files accept: numbers, bytes in messages,
// and statements refused whole with what was expected.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "refhost.h"
#include "session/reflines.h"
#include "session/refscene.h"
#include "tempfolder.h"

namespace {

using namespace std::string_literals;

// "d": a double only, "di": both, "": neither.
TEST(RefLines, NumbersAreWholeFiniteDecimalWords) {
    const struct {
        std::string word, kinds;
    } rows[] = {
        {"5", "di"}, {"-1.5e-3", "d"}, {"+.5", "d"}, {"1e-320", "d"}, {"2147483648", "d"}, {"0x1p-1074", ""},
        {"nan", ""}, {"-inf", ""}, {"1e400", ""}, {"5\0junk"s, ""}, {"", ""}, {".", ""}, {"1e", ""}, {" 5", ""},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(refPrintable(row.word));
        double parsed = 0;
        int integer = 0;
        EXPECT_EQ(refParseDouble(row.word, &parsed), row.kinds.find('d') != std::string::npos);
        EXPECT_EQ(refParseInt(row.word, &integer), row.kinds == "di");
        EXPECT_EQ(parsed, row.kinds.empty() ? 0 : std::strtod(row.word.c_str(), nullptr));
    }
}

TEST(RefLines, MessagesShowBinaryAndBrokenUtf8Escaped) {
    const struct {
        std::string text, shown;
    } rows[] = {
        {"plain \xC3\xA9t\xC3\xA9 \xF0\x9F\x99\x82", "plain \xC3\xA9t\xC3\xA9 \xF0\x9F\x99\x82"},
        {"nul\0bell\a"s, "nul\\x00bell\\x07"},
        {"\xFF\xC3(\xED\xA0\x80\xC0\xAF", "\\xff\\xc3(\\xed\\xa0\\x80\\xc0\\xaf"},  // surrogate, overlong
        {"\xF4\x90\x80\x80 cut \xE2\x82", "\\xf4\\x90\\x80\\x80 cut \\xe2\\x82"},  // past U+10FFFF, cut short
    };
    for (const auto& row : rows) EXPECT_EQ(refPrintable(row.text), row.shown);
}

TEST(RefLines, ReadingSkipsAByteOrderMarkAndRefusesFolders) {
    TempFolder folder;
    folder.writeAll(folder.file("bom"), {0xEF, 0xBB, 0xBF, 'e', 'c', 'h', 'o', ' ', 'x', '\n'});
    const RefLineFile read = refReadLines(folder.narrowFile("bom"));
    ASSERT_TRUE(read.good);
    EXPECT_EQ(read.lines.at(0).words.at(0), "echo");
    const RefLineFile folderRead = refReadLines(folder.path().string());
    EXPECT_FALSE(folderRead.good);
    EXPECT_NE(folderRead.error.find("Is a directory"), std::string::npos) << folderRead.error;
    EXPECT_NE(refReadLines(folder.narrowFile("none")).error.find("No such file"), std::string::npos);
    EXPECT_EQ(refReadLines("/dev/zero").error, "cannot read /dev/zero: not a regular file") << "a device never ends";
}

// A refused statement stores nothing, not even the part before the problem.
TEST(RefScene, BadStatementsAreRefusedWholeWithWhatWasExpected) {
    const struct {
        const char* line;
        const char* message;
    } rows[] = {
        {"camera zoom 0", "zoom must be greater than 0"},
        {"camera zoom -2", "zoom must be greater than 0"},
        {"camera near 10 far 5", "near must be less than far"},
        {"camera look 0 0 0", "look must not be a zero vector"},
        {"camera look 0 1 0 up 0 -2 0", "look and up are parallel"},
        {"camera eye nan 0 0", "eye x must be a finite number, not nan"},
        {"csys C origin 0 0 0 x 1 0 0 y 2 0 0 z 0 0 1", "axes x and y are parallel"},
        {"csys C origin 0 0 0 x 1 0 0 y 0 1 0 z 0 0 0", "axis z must not be a zero vector"},
        {"csys C origin 0 0 0 x 1 0 0 y 0 1 0 z 0 0 1 extra", "unexpected word: extra"},
        {"csys C origin 0 0 0 x 1 0 0 y 0 1 0", "missing z"},
        {"setting int Keep abc", "value must be an integer, not abc"},
        {"setting int Keep 5\x01", "value must be an integer, not 5\\x01"},
        {"setting string Name", "missing value"},
        {"setting", "missing setting type (bool, int, double or string)"},
        {"registry Key", "missing registry value"},
        {"unit", "missing unit (mm, cm, m, in or um)"},
        {"geometry part.obj", "geometry needs an object before it"},
        {"feature F plane origin 0 0 0 normal 0 0 1", "feature needs an object before it"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.line);
        RefHost host;
        const TesMatrix before = host.camera().orientation();
        const auto settings = host.settings().values();
        const RefSceneResult result = refLoadSceneLines(host, refSplitLines(row.line, "s"), "s");
        EXPECT_FALSE(result.good);
        EXPECT_EQ(result.error, std::string("s:1: ") + row.message);
        EXPECT_EQ(host.settings().values(), settings);
        EXPECT_TRUE(host.registry().values().empty());
        EXPECT_EQ(host.document().objects().size(), 0u);
        const TesMatrix after = host.camera().orientation();
        EXPECT_EQ(std::memcmp(&before, &after, sizeof before), 0);
        EXPECT_EQ(host.camera().zoom(), 1.0);
    }
    // Generated geometry stays within what memory holds, the whole scene counted together.
    const std::string grid = "object P type Point\ngeometry grid 2000 1500 1\nobject Q type Point\ngeometry grid ";
    for (const auto& [lines, message] : {std::pair{grid + "100000 201 1", "s:4: a scene generates at most 4000000"},
                                         {grid + "1000 1001 1", "s:4: a scene generates"},
                                         {"object M\ngeometry sphere 1 4000001", "s:2: a scene generates"}}) {
        RefHost host;
        EXPECT_EQ(refLoadSceneLines(host, refSplitLines(lines, "s"), "s").error.rfind(message, 0), 0u) << lines;
    }
}

}  // namespace
