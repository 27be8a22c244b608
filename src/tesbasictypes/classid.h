// Class identifiers: 16 bytes in GUID layout (32-bit, 16-bit, 16-bit, 8 bytes).
#pragma once

#include <cstdint>
#include <cstring>

struct TesClassId {
    uint32_t data1;
    uint16_t data2;
    uint16_t data3;
    uint8_t data4[8];

    // Parses "xxxxxxxx-xxxx-xxxx-xxxx-xxxxxxxxxxxx" at compile time; a malformed
    // literal is a compile error.
    static consteval TesClassId parse(const char (&text)[37]);

    // The canonical lower-case text form, 36 characters and a terminating zero.
    void format(char (&text)[37]) const;

    friend bool operator==(const TesClassId& a, const TesClassId& b) {
        return std::memcmp(&a, &b, sizeof(TesClassId)) == 0;
    }
};
static_assert(sizeof(TesClassId) == 16);

namespace tes_classid_detail {
consteval uint32_t hexDigit(char c) {
    if (c >= '0' && c <= '9') return static_cast<uint32_t>(c - '0');
    if (c >= 'a' && c <= 'f') return static_cast<uint32_t>(c - 'a' + 10);
    if (c >= 'A' && c <= 'F') return static_cast<uint32_t>(c - 'A' + 10);
    throw "class identifier: not a hexadecimal digit";
}
consteval uint32_t hexValue(const char* text, int digits) {
    uint32_t value = 0;
    for (int i = 0; i < digits; ++i) value = value * 16 + hexDigit(text[i]);
    return value;
}
}  // namespace tes_classid_detail

consteval TesClassId TesClassId::parse(const char (&text)[37]) {
    using tes_classid_detail::hexValue;
    if (text[8] != '-' || text[13] != '-' || text[18] != '-' || text[23] != '-') {
        throw "class identifier: dashes expected at 8, 13, 18 and 23";
    }
    TesClassId id{};
    id.data1 = hexValue(text, 8);
    id.data2 = static_cast<uint16_t>(hexValue(text + 9, 4));
    id.data3 = static_cast<uint16_t>(hexValue(text + 14, 4));
    id.data4[0] = static_cast<uint8_t>(hexValue(text + 19, 2));
    id.data4[1] = static_cast<uint8_t>(hexValue(text + 21, 2));
    for (int i = 0; i < 6; ++i) {
        id.data4[2 + i] = static_cast<uint8_t>(hexValue(text + 24 + 2 * i, 2));
    }
    return id;
}
