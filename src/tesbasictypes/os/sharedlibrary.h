// Loading a shared library and finding a symbol in it.
#pragma once

#include <string>

struct TesSharedLibrary {
    void* handle = nullptr;
    std::string error;  // why loading or the lookup failed
};

// Loads `path` with its symbols kept local. Unless tesUnloadLibrary is called
// the library stays loaded to process exit, as objects it handed out may live
// that long.
TesSharedLibrary tesLoadLibrary(const std::string& path);

// Drops this load of the library, which the system unmaps when no other load
// holds it; false (with library.error set) when the system refuses. Nothing
// the library made may be used afterwards.
bool tesUnloadLibrary(TesSharedLibrary& library);

// True while the library at `path` is mapped into the process.
bool tesLibraryLoaded(const std::string& path);

// Null (with library.error set) when the symbol is missing.
void* tesFindSymbol(TesSharedLibrary& library, const char* name);

// The folder of the running executable, without a trailing slash; empty when
// unknown.
std::string tesExecutableDirectory();
