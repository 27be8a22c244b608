// The shortest text of a floating-point value that the library writes: the
// integer itself when the value is a 32-bit integer, otherwise the general
// ("%g") form at the smallest precision reached by stepping down from 17
// (9 for float) while the parsed-back error does not grow.
//
// Both functions raise the standard number-parsing errors of the text they
// parse back: std::out_of_range("stod argument out of range") when a candidate
// overflows (for example the largest finite double, or 1.5e308 whose
// one-digit form 2e+308 overflows) and std::invalid_argument("invalid stod
// argument") when it cannot be parsed; the float forms say "stof".
// Parsing uses the C library, so the process is expected to keep the "C"
// numeric locale.
#pragma once

#include <cstdint>

// Room for any text below, terminator included.
inline constexpr int32_t kTesShortestTextSize = 32;

// Writes the zero-terminated text into `out` (kTesShortestTextSize bytes) and
// returns its length. Takes the digits of std::to_chars and steps through the
// precisions only where the two can differ.
int32_t tesShortestText(double value, char* out);
int32_t tesShortestText(float value, char* out);

// The same texts by trying each precision in turn (about 70 times slower).
int32_t tesShortestTextSearch(double value, char* out);
int32_t tesShortestTextSearch(float value, char* out);
