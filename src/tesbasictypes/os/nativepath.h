// The mapping from the library's paths (Windows conventions) to POSIX paths,
// applied wherever the file system is touched:
//   - the text becomes UTF-8 by textcodec.h's rule;
//   - a leading drive letter and ":" stand for the root of the file system:
//     "d:\data" -> "/data", "d:" -> "/", "d:data" -> "/data";
//   - every "\" becomes "/", so "\home\me\a.srml" -> "/home/me/a.srml" and a
//     path starting with "\" is absolute from "/";
//   - everything else is kept, relative paths stay relative to the working
//     directory.
// A "\" inside a POSIX file name cannot be expressed. An empty path maps to an
// empty one, which every file-system call treats as invalid.
#pragma once

#include <string>
#include <string_view>

std::string tesNativePath(std::u16string_view path);
// The same for zero-terminated text; null maps to an empty path.
std::string tesNativePath(const char16_t* path);
