// Replays the fuzz corpus through the record properties without libFuzzer:
// every file in <corpus>/<target>/ for each target. Exits 1 when a property
// fails or a target has no corpus.
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

#include "recordproperties.h"

namespace {

struct Target {
    const char* folder;
    const char* (*check)(const uint8_t*, size_t);
};

constexpr Target kTargets[] = {
    {"bitvector", checkBitVectorRecord},
    {"blockbitvector", checkBlockBitVectorRecord},
    {"intarray", checkIntArrayRecord},
};

std::vector<uint8_t> contents(const std::filesystem::path& file) {
    std::ifstream in(file, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// The number of files that failed, or -1 when the folder holds none.
int replay(const std::filesystem::path& folder, const Target& target) {
    std::error_code error;
    int files = 0;
    int failures = 0;
    for (const auto& entry : std::filesystem::directory_iterator(folder, error)) {
        if (!entry.is_regular_file()) continue;
        const std::vector<uint8_t> bytes = contents(entry.path());
        ++files;
        if (const char* failure = target.check(bytes.data(), bytes.size())) {
            std::fprintf(stderr, "%s: %s\n", entry.path().c_str(), failure);
            ++failures;
        }
    }
    return files == 0 ? -1 : failures;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s <corpus folder>\n", argv[0]);
        return 2;
    }
    installRecordHost();
    int status = 0;
    for (const Target& target : kTargets) {
        const int failures = replay(std::filesystem::path(argv[1]) / target.folder, target);
        if (failures < 0) std::fprintf(stderr, "%s: no corpus files\n", target.folder);
        if (failures != 0) status = 1;
    }
    return status;
}
