// File access at the operating-system level: descriptors for TesFdStreambuf,
// 64-bit positioning and commit of C streams for the binary file streams, and
// whether a descriptor is a terminal. Paths are UTF-8.
#pragma once

#include <cstdint>
#include <cstdio>

enum class TesSeekOrigin { kStart, kCurrent, kEnd };

// How a descriptor is opened. POSIX has no text mode, so `binary` changes
// nothing; there is no sharing restriction either ("deny none": no locks are
// taken). A created file gets read and write permission for its owner only.
struct TesFdOpenFlags {
    bool read = false;
    bool write = false;
    bool create = false;
    bool truncate = false;
    bool append = false;
    bool binary = false;
};

// The new descriptor, or -1. Descriptors are not inherited by child processes.
int tesFdOpen(const char* path, const TesFdOpenFlags& flags);
// Bytes transferred; 0 at end of file; -1 on error. Interrupted calls are retried.
int64_t tesFdRead(int fd, void* buffer, int64_t bytes);
int64_t tesFdWrite(int fd, const void* buffer, int64_t bytes);
// The new position from the start, or -1.
int64_t tesFdSeek(int fd, int64_t offset, TesSeekOrigin origin);
bool tesFdClose(int fd);
bool tesFdIsTerminal(int fd);
bool tesStderrIsTerminal();

// True when the file at `path` exists and this process may read it.
bool tesFileReadable(const char* path);

// fopen; `mode` as for fopen ("rb", "w+b", ...). Null on failure.
std::FILE* tesFileOpen(const char* path, const char* mode);
bool tesFileSeek(std::FILE* file, int64_t offset, TesSeekOrigin origin);
// The position from the start, or -1.
int64_t tesFileTell(std::FILE* file);
// Flushes the C stream and commits the file's data to the storage device.
bool tesFileCommit(std::FILE* file);
