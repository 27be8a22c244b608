#include "nelcstring.h"

#include <gtest/gtest.h>

#include <cfloat>
#include <climits>
#include <cstring>
#include <stdexcept>
#include <tuple>
#include <vector>

#include "assertreports.h"
#include "servicelookup.h"

namespace {

using Form = NelCString::NumberForm;

TEST(NelCString, ConstructionKeepsExactlyTheTextAndTerminator) {
    const std::pair<NelCString, const char*> rows[] = {
        {NelCString(), nullptr},                      {NelCString(static_cast<const char*>(nullptr)), nullptr},
        {NelCString("abc", -1), nullptr},              {NelCString(""), ""},
        {NelCString("abcdef", 3), "abc"},              {NelCString('x'), "x"},
        {NelCString(0), "0"},                          {NelCString(INT_MIN), "-2147483648"},
        {NelCString(-0.0, Form::plain), "-0.000000"},  {NelCString(3.0, Form::shortest), "3"},
        {NelCString(0.1f, Form::shortest), "0.1"},      {NelCString(0.5f, Form::plain), "0.500000"},
    };
    for (const auto& [string, text] : rows) {
        SCOPED_TRACE(text != nullptr ? text : "(null)");
        EXPECT_STREQ(string.c_str(), text != nullptr ? text : "");
        EXPECT_EQ(string.isNull(), text == nullptr);
        EXPECT_EQ(string.length(), static_cast<int32_t>(std::strlen(string.c_str())));
        EXPECT_TRUE(string.isNull() ? string.capacity() == 0 : string.capacity() >= string.length() + 1);
        EXPECT_EQ(string.hash(), tesStringHash(string.data())) << "the library's string hash, 0 for null";
    }
    const NelCString largest(DBL_MAX, Form::plain);  // the longest plain number
    EXPECT_EQ(largest.length(), 309 + 7);
    EXPECT_EQ(std::string(largest.c_str()).substr(0, 6), "179769");
    EXPECT_THROW(NelCString(DBL_MAX, Form::shortest), std::out_of_range);
}

TEST(NelCString, AccessAndSearchesAtTheEnds) {
    const NelCString hello("hello");
    const NelCString none;
    const std::tuple<const char*, int32_t, int32_t> rows[] = {
        {"at end", hello.at(5), '\0'},                      {"at negative", hello.at(-1), '\0'},
        {"at on null", none.at(0), '\0'},                    {"char from its position", hello.find('l', 3), 3},
        {"char start at end", hello.find('o', 5), -1},       {"char last position", hello.find('o', 4), 4},
        {"terminator", hello.find('\0'), -1},                {"char in null", none.find('a'), -1},
        {"text past fit", hello.find("llo", 3), -1},         {"empty text past end", hello.find("", 9), 0},
        {"null text", hello.find(nullptr), 0},               {"empty text in null", none.find(""), 0},
        {"last whole text", hello.rfind("hello"), 0},        {"last text too long", hello.rfind("hello!"), -1},
        {"last empty text", hello.rfind(""), 5},             {"last empty in null", none.rfind(""), 0},
        {"text from its position", hello.find("l", 3), 3},   {"text ending at the end", hello.find("lo", 3), 3},   {"last char", hello.rfind('l'), 3},
    };
    for (const auto& [name, result, expected] : rows) EXPECT_EQ(result, expected) << name;
    AssertReports asserts;
    EXPECT_EQ(hello.find("h", -1), -1);
    EXPECT_EQ(hello.find('h', -1), -1);  // quiet for a character
    EXPECT_EQ(asserts.texts, std::vector<std::string>{"start >= 0 @ src/tesbasictypes/nelcstring"});
    EXPECT_GT(asserts.lines.at(0), 0);
}

// mid gives the null string for an empty result.
TEST(NelCString, ReplaceAndMid) {
    NelCString path("a.b.c");
    path.replace('.', '/');
    EXPECT_STREQ(path.c_str(), "a/b/c");
    NelCString none;
    none.replace('a', 'b');
    EXPECT_TRUE(none.isNull());
    const NelCString text("abcdef");
    const std::tuple<NelCString, const char*> rows[] = {
        {text.mid(4, 10), "ef"},   {text.mid(0, INT32_MAX), "abcdef"}, {text.mid(5, 1), "f"}, {text.mid(6, 1), nullptr},
        {text.mid(-1, 2), nullptr}, {text.mid(2, -3), nullptr},        {text.mid(2, 0), nullptr},        {none.mid(0, 3), nullptr},
    };
    for (const auto& [piece, expected] : rows) EXPECT_STREQ(piece.data(), expected);
}

// Joining reads the old buffer before it goes; empty texts give null; "+" forwards to concat.
TEST(NelCString, JoiningAndCopyingSurviveAliasing) {
    const std::tuple<NelCString, const char*> rows[] = {
        {NelCString("ab") + "c", "abc"},               {NelCString::concat("", "", ""), nullptr},
        {NelCString::concat("a", nullptr, "c"), "ac"}, {NelCString(NelCString("")), ""},  // a copy stays non-null
        {"a" + (NelCString("b") + NelCString("c")), "abc"},
    };
    for (const auto& [joined, expected] : rows) EXPECT_STREQ(joined.data(), expected);
    NelCString text("");
    text += "";
    EXPECT_TRUE(text.isNull());
    text += 'a';
    text += text.c_str();
    text += text;
    EXPECT_STREQ(text.c_str(), "aaaa");
    const NelCString& alias = text;
    text = alias;
    text = text.c_str() + 3;  // a suffix of its own buffer
    EXPECT_STREQ(text.c_str(), "a");
    NelCString moved(std::move(text));
    EXPECT_TRUE(text.isNull());  // NOLINT: checks the moved-from state
    moved = static_cast<const char*>(nullptr);
    EXPECT_TRUE(moved.isNull());
}

TEST(NelCString, LessComparesUnsignedBytesWithNullFirst) {
    const NelCString none;
    const std::tuple<NelCString, NelCString, bool> rows[] = {
        {none, none, false}, {none, "", true},  {"", none, false},  {"a", "a", false},
        {"a", "ab", true},   {"\x7f", "\x80", true}, {"\xff", "a", false},
    };
    for (const auto& [a, b, less] : rows) EXPECT_EQ(a.less(b), less) << "'" << a.c_str() << "' < '" << b.c_str() << "'";
    EXPECT_TRUE(NelCString() == NelCString(""));
    EXPECT_FALSE(NelCString("ab") == "abc");
}

TEST(NelCString, IsPrimeAgreesWithTrialDivision) {
    for (uint32_t n = 0; n < 100000; ++n) {
        bool prime = true;  // the library's rule counts 0 and 1 in
        for (uint32_t divisor = 2; divisor * divisor <= n && prime; ++divisor) prime = n % divisor != 0;
        ASSERT_EQ(NelCString::isPrime(n), prime) << n;
    }
    for (uint32_t n : {2147483647u, 4294967291u}) EXPECT_TRUE(NelCString::isPrime(n)) << n;
    for (uint32_t n : {4294967295u, 65521u * 65519u}) EXPECT_FALSE(NelCString::isPrime(n)) << n;
}

TEST(NelCString, NextPrimeAndTableSize) {
    const std::tuple<uint32_t, uint32_t, uint32_t> rows[] = {
        {0, 2, 2},             {1, 2, 2},            {2, 3, 3},      {130, 131, 131},  {131, 137, 257},
        {1073741826u, 1073741827u, 1073741827u},     {1073741827u, 1073741831u, 2147483659u},  // the table's last entry
        {2147483658u, 2147483659u, 2147483659u},     {2147483659u, 2147483693u, 2147483659u},
        {4294967290u, 4294967291u, 2147483659u},     {4294967291u, 0, 2147483659u},  // none above in 32 bits
        {UINT32_MAX, 0, 2147483659u},
    };
    for (const auto& [n, nextPrime, tableSize] : rows) {
        EXPECT_EQ(NelCString::nextPrime(n), nextPrime) << n;
        EXPECT_EQ(NelCString::nextTableSize(n), tableSize) << n;
    }
}

}  // namespace
