#include "infrastructure/refstorefile.h"

#include <filesystem>

#include "infrastructure/refreplacefile.h"
#include "refhost.h"

RefLineFile refReadStoreFile(const std::string& path) {
    std::error_code code;
    if (std::filesystem::status(path, code).type() == std::filesystem::file_type::not_found) {
        return RefLineFile{true, {}, {}};
    }
    return refReadLines(path);
}

std::function<void()> refStoreSaver(RefHost& host, const std::string& path, const std::string& what,
                                    std::function<std::string()> text) {
    return [&host, path, what, text = std::move(text)] {
        if (!host.failure().empty()) return;
        const RefReplaceResult saved = refReplaceFile(path, text());
        if (!saved.good) host.fail("cannot save " + what + ": " + saved.error);
    };
}
