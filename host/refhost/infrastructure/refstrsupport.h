// The reference host's string support for wide text ("ITesStrSupport"), with
// small Unicode rules that cover ASCII and Latin-1:
// - 8-bit form: UTF-8, where U+FF80..U+FFFF give back the single bytes
//   0x80..0xFF they were widened from (textcodec.h), so 8-bit text survives
//   the trip through a wide string.
// - lower case: A-Z and U+00C0..U+00DE (except U+00D7, the multiplication
//   sign) move up by 0x20; every other unit stays.
// - compare: first unit by unit on the lower-case forms, so "apple" < "Banana"
//   < "cherry"; texts that differ only in case then order by code unit, so 0
//   means equal.
// - space: the Unicode white space of the basic plane (tab to carriage return,
//   space, U+0085, U+00A0, U+1680, U+2000..U+200A, U+2028, U+2029, U+202F,
//   U+205F, U+3000).
// - digit: 0-9 only.
#pragma once

#include "hostapi/infrastructure.h"

class RefStrSupport : public ITesStrSupport {
public:
    void queryInterface(const char* name, void** out) override;
    const char* className() const override;

    void reservedSlot0() override {}
    int32_t toNarrow(const char16_t* text, char* out, int32_t outSize) override;
    int32_t compare(const char16_t* a, const char16_t* b) override;
    bool isSpace(char16_t unit) override;
    bool isDigit(char16_t unit) override;
    void reservedSlot5() override {}
    void reservedSlot6() override {}
    void reservedSlot7() override {}
    int32_t toLower(const char16_t* text, char16_t* out, int32_t outSize) override;
};
