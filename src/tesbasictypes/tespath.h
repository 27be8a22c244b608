// The library's path rules on wide strings, with the Windows conventions of
// the component: "\" separates (a "/" is accepted wherever a "\" is), a drive
// root is a letter, ":" and "\", and "." and ".." are components. Nothing here
// touches the file system except makeAbsolute, which reads the working
// directory. os/nativepath.h maps the result to a POSIX path.
#pragma once

#include <string_view>

#include "tesstring.h"

namespace TesPath {

// 1. "//d/..." (slashes at 0, 1 and 3) becomes "d:\...".
// 2. Every "/" becomes "\".
// 3. Trailing "\" go while more than one unit remains: "\" stays "\", "c:\"
//    becomes "c:".
void normalize(TesString& path);

// Removes each "dir\.." pair, the separator after ".." staying, as long as
// a "\..\" (else "/../") has a separator before it: "a\b\..\c" -> "a\c". A
// leading ".." or one without a following separator stays. True when the
// path changed.
bool collapseDotDot(TesString& path);

// The text before the last separator; "\" when that separator is the first
// unit; ".\" for a path without one; "." (".\" normalised) for an empty path.
TesString parentDirectory(const TesString& path);

// The part after the last separator, without its extension (from the last
// ".") when keepExtension is false: "c:\a\b.txt" -> "b".
TesString fileName(const TesString& path, bool keepExtension);

// The part after the last "." when that dot follows the last separator, else
// empty: "c:\dir.two\file" -> "".
TesString extension(const TesString& path);

// Replaces everything from the extension's dot by `text`, which brings its own
// dot (".srml"); without an extension, appends `text`.
void replaceExtension(TesString& path, const TesString& text);

// "c:" -> "c:\"; any other path unchanged.
TesString withDriveRoot(const TesString& path);

// "\".
TesString rootPath();

// First unit "\", or a letter followed by ":". A raw "/x" is relative:
// normalise a path typed with "/" first.
bool isAbsolute(const TesString& path);
bool isRelative(const TesString& path);

// Joins a relative path to the working directory: leading "." components are
// dropped, each leading ".." takes one level off the working directory, and the
// result is normalised. An absolute path stays as it is. False, leaving the
// path unchanged, when the working directory cannot be read.
bool makeAbsolute(TesString& path);

// Matches all of `text` against `pattern`, case-sensitively: "?" is any one
// unit, "*" any run of units (none included), "[...]" one unit of a set whose
// members are single units and ranges "a-z" (a range whose ends are reversed
// is empty; there is no negation; the first "]" closes the set, so "[]" is
// empty). A "[" without a later "]" is an ordinary unit, as is every unit
// other than "?", "*" and "[".
bool wildcardMatch(std::string_view pattern, std::string_view text);
bool wildcardMatch(std::u16string_view pattern, std::u16string_view text);

}  // namespace TesPath
