#include "fileio.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr mode_t kCreatedFilePermission = S_IRUSR | S_IWUSR;

int openFlags(const TesFdOpenFlags& flags) {
    int result = O_CLOEXEC;
    if (flags.read && flags.write) {
        result |= O_RDWR;
    } else if (flags.write) {
        result |= O_WRONLY;
    } else {
        result |= O_RDONLY;
    }
    if (flags.create) result |= O_CREAT;
    if (flags.truncate) result |= O_TRUNC;
    if (flags.append) result |= O_APPEND;
    return result;
}

int whence(TesSeekOrigin origin) {
    switch (origin) {
    case TesSeekOrigin::kStart:
        return SEEK_SET;
    case TesSeekOrigin::kCurrent:
        return SEEK_CUR;
    case TesSeekOrigin::kEnd:
        return SEEK_END;
    }
    return SEEK_SET;
}

}  // namespace

int tesFdOpen(const char* path, const TesFdOpenFlags& flags) {
    if (path == nullptr) return -1;
    int fd;
    do {
        fd = ::open(path, openFlags(flags), kCreatedFilePermission);
    } while (fd < 0 && errno == EINTR);
    return fd;
}

int64_t tesFdRead(int fd, void* buffer, int64_t bytes) {
    ssize_t got;
    do {
        got = ::read(fd, buffer, static_cast<size_t>(bytes));
    } while (got < 0 && errno == EINTR);
    return got;
}

int64_t tesFdWrite(int fd, const void* buffer, int64_t bytes) {
    ssize_t put;
    do {
        put = ::write(fd, buffer, static_cast<size_t>(bytes));
    } while (put < 0 && errno == EINTR);
    return put;
}

int64_t tesFdSeek(int fd, int64_t offset, TesSeekOrigin origin) { return ::lseek(fd, offset, whence(origin)); }

bool tesFdClose(int fd) { return ::close(fd) == 0; }

bool tesFdIsTerminal(int fd) { return ::isatty(fd) == 1; }

bool tesStderrIsTerminal() { return tesFdIsTerminal(STDERR_FILENO); }

bool tesFileReadable(const char* path) { return path != nullptr && ::access(path, R_OK) == 0; }

std::FILE* tesFileOpen(const char* path, const char* mode) {
    if (path == nullptr || mode == nullptr) return nullptr;
    return std::fopen(path, mode);
}

bool tesFileSeek(std::FILE* file, int64_t offset, TesSeekOrigin origin) {
    return ::fseeko(file, offset, whence(origin)) == 0;
}

int64_t tesFileTell(std::FILE* file) { return ::ftello(file); }

bool tesFileCommit(std::FILE* file) { return std::fflush(file) == 0 && ::fsync(::fileno(file)) == 0; }
