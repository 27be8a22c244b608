// File-system calls on native (POSIX, UTF-8) paths. Failures are results:
// false or null, with nothing changed.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>

// What the status call reports, in portable form. The type bits follow
// symbolic links; isLink tells that the path itself is one.
struct TesFileStatus {
    int64_t size = 0;              // bytes
    int64_t modifiedTime = 0;      // seconds since 1970
    int64_t accessTime = 0;
    int64_t changeTime = 0;
    uint32_t mode = 0;             // permission bits (0777)
    uint64_t device = 0;           // device and inode identify a file
    uint64_t inode = 0;
    bool isFile = false;
    bool isDirectory = false;
    bool isLink = false;
};

// False when the path cannot be examined (missing, no permission, empty).
bool tesOsStatus(const std::string& path, TesFileStatus* status);

// The access check: mode 0 existence, 2 write, 4 read, 6 read and write (the
// same values on Windows and POSIX); any other mode gives false.
bool tesOsAccess(const std::string& path, int32_t mode);

// One level, with permissions 0777 less the umask; false when it exists.
bool tesOsMakeDirectory(const std::string& path);
bool tesOsRemoveDirectory(const std::string& path);
bool tesOsRemoveFile(const std::string& path);
// Replaces an existing target as POSIX rename does.
bool tesOsRename(const std::string& from, const std::string& to);

std::FILE* tesOsOpenFile(const std::string& path, const char* mode);
std::FILE* tesOsReopenFile(const std::string& path, const char* mode, std::FILE* stream);

// Opens for sequential access with permissions 0600 on creation: write-only and
// created if missing (never truncated) when `write`, read-only otherwise. No
// other exclusive opener may hold the file: the open takes an exclusive
// advisory lock (flock) without waiting and fails when another open file holds
// it, in this process or another. The lock goes with the stream's close. Only
// openers that lock too are kept out. The descriptor is wrapped with `mode`.
std::FILE* tesOsOpenExclusive(const std::string& path, bool write, const char* mode);

// Creates `path` (which must not exist) for binary reading and writing and
// removes its name at once, so the file vanishes when the stream is closed.
std::FILE* tesOsCreateTemporaryFile(const std::string& path);

// The working directory; false when it cannot be read.
bool tesOsCurrentDirectory(std::string* path);
