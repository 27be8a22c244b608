#include "tespath.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <random>
#include <string>
#include <tuple>
#include <vector>

namespace {

using Units = std::u16string;
constexpr size_t kNone = Units::npos;

Units units(const TesString& text) { return Units(static_cast<std::u16string_view>(text)); }

std::string narrow(const Units& text) { return TesString(text.c_str()).toUtf8(); }

// A plain reference model of the matcher.
namespace model {

bool fits(std::string_view pattern, size_t p, size_t close, char unit) {
    const auto code = [](char c) { return static_cast<unsigned char>(c); };
    if (pattern[p] == '?') return true;
    if (close == kNone) return pattern[p] == unit;
    for (size_t i = p + 1; i < close; ++i) {
        if (i + 2 < close && pattern[i + 1] == '-') {
            if (code(pattern[i]) <= code(unit) && code(unit) <= code(pattern[i + 2])) return true;
            i += 2;
        } else if (pattern[i] == unit) {
            return true;
        }
    }
    return false;
}

// match[p][t]: the pattern from p matches the text from t; filled from the ends.
bool wildcard(std::string_view pattern, std::string_view text) {
    std::vector<std::vector<char>> match(pattern.size() + 1, std::vector<char>(text.size() + 2, 0));
    match[pattern.size()][text.size()] = 1;
    for (size_t p = pattern.size(); p-- > 0;) {
        const size_t close = pattern[p] == '[' ? pattern.find(']', p + 1) : kNone;
        for (size_t t = text.size() + 1; t-- > 0;) {
            if (pattern[p] == '*') {
                match[p][t] = match[p + 1][t] || match[p][t + 1];
            } else if (t < text.size() && fits(pattern, p, close, text[t])) {
                match[p][t] = match[close == kNone ? p + 1 : close + 1][t + 1];
            }
        }
    }
    return match[0][0] != 0;
}

}  // namespace model

enum class Op { normalize, collapse, parent, extension, name, stem, newExtension, noExtension, driveRoot, absolute };

Units apply(Op op, const TesString& path) {
    TesString changed = path;
    if (op == Op::normalize) TesPath::normalize(changed);
    if (op == Op::collapse) {
        const bool reported = TesPath::collapseDotDot(changed);
        EXPECT_EQ(reported, changed != path) << "the change is reported";
    }
    if (op == Op::newExtension) TesPath::replaceExtension(changed, u".srml");
    if (op == Op::noExtension) TesPath::replaceExtension(changed, TesString());
    switch (op) {
        case Op::parent: return units(TesPath::parentDirectory(path));
        case Op::extension: return units(TesPath::extension(path));
        case Op::name: return units(TesPath::fileName(path, true));
        case Op::stem: return units(TesPath::fileName(path, false));
        case Op::driveRoot: return units(TesPath::withDriveRoot(path));
        case Op::absolute: return TesPath::isRelative(path) ? u"relative" : u"absolute";
        default: return units(changed);
    }
}

TEST(TesPath, PathRulesAtTheEdges) {
    const std::tuple<Op, Units, Units> rows[] = {
        {Op::normalize, u"//d/data/", u"d:\\data"}, {Op::normalize, u"//d", u"\\\\d"}, {Op::normalize, u"c:\\", u"c:"},
        {Op::normalize, u"x//d/e", u"x\\\\d\\e"}, {Op::normalize, u"\\\\\\", u"\\"},
        {Op::normalize, u"//dd/e", u"\\\\dd\\e"}, {Op::normalize, u"//d/", u"d:"},  // the shortest drive form
        {Op::collapse, u"a\\b\\..\\c\\..\\d", u"a\\d"}, {Op::collapse, u"x\\a\\..\\..\\b", u"x\\..\\b"},
        {Op::collapse, u"a\\..\\b", u"a\\..\\b"},       {Op::collapse, u"x\\a\\b\\..", u"x\\a\\b\\.."},
        {Op::collapse, u"p/a/../b", u"p/b"}, {Op::collapse, u"p\\a/../b", u"p/b"},  // "/" pairs take the "\" before them
        {Op::collapse, u"\\..\\x", u"\\..\\x"},         {Op::collapse, u"c:\\a\\.\\..\\b", u"c:\\a\\b"},
        {Op::parent, u"file.txt", u".\\"}, {Op::parent, u"\\x", u"\\"}, {Op::parent, u"", u"."},
        {Op::parent, u"a/b", u"a"},
        {Op::extension, u"c:\\dir.two\\file", u""}, {Op::extension, u"a.tar.gz", u"gz"}, {Op::extension, u"name.", u""},
        {Op::name, u"c:\\a\\b.txt", u"b.txt"}, {Op::name, u"c:\\a\\", u""}, {Op::stem, u"c:\\a\\b.txt", u"b"},
        {Op::newExtension, u"c:\\a\\b.txt", u"c:\\a\\b.srml"}, {Op::noExtension, u"a.b\\c.txt", u"a.b\\c"},
        {Op::newExtension, u"c:\\dir.two\\file", u"c:\\dir.two\\file.srml"},
        {Op::driveRoot, u"c:", u"c:\\"},            {Op::driveRoot, u"c:\\", u"c:\\"}, {Op::driveRoot, u"ab", u"ab"},
        // raw "/x" is relative until normalised
        {Op::absolute, u"\\x", u"absolute"}, {Op::absolute, u"Z:x", u"absolute"}, {Op::absolute, u"/x", u"relative"},
        {Op::absolute, u"1:\\x", u"relative"}, {Op::absolute, u"", u"relative"}, {Op::absolute, u":\\", u"relative"},
    };
    for (const auto& [op, input, expected] : rows) {
        EXPECT_EQ(apply(op, input.c_str()), expected) << "op " << static_cast<int>(op) << " on " << narrow(input);
    }
}

TEST(TesPath, MakeAbsoluteJoinsTheWorkingDirectory) {
    TesString cwd = TesString::fromUtf8(std::filesystem::current_path().string());
    TesPath::normalize(cwd);
    const Units here = units(cwd);
    const Units up = units(TesPath::parentDirectory(cwd));
    const Units upUp = units(TesPath::parentDirectory(TesPath::parentDirectory(cwd)));
    auto under = [](const Units& folder, const Units& rest) {
        return apply(Op::normalize, (folder + (folder.back() == u'\\' ? u"" : u"\\") + rest).c_str());
    };
    const std::pair<Units, Units> rows[] = {
        {u".\\.\\x\\", under(here, u"x")},   {u"../x", under(up, u"x")},         {u"..\\..\\x", under(upUp, u"x")},
        {u"..", up},                        {u"", here},                        {u"...\\x", under(here, u"...\\x")},
        {u"\\abs", u"\\abs"},                 {u"x\\..\\y", under(here, u"x\\..\\y")}, {u"/abs", under(here, u"/abs")},
    };
    for (const auto& [input, expected] : rows) {
        TesString path(input.c_str());
        EXPECT_TRUE(TesPath::makeAbsolute(path));
        EXPECT_EQ(units(path), expected) << narrow(input);
    }
}

// Rules the comparison with the model below cannot reach: case, ranges, bytes
// above 0x7F, wide units.
TEST(TesPath, WildcardEdgeCases) {
    const std::tuple<const char*, const char*, bool> rows[] = {
        {"*.*", "README", false},  // literal about the dot
        {"A*", "abc", false},       {"[z-a]", "m", false},  // a reversed range is empty
        {"[\x7f-\xff]", "\x80", true}, {"[\x01-\x7f]", "\x80", false},  // ranges over unsigned bytes
    };
    for (const auto& [pattern, text, matches] : rows) {
        EXPECT_EQ(TesPath::wildcardMatch(pattern, text), matches) << pattern << " ~ " << text;
    }
    EXPECT_TRUE(TesPath::wildcardMatch(u"[\u00e0-\u00ff]x", u"\u00e9x"));
    EXPECT_FALSE(TesPath::wildcardMatch(u"[a-z]", u"\u00e9"));
}

// Every pattern up to 4 symbols against every text up to 4 units; random
// patterns of 40 to 100 units, across the change of state store after 63 units.
// Both forms share one matcher: the narrow one stands for both.
TEST(TesPath, WildcardAgreesWithTheModel) {
    auto check = [](const std::string& pattern, const std::string& text) {
        ASSERT_EQ(TesPath::wildcardMatch(pattern, text), model::wildcard(pattern, text)) << pattern << " ~ " << text;
    };
    auto all = [](const std::string& symbols) {
        std::vector<std::string> words = {""};
        for (size_t start = 0; words[start].size() < 4; ++start) {
            for (char symbol : symbols) words.push_back(words[start] + symbol);
        }
        return words;
    };
    const std::vector<std::string> texts = all("ab-[]");
    for (const std::string& pattern : all("ab?*[]-")) {
        for (const std::string& text : texts) ASSERT_NO_FATAL_FAILURE(check(pattern, text));
    }
    std::mt19937 random(77);
    for (int round = 0; round < 400; ++round) {
        std::string text;
        for (size_t i = 40 + random() % 60; i > 0; --i) text += "ab"[random() % 2];
        std::string pattern;
        for (size_t i = 0; i < text.size(); ++i) {
            const uint32_t pick = random() % 40;
            if (pick == 0) i += random() % 5;
            pattern += pick == 0 ? "*" : pick == 1 ? "?" : pick == 2 ? "[a-b]" : std::string(1, text[i]);
        }
        if (random() % 2 == 0 && !pattern.empty()) pattern.back() = 'c';
        ASSERT_NO_FATAL_FAILURE(check(pattern, text));
    }
}

}  // namespace
