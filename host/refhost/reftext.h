// Text helpers of the reference host: UTF-8 at its edges, wide inside the
// interfaces, and one number format for transcripts.
#pragma once

#include <string>
#include <string_view>

std::string refUtf8(std::u16string_view text);
std::string refUtf8(const char16_t* text);
std::u16string refWide(std::string_view text);

// The shortest text that reads back to the same double ("0.1", "3", "-0").
std::string refFormatDouble(double value);
