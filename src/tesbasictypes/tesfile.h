// File and directory operations on the library's paths (tespath.h); each maps
// its paths to POSIX paths (os/nativepath.h) where it touches the file system.
// Failures are results: false, null or 0; nothing throws. The narrow forms
// take UTF-8 paths and behave as the wide ones.
#pragma once

#include <cstdint>
#include <cstdio>

#include "os/nativefile.h"
#include "tesstring.h"

namespace TesFile {

// The access check: mode 0 existence, 2 write, 4 read, 6 both.
bool canAccess(const TesString& path, int32_t mode);
// The status can be read (the path names something).
bool exists(const TesString& path);
bool exists(const char* path);
bool isFile(const TesString& path);
bool isDirectory(const TesString& path);
// False when the status cannot be read.
bool status(const TesString& path, TesFileStatus* record);

// Non-recursive: creates the directory; true when created or already a
// directory. Recursive: also creates the missing levels above it, top down,
// stopping at the first level that fails.
bool makeDirectory(const TesString& path, bool recursive);
bool makeDirectory(const char* path, bool recursive);

bool removeFile(const TesString& path);
// Recursive: every file inside (a symbolic link counts as a file and is never
// followed) goes, then every subdirectory recursively, then the directory; the
// result is that of the last removal.
bool removeDirectory(const TesString& path, bool recursive);
bool removeDirectory(const char* path, bool recursive);

// The C runtime rename; on this port an existing target file is replaced.
bool rename(const TesString& from, const TesString& to);

// Copies the bytes of `from` into `to` (created or truncated) in blocks of 2048
// bytes; true once both are open, whatever the blocks then do. False when
// either cannot be opened, when the source is a directory, or when both name
// the same file (then nothing is touched); a missing source leaves the
// destination alone.
bool copyFile(const TesString& from, const TesString& to);
bool copyFile(const char* from, const char* to);

// A file is copied with copyFile; a directory is copied entry by entry into
// `to` (created if missing), subdirectories recursively, a file in the way of
// a subdirectory deleted first. A source that is neither gives true and does
// nothing. Symbolic links to directories are not followed and make the result
// false; a destination inside the source is refused (false, nothing done). The
// copy goes on after a failed step; the result is true when every step worked.
bool copyTree(const TesString& from, const TesString& to);
bool copyTree(const char* from, const char* to);

// Renames when it can. Otherwise a file is copied (the source stays), and a
// directory is moved entry by entry into `to` (created if missing): files by
// rename or else by copy, subdirectories recursively, a file in the way
// deleted first; the source directories stay in place. Refuses a destination
// inside the source; the result is true when every step worked.
bool moveTree(const TesString& from, const TesString& to);
bool moveTree(const char* from, const char* to);

// fopen; null for an empty path or a mode longer than 255 characters.
std::FILE* openFile(const TesString& path, const char* mode);

// Opens for sequential access, kept from every other openShared while open
// (an exclusive advisory lock, os/nativefile.h): a mode starting with "w"
// opens write-only, created with permissions 0600 if missing and never
// truncated; any other mode opens read-only. The descriptor becomes a stream
// with `mode`. When the open fails: null at once for a write mode or a
// waitSeconds of 0 or less; otherwise it waits waitSeconds (rounded to
// milliseconds) and tries again, at most kOpenSharedAttempts times in all.
inline constexpr int32_t kOpenSharedAttempts = 10;
std::FILE* openShared(const TesString& path, const char* mode, double waitSeconds);

// freopen onto `stream`: null, the stream untouched, for an empty path or an
// invalid mode; when the open itself fails the stream is closed, as freopen
// does.
std::FILE* reopenFile(const TesString& path, const char* mode, std::FILE* stream);

// Writes n bytes in pieces of at most chunk bytes (one piece when chunk is 0
// or less); false at the first short write, for a null stream or buffer, or a
// negative n.
bool writeAll(const void* buffer, std::FILE* stream, int64_t n, int64_t chunk);

// Creates `path` (which must not exist yet) for binary reading and writing; the
// file disappears when the stream is closed.
std::FILE* createTemporaryFile(const TesString& path);

}  // namespace TesFile
