#include "textcodec.h"

#include <gtest/gtest.h>

#include <random>
#include <string>

TEST(TextCodec, WideToUtf8) {
    struct Case {
        std::u16string wide;
        std::string bytes;
    };
    const Case cases[] = {
        {u"", ""},
        {u"abc", "abc"},
        {u"caf\u00e9", "caf\xc3\xa9"},
        {u"\u20ac", "\xe2\x82\xac"},
        {u"\U0001F600", "\xf0\x9f\x98\x80"},
        {std::u16string(1, char16_t{0xFF80}) + u"x" + std::u16string(1, char16_t{0xFFFF}), "\x80x\xff"},
        {std::u16string(1, char16_t{0xD800}), "\xef\xbf\xbd"},            // lone high surrogate
        {std::u16string(1, char16_t{0xDC00}) + u"a", "\xef\xbf\xbd" "a"},  // lone low surrogate
        {std::u16string(1, char16_t{0xFF7F}), "\xef\xbd\xbf"},            // just below the raw-byte range
    };
    for (const Case& c : cases) {
        EXPECT_EQ(tesWideToUtf8(c.wide.data(), static_cast<int32_t>(c.wide.size())), c.bytes);
    }
}

TEST(TextCodec, BoundedOutputReportsTheFullLength) {
    const std::u16string wide = u"h\u00e9llo";  // 5 units, 6 bytes
    char out[4] = {'x', 'x', 'x', 'x'};
    EXPECT_EQ(tesWideToUtf8(wide.data(), 5, out, 4), 6);
    EXPECT_EQ(std::string(out), "h\xc3\xa9");
    EXPECT_EQ(tesWideToUtf8(wide.data(), 5, out, 1), 6);
    EXPECT_EQ(out[0], '\0');
    EXPECT_EQ(tesWideToUtf8(wide.data(), 5, nullptr, 0), 6);
}

TEST(TextCodec, Utf8ToWide) {
    struct Case {
        std::string bytes;
        std::u16string wide;
    };
    const auto raw = [](std::initializer_list<int> bytes) {
        std::u16string units;
        for (int byte : bytes) units += static_cast<char16_t>(0xFF00 | byte);
        return units;
    };
    const Case cases[] = {
        {"", u""},
        {"abc", u"abc"},
        {"caf\xc3\xa9", u"caf\u00e9"},
        {"\xf0\x9f\x98\x80", u"\U0001F600"},
        {"\xc3", raw({0xc3})},                             // cut short
        {"\xc3" "a", raw({0xc3}) + u"a"},                  // missing continuation
        {"\xc0\xaf", raw({0xc0, 0xaf})},                   // overlong
        {"\xed\xa0\x80", raw({0xed, 0xa0, 0x80})},         // an encoded surrogate
        {"\xf4\x90\x80\x80", raw({0xf4, 0x90, 0x80, 0x80})},  // above U+10FFFF
        {"\xef\xbf\xbd", raw({0xef, 0xbf, 0xbd})},         // U+FFFD lies in the raw-byte range
        {"\xef\xbd\xbf", u"\uFF7F"},
        {"\xff\xfe", raw({0xff, 0xfe})},
    };
    for (const Case& c : cases) EXPECT_EQ(tesUtf8ToWide(c.bytes), c.wide) << c.bytes;
}

TEST(TextCodec, AnyBytesSurviveTheRoundTrip) {
    std::mt19937 random(7);
    for (int round = 0; round < 2000; ++round) {
        std::string bytes(random() % 24, '\0');
        for (char& byte : bytes) byte = static_cast<char>(random() % 2 == 0 ? 0x80 + random() % 0x80 : random() % 0x100);
        const std::u16string wide = tesUtf8ToWide(bytes);
        ASSERT_LE(wide.size(), bytes.size());
        ASSERT_EQ(tesWideToUtf8(wide.data(), static_cast<int32_t>(wide.size())), bytes);
    }
}
