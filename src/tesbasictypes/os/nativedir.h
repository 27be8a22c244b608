// A search over the entries of one directory, "." and ".." included, in the
// order the file system gives them. Every entry is reported: a search for all
// names ("*.*" on Windows) keeps names without a dot too.
#pragma once

#include <string>

class TesNativeDirSearch {
public:
    TesNativeDirSearch() = default;
    TesNativeDirSearch(const TesNativeDirSearch&) = delete;
    TesNativeDirSearch& operator=(const TesNativeDirSearch&) = delete;
    ~TesNativeDirSearch() { close(); }

    // Ends any earlier search; false when the directory cannot be read.
    bool open(const std::string& directory);
    // The next entry's name; false at the end or without an open search.
    bool next(std::string* name);
    void close();

private:
    void* handle_ = nullptr;
};
