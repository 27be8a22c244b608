#include "nativedir.h"

#include <dirent.h>

bool TesNativeDirSearch::open(const std::string& directory) {
    close();
    if (directory.empty()) return false;
    handle_ = opendir(directory.c_str());
    return handle_ != nullptr;
}

bool TesNativeDirSearch::next(std::string* name) {
    if (handle_ == nullptr) return false;
    const dirent* entry = readdir(static_cast<DIR*>(handle_));
    if (entry == nullptr) return false;
    *name = entry->d_name;
    return true;
}

void TesNativeDirSearch::close() {
    if (handle_ != nullptr) closedir(static_cast<DIR*>(handle_));
    handle_ = nullptr;
}
