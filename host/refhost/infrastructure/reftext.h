// Text helpers of the reference host: UTF-8 at its edges, wide inside the
// interfaces, and one number format for transcripts.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

std::string refUtf8(std::u16string_view text);
std::string refUtf8(const char16_t* text);
std::u16string refWide(std::string_view text);

// The length of the well-formed UTF-8 sequence at the start of `text`, with
// its code point in `code`; 0 when none starts there (a stray or missing
// continuation byte, an overlong form, a surrogate, beyond U+10FFFF).
size_t refDecodeUtf8(std::string_view text, char32_t& code);

// The shortest text that reads back to the same double ("0.1", "3", "-0").
std::string refFormatDouble(double value);
