// Files the host keeps up to date through a run (the settings file, the
// workflow store): how one is read at start and saved after each change.
#pragma once

#include <functional>
#include <string>

#include "session/reflines.h"

class RefHost;

// Reads `path` as refReadLines does. Only a file that does not exist is a
// first run: a good read with no lines. One that exists but cannot be read
// fails, before anything could overwrite it.
RefLineFile refReadStoreFile(const std::string& path);

// A save of `path` with what `text` returns, through refReplaceFile. A save
// that fails stops the run: the host is marked failed once ("cannot save
// WHAT: reason"), nothing more is saved, and the file keeps what the last
// good save wrote.
std::function<void()> refStoreSaver(RefHost& host, const std::string& path, const std::string& what,
                                    std::function<std::string()> text);
