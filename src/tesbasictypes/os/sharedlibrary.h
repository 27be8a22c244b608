// Loading a shared library and finding a symbol in it.
#pragma once

#include <string>

struct TesSharedLibrary {
    void* handle = nullptr;
    std::string error;  // why loading or the lookup failed
};

// Loads `path` with its symbols kept local. The library stays loaded to process
// exit: objects it handed out may live that long.
TesSharedLibrary tesLoadLibrary(const std::string& path);

// Null (with library.error set) when the symbol is missing.
void* tesFindSymbol(TesSharedLibrary& library, const char* name);

// The folder of the running executable, without a trailing slash; empty when
// unknown.
std::string tesExecutableDirectory();
