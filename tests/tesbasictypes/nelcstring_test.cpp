#include "nelcstring.h"

#include <gtest/gtest.h>

#include <cfloat>
#include <climits>
#include <cstring>
#include <stdexcept>
#include <string>
#include <vector>

#include "tesassert.h"

namespace {

struct AssertRecord {
    std::string expression;
    std::string source;
    int line;
};

// Records assertion reports for the life of the object.
class AssertCapture {
public:
    AssertCapture() { tesSetAssertHook(&AssertCapture::record, this); }
    ~AssertCapture() { tesSetAssertHook(nullptr, nullptr); }
    const std::vector<AssertRecord>& reports() const { return reports_; }

private:
    static void record(void* self, const char* expression, const char* source, int line) {
        static_cast<AssertCapture*>(self)->reports_.push_back({expression, source, line});
    }
    std::vector<AssertRecord> reports_;
};

uint32_t naiveHash(const std::string& text) {
    uint32_t hash = 5381;
    for (char c : text) hash = hash * 33 + static_cast<uint32_t>(static_cast<signed char>(c));
    return hash;
}

bool naiveIsPrime(uint32_t n) {
    if (n < 2) return true;  // the library's rule counts 0 and 1 in
    for (uint32_t divisor = 2; divisor * divisor <= n; ++divisor) {
        if (n % divisor == 0) return false;
    }
    return true;
}

}  // namespace

TEST(NelCString, ConstructionKeepsExactlyTheTextAndTerminator) {
    struct Case {
        NelCString string;
        const char* text;
        bool isNull;
    };
    const Case cases[] = {
        {NelCString(), "", true},
        {NelCString(static_cast<const char*>(nullptr)), "", true},
        {NelCString(""), "", false},
        {NelCString("abc"), "abc", false},
        {NelCString("abcdef", 3), "abc", false},
        {NelCString("abc", -1), "", true},
        {NelCString('x'), "x", false},
        {NelCString(0), "0", false},
        {NelCString(-42), "-42", false},
        {NelCString(INT_MIN), "-2147483648", false},
        {NelCString(INT_MAX), "2147483647", false},
        {NelCString(1.5, NelCString::NumberForm::plain), "1.500000", false},
        {NelCString(-0.0, NelCString::NumberForm::plain), "-0.000000", false},
        {NelCString(0.1f, NelCString::NumberForm::plain), "0.100000", false},
        {NelCString(0.1f, NelCString::NumberForm::shortest), "0.1", false},
        {NelCString(3.0, NelCString::NumberForm::shortest), "3", false},
        {NelCString(1.0 / 3.0, NelCString::NumberForm::shortest), "0.3333333333333333", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        EXPECT_STREQ(c.string.c_str(), c.text);
        EXPECT_EQ(c.string.isNull(), c.isNull);
        EXPECT_EQ(c.string.length(), static_cast<int32_t>(std::strlen(c.text)));
        EXPECT_TRUE(c.string.isNull() ? c.string.capacity() == 0 : c.string.capacity() >= c.string.length() + 1);
    }
}

TEST(NelCString, PlainNumbersOfAnySize) {
    const NelCString largest(DBL_MAX, NelCString::NumberForm::plain);
    EXPECT_EQ(largest.length(), 309 + 7);
    EXPECT_EQ(std::string(largest.c_str()).substr(0, 6), "179769");
    EXPECT_STREQ(NelCString(-DBL_MAX, NelCString::NumberForm::plain).mid(0, 4).c_str(), "-179");
    EXPECT_THROW(NelCString(DBL_MAX, NelCString::NumberForm::shortest), std::out_of_range);
}

TEST(NelCString, EmptinessAndCharacterAccess) {
    EXPECT_TRUE(NelCString().isEmpty());
    EXPECT_TRUE(NelCString("").isEmpty());
    EXPECT_FALSE(NelCString(" ").isEmpty());
    const NelCString text("ab");
    EXPECT_EQ(text.at(0), 'a');
    EXPECT_EQ(text.at(1), 'b');
    EXPECT_EQ(text.at(2), '\0');
    EXPECT_EQ(text.at(-1), '\0');
    EXPECT_EQ(NelCString().at(0), '\0');
}

TEST(NelCString, FindCharacter) {
    const NelCString hello("hello");
    struct Case {
        char c;
        int32_t start;
        int32_t expected;
    };
    const Case cases[] = {{'l', 0, 2}, {'l', 3, 3}, {'l', 4, -1}, {'h', 0, 0}, {'h', -1, -1},
                          {'o', 4, 4}, {'o', 5, -1}, {'z', 0, -1}, {'\0', 0, -1}};
    for (const Case& c : cases) EXPECT_EQ(hello.find(c.c, c.start), c.expected) << c.c << " from " << c.start;
    EXPECT_EQ(NelCString().find('a'), -1);
    EXPECT_EQ(NelCString("").find('a'), -1);
}

TEST(NelCString, FindText) {
    const NelCString text("xxab");
    struct Case {
        const char* needle;
        int32_t start;
        int32_t expected;
    };
    const Case cases[] = {{"ab", 3, -1}, {"ab", 2, 2}, {"ab", 0, 2}, {"x", 1, 1}, {"xxab", 0, 0}, {"xxabc", 0, -1},
                          {"", 2, 0},    {"", 9, 0},   {nullptr, 0, 0}, {"b", 4, -1}, {"ba", 0, -1}};
    for (const Case& c : cases) {
        EXPECT_EQ(text.find(c.needle, c.start), c.expected) << (c.needle ? c.needle : "(null)") << " from " << c.start;
    }
    EXPECT_EQ(NelCString().find("a"), -1);
    EXPECT_EQ(NelCString().find(""), 0);
}

TEST(NelCString, FindTextWithNegativeStartReportsTheAssertion) {
    AssertCapture capture;
    EXPECT_EQ(NelCString("abc").find("a", -1), -1);
    EXPECT_EQ(NelCString("abc").find('a', -1), -1);  // quiet for a character
    ASSERT_EQ(capture.reports().size(), 1u);
    EXPECT_EQ(capture.reports()[0].expression, "start >= 0");
    EXPECT_EQ(capture.reports()[0].source, "src/tesbasictypes/nelcstring");
    EXPECT_GT(capture.reports()[0].line, 0);
}

TEST(NelCString, ReverseFind) {
    const NelCString text("abcabc");
    EXPECT_EQ(text.rfind('c'), 5);
    EXPECT_EQ(text.rfind('a'), 3);
    EXPECT_EQ(text.rfind('z'), -1);
    EXPECT_EQ(text.rfind("bc"), 4);
    EXPECT_EQ(text.rfind("abcabc"), 0);
    EXPECT_EQ(text.rfind("abcabcd"), -1);
    EXPECT_EQ(text.rfind(""), 6);
    EXPECT_EQ(NelCString("abc").rfind(""), 3);
    EXPECT_EQ(NelCString().rfind('a'), -1);
    EXPECT_EQ(NelCString().rfind(""), 0);
    EXPECT_EQ(NelCString().rfind("a"), -1);
}

TEST(NelCString, ReplaceAndMid) {
    NelCString path("a.b.c");
    path.replace('.', '/');
    EXPECT_STREQ(path.c_str(), "a/b/c");
    NelCString none;
    none.replace('a', 'b');
    EXPECT_TRUE(none.isNull());

    const NelCString text("abcdef");
    struct Case {
        int32_t start;
        int32_t count;
        const char* expected;
    };
    const Case cases[] = {{2, 3, "cde"}, {4, 10, "ef"}, {0, INT32_MAX, "abcdef"}, {5, 1, "f"},
                          {6, 1, ""},    {7, 1, ""},    {-1, 2, ""},            {2, 0, ""},  {2, -3, ""}};
    for (const Case& c : cases) EXPECT_STREQ(text.mid(c.start, c.count).c_str(), c.expected) << c.start << "," << c.count;
    EXPECT_TRUE(text.mid(6, 1).isNull());
    EXPECT_TRUE(NelCString().mid(0, 3).isNull());
}

TEST(NelCString, ConcatenationTakesTheCombinedSize) {
    const NelCString joined = NelCString("ab") + NelCString("cd");
    EXPECT_STREQ(joined.c_str(), "abcd");
    EXPECT_GE(joined.capacity(), 5);
    EXPECT_STREQ((NelCString("ab") + "c").c_str(), "abc");
    EXPECT_STREQ(("a" + NelCString("bc")).c_str(), "abc");
    EXPECT_STREQ(NelCString::concat("a", "b", "c").c_str(), "abc");
    EXPECT_STREQ(NelCString::concat("a", nullptr, "c").c_str(), "ac");
    EXPECT_TRUE((NelCString("") + NelCString("")).isNull());
    EXPECT_TRUE((NelCString() + NelCString()).isNull());
    EXPECT_TRUE(NelCString::concat("", "", "").isNull());

    NelCString text("ab");
    text += 'c';
    text += "de";
    text += NelCString("f");
    EXPECT_STREQ(text.c_str(), "abcdef");
    text += text.c_str();  // appending itself reads the old buffer before freeing it
    EXPECT_STREQ(text.c_str(), "abcdefabcdef");
    NelCString empty("");
    empty += "";
    EXPECT_TRUE(empty.isNull());
}

TEST(NelCString, CopyMoveAndAssignment) {
    const NelCString empty("");
    const NelCString copy(empty);
    EXPECT_FALSE(copy.isNull());
    EXPECT_EQ(copy.hash(), 5381u);
    EXPECT_TRUE(NelCString(NelCString()).isNull());

    NelCString text("abc");
    const NelCString& alias = text;
    text = alias;
    EXPECT_STREQ(text.c_str(), "abc");
    text = text.c_str() + 1;  // a suffix of its own buffer
    EXPECT_STREQ(text.c_str(), "bc");
    NelCString moved(std::move(text));
    EXPECT_STREQ(moved.c_str(), "bc");
    EXPECT_TRUE(text.isNull());  // NOLINT: checks the moved-from state
    moved = static_cast<const char*>(nullptr);
    EXPECT_TRUE(moved.isNull());
    NelCString target("x");
    target = NelCString("long text");
    EXPECT_STREQ(target.c_str(), "long text");
}

TEST(NelCString, LessComparesUnsignedBytesWithNullFirst) {
    const NelCString none;
    struct Case {
        NelCString a;
        NelCString b;
        bool less;
    };
    const Case cases[] = {
        {none, none, false},          {none, NelCString(""), true},     {NelCString(""), none, false},
        {NelCString("a"), none, false}, {none, NelCString("a"), true},  {NelCString("a"), NelCString("b"), true},
        {NelCString("b"), NelCString("a"), false}, {NelCString("a"), NelCString("a"), false},
        {NelCString("a"), NelCString("ab"), true}, {NelCString("\x7f"), NelCString("\x80"), true},
        {NelCString("\xff"), NelCString("a"), false}, {NelCString(""), NelCString("a"), true},
    };
    for (const Case& c : cases) EXPECT_EQ(c.a.less(c.b), c.less) << '"' << c.a.c_str() << "\" < \"" << c.b.c_str() << '"';
    EXPECT_TRUE(NelCString() == NelCString(""));
    EXPECT_TRUE(NelCString("ab") == "ab");
    EXPECT_FALSE(NelCString("ab") == "abc");
}

TEST(NelCString, HashOverSignedBytes) {
    EXPECT_EQ(NelCString().hash(), 0u);
    EXPECT_EQ(NelCString("").hash(), 5381u);
    EXPECT_EQ(NelCString("a").hash(), 5381u * 33 + 'a');
    EXPECT_EQ(NelCString("\xff").hash(), 5381u * 33 - 1);
    for (const char* text : {"ITesComponent", "h\xe9llo", "\x80\x81\xfe", "a longer text with spaces"}) {
        EXPECT_EQ(NelCString(text).hash(), naiveHash(text)) << text;
    }
}

TEST(NelCString, IsPrimeFollowsTheWheelRule) {
    for (uint32_t n : {0u, 1u, 2u, 3u, 5u, 7u, 11u, 47u, 2147483647u, 4294967291u}) EXPECT_TRUE(NelCString::isPrime(n)) << n;
    for (uint32_t n : {4u, 6u, 9u, 15u, 25u, 49u, 121u, 961u, 1369u, 4294967295u, 65521u * 65519u}) {
        EXPECT_FALSE(NelCString::isPrime(n)) << n;
    }
    for (uint32_t n = 0; n < 100000; ++n) ASSERT_EQ(NelCString::isPrime(n), naiveIsPrime(n)) << n;
}

TEST(NelCString, NextPrimeAndTableSize) {
    struct Case {
        uint32_t n;
        uint32_t nextPrime;
        uint32_t tableSize;
    };
    const Case cases[] = {
        {0, 2, 2},       {1, 2, 2},           {2, 3, 3},         {3, 5, 5},
        {7, 11, 11},     {13, 17, 17},        {99, 101, 131},    {130, 131, 131},
        {131, 137, 257}, {1073741827u, 1073741831u, 2147483659u}, {2147483658u, 2147483659u, 2147483659u},
        {2147483659u, 2147483693u, 2147483659u}, {4294967290u, 4294967291u, 2147483659u}, {4294967291u, 0, 2147483659u},
        {UINT32_MAX, 0, 2147483659u},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(NelCString::nextPrime(c.n), c.nextPrime) << c.n;
        EXPECT_EQ(NelCString::nextTableSize(c.n), c.tableSize) << c.n;
    }
}
