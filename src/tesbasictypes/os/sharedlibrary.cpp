#include "sharedlibrary.h"

#include <dlfcn.h>
#include <unistd.h>

#include <climits>

TesSharedLibrary tesLoadLibrary(const std::string& path) {
    TesSharedLibrary library;
    library.handle = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (library.handle == nullptr) {
        const char* reason = dlerror();
        library.error = reason != nullptr ? reason : "cannot load " + path;
    }
    return library;
}

bool tesUnloadLibrary(TesSharedLibrary& library) {
    if (library.handle == nullptr) return true;
    if (dlclose(library.handle) != 0) {
        const char* reason = dlerror();
        library.error = reason != nullptr ? reason : "cannot unload the library";
        return false;
    }
    library.handle = nullptr;
    return true;
}

bool tesLibraryLoaded(const std::string& path) {
    void* handle = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL | RTLD_NOLOAD);
    if (handle == nullptr) return false;
    dlclose(handle);
    return true;
}

void* tesFindSymbol(TesSharedLibrary& library, const char* name) {
    if (library.handle == nullptr) return nullptr;
    dlerror();
    void* symbol = dlsym(library.handle, name);
    if (symbol == nullptr) {
        const char* reason = dlerror();
        library.error = reason != nullptr ? reason : std::string("missing symbol ") + name;
    }
    return symbol;
}

std::string tesExecutableDirectory() {
    char buffer[PATH_MAX];
    const ssize_t length = readlink("/proc/self/exe", buffer, sizeof(buffer) - 1);
    if (length <= 0) return {};
    std::string path(buffer, static_cast<size_t>(length));
    const size_t slash = path.rfind('/');
    return slash == std::string::npos ? std::string() : path.substr(0, slash);
}
