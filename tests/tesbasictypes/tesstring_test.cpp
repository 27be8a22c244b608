// TesString without a host: the string service is absent, so every operation
// takes its own fallback (tests/refhost/refstrsupport_test.cpp has the service).
#include "tesstring.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <tuple>
#include <vector>

#include "assertreports.h"
#include "strsupport.h"

namespace {

std::u16string units(const TesString& text) { return std::u16string(static_cast<std::u16string_view>(text)); }

TEST(TesString, EightBitTextIsWidenedBySignExtension) {
    EXPECT_EQ(units(TesString("a\x80\xff\x7f")), (std::u16string{u'a', 0xFF80, 0xFFFF, 0x7F}));
    EXPECT_EQ(units(TesString(NelCString("\xe9t"))), (std::u16string{0xFFE9, u't'}));
    EXPECT_EQ(units(TesString("abcdef", 2)), u"ab");
    EXPECT_TRUE(TesString(static_cast<const char*>(nullptr)).isEmpty());
    EXPECT_EQ(TesString("a\x80").toUtf8(), "a\x80");  // the raw byte comes back
}

// A buffer holding n units and the terminator is reused; the own text may be
// the source of every change.
TEST(TesString, BuffersAreReusedAndAliasingIsSafe) {
    TesString text(u"abcdef");
    const char16_t* buffer = text.data();
    text.assign(text.data() + 1, 2);
    EXPECT_EQ(units(text), u"bc");
    const int32_t fits = (text.capacity() - 2) / 2;
    text = std::u16string(static_cast<size_t>(fits), u'x').c_str();
    EXPECT_EQ(text.data(), buffer);
    text += u'y';
    EXPECT_GE(text.capacity(), 2 * (fits + 1) + 2);
    text = u"ab";
    text += text;
    text.append(nullptr, 3);
    text.append(u"zz", -1);
    const TesString& alias = text;
    text = alias;
    EXPECT_EQ(units(text), u"abab");
    TesString moved(std::move(text));
    EXPECT_TRUE(text.isNull());  // NOLINT: checks the moved-from state
    EXPECT_EQ(TesString().capacity(), 0);
}

TEST(TesString, SearchesAtTheEnds) {
    const TesString text(u"xxab");
    const std::tuple<const char*, int32_t, int32_t> rows[] = {
        {"text fits only before start", text.find(u"ab", 3), -1}, {"empty text", text.find(u"", 3), 0},
        {"text longer than string", text.find(u"xxabc"), -1},     {"unit after start", text.find(u'a', 3), -1},
        {"unit negative start", text.find(u'x', -1), -1},         {"unit start at length", text.find(u'x', 4), -1},
        {"last unit", text.rfind(u'x'), 1},                       {"last empty text", text.rfind(u""), 4},
        {"null string", TesString().find(u'a'), -1},              {"text from start", text.find(u"xa", 1), 1},
        {"last text", text.rfind(u"x"), 1},                       {"a TesString", text.find(TesString(u"ab")), 2},
    };
    for (const auto& [name, found, expected] : rows) EXPECT_EQ(found, expected) << name;
    EXPECT_FALSE(TesString(u"Vie").startsWith(u"View"));
    AssertReports asserts;
    EXPECT_EQ(text.find(u"a", -2), -1);
    EXPECT_EQ(asserts.texts, std::vector<std::string>{"start >= 0 @ src/tesbasictypes/tesstring"});
}

// Empty pieces are the null string; a refused replacement leaves the text as it was.
TEST(TesString, PiecesAndReplacementsAtTheEnds) {
    const TesString text(u"abcdef");
    const TesString path(u"C:\\data\\part.srml");
    const std::tuple<const char*, TesString, const char16_t*> rows[] = {
        {"mid to end", text.mid(4), u"ef"},         {"mid at length", text.mid(6), nullptr},
        {"mid negative", text.mid(-1, 2), nullptr}, {"right beyond", text.right(9), u"abcdef"},
        {"elided", path.elided(11), u"C:\\d...srml"}, {"elided fitting", path.elided(17), u"C:\\data\\part.srml"},
        {"elided short", path.elided(3), u"C:\\"},  {"elided to none", path.elided(0), nullptr},
    };
    for (const auto& [name, piece, expected] : rows) {
        EXPECT_EQ(piece.isNull(), expected == nullptr) << name;
        EXPECT_EQ(units(piece), expected != nullptr ? expected : u"") << name;
    }
    const std::tuple<int32_t, int32_t, const char16_t*, const char16_t*> replacements[] = {
        {1, 2, u"XYZ", u"aXYZdef"}, {0, 0, u">", u">abcdef"}, {6, 0, u"!", u"abcdef!"}, {4, 99, u"", u"abcd"},
        {0, 6, nullptr, u""},       {7, 0, u"?", nullptr},    {-1, 1, u"?", nullptr},   {2, -1, u"?", nullptr},
    };
    for (const auto& [start, count, with, expected] : replacements) {
        TesString changed(text);
        EXPECT_EQ(changed.replace(start, count, with), expected != nullptr) << start << "," << count;
        EXPECT_EQ(units(changed), expected != nullptr ? expected : u"abcdef") << start << "," << count;
    }
}

TEST(TesString, WithoutServiceOrderAndClassesFallBackToCodeUnits) {
    ASSERT_EQ(tesStrSupport(), nullptr);
    EXPECT_LT(TesString(u"B").compare(TesString(u"a")), 0);
    EXPECT_TRUE(TesString() == TesString(u""));
    EXPECT_TRUE(TesString(u"\u00e9") < TesString(std::u16string(1, char16_t{0xFFE9}).c_str()));
    EXPECT_EQ(units(TesString(u"AbZ\u00c9[").toLower()), u"abz\u00c9[");
    EXPECT_EQ(TesString(u"ABC").compareNoCase(TesString(u"abc")), 0);
    const TesString text(u"5 \u00a0\u0663x\t");  // U+0663 is no C digit, U+00A0 no C space
    for (int32_t i = -1; i <= 6; ++i) {
        EXPECT_EQ(text.isDigit(i), i == 0) << i;
        EXPECT_EQ(text.isSpace(i), i == 1 || i == 5) << i;
    }
}

TEST(TesString, NarrowFormIsCachedUntilTheTextChanges) {
    TesString text(u"caf\u00e9");
    const char* first = text.narrow();
    EXPECT_STREQ(first, "caf\xc3\xa9");
    EXPECT_EQ(text.narrow(), first);
    text += u'!';
    EXPECT_STREQ(text.narrow(), "caf\xc3\xa9!");
    text.replace(u'!', u'?');
    EXPECT_STREQ(text.narrow(), "caf\xc3\xa9?");
    EXPECT_STREQ(text.toNelCString().c_str(), "caf\xc3\xa9?");
    EXPECT_STREQ(TesString().narrow(), "");
}

// Both read the leading number as scanf does; units above 0x7F end it.
TEST(TesString, ToIntAndToDoubleReadLikeScanf) {
    const std::tuple<const char16_t*, int32_t, double, bool> rows[] = {
        {u"", 0, 0.0, false},          {u".", 0, 0.0, false},          {u"\u00a05", 0, 0.0, false},
        {u"5\u00e9", 5, 5.0, true},    {u"\t-0x10", -16, -16.0, true}, {u"012", 10, 12.0, true},
        {u"09", 0, 9.0, true}, {u"0x", 0, 0.0, true}, {u"1e999", 1, std::numeric_limits<double>::infinity(), true},
        {u"99999999999999999999999", INT32_MAX, 1e23, true}, {u"-99999999999", INT32_MIN, -99999999999.0, true},
    };
    for (const auto& [text, integer, real, read] : rows) {
        SCOPED_TRACE(TesString(text).toUtf8());
        bool ok = !read;
        EXPECT_EQ(TesString(text).toInt(&ok), integer);
        EXPECT_EQ(ok, read);
        ok = !read;
        EXPECT_EQ(TesString(text).toDouble(&ok), real);
        EXPECT_EQ(ok, read);
    }
    EXPECT_TRUE(std::isnan(TesString(u"nan").toDouble()));
}

// A format text that could make printf read or write elsewhere is ignored.
TEST(TesString, NumbersTakeOnlyASafeFormat) {
    for (const char* format : {"5s", "%n", "#5", "9999", static_cast<const char*>(nullptr)}) {
        EXPECT_EQ(units(TesString::number(42, {false, false, format})), u"42") << (format != nullptr ? format : "null");
    }
    const std::pair<TesString, const char16_t*> rows[] = {
        {TesString::number(42, {false, false, "05"}), u"00042"},     {TesString::number(4294967295u), u"4294967295"},
        {TesString::number(-5000000000L, {false, false, "12"}), u" -5000000000"},
        {TesString::number(-5000000000LL, {false, false, ""}), u"-5000000000"},
        {TesString::shortest(0.1), u"0.1"},                           {TesString::shortest(0.1f), u"0.1"},
        {TesString::number(2e10), u"2.000000e+10"},                  {TesString::number(-2e10), u"-2.000000e+10"},
        {TesString::number(1e10), u"10000000000.000000"},
        {TesString::number(3.14159, {false, true, "8.3"}), u"   3.142"},  // exponential alone: still "%f"
        {TesString::number(0.0001234, {true, false, ""}), u"0.0001234"},
        {TesString::number(1234.5, {true, true, ".2"}), u"1.23e+03"},
        {TesString::number(2.0, {true, false, "#"}), u"2.00000"},  // "#" only for floating point
    };
    for (const auto& [text, expected] : rows) EXPECT_EQ(units(text), expected);
    EXPECT_EQ(TesString::number(1.0, {false, false, ".999"}).length(), 1001);
}

TEST(TesString, ArgReplacesPlaceholdersInOnePass) {
    const std::tuple<const char16_t*, std::vector<const char16_t*>, const char16_t*> rows[] = {
        {u"%1-%2", {u"a"}, u"a-"},  {u"%2%1%2", {u"a", u"b"}, u"bab"},  {u"%1", {u"%2"}, u"%2"},  // not scanned again
        {u"%%1", {u"x"}, u"%x"},    {u"100%", {u"x"}, u"100%"},         {u"%0 %a %", {u"x"}, u"%0 %a %"},
        {u"<%9>", {u"1", u"2", u"3", u"4", u"5", u"6", u"7", u"8", u"9"}, u"<9>"},
        {u"<%1%2>", {nullptr, u"b"}, u"<b>"},  {u"%1", {}, u""},  {u"%10", {u"a"}, u"a0"},  // one digit
    };
    for (const auto& [pattern, arguments, expected] : rows) {
        std::vector<TesString> values(arguments.begin(), arguments.end());
        std::vector<const TesString*> pointers;
        for (size_t i = 0; i < values.size(); ++i) pointers.push_back(arguments[i] != nullptr ? &values[i] : nullptr);
        TesString text(pattern);
        EXPECT_EQ(units(text.arg(pointers.data(), static_cast<int32_t>(pointers.size()))), expected)
            << TesString(pattern).toUtf8();
    }
    TesString self(u"<%1>");
    EXPECT_EQ(units(self.arg({self})), u"<<%1>>");
}

}  // namespace
