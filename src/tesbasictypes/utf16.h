// Conversion between UTF-16 (the library's wide strings and paths) and UTF-8
// (the operating system's paths and the XML boundary). Malformed input never
// fails: an unpaired surrogate, a stray or truncated UTF-8 sequence, an overlong
// form or a value beyond U+10FFFF becomes U+FFFD.
#pragma once

#include <string>
#include <string_view>

std::string tesUtf16ToUtf8(std::u16string_view text);
// A null pointer converts to the empty string.
std::string tesUtf16ToUtf8(const char16_t* text);

std::u16string tesUtf8ToUtf16(std::string_view text);
// A null pointer converts to the empty string.
std::u16string tesUtf8ToUtf16(const char* text);
