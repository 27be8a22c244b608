#include "textcodec.h"

#include <gtest/gtest.h>

#include <random>
#include <string>

namespace {

// Units 0xFF00 | byte: the bytes that start no well-formed sequence.
std::u16string raw(std::initializer_list<int> bytes) {
    std::u16string units;
    for (int byte : bytes) units += static_cast<char16_t>(0xFF00 | byte);
    return units;
}

// Every row converts both ways; a lone surrogate only goes to U+FFFD.
TEST(TextCodec, ConvertsBothWaysKeepingRawBytes) {
    const std::pair<std::u16string, std::string> rows[] = {
        {u"", ""},                                    {u"caf\u00e9", "caf\xc3\xa9"},
        {u"\u20ac", "\xe2\x82\xac"},                  {u"\U0001F600", "\xf0\x9f\x98\x80"},
        {u"\uFF7F", "\xef\xbd\xbf"},                  // just below the raw units
        {raw({0x80}) + u"x" + raw({0xff}), "\x80x\xff"},
        {raw({0xc3}) + u"a", "\xc3" "a"},             // missing continuation
        {raw({0xc3}), "\xc3"},                        // cut short
        {raw({0xc0, 0xaf}), "\xc0\xaf"},              // overlong
        {raw({0xed, 0xa0, 0x80}), "\xed\xa0\x80"},    // an encoded surrogate
        {raw({0xf4, 0x90, 0x80, 0x80}), "\xf4\x90\x80\x80"},  // above U+10FFFF
        {raw({0xef, 0xbf, 0xbd}), "\xef\xbf\xbd"},    // U+FFFD lies among the raw units
    };
    for (const auto& [wide, bytes] : rows) {
        EXPECT_EQ(tesWideToUtf8(wide.data(), static_cast<int32_t>(wide.size())), bytes);
        EXPECT_EQ(tesUtf8ToWide(bytes), wide) << bytes;
    }
    const char16_t loneSurrogates[] = {0xD800, u'a', 0xDC00};
    EXPECT_EQ(tesWideToUtf8(loneSurrogates, 3), "\xef\xbf\xbd" "a\xef\xbf\xbd");
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

TEST(TextCodec, AnyBytesSurviveTheRoundTrip) {
    std::mt19937 random(7);
    for (int round = 0; round < 2000; ++round) {
        std::string bytes(random() % 24, '\0');
        for (char& byte : bytes) byte = static_cast<char>(random() % 2 == 0 ? 0x80 | random() : random());
        const std::u16string wide = tesUtf8ToWide(bytes);
        ASSERT_LE(wide.size(), bytes.size());
        ASSERT_EQ(tesWideToUtf8(wide.data(), static_cast<int32_t>(wide.size())), bytes);
    }
}

}  // namespace
