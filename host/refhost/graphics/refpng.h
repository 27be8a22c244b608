// Writing 8-bit RGB pictures as PNG files.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

// Writes `rgb` (three bytes a pixel, row by row from the top) to `path`.
// Returns false with a message naming the path in `error` (when given) for
// sizes that do not match the bytes or a file that cannot be written.
bool refWritePng(const std::string& path, int32_t width, int32_t height, const std::vector<uint8_t>& rgb,
                 std::string* error);
