// Replacing a user's file so that nothing is lost whatever happens: the new
// content goes into a fresh temporary file beside the target (mkstemp, so no
// existing file or link is ever followed or clobbered), is flushed to disk and
// only then renamed over the target. A symbolic link is written through to the
// file it points at, and the replaced file keeps its mode and owner. On any
// failure the temporary file is removed and the target is left as it was.
#pragma once

#include <functional>
#include <string>

struct RefReplaceResult {
    bool good = false;
    std::string error;  // what failed and the OS reason, when not good
};

// Writes the new content through `write`, which gets the open temporary file's
// descriptor and answers false on a failed write (errno set).
RefReplaceResult refReplaceFile(const std::string& path, const std::function<bool(int fd)>& write);
RefReplaceResult refReplaceFile(const std::string& path, const std::string& content);

// Writes all of `bytes` to `fd`, through partial writes and interruptions.
bool refWriteAll(int fd, const char* bytes, size_t size);
