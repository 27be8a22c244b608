// TesString without a host: the tests here run with no component manager, so
// the string service is absent and every operation takes its own fallback.
// tests/refhost/refstrsupport_test.cpp covers the same operations through the
// reference host's service.
#include "tesstring.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <stdexcept>
#include <string>
#include <vector>

#include "strsupport.h"
#include "tesassert.h"

namespace {

std::u16string units(const TesString& text) { return std::u16string(static_cast<std::u16string_view>(text)); }

class NoService : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_EQ(tesStrSupport(), nullptr); }
};

void recordAssert(void* reports, const char* expression, const char* source, int) {
    static_cast<std::vector<std::string>*>(reports)->push_back(std::string(expression) + " @ " + source);
}

}  // namespace

TEST(TesString, EightBitTextIsWidenedBySignExtension) {
    const TesString widened("a\x80\xff\x7f");
    EXPECT_EQ(units(widened), (std::u16string{u'a', 0xFF80, 0xFFFF, 0x7F}));
    EXPECT_EQ(units(TesString(NelCString("\xe9t\xe9"))), (std::u16string{0xFFE9, u't', 0xFFE9}));
    EXPECT_EQ(units(TesString("abcdef", 2)), u"ab");
    EXPECT_TRUE(TesString(static_cast<const char*>(nullptr)).isEmpty());
    EXPECT_EQ(TesString("a\x80").toUtf8(), "a\x80");  // the raw byte comes back
}

TEST(TesString, Utf8AtTheBoundary) {
    const TesString text = TesString::fromUtf8("caf\xc3\xa9 \xf0\x9f\x98\x80");
    EXPECT_EQ(units(text), u"caf\u00e9 \U0001F600");
    EXPECT_EQ(text.toUtf8(), "caf\xc3\xa9 \xf0\x9f\x98\x80");
    EXPECT_TRUE(TesString::fromUtf8("").isEmpty());
    EXPECT_EQ(TesString().toUtf8(), "");
}

TEST(TesString, AssignmentKeepsABufferThatIsLargeEnough) {
    TesString text(u"abcdef");
    ASSERT_GE(text.capacity(), 14);
    const char16_t* buffer = text.data();
    text = u"abc";
    EXPECT_EQ(text.data(), buffer);
    EXPECT_EQ(units(text), u"abc");
    text.assign(text.data() + 1, 2);  // from its own buffer
    EXPECT_EQ(units(text), u"bc");
    EXPECT_EQ(text.data(), buffer);

    const int32_t fits = (text.capacity() - 2) / 2;
    const std::u16string longest(static_cast<size_t>(fits), u'x');
    text = longest.c_str();
    EXPECT_EQ(text.data(), buffer);
    const std::u16string longer(static_cast<size_t>(fits) + 1, u'y');
    text = longer.c_str();
    EXPECT_NE(text.data(), nullptr);
    EXPECT_GE(text.capacity(), 2 * (fits + 1) + 2);
    EXPECT_EQ(units(text), longer);

    TesString none;
    EXPECT_TRUE(none.isNull());
    EXPECT_EQ(none.capacity(), 0);
    EXPECT_EQ(none.length(), 0);
    EXPECT_EQ(units(none), u"");
}

TEST(TesString, CopyMoveAndAppend) {
    TesString text(u"ab");
    TesString copy(text);
    EXPECT_NE(copy.data(), text.data());
    TesString moved(std::move(copy));
    EXPECT_TRUE(copy.isNull());  // NOLINT: checks the moved-from state
    EXPECT_EQ(units(moved), u"ab");
    text += u'c';
    text += u"de";
    text += TesString(u"f");
    EXPECT_EQ(units(text), u"abcdef");
    text += text;
    EXPECT_EQ(units(text), u"abcdefabcdef");
    EXPECT_EQ(units(TesString(u"x") + TesString(u"y")), u"xy");
    text.append(nullptr, 3);
    text.append(u"zz", -1);
    EXPECT_EQ(text.length(), 12);
    const TesString& alias = text;
    text = alias;
    EXPECT_EQ(text.length(), 12);
}

TEST(TesString, Searches) {
    const TesString text(u"xxab");
    EXPECT_EQ(text.find(u"ab", 3), -1);
    EXPECT_EQ(text.find(u"ab", 2), 2);
    EXPECT_EQ(text.find(u"", 3), 0);
    EXPECT_EQ(text.find(u"xxabc"), -1);
    EXPECT_EQ(text.find(TesString(u"b")), 3);
    EXPECT_EQ(text.find(u'a'), 2);
    EXPECT_EQ(text.find(u'a', 3), -1);
    EXPECT_EQ(text.find(u'x', -1), -1);
    EXPECT_EQ(text.find(u'x', 4), -1);
    EXPECT_EQ(text.rfind(u'x'), 1);
    EXPECT_EQ(text.rfind(u"x"), 1);
    EXPECT_EQ(TesString(u"abc").rfind(u""), 3);
    EXPECT_EQ(text.rfind(u"abxxab"), -1);
    EXPECT_EQ(TesString().find(u'a'), -1);
    EXPECT_EQ(TesString().rfind(u'a'), -1);
    EXPECT_TRUE(TesString(u"Selected CAD Face 3").contains(u"CAD Face"));
    EXPECT_FALSE(TesString(u"Selected cad face").contains(u"CAD Face"));
    EXPECT_TRUE(TesString(u"View12").startsWith(u"View"));
    EXPECT_FALSE(TesString(u"Vie").startsWith(u"View"));
}

TEST(TesString, FindTextWithNegativeStartReportsTheAssertion) {
    std::vector<std::string> reports;
    tesSetAssertHook(recordAssert, &reports);
    EXPECT_EQ(TesString(u"abc").find(u"a", -2), -1);
    tesSetAssertHook(nullptr, nullptr);
    EXPECT_EQ(reports, std::vector<std::string>{"start >= 0 @ src/tesbasictypes/tesstring"});
}

TEST(TesString, MidReplaceAndElide) {
    const TesString text(u"abcdef");
    EXPECT_EQ(units(text.mid(2, 3)), u"cde");
    EXPECT_EQ(units(text.mid(4)), u"ef");
    EXPECT_TRUE(text.mid(6).isNull());
    EXPECT_TRUE(text.mid(-1, 2).isNull());
    EXPECT_TRUE(text.mid(1, 0).isNull());
    EXPECT_EQ(units(text.left(2)), u"ab");
    EXPECT_EQ(units(text.right(2)), u"ef");
    EXPECT_EQ(units(text.right(9)), u"abcdef");
    EXPECT_TRUE(text.right(0).isNull());

    struct Case {
        int32_t start;
        int32_t count;
        const char16_t* with;
        bool done;
        const char16_t* expected;
    };
    const Case cases[] = {{1, 2, u"XYZ", true, u"aXYZdef"}, {0, 0, u">", true, u">abcdef"}, {6, 0, u"!", true, u"abcdef!"},
                          {4, 99, u"", true, u"abcd"},      {7, 0, u"?", false, u"abcdef"}, {-1, 1, u"?", false, u"abcdef"},
                          {2, -1, u"?", false, u"abcdef"},  {0, 6, nullptr, true, u""}};
    for (const Case& c : cases) {
        TesString changed(text);
        EXPECT_EQ(changed.replace(c.start, c.count, c.with), c.done) << c.start << "," << c.count;
        EXPECT_EQ(units(changed), c.expected) << c.start << "," << c.count;
    }
    TesString path(u"a/b/c");
    path.replace(u'/', u'\\');
    EXPECT_EQ(units(path), u"a\\b\\c");

    const TesString longText(u"C:\\data\\scans\\part.srml");
    EXPECT_EQ(units(longText.elided(11)), u"C:\\d...srml");
    EXPECT_EQ(units(longText.elided(100)), units(longText));
    EXPECT_EQ(units(longText.elided(3)), u"C:\\");
    EXPECT_TRUE(longText.elided(0).isNull());
}

TEST_F(NoService, OrderingAndCaseFallBackToCodeUnits) {
    EXPECT_LT(TesString(u"B").compare(TesString(u"a")), 0);
    EXPECT_TRUE(TesString(u"abc") == TesString(u"abc"));
    EXPECT_TRUE(TesString() == TesString(u""));
    EXPECT_TRUE(TesString(u"a") != TesString(u"A"));
    EXPECT_TRUE(TesString(u"ab") < TesString(u"abc"));
    EXPECT_TRUE(TesString(u"\u00e9") < TesString(std::u16string(1, char16_t{0xFFE9}).c_str()));
    EXPECT_EQ(units(TesString(u"AbZ\u00c9[").toLower()), u"abz\u00c9[");
    EXPECT_EQ(TesString(u"ABC").compareNoCase(TesString(u"abc")), 0);
    EXPECT_NE(TesString(u"\u00c9").compareNoCase(TesString(u"\u00e9")), 0);
}

TEST_F(NoService, ClassesFallBackToTheCRuntime) {
    const TesString text(u"5 \u00a0\u0663x\t");
    EXPECT_TRUE(text.isDigit(0));
    EXPECT_FALSE(text.isDigit(1));
    EXPECT_FALSE(text.isDigit(3));  // ARABIC-INDIC DIGIT THREE is not a C digit
    EXPECT_TRUE(text.isSpace(1));
    EXPECT_FALSE(text.isSpace(2));  // no-break space
    EXPECT_TRUE(text.isSpace(5));
    EXPECT_FALSE(text.isDigit(-1));
    EXPECT_FALSE(text.isSpace(6));
    EXPECT_FALSE(TesString().isSpace(0));
}

TEST_F(NoService, NarrowFormIsCachedUntilTheTextChanges) {
    TesString text(u"caf\u00e9");
    const char* first = text.narrow();
    EXPECT_STREQ(first, "caf\xc3\xa9");
    EXPECT_EQ(text.narrow(), first);
    text += u'!';
    EXPECT_STREQ(text.narrow(), "caf\xc3\xa9!");
    text.replace(u'!', u'?');
    EXPECT_STREQ(text.narrow(), "caf\xc3\xa9?");
    EXPECT_STREQ(TesString("8-bit \xe9").narrow(), "8-bit \xe9");
    EXPECT_STREQ(TesString().narrow(), "");
    EXPECT_STREQ(TesString(u"x").toNelCString().c_str(), "x");
}

TEST(TesString, ToInt) {
    struct Case {
        const char16_t* text;
        int32_t value;
        bool ok;
    };
    const Case cases[] = {
        {u"0x1F", 31, true},     {u"", 0, false},         {u"  42", 42, true},       {u"-7", -7, true},
        {u"+5", 5, true},        {u"012", 10, true},      {u"09", 0, true},          {u"12abc", 12, true},
        {u"abc", 0, false},      {u" ", 0, false},        {u"0x", 0, true},          {u"\u00e9", 0, false},
        {u"5\u00e9", 5, true},   {u"\u00a05", 0, false},  {u"2147483647", INT32_MAX, true},
        {u"99999999999999999999999", INT32_MAX, true},    {u"-2147483648", INT32_MIN, true},
        {u"-99999999999", INT32_MIN, true},               {u"\t-0x10", -16, true},
    };
    for (const Case& c : cases) {
        bool ok = !c.ok;
        EXPECT_EQ(TesString(c.text).toInt(&ok), c.value) << TesString(c.text).toUtf8();
        EXPECT_EQ(ok, c.ok) << TesString(c.text).toUtf8();
    }
    EXPECT_EQ(TesString().toInt(), 0);
    EXPECT_EQ(TesString(std::u16string(5000, u'0').append(u"7").c_str()).toInt(), 7);
}

TEST(TesString, ToDouble) {
    struct Case {
        const char16_t* text;
        double value;
        bool ok;
    };
    const Case cases[] = {
        {u"1.5", 1.5, true},  {u"  -2.5e-3", -0.0025, true}, {u"12abc", 12.0, true}, {u"", 0.0, false},
        {u"abc", 0.0, false}, {u"0x1p3", 8.0, true},         {u"1e-320", 1e-320, true}, {u".", 0.0, false},
        {u"1e", 1.0, true},
    };
    for (const Case& c : cases) {
        bool ok = !c.ok;
        EXPECT_EQ(TesString(c.text).toDouble(&ok), c.value) << TesString(c.text).toUtf8();
        EXPECT_EQ(ok, c.ok) << TesString(c.text).toUtf8();
    }
    bool ok = false;
    EXPECT_EQ(TesString(u"1e999").toDouble(&ok), std::numeric_limits<double>::infinity());
    EXPECT_TRUE(ok);
    EXPECT_TRUE(std::isnan(TesString(u"nan").toDouble(&ok)));
    EXPECT_TRUE(ok);
    const std::u16string overlong = u"1" + std::u16string(300, u'0');
    EXPECT_EQ(TesString(overlong.c_str()).toDouble(&ok), 1e300);
    EXPECT_TRUE(ok);
}

TEST(TesString, NumbersWithFormatSpecs) {
    struct Case {
        TesString text;
        const char16_t* expected;
    };
    const Case cases[] = {
        {TesString::number(42, {false, false, "5"}), u"   42"},
        {TesString::number(42, {false, false, "-5"}), u"42   "},
        {TesString::number(42, {false, false, "05"}), u"00042"},
        {TesString::number(42, {false, false, "+"}), u"+42"},
        {TesString::number(42, {false, false, ".4"}), u"0042"},
        {TesString::number(-42), u"-42"},
        {TesString::number(42, {false, false, "5s"}), u"42"},    // rejected spec: plain
        {TesString::number(42, {false, false, "%n"}), u"42"},
        {TesString::number(42, {false, false, "#5"}), u"42"},    // no alternate form for integers
        {TesString::number(42, {false, false, "9999"}), u"42"},  // width above 999
        {TesString::number(42, {false, false, nullptr}), u"42"},
        {TesString::number(-5000000000L, {false, false, "12"}), u" -5000000000"},
        {TesString::number(9000000000000000000LL, {}), u"9000000000000000000"},
        {TesString::number(4294967295u), u"4294967295"},
        {TesString::number(2e10), u"2.000000e+10"},
        {TesString::number(1e10), u"10000000000.000000"},
        {TesString::number(-2e10), u"-2.000000e+10"},
        {TesString::number(1.5), u"1.500000"},
        {TesString::number(std::numeric_limits<double>::infinity()), u"inf"},
        {TesString::number(3.14159, {false, false, ".2"}), u"3.14"},
        {TesString::number(3.14159, {false, true, "8.3"}), u"   3.142"},  // exponential alone: still "%f"
        {TesString::number(0.0001234, {true, false, ""}), u"0.0001234"},
        {TesString::number(1234.5, {true, true, ".2"}), u"1.23e+03"},
        {TesString::number(2.0, {true, false, "#"}), u"2.00000"},
        {TesString::number(1.0, {false, false, ".999"}).mid(0, 4), u"1.00"},
        {TesString::shortest(0.1f), u"0.1"},
        {TesString::shortest(1.0 / 3.0), u"0.3333333333333333"},
    };
    for (const Case& c : cases) EXPECT_EQ(units(c.text), c.expected);
    EXPECT_EQ(TesString::number(1.0, {false, false, ".999"}).length(), 1001);
    EXPECT_THROW(TesString::shortest(1.5e308), std::out_of_range);
}

TEST(TesString, ArgReplacesPlaceholdersInOnePass) {
    struct Case {
        const char16_t* text;
        std::vector<const char16_t*> arguments;  // null: a null argument
        const char16_t* expected;
    };
    const Case cases[] = {
        {u"%1-%2", {u"a"}, u"a-"},
        {u"%1 %2", {u"View", u"3"}, u"View 3"},
        {u"%2%1%2", {u"a", u"b"}, u"bab"},
        {u"%1", {u"%2"}, u"%2"},  // argument texts are not scanned again
        {u"%%1", {u"x"}, u"%x"},
        {u"100%", {u"x"}, u"100%"},
        {u"%0 %a %", {u"x"}, u"%0 %a %"},
        {u"<%9>", {u"1", u"2", u"3", u"4", u"5", u"6", u"7", u"8", u"9"}, u"<9>"},
        {u"<%1%2>", {nullptr, u"b"}, u"<b>"},
        {u"%1", {}, u""},
    };
    for (const Case& c : cases) {
        std::vector<TesString> values;
        std::vector<const TesString*> pointers;
        values.reserve(c.arguments.size());
        for (const char16_t* argument : c.arguments) {
            values.emplace_back(argument);
            pointers.push_back(argument != nullptr ? &values.back() : nullptr);
        }
        TesString text(c.text);
        text.arg(pointers.data(), static_cast<int32_t>(pointers.size()));
        EXPECT_EQ(units(text), c.expected) << TesString(c.text).toUtf8();
    }
    TesString plain(u"no placeholders");
    const char16_t* buffer = plain.data();
    plain.arg({u"x"});
    EXPECT_EQ(plain.data(), buffer);
    TesString self(u"<%1>");
    self.arg({self});
    EXPECT_EQ(units(self), u"<<%1>>");
    EXPECT_EQ(units(TesString(u"%1 %2").arg({u"View", TesString::number(3)})), u"View 3");
}
