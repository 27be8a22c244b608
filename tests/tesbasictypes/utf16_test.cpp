#include "utf16.h"

#include <gtest/gtest.h>

#include <random>
#include <string>

TEST(Utf16, ConvertsEveryEncodedLength) {
    struct Case {
        std::u16string wide;
        std::string narrow;
    };
    const Case cases[] = {
        {u"", ""},
        {u"path/file.bin", "path/file.bin"},
        {u"\u00E4", "\xC3\xA4"},
        {u"\u03C9\u20AC", "\xCF\x89\xE2\x82\xAC"},
        {u"\U0001F600", "\xF0\x9F\x98\x80"},
        {u"\uFFFF\U0010FFFF", "\xEF\xBF\xBF\xF4\x8F\xBF\xBF"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(tesUtf16ToUtf8(c.wide), c.narrow);
        EXPECT_EQ(tesUtf8ToUtf16(c.narrow), c.wide);
    }
    EXPECT_EQ(tesUtf16ToUtf8(static_cast<const char16_t*>(nullptr)), "");
    EXPECT_EQ(tesUtf8ToUtf16(static_cast<const char*>(nullptr)), u"");
}

TEST(Utf16, MalformedInputBecomesReplacementCharacters) {
    const std::string replacement = "\xEF\xBF\xBD";
    const std::u16string lone = {u'a', 0xD800, u'b', 0xDC00};
    EXPECT_EQ(tesUtf16ToUtf8(lone), "a" + replacement + "b" + replacement);
    const std::u16string reversed = {0xDE00, 0xD83D};
    EXPECT_EQ(tesUtf16ToUtf8(reversed), replacement + replacement);

    struct Case {
        std::string narrow;
        std::u16string wide;
    };
    const Case cases[] = {
        {"\x80", u"\uFFFD"},                   // stray continuation byte
        {"\xC0\xAF", u"\uFFFD\uFFFD"},         // overlong lead
        {"\xE0\x80\xAF", u"\uFFFD"},           // overlong three-byte form
        {"\xED\xA0\x80", u"\uFFFD"},           // an encoded surrogate
        {"\xF4\x90\x80\x80", u"\uFFFD"},       // beyond U+10FFFF
        {"\xE2\x82", u"\uFFFD"},               // cut short at the end
        {"\xE2\x82x", u"\uFFFDx"},             // cut short by an ASCII byte
        {"\xFF\xFEok", u"\uFFFD\uFFFDok"},
    };
    for (const Case& c : cases) EXPECT_EQ(tesUtf8ToUtf16(c.narrow), c.wide);
}

TEST(Utf16, ValidTextRoundTrips) {
    std::mt19937 random(11);
    for (int round = 0; round < 500; ++round) {
        std::u16string wide;
        for (int i = 0; i < 20; ++i) {
            char32_t code = random() % 0x110000;
            if (code >= 0xD800 && code < 0xE000) code = 0x41;
            if (code < 0x10000) {
                wide += static_cast<char16_t>(code);
            } else {
                wide += static_cast<char16_t>(0xD800 + ((code - 0x10000) >> 10));
                wide += static_cast<char16_t>(0xDC00 + ((code - 0x10000) & 0x3FF));
            }
        }
        ASSERT_EQ(tesUtf8ToUtf16(tesUtf16ToUtf8(wide)), wide);
    }
}
