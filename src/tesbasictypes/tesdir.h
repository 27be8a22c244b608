// The directory iterator: the entries of one directory in the order the file
// system gives them, each with its full path (the directory, a "\" and the
// name) and its status. Every name is visited, those without a dot too.
#pragma once

#include <cstdint>

#include "os/nativedir.h"
#include "os/nativefile.h"
#include "tesstring.h"

class TesDirIterator {
public:
    TesDirIterator() = default;
    TesDirIterator(const TesDirIterator&) = delete;
    TesDirIterator& operator=(const TesDirIterator&) = delete;

    // Ends any earlier search and moves to the first entry; with skipDots the
    // entries "." and ".." are passed over. False (at the end) when the
    // directory has no entry left or cannot be read.
    bool first(const TesString& directory, bool skipDots);
    // Moves to the next entry; false at the end.
    bool next();
    bool atEnd() const { return atEnd_; }

    // The current entry; empty at the end.
    const TesString& path() const { return path_; }
    TesString name() const;
    // Whether the entry's status could be read, and the status itself.
    bool hasStatus() const { return hasStatus_; }
    const TesFileStatus& status() const { return status_; }
    bool isFile() const { return hasStatus_ && status_.isFile; }
    bool isDirectory() const { return hasStatus_ && status_.isDirectory; }
    bool isLink() const { return hasStatus_ && status_.isLink; }

private:
    // Reads the next raw entry; false at the end.
    bool read();
    void finish();

    TesNativeDirSearch search_;
    TesString directory_;       // with its trailing separator
    std::string nativeFolder_;  // with its trailing "/"
    std::string nativeName_;
    TesString path_;
    TesFileStatus status_;
    bool hasStatus_ = false;
    bool skipDots_ = false;
    bool atEnd_ = true;
};

// The number of entries the iterator visits in `directory`; 0 when it cannot
// be read.
int32_t tesCountEntries(const TesString& directory, bool skipDots = true);
