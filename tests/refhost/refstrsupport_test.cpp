#include "refstrsupport.h"

#include <gtest/gtest.h>

#include <string>

#include "iptr.h"
#include "refhost.h"
#include "servicelookup.h"
#include "strsupport.h"
#include "tesstring.h"

namespace {

std::u16string units(const TesString& text) { return std::u16string(static_cast<std::u16string_view>(text)); }

const std::u16string kRawE9(1, char16_t{0xFFE9});  // the byte 0xE9 widened by sign extension

int32_t sign(int32_t value) { return value < 0 ? -1 : value > 0 ? 1 : 0; }

// The library's strings with the reference host installed; the manager is
// reset when the test ends.
class WithRefHost : public ::testing::Test {
protected:
    void SetUp() override { host_.installInLibrary(); }
    void TearDown() override { tesSetComponentManager(nullptr); }
    RefHost host_;
};

}  // namespace

TEST(RefStrSupport, AnswersItsInterface) {
    IPtr<RefStrSupport> support(new RefStrSupport);
    EXPECT_EQ(tesQuery<ITesStrSupport>(support.get(), "ITesStrSupport"), static_cast<ITesStrSupport*>(support.get()));
    EXPECT_NE(tesQuery<ITesUnknown>(support.get(), "ITesUnknown"), nullptr);
    EXPECT_EQ(tesQuery<ITesStrSupport>(support.get(), "ITesOther"), nullptr);
    EXPECT_STREQ(support->className(), "RefStrSupport");
}

TEST(RefStrSupport, NarrowFormIsUtf8WithRawBytesBack) {
    RefStrSupport support;
    struct Case {
        std::u16string wide;
        std::string bytes;
    };
    const Case cases[] = {
        {u"plain", "plain"},
        {u"caf" + kRawE9, "caf\xe9"},
        {u"caf\u00e9", "caf\xc3\xa9"},
        {u"\u20ac \U0001F600", "\xe2\x82\xac \xf0\x9f\x98\x80"},
        {std::u16string(1, char16_t{0xDBFF}), "\xef\xbf\xbd"},
        {u"", ""},
    };
    for (const Case& c : cases) {
        char out[32];
        const int32_t length = support.toNarrow(c.wide.c_str(), out, sizeof out);
        EXPECT_EQ(std::string(out, static_cast<size_t>(length)), c.bytes);
    }
    char small[3] = {'x', 'x', 'x'};
    EXPECT_EQ(support.toNarrow(u"\u00e9\u00e9", small, 3), 4);
    EXPECT_STREQ(small, "\xc3\xa9");
    EXPECT_EQ(support.toNarrow(u"abc", nullptr, 0), 3);
    EXPECT_EQ(support.toNarrow(nullptr, small, 3), 0);
    EXPECT_STREQ(small, "");
}

TEST(RefStrSupport, CompareFoldsCaseFirstThenOrdersByUnit) {
    RefStrSupport support;
    struct Case {
        const char16_t* a;
        const char16_t* b;
        int32_t order;
    };
    const Case cases[] = {
        {u"apple", u"Banana", -1}, {u"Banana", u"cherry", -1}, {u"cherry", u"apple", 1},
        {u"a", u"A", 1},           {u"A", u"a", -1},           {u"abc", u"abc", 0},
        {u"ab", u"abc", -1},       {u"", u"", 0},              {u"", u"a", -1},
        {u"\u00c9t\u00e9", u"\u00e9t\u00e9", -1},               {u"\u00e9", u"f", 1},
        {u"x\u00d7", u"x\u00f7", -1},  // the multiplication sign has no lower case
        {nullptr, u"", 0},         {u"a", nullptr, 1},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(sign(support.compare(c.a, c.b)), c.order);
        EXPECT_EQ(sign(support.compare(c.b, c.a)), -c.order);
    }
}

TEST(RefStrSupport, ClassesAndLowerCase) {
    RefStrSupport support;
    for (char16_t unit : {u' ', u'\t', u'\n', u'\v', u'\f', u'\r', u'\u0085', u'\u00a0', u'\u1680', u'\u2000', u'\u200a',
                          u'\u2028', u'\u2029', u'\u202f', u'\u205f', u'\u3000'}) {
        EXPECT_TRUE(support.isSpace(unit)) << static_cast<int>(unit);
    }
    for (char16_t unit : {u'a', u'\0', u'\u200b', u'\u00a1', char16_t{0xFFA0}, u'\u001f'}) {
        EXPECT_FALSE(support.isSpace(unit)) << static_cast<int>(unit);
    }
    for (char16_t unit = 0; unit < 0x3000; ++unit) {
        EXPECT_EQ(support.isDigit(unit), unit >= u'0' && unit <= u'9') << static_cast<int>(unit);
    }

    char16_t out[16];
    const std::u16string upper = u"AZ[@\u00c0\u00d7\u00de\u00df\u0178" + std::u16string(1, char16_t{0xFFC9});
    const std::u16string lower = u"az[@\u00e0\u00d7\u00fe\u00df\u0178" + std::u16string(1, char16_t{0xFFC9});
    EXPECT_EQ(support.toLower(upper.c_str(), out, 16), static_cast<int32_t>(upper.size()));
    EXPECT_EQ(std::u16string(out), lower);
    EXPECT_EQ(support.toLower(u"ABCD", out, 3), 4);
    EXPECT_EQ(std::u16string(out), u"ab");
    EXPECT_EQ(support.toLower(u"ABCD", nullptr, 0), 4);
}

TEST_F(WithRefHost, LibraryStringsUseTheService) {
    ASSERT_EQ(tesStrSupport(), static_cast<ITesStrSupport*>(&host_.strSupport()));
    EXPECT_EQ(tesStrSupport(), tesStrSupport());
    EXPECT_TRUE(TesString(u"apple") < TesString(u"Banana"));  // by code unit it would be the other way
    EXPECT_FALSE(TesString(u"a") == TesString(u"A"));
    EXPECT_EQ(TesString(u"\u00c9T\u00c9").compareNoCase(TesString(u"\u00e9t\u00e9")), 0);
    EXPECT_EQ(units(TesString(u"\u00c0B").toLower()), u"\u00e0b");
    const TesString text(u"1\u00a0x");
    EXPECT_TRUE(text.isDigit(0));
    EXPECT_TRUE(text.isSpace(1));
    EXPECT_FALSE(text.isSpace(2));
    EXPECT_STREQ(TesString("8-bit \xe9").narrow(), "8-bit \xe9");
    EXPECT_STREQ(TesString(u"wide \u00e9").narrow(), "wide \xc3\xa9");
}

TEST_F(WithRefHost, AnotherManagerGetsItsOwnService) {
    ITesStrSupport* first = tesStrSupport();
    RefHost other;
    other.installInLibrary();
    EXPECT_EQ(tesStrSupport(), static_cast<ITesStrSupport*>(&other.strSupport()));
    EXPECT_NE(tesStrSupport(), first);
    RefHost third;
    third.manager().removeService("ITesStrSupport");
    third.installInLibrary();
    EXPECT_EQ(tesStrSupport(), nullptr);
    EXPECT_TRUE(TesString(u"B") < TesString(u"a"));  // code units without the service
}
