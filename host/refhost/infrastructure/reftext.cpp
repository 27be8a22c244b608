#include "infrastructure/reftext.h"

#include <charconv>

#include "textcodec.h"

std::string refUtf8(std::u16string_view text) {
    return tesWideToUtf8(text.data(), static_cast<int32_t>(text.size()));
}

std::string refUtf8(const char16_t* text) { return refUtf8(std::u16string_view(text != nullptr ? text : u"")); }

std::u16string refWide(std::string_view text) { return tesUtf8ToWide(text); }

std::string refFormatDouble(double value) {
    char buffer[32];
    const auto result = std::to_chars(buffer, buffer + sizeof(buffer), value);
    return std::string(buffer, result.ptr);
}

size_t refDecodeUtf8(std::string_view text, char32_t& code) {
    struct Lead {
        unsigned char first, last;  // the lead bytes of sequences of this length
        unsigned char bits;         // the code point's bits in the lead byte
        size_t length;
        char32_t least;  // smaller code points are overlong forms
    };
    static constexpr Lead kLeads[] = {
        {0xC2, 0xDF, 0x1F, 2, 0x80}, {0xE0, 0xEF, 0x0F, 3, 0x800}, {0xF0, 0xF4, 0x07, 4, 0x10000}};
    const auto lead = static_cast<unsigned char>(text[0]);
    if (lead < 0x80) {
        code = lead;
        return 1;
    }
    const Lead* kind = nullptr;
    for (const Lead& each : kLeads) {
        if (lead >= each.first && lead <= each.last) kind = &each;
    }
    if (kind == nullptr || text.size() < kind->length) return 0;
    const size_t length = kind->length;
    const char32_t least = kind->least;
    code = lead & kind->bits;
    for (size_t i = 1; i < length; ++i) {
        const auto next = static_cast<unsigned char>(text[i]);
        if ((next & 0xC0) != 0x80) return 0;
        code = (code << 6) | (next & 0x3F);
    }
    const bool surrogate = code >= 0xD800 && code <= 0xDFFF;
    return code < least || code > 0x10FFFF || surrogate ? 0 : length;
}
