#include "tesfile.h"

#include <cmath>
#include <cstring>
#include <string>
#include <vector>

#include "os/nativepath.h"
#include "os/nativeprocess.h"
#include "tesdir.h"
#include "tespath.h"

namespace {

constexpr int32_t kCopyBlockSize = 2048;
constexpr const char* kReadBinary = "rb";
constexpr const char* kWriteBinary = "wb";
constexpr size_t kMaxModeLength = 255;
constexpr double kMillisecondsPerSecond = 1000.0;
constexpr double kLongestWaitMilliseconds = 86400000.0;  // a day
constexpr char16_t kSeparator = u'\\';

std::string native(const TesString& path) { return tesNativePath(path); }

TesString fromNarrow(const char* path) { return TesString::fromUtf8(path != nullptr ? path : ""); }

bool validMode(const char* mode) {
    if (mode == nullptr) return false;
    const size_t length = std::strlen(mode);
    return length > 0 && length <= kMaxModeLength;
}

TesString joined(const TesString& directory, const TesString& name) {
    TesString path = directory;
    const char16_t last = path.at(path.length() - 1);
    if (last != u'\\' && last != u'/') path += kSeparator;
    return path + name;
}

struct Entry {
    TesString path;
    TesString name;
    TesFileStatus status;
    bool hasStatus;

    bool isFile() const { return hasStatus && status.isFile; }
    // A directory reached without a symbolic link.
    bool isRealDirectory() const { return hasStatus && status.isDirectory && !status.isLink; }
    bool isLinkedDirectory() const { return hasStatus && status.isDirectory && status.isLink; }
};

// The entries without "." and "..", read before anything in the directory
// changes.
std::vector<Entry> listEntries(const TesString& directory) {
    std::vector<Entry> entries;
    TesDirIterator iterator;
    for (bool more = iterator.first(directory, true); more; more = iterator.next()) {
        entries.push_back({iterator.path(), iterator.name(), iterator.status(), iterator.hasStatus()});
    }
    return entries;
}

// The native form of the absolute, collapsed path, with a trailing "/".
std::string comparableFolder(const TesString& path) {
    TesString absolute = path;
    TesPath::normalize(absolute);
    TesPath::makeAbsolute(absolute);
    TesPath::collapseDotDot(absolute);
    std::string folder = native(absolute);
    if (folder.empty() || folder.back() != '/') folder += '/';
    return folder;
}

// True when `inner` is `outer` or lies below it (by the text of the paths).
bool isInside(const TesString& inner, const TesString& outer) {
    const std::string outerFolder = comparableFolder(outer);
    return comparableFolder(inner).compare(0, outerFolder.size(), outerFolder) == 0;
}

bool makeOneDirectory(const TesString& path) {
    const std::string nativePath = native(path);
    TesFileStatus record;
    return tesOsMakeDirectory(nativePath) || (tesOsStatus(nativePath, &record) && record.isDirectory);
}

bool sameFile(const TesString& a, const TesString& b) {
    TesFileStatus first;
    TesFileStatus second;
    return TesFile::status(a, &first) && TesFile::status(b, &second) && first.device == second.device &&
           first.inode == second.inode;
}

// Stops at the first short write.
void copyStream(std::FILE* in, std::FILE* out) {
    char block[kCopyBlockSize];
    size_t read = 0;
    while ((read = std::fread(block, 1, sizeof(block), in)) > 0) {
        if (std::fwrite(block, 1, read, out) != read) return;
    }
}

bool ensureDirectory(const TesString& path) { return TesFile::isDirectory(path) || makeOneDirectory(path); }

bool copyDirectory(const TesString& from, const TesString& to) {
    bool ok = ensureDirectory(to);
    for (const Entry& entry : listEntries(from)) {
        const TesString target = joined(to, entry.name);
        if (entry.isLinkedDirectory()) {
            ok = false;
        } else if (entry.isFile()) {
            ok = TesFile::copyFile(entry.path, target) && ok;
        } else if (entry.isRealDirectory()) {
            if (TesFile::isFile(target)) ok = TesFile::removeFile(target) && ok;
            ok = copyDirectory(entry.path, target) && ok;
        }
    }
    return ok;
}

bool moveEntries(const TesString& from, const TesString& to);

bool moveOne(const TesString& from, const TesString& to) {
    if (TesFile::rename(from, to)) return true;
    if (TesFile::isFile(from)) return TesFile::copyFile(from, to);
    return TesFile::isDirectory(from) && moveEntries(from, to);
}

bool moveEntries(const TesString& from, const TesString& to) {
    bool ok = ensureDirectory(to);
    for (const Entry& entry : listEntries(from)) {
        const TesString target = joined(to, entry.name);
        if (TesFile::isFile(target)) ok = TesFile::removeFile(target) && ok;
        if (entry.isRealDirectory()) {
            ok = moveOne(entry.path, target) && ok;
        } else {
            ok = (TesFile::rename(entry.path, target) || (entry.isFile() && TesFile::copyFile(entry.path, target))) && ok;
        }
    }
    return ok;
}

int64_t waitMilliseconds(double waitSeconds) {
    const double milliseconds = std::round(waitSeconds * kMillisecondsPerSecond);
    return static_cast<int64_t>(milliseconds < kLongestWaitMilliseconds ? milliseconds : kLongestWaitMilliseconds);
}

}  // namespace

namespace TesFile {

bool canAccess(const TesString& path, int32_t mode) { return tesOsAccess(native(path), mode); }

bool exists(const TesString& path) {
    TesFileStatus record;
    return status(path, &record);
}

bool exists(const char* path) { return exists(fromNarrow(path)); }

bool isFile(const TesString& path) {
    TesFileStatus record;
    return status(path, &record) && record.isFile;
}

bool isDirectory(const TesString& path) {
    TesFileStatus record;
    return status(path, &record) && record.isDirectory;
}

bool status(const TesString& path, TesFileStatus* record) { return tesOsStatus(native(path), record); }

bool makeDirectory(const TesString& path, bool recursive) {
    if (!recursive) return makeOneDirectory(path);
    std::vector<TesString> missing;
    TesString current = path;
    while (!makeOneDirectory(current)) {
        missing.push_back(current);
        TesString parent = TesPath::parentDirectory(current);
        if (parent.length() >= current.length()) break;
        current = parent;
    }
    for (auto level = missing.rbegin(); level != missing.rend(); ++level) {
        if (!makeOneDirectory(*level)) return false;
    }
    return true;
}

bool makeDirectory(const char* path, bool recursive) { return makeDirectory(fromNarrow(path), recursive); }

bool removeFile(const TesString& path) { return tesOsRemoveFile(native(path)); }

bool removeDirectory(const TesString& path, bool recursive) {
    if (recursive) {
        const std::vector<Entry> entries = listEntries(path);
        for (const Entry& entry : entries) {
            if (!entry.isRealDirectory()) removeFile(entry.path);
        }
        for (const Entry& entry : entries) {
            if (entry.isRealDirectory()) removeDirectory(entry.path, true);
        }
    }
    return tesOsRemoveDirectory(native(path));
}

bool removeDirectory(const char* path, bool recursive) { return removeDirectory(fromNarrow(path), recursive); }

bool rename(const TesString& from, const TesString& to) { return tesOsRename(native(from), native(to)); }

bool copyFile(const TesString& from, const TesString& to) {
    if (isDirectory(from) || sameFile(from, to)) return false;
    std::FILE* in = tesOsOpenFile(native(from), kReadBinary);
    if (in == nullptr) return false;
    std::FILE* out = tesOsOpenFile(native(to), kWriteBinary);
    if (out == nullptr) {
        std::fclose(in);
        return false;
    }
    // Once both files are open the copy counts as done, whatever the blocks do.
    copyStream(in, out);
    std::fclose(out);
    std::fclose(in);
    return true;
}

bool copyFile(const char* from, const char* to) { return copyFile(fromNarrow(from), fromNarrow(to)); }

bool copyTree(const TesString& from, const TesString& to) {
    if (isFile(from)) return copyFile(from, to);
    if (!isDirectory(from)) return true;
    if (isInside(to, from)) return false;
    return copyDirectory(from, to);
}

bool copyTree(const char* from, const char* to) { return copyTree(fromNarrow(from), fromNarrow(to)); }

bool moveTree(const TesString& from, const TesString& to) {
    if (rename(from, to)) return true;
    if (isDirectory(from) && isInside(to, from)) return false;
    return moveOne(from, to);
}

bool moveTree(const char* from, const char* to) { return moveTree(fromNarrow(from), fromNarrow(to)); }

std::FILE* openFile(const TesString& path, const char* mode) {
    if (!validMode(mode)) return nullptr;
    return tesOsOpenFile(native(path), mode);
}

std::FILE* openShared(const TesString& path, const char* mode, double waitSeconds) {
    if (!validMode(mode)) return nullptr;
    const std::string nativePath = native(path);
    const bool write = mode[0] == 'w';
    for (int32_t attempt = 1;; ++attempt) {
        if (std::FILE* stream = tesOsOpenExclusive(nativePath, write, mode)) return stream;
        if (write || !(waitSeconds > 0) || attempt >= kOpenSharedAttempts) return nullptr;
        tesOsSleep(waitMilliseconds(waitSeconds));
    }
}

std::FILE* reopenFile(const TesString& path, const char* mode, std::FILE* stream) {
    if (!validMode(mode)) return nullptr;
    return tesOsReopenFile(native(path), mode, stream);
}

bool writeAll(const void* buffer, std::FILE* stream, int64_t n, int64_t chunk) {
    if (stream == nullptr || n < 0 || (buffer == nullptr && n > 0)) return false;
    const int64_t piece = chunk > 0 ? chunk : n;
    const char* next = static_cast<const char*>(buffer);
    for (int64_t left = n; left > 0;) {
        const auto size = static_cast<size_t>(left < piece ? left : piece);
        if (std::fwrite(next, 1, size, stream) != size) return false;
        next += size;
        left -= static_cast<int64_t>(size);
    }
    return true;
}

std::FILE* createTemporaryFile(const TesString& path) { return tesOsCreateTemporaryFile(native(path)); }

}  // namespace TesFile
