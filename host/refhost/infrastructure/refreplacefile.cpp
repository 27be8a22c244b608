#include "infrastructure/refreplacefile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <vector>

#include "os/fileio.h"

namespace {

constexpr int kMaxLinks = 40;
// Short on purpose: a target name near the longest a folder allows still
// leaves room for the temporary's.
constexpr const char* kTemporaryName = ".vesper-XXXXXX";
constexpr mode_t kNewFileMode = 0666;

std::string folderOf(const std::string& path) {
    const size_t slash = path.rfind('/');
    if (slash == std::string::npos) return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

std::string reason(const std::string& what, int error) { return what + ": " + std::strerror(error != 0 ? error : EIO); }

mode_t currentUmask() {
    const mode_t mask = ::umask(0);
    ::umask(mask);
    return mask;
}

// Gives the new file the mode and owner of the one it replaces, or the mode a
// newly created file gets; the reason it could not, empty when it could.
std::string takeOver(int fd, const std::string& target) {
    struct stat existing {};
    if (::stat(target.c_str(), &existing) != 0) {
        if (errno != ENOENT) return reason("cannot read the mode of " + target, errno);
        return ::fchmod(fd, kNewFileMode & ~currentUmask()) == 0 ? std::string() : reason("cannot set the mode", errno);
    }
    if (::fchmod(fd, existing.st_mode & 07777) != 0) return reason("cannot keep the mode of " + target, errno);
    // Only root may give a file away: a file of another user that we may write
    // becomes ours, as any editor's save makes it.
    if (::fchown(fd, existing.st_uid, existing.st_gid) != 0 && errno != EPERM) {
        return reason("cannot keep the owner of " + target, errno);
    }
    return {};
}

// Fills, flushes and closes the temporary file; the reason it failed, empty when it did not.
std::string complete(int fd, const std::string& target, const std::function<bool(int fd)>& write) {
    std::string problem;
    if (!write(fd) || ::fsync(fd) != 0) problem = reason("cannot write " + target, errno);
    if (problem.empty()) problem = takeOver(fd, target);
    if (::close(fd) != 0 && problem.empty()) problem = reason("cannot write " + target, errno);
    return problem;
}

// The file a path names after following symbolic links (up to 40), whether or
// not it exists yet; `path` itself when it is no link.
std::string linkTarget(const std::string& path) {
    std::string current = path;
    std::vector<char> buffer(4096);
    for (int hop = 0; hop < kMaxLinks; ++hop) {
        const ssize_t length = ::readlink(current.c_str(), buffer.data(), buffer.size());
        if (length < 0 || static_cast<size_t>(length) >= buffer.size()) return current;
        const std::string link(buffer.data(), static_cast<size_t>(length));
        current = link[0] == '/' ? link : folderOf(current) + "/" + link;
    }
    return current;
}

}  // namespace

bool refWriteAll(int fd, const char* bytes, size_t size) {
    while (size > 0) {
        const int64_t written = tesFdWrite(fd, bytes, static_cast<int64_t>(size));
        if (written <= 0) return false;
        bytes += written;
        size -= static_cast<size_t>(written);
    }
    return true;
}


RefReplaceResult refReplaceFile(const std::string& path, const std::function<bool(int fd)>& write) {
    const std::string target = linkTarget(path);
    struct stat existing {};
    if (::stat(target.c_str(), &existing) == 0 && S_ISDIR(existing.st_mode)) return {false, reason(path, EISDIR)};
    std::string temporary = folderOf(target) + "/" + kTemporaryName;
    const int fd = ::mkstemp(temporary.data());
    if (fd < 0) return {false, reason("cannot create a temporary file beside " + target, errno)};
    std::string problem = complete(fd, target, write);
    if (problem.empty() && ::rename(temporary.c_str(), target.c_str()) != 0) {
        problem = reason("cannot replace " + target, errno);
    }
    if (problem.empty()) return {true, {}};
    ::unlink(temporary.c_str());
    return {false, problem};
}

RefReplaceResult refReplaceFile(const std::string& path, const std::string& content) {
    return refReplaceFile(path, [&content](int fd) { return refWriteAll(fd, content.data(), content.size()); });
}
