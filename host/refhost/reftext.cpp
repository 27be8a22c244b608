#include "reftext.h"

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
