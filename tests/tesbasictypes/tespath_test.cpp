#include "tespath.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <random>
#include <set>
#include <string>
#include <vector>

namespace {

std::u16string units(const TesString& text) { return std::u16string(static_cast<std::u16string_view>(text)); }

std::string narrow(const std::u16string& text) { return TesString(text.c_str()).toUtf8(); }

// Plain reference models of the path rules, written without the library.
namespace model {

std::u16string normalize(std::u16string path) {
    if (path.size() >= 4 && path[0] == u'/' && path[1] == u'/' && path[3] == u'/') {
        std::u16string rewritten;
        rewritten += path[2];
        rewritten += u":\\";
        for (size_t i = 4; i < path.size(); ++i) rewritten += path[i];
        path = rewritten;
    }
    std::u16string result;
    for (char16_t unit : path) result += unit == u'/' ? u'\\' : unit;
    size_t end = result.size();
    while (end > 1 && result[end - 1] == u'\\') --end;
    return result.substr(0, end);
}

int findText(const std::u16string& path, const std::u16string& text) {
    for (size_t i = 0; i + text.size() <= path.size(); ++i) {
        if (path.compare(i, text.size(), text) == 0) return static_cast<int>(i);
    }
    return -1;
}

int lastBefore(const std::u16string& path, int end, char16_t unit) {
    for (int i = end - 1; i >= 0; --i) {
        if (path[static_cast<size_t>(i)] == unit) return i;
    }
    return -1;
}

bool collapseDotDot(std::u16string& path) {
    bool changed = false;
    for (;;) {
        int at = findText(path, u"\\..\\");
        if (at < 0) at = findText(path, u"/../");
        if (at < 0) return changed;
        int separator = lastBefore(path, at, u'\\');
        if (separator < 0) separator = lastBefore(path, at, u'/');
        if (separator < 0) return changed;
        path = path.substr(0, static_cast<size_t>(separator)) + path.substr(static_cast<size_t>(at) + 3);
        changed = true;
    }
}

int lastSeparator(const std::u16string& path) {
    return std::max(lastBefore(path, static_cast<int>(path.size()), u'\\'),
                    lastBefore(path, static_cast<int>(path.size()), u'/'));
}

std::u16string parentDirectory(const std::u16string& path) {
    if (path.empty()) return u".";
    const int separator = lastSeparator(path);
    if (separator < 0) return u".\\";
    if (separator == 0) return u"\\";
    return path.substr(0, static_cast<size_t>(separator));
}

int extensionDot(const std::u16string& path) {
    const int dot = lastBefore(path, static_cast<int>(path.size()), u'.');
    return dot > lastSeparator(path) ? dot : -1;
}

std::u16string extension(const std::u16string& path) {
    const int dot = extensionDot(path);
    return dot < 0 ? u"" : path.substr(static_cast<size_t>(dot) + 1);
}

std::u16string fileName(const std::u16string& path, bool keepExtension) {
    const int dot = extensionDot(path);
    const std::u16string stem = keepExtension || dot < 0 ? path : path.substr(0, static_cast<size_t>(dot));
    return stem.substr(static_cast<size_t>(lastSeparator(stem) + 1));
}

std::u16string replaceExtension(const std::u16string& path, const std::u16string& text) {
    const int dot = extensionDot(path);
    return (dot < 0 ? path : path.substr(0, static_cast<size_t>(dot))) + text;
}

bool isAbsolute(const std::u16string& path) {
    if (path.empty()) return false;
    if (path[0] == u'\\') return true;
    const bool letter = (path[0] >= u'a' && path[0] <= u'z') || (path[0] >= u'A' && path[0] <= u'Z');
    return letter && path.size() > 1 && path[1] == u':';
}

// Set membership by listing every member of the set.
template <class Unit>
bool inSet(std::basic_string_view<Unit> members, Unit unit) {
    std::set<uint32_t> set;
    auto code = [](Unit u) { return static_cast<uint32_t>(static_cast<std::make_unsigned_t<Unit>>(u)); };
    for (size_t i = 0; i < members.size(); ++i) {
        if (i + 2 < members.size() && members[i + 1] == Unit('-')) {
            for (uint32_t c = code(members[i]); c <= code(members[i + 2]); ++c) set.insert(c);
            i += 2;
        } else {
            set.insert(code(members[i]));
        }
    }
    return set.count(code(unit)) > 0;
}

// Backtracking, memoised on (pattern position, text position) so that long
// patterns with stars stay quick.
template <class Unit>
class Wildcard {
public:
    Wildcard(std::basic_string_view<Unit> pattern, std::basic_string_view<Unit> text)
        : pattern_(pattern), text_(text), memo_((pattern.size() + 1) * (text.size() + 1), -1) {}

    bool matches(size_t p = 0, size_t t = 0) {
        int8_t& known = memo_[p * (text_.size() + 1) + t];
        if (known < 0) known = solve(p, t) ? 1 : 0;
        return known == 1;
    }

private:
    bool solve(size_t p, size_t t) {
        if (p == pattern_.size()) return t == text_.size();
        const Unit first = pattern_[p];
        if (first == Unit('*')) return matches(p + 1, t) || (t < text_.size() && matches(p, t + 1));
        if (t == text_.size()) return false;
        if (first == Unit('?')) return matches(p + 1, t + 1);
        const size_t close = first == Unit('[') ? pattern_.find(Unit(']'), p + 1) : pattern_.npos;
        if (close != pattern_.npos) {
            return inSet(pattern_.substr(p + 1, close - p - 1), text_[t]) && matches(close + 1, t + 1);
        }
        return first == text_[t] && matches(p + 1, t + 1);
    }

    std::basic_string_view<Unit> pattern_;
    std::basic_string_view<Unit> text_;
    std::vector<int8_t> memo_;
};

template <class Unit>
bool wildcard(std::basic_string_view<Unit> pattern, std::basic_string_view<Unit> text) {
    return Wildcard<Unit>(pattern, text).matches();
}

}  // namespace model

TEST(TesPath, NormalizeEdgeCases) {
    const std::vector<std::pair<std::u16string, std::u16string>> cases = {
        {u"//d/data/", u"d:\\data"},  {u"\\", u"\\"},          {u"/", u"\\"},
        {u"", u""},                    {u"c:\\", u"c:"},        {u"a/b//", u"a\\b"},
        {u"\\\\\\", u"\\"},            {u"//d/", u"d:"},        {u"//d", u"\\\\d"},
        {u"x//d/e", u"x\\\\d\\e"},     {u"//dd/e", u"\\\\dd\\e"}, {u"/home/me/part.srml", u"\\home\\me\\part.srml"},
    };
    for (const auto& [input, expected] : cases) {
        TesString path(input.c_str());
        TesPath::normalize(path);
        EXPECT_EQ(units(path), expected) << narrow(input);
    }
}

TEST(TesPath, CollapseDotDotEdgeCases) {
    struct Case {
        std::u16string input, expected;
        bool changed;
    };
    const std::vector<Case> cases = {
        {u"a\\b\\..\\c\\..\\d", u"a\\d", true},
        {u"a\\b\\..\\c", u"a\\c", true},
        {u"a\\b\\c", u"a\\b\\c", false},
        {u"", u"", false},
        {u"a\\..\\b", u"a\\..\\b", false},     // no separator before the pair
        {u"\\..\\x", u"\\..\\x", false},
        {u"x\\a\\b\\..", u"x\\a\\b\\..", false},  // ".." without a separator after it
        {u"x\\a\\..\\..\\b", u"x\\..\\b", true},
        {u"p/a/../b", u"p/b", true},
        {u"p\\a/../b", u"p/b", true},          // "/" pairs take the "\" before them
        {u"c:\\a\\.\\..\\b", u"c:\\a\\b", true},
    };
    for (const Case& c : cases) {
        TesString path(c.input.c_str());
        EXPECT_EQ(TesPath::collapseDotDot(path), c.changed) << narrow(c.input);
        EXPECT_EQ(units(path), c.expected) << narrow(c.input);
    }
}

TEST(TesPath, NamesAndParents) {
    EXPECT_EQ(units(TesPath::parentDirectory(u"file.txt")), u".\\");
    EXPECT_EQ(units(TesPath::parentDirectory(u"\\x")), u"\\");
    EXPECT_EQ(units(TesPath::parentDirectory(u"")), u".");
    EXPECT_EQ(units(TesPath::parentDirectory(u"c:\\a\\b")), u"c:\\a");
    EXPECT_EQ(units(TesPath::parentDirectory(u"c:\\")), u"c:");
    EXPECT_EQ(units(TesPath::parentDirectory(u"a/b")), u"a");

    EXPECT_EQ(units(TesPath::extension(u"c:\\dir.two\\file")), u"");
    EXPECT_EQ(units(TesPath::extension(u"a.tar.gz")), u"gz");
    EXPECT_EQ(units(TesPath::extension(u"name.")), u"");
    EXPECT_EQ(units(TesPath::fileName(u"c:\\a\\b.txt", false)), u"b");
    EXPECT_EQ(units(TesPath::fileName(u"c:\\a\\b.txt", true)), u"b.txt");
    EXPECT_EQ(units(TesPath::fileName(u"c:\\dir.two\\file", false)), u"file");
    EXPECT_EQ(units(TesPath::fileName(u"c:\\a\\", true)), u"");
    EXPECT_EQ(units(TesPath::fileName(u"plain", true)), u"plain");

    TesString path(u"c:\\a\\b.txt");
    TesPath::replaceExtension(path, u".srml");
    EXPECT_EQ(units(path), u"c:\\a\\b.srml");
    path = u"c:\\dir.two\\file";
    TesPath::replaceExtension(path, u".srml");
    EXPECT_EQ(units(path), u"c:\\dir.two\\file.srml");
    TesPath::replaceExtension(path, TesString());
    EXPECT_EQ(units(path), u"c:\\dir.two\\file");

    EXPECT_EQ(units(TesPath::withDriveRoot(u"c:")), u"c:\\");
    EXPECT_EQ(units(TesPath::withDriveRoot(u"c:\\")), u"c:\\");
    EXPECT_EQ(units(TesPath::withDriveRoot(u"ab")), u"ab");
    EXPECT_EQ(units(TesPath::withDriveRoot(u"")), u"");
    EXPECT_EQ(units(TesPath::rootPath()), u"\\");
}

TEST(TesPath, AbsoluteAndRelative) {
    const std::vector<std::pair<std::u16string, bool>> cases = {
        {u"\\x", true}, {u"/x", false}, {u"c:", true}, {u"Z:x", true}, {u"1:\\x", false},
        {u"", false},   {u"x", false}, {u".\\x", false}, {u"c", false}, {u":\\", false},
    };
    for (const auto& [path, absolute] : cases) {
        EXPECT_EQ(TesPath::isAbsolute(path.c_str()), absolute) << narrow(path);
        EXPECT_EQ(TesPath::isRelative(path.c_str()), !absolute) << narrow(path);
    }
}

TEST(TesPath, MakeAbsoluteJoinsTheWorkingDirectory) {
    TesString cwd = TesString::fromUtf8(std::filesystem::current_path().string());
    TesPath::normalize(cwd);
    const std::u16string here = units(cwd);
    const std::u16string up = units(TesPath::parentDirectory(cwd));
    const std::u16string upUp = units(TesPath::parentDirectory(TesPath::parentDirectory(cwd)));
    auto under = [](const std::u16string& folder, const std::u16string& rest) {
        return model::normalize(folder + (folder.back() == u'\\' ? u"" : u"\\") + rest);
    };
    const std::vector<std::pair<std::u16string, std::u16string>> cases = {
        {u"x", under(here, u"x")},           {u".\\x", under(here, u"x")},      {u".\\.\\x\\", under(here, u"x")},
        {u"..\\x", under(up, u"x")},          {u"../x", under(up, u"x")},         {u"..\\..\\x", under(upUp, u"x")},
        {u".", here},                         {u"..", up},                        {u"", here},
        {u"...\\x", under(here, u"...\\x")},  {u"x\\..\\y", under(here, u"x\\..\\y")},
        {u"\\abs", u"\\abs"},                 {u"c:\\abs", u"c:\\abs"},           {u"/abs", under(here, u"/abs")},
    };
    for (const auto& [input, expected] : cases) {
        TesString path(input.c_str());
        EXPECT_TRUE(TesPath::makeAbsolute(path));
        EXPECT_EQ(units(path), expected) << narrow(input);
    }
}

// Random paths over a small alphabet against the models.
TEST(TesPath, AlgorithmsAgreeWithThePlainModels) {
    const std::vector<std::u16string> tokens = {u"a", u"b", u".", u"..", u"\\", u"/", u":"};
    std::mt19937 random(20240611);
    for (int round = 0; round < 20000; ++round) {
        std::u16string input;
        const int count = static_cast<int>(random() % 11);
        for (int i = 0; i < count; ++i) input += tokens[random() % tokens.size()];
        const TesString path(input.c_str());
        SCOPED_TRACE(narrow(input));

        TesString normalized = path;
        TesPath::normalize(normalized);
        ASSERT_EQ(units(normalized), model::normalize(input));
        TesString again = normalized;
        TesPath::normalize(again);
        ASSERT_EQ(units(again), units(normalized));

        TesString collapsed = path;
        std::u16string modelCollapsed = input;
        ASSERT_EQ(TesPath::collapseDotDot(collapsed), model::collapseDotDot(modelCollapsed));
        ASSERT_EQ(units(collapsed), modelCollapsed);

        ASSERT_EQ(units(TesPath::parentDirectory(path)), model::parentDirectory(input));
        ASSERT_EQ(units(TesPath::extension(path)), model::extension(input));
        ASSERT_EQ(units(TesPath::fileName(path, true)), model::fileName(input, true));
        ASSERT_EQ(units(TesPath::fileName(path, false)), model::fileName(input, false));
        TesString replaced = path;
        TesPath::replaceExtension(replaced, u".x");
        ASSERT_EQ(units(replaced), model::replaceExtension(input, u".x"));
        ASSERT_EQ(TesPath::isAbsolute(path), model::isAbsolute(input));
    }
}

TEST(TesPath, WildcardEdgeCases) {
    struct Case {
        const char* pattern;
        const char* text;
        bool matches;
    };
    const std::vector<Case> cases = {
        {"*.t[a-x]t", "notes.txt", true},
        {"a?c", "ac", false},
        {"a?c", "abc", true},
        {"", "", true},
        {"", "a", false},
        {"*", "", true},
        {"**", "", true},
        {"?", "", false},
        {"*.*", "README", false},   // the string matcher is literal about the dot
        {"A*", "abc", false},       // case-sensitive
        {"[abc]", "b", true},
        {"[a-c]", "d", false},
        {"[z-a]", "m", false},      // a reversed range is empty
        {"[]", "]", false},         // the first "]" closes an empty set
        {"[]]", "]", false},
        {"[", "[", true},           // no "]": a plain unit
        {"[a", "[a", true},
        {"[a-]", "-", true},        // "-" at the end of a set is itself
        {"[-a]", "-", true},
        {"a*b*c", "axxbyyc", true},
        {"a*b*c", "axxbyy", false},
        {"*a", "bbba", true},
        {"[\x7f-\xff]", "\x80", true},  // ranges over unsigned bytes
        {"[\x01-\x7f]", "\x80", false},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(TesPath::wildcardMatch(c.pattern, c.text), c.matches) << c.pattern << " ~ " << c.text;
        const std::u16string widePattern = TesString::fromUtf8(c.pattern).c_str();
        const std::u16string wideText = TesString::fromUtf8(c.text).c_str();
        EXPECT_EQ(TesPath::wildcardMatch(widePattern, wideText), c.matches) << c.pattern << " ~ " << c.text;
    }
    EXPECT_TRUE(TesPath::wildcardMatch(u"[\u00e0-\u00ff]x", u"\u00e9x"));
    EXPECT_FALSE(TesPath::wildcardMatch(u"[a-z]", u"\u00e9"));
}

// Every pattern up to 4 symbols against every text up to 4 units, both forms.
TEST(TesPath, WildcardAgreesWithBacktrackingExhaustively) {
    const std::string patternSymbols = "ab?*[]-";
    const std::string textSymbols = "ab-[]";
    auto all = [](const std::string& symbols, size_t maxLength) {
        std::vector<std::string> words = {""};
        for (size_t start = 0; start < words.size(); ++start) {
            if (words[start].size() == maxLength) continue;
            for (char symbol : symbols) words.push_back(words[start] + symbol);
        }
        return words;
    };
    const std::vector<std::string> patterns = all(patternSymbols, 4);
    const std::vector<std::string> texts = all(textSymbols, 4);
    int mismatches = 0;
    for (const std::string& pattern : patterns) {
        const std::u16string widePattern(pattern.begin(), pattern.end());
        for (const std::string& text : texts) {
            const bool expected = model::wildcard<char>(pattern, text);
            const std::u16string wideText(text.begin(), text.end());
            if (TesPath::wildcardMatch(pattern, text) != expected ||
                TesPath::wildcardMatch(std::u16string_view(widePattern), std::u16string_view(wideText)) != expected) {
                if (++mismatches < 10) ADD_FAILURE() << "'" << pattern << "' ~ '" << text << "'";
            }
        }
    }
    EXPECT_EQ(mismatches, 0);
}

// Around 64 pattern units, where the matcher changes its state store.
TEST(TesPath, WildcardAtTheStateStoreBoundary) {
    for (size_t size = 61; size <= 66; ++size) {
        const std::string run(size - 1, 'a');
        for (const std::string& pattern : {run + "*", "*" + run, run.substr(4) + "[a-b]", run + "?"}) {
            ASSERT_EQ(pattern.size(), size);
            for (size_t textSize : {size - 2, size - 1, size, size + 1, size + 5}) {
                for (char last : {'a', 'b'}) {
                    const std::string text = std::string(textSize - 1, 'a') + last;
                    EXPECT_EQ(TesPath::wildcardMatch(pattern, text), model::wildcard<char>(pattern, text))
                        << pattern << " ~ " << text;
                }
            }
        }
    }
}

// Long patterns (beyond the matcher's single-word states).
TEST(TesPath, WildcardAgreesOnLongPatterns) {
    std::mt19937 random(77);
    for (int round = 0; round < 300; ++round) {
        std::string text;
        const size_t length = 100 + random() % 200;
        for (size_t i = 0; i < length; ++i) text += "ab"[random() % 2];
        std::string pattern;
        for (size_t i = 0; i < text.size(); ++i) {
            const uint32_t pick = random() % 40;
            if (pick == 0) {
                pattern += '*';
                i += random() % 5;
            } else {
                pattern += pick == 1 ? '?' : pick == 2 ? '[' : text[i];
                if (pick == 2) pattern += "a-b]";
            }
        }
        if (random() % 2 == 0 && !pattern.empty()) pattern.back() = 'c';
        ASSERT_EQ(TesPath::wildcardMatch(pattern, text), model::wildcard<char>(pattern, text)) << pattern;
    }
}

}  // namespace
