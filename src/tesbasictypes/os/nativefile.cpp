#include "nativefile.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdio>
#include <vector>

namespace {

constexpr mode_t kOwnerReadWrite = S_IRUSR | S_IWUSR;
constexpr mode_t kDirectoryMode = 0777;
constexpr const char* kReadWriteBinary = "w+b";

void fillStatus(const struct stat& record, TesFileStatus* status) {
    status->size = static_cast<int64_t>(record.st_size);
    status->modifiedTime = static_cast<int64_t>(record.st_mtime);
    status->accessTime = static_cast<int64_t>(record.st_atime);
    status->changeTime = static_cast<int64_t>(record.st_ctime);
    status->mode = static_cast<uint32_t>(record.st_mode & 0777);
    status->device = static_cast<uint64_t>(record.st_dev);
    status->inode = static_cast<uint64_t>(record.st_ino);
    status->isFile = S_ISREG(record.st_mode);
    status->isDirectory = S_ISDIR(record.st_mode);
}

std::FILE* wrapDescriptor(int descriptor, const char* mode) {
    std::FILE* stream = fdopen(descriptor, mode);
    if (stream == nullptr) close(descriptor);
    return stream;
}

}  // namespace

bool tesOsStatus(const std::string& path, TesFileStatus* status) {
    struct stat record {};
    if (path.empty() || lstat(path.c_str(), &record) != 0) return false;
    *status = TesFileStatus{};
    status->isLink = S_ISLNK(record.st_mode);
    // A dangling link still has a status: its own, with neither type bit.
    if (status->isLink && stat(path.c_str(), &record) != 0) return true;
    fillStatus(record, status);
    return true;
}

bool tesOsAccess(const std::string& path, int32_t mode) {
    if (path.empty() || (mode != F_OK && mode != W_OK && mode != R_OK && mode != (R_OK | W_OK))) return false;
    return access(path.c_str(), mode) == 0;
}

bool tesOsMakeDirectory(const std::string& path) { return !path.empty() && mkdir(path.c_str(), kDirectoryMode) == 0; }

bool tesOsRemoveDirectory(const std::string& path) { return !path.empty() && rmdir(path.c_str()) == 0; }

bool tesOsRemoveFile(const std::string& path) { return !path.empty() && unlink(path.c_str()) == 0; }

bool tesOsRename(const std::string& from, const std::string& to) {
    return !from.empty() && !to.empty() && std::rename(from.c_str(), to.c_str()) == 0;
}

std::FILE* tesOsOpenFile(const std::string& path, const char* mode) {
    if (path.empty()) return nullptr;
    return std::fopen(path.c_str(), mode);
}

std::FILE* tesOsReopenFile(const std::string& path, const char* mode, std::FILE* stream) {
    if (path.empty() || stream == nullptr) return nullptr;
    return std::freopen(path.c_str(), mode, stream);
}

std::FILE* tesOsOpenExclusive(const std::string& path, bool write, const char* mode) {
    if (path.empty()) return nullptr;
    const int flags = (write ? O_WRONLY | O_CREAT : O_RDONLY) | O_CLOEXEC;
    const int descriptor = open(path.c_str(), flags, kOwnerReadWrite);
    if (descriptor < 0) return nullptr;
    if (flock(descriptor, LOCK_EX | LOCK_NB) != 0) {
        close(descriptor);
        return nullptr;
    }
    posix_fadvise(descriptor, 0, 0, POSIX_FADV_SEQUENTIAL);
    return wrapDescriptor(descriptor, mode);
}

std::FILE* tesOsCreateTemporaryFile(const std::string& path) {
    if (path.empty()) return nullptr;
    const int descriptor = open(path.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, kOwnerReadWrite);
    if (descriptor < 0) return nullptr;
    unlink(path.c_str());
    return wrapDescriptor(descriptor, kReadWriteBinary);
}

bool tesOsCurrentDirectory(std::string* path) {
    std::vector<char> buffer(PATH_MAX);
    while (getcwd(buffer.data(), buffer.size()) == nullptr) {
        if (errno != ERANGE) return false;
        buffer.resize(buffer.size() * 2);
    }
    *path = buffer.data();
    return true;
}
