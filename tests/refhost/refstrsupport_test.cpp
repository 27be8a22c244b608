#include "infrastructure/refstrsupport.h"

#include <gtest/gtest.h>

#include <string>
#include <tuple>

#include "refhost.h"
#include "servicelookup.h"
#include "strsupport.h"
#include "tesstring.h"

namespace {

int32_t sign(int32_t value) { return value < 0 ? -1 : value > 0 ? 1 : 0; }

TEST(RefStrSupport, NarrowFormIsUtf8WithRawBytesBack) {
    RefStrSupport support;
    char out[8] = "xxxxxxx";
    EXPECT_EQ(support.toNarrow(std::u16string{u'a', 0xFFE9}.c_str(), out, 8), 2);  // the byte 0xE9, widened
    EXPECT_STREQ(out, "a\xe9");
    EXPECT_EQ(support.toNarrow(u"\u00e9\u00e9", out, 3), 4);
    EXPECT_STREQ(out, "\xc3\xa9");
    EXPECT_EQ(support.toNarrow(u"abc", nullptr, 0), 3);
    EXPECT_EQ(support.toNarrow(nullptr, out, 3), 0);
    EXPECT_STREQ(out, "");
}

TEST(RefStrSupport, CompareFoldsCaseFirstThenOrdersByUnit) {
    RefStrSupport support;
    const std::tuple<const char16_t*, const char16_t*, int32_t> rows[] = {
        {u"apple", u"Banana", -1}, {u"a", u"A", 1}, {u"abc", u"abc", 0}, {u"ab", u"abc", -1}, {nullptr, u"", 0},
        {u"\u00c9t\u00e9", u"\u00e9t\u00e9", -1}, {u"\u00e9", u"f", 1},  {u"a", nullptr, 1},
        {u"x\u00d7", u"x\u00f7", -1},  // the multiplication sign has no lower case
    };
    for (const auto& [a, b, order] : rows) {
        EXPECT_EQ(sign(support.compare(a, b)), order) << TesString(a).toUtf8() << " ~ " << TesString(b).toUtf8();
        EXPECT_EQ(sign(support.compare(b, a)), -order) << TesString(a).toUtf8() << " ~ " << TesString(b).toUtf8();
    }
}

TEST(RefStrSupport, ClassesAndLowerCase) {
    RefStrSupport support;
    const std::u16string spaces = u" \t\n\v\f\r\u0085\u00a0\u1680\u2028\u2029\u202f\u205f\u3000";
    for (char16_t unit = 0; unit < 0x3001; ++unit) {
        const bool space = spaces.find(unit) != std::u16string::npos || (unit >= 0x2000 && unit <= 0x200A);
        EXPECT_EQ(support.isSpace(unit), space) << static_cast<int>(unit);
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

// Nothing here returns early: the manager must be reset at the end.
TEST(RefStrSupport, LibraryStringsUseTheServiceOfTheirManager) {
    RefHost host;
    host.installInLibrary();
    EXPECT_EQ(tesStrSupport(), static_cast<ITesStrSupport*>(&host.strSupport()));
    EXPECT_TRUE(TesString(u"apple") < TesString(u"Banana"));  // by code unit it would be the other way
    EXPECT_EQ(TesString(u"\u00c9T\u00c9").compareNoCase(TesString(u"\u00e9t\u00e9")), 0);
    EXPECT_EQ(static_cast<std::u16string_view>(TesString(u"\u00c0B").toLower()), u"\u00e0b");
    EXPECT_TRUE(TesString(u"1\u00a0x").isSpace(1));
    EXPECT_STREQ(TesString(u"wide \u00e9").narrow(), "wide \xc3\xa9");
    RefHost other;
    other.installInLibrary();
    EXPECT_EQ(tesStrSupport(), static_cast<ITesStrSupport*>(&other.strSupport()));
    RefHost third;
    third.manager().removeService("ITesStrSupport");
    third.installInLibrary();
    EXPECT_EQ(tesStrSupport(), nullptr);
    tesSetComponentManager(nullptr);
}

}  // namespace
