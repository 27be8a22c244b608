// Conversions between wide text (16-bit units) and 8-bit text.
//
// 8-bit text on this port is UTF-8, with one twist that keeps every byte
// string intact: the library widens 8-bit text by sign extension, so a unit in
// U+FF80..U+FFFF stands for the single byte 0x80..0xFF it came from.
//   wide -> 8-bit: U+0000..U+007F one byte; U+FF80..U+FFFF the byte 0x80..0xFF;
//     a surrogate pair the 4-byte sequence of its code point; a lone surrogate
//     the sequence of U+FFFD; every other unit its 2- or 3-byte sequence.
//   8-bit -> wide: each well-formed sequence its code point (a pair above
//     U+FFFF), except sequences that would decode into U+FF80..U+FFFF; every
//     byte that starts no well-formed sequence becomes 0xFF00 | byte.
// So 8-bit -> wide -> 8-bit gives back the same bytes for any input.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

// Writes the 8-bit form of units[0..count) into out[0..outSize): at most
// outSize - 1 bytes and a terminator when outSize > 0. Returns the length of the
// whole 8-bit form (without terminator), as snprintf does.
int32_t tesWideToUtf8(const char16_t* units, int32_t count, char* out, int32_t outSize);

std::string tesWideToUtf8(const char16_t* units, int32_t count);

// The 8-bit form of zero-terminated wide text; empty for null.
std::string tesWideToUtf8(const char16_t* text);

// Writes the wide form of bytes[0..count) into `out`, which must hold `count`
// units (no input byte yields more than one unit); returns the units written.
// No terminator is written.
int32_t tesUtf8ToWide(const char* bytes, int32_t count, char16_t* out);

// The wide form of `text`, by the rule above.
std::u16string tesUtf8ToWide(std::string_view text);
