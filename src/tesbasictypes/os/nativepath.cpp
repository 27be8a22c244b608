#include "nativepath.h"

#include "../textcodec.h"

namespace {
bool isDriveLetter(char16_t unit) { return (unit >= u'a' && unit <= u'z') || (unit >= u'A' && unit <= u'Z'); }
}  // namespace

std::string tesNativePath(std::u16string_view path) {
    bool addRoot = false;
    if (path.size() >= 2 && isDriveLetter(path[0]) && path[1] == u':') {
        path.remove_prefix(2);
        addRoot = path.empty() || (path[0] != u'\\' && path[0] != u'/');
    }
    std::string native = tesWideToUtf8(path.data(), static_cast<int32_t>(path.size()));
    for (char& c : native) {
        if (c == '\\') c = '/';
    }
    if (addRoot) native.insert(native.begin(), '/');
    return native;
}

std::string tesNativePath(const char16_t* path) {
    return path != nullptr ? tesNativePath(std::u16string_view(path)) : std::string();
}
