// Replays the point-array corpus through the fuzz property without libFuzzer:
// every file in the folder given. Exits 1 when the property fails for a file
// or the folder holds none.
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

#include "pointarrayproperty.h"

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s <corpus folder>\n", argv[0]);
        return 2;
    }
    installPointArrayHost();
    std::error_code error;
    int files = 0;
    int failures = 0;
    for (const auto& entry : std::filesystem::directory_iterator(argv[1], error)) {
        if (!entry.is_regular_file()) continue;
        std::ifstream in(entry.path(), std::ios::binary);
        const std::vector<uint8_t> bytes{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
        ++files;
        if (const char* failure = checkPointArrayRecord(bytes.data(), bytes.size())) {
            std::fprintf(stderr, "%s: %s\n", entry.path().c_str(), failure);
            ++failures;
        }
    }
    if (files == 0) std::fprintf(stderr, "%s: no corpus files\n", argv[1]);
    std::printf("%d file(s), %d failure(s)\n", files, failures);
    return files > 0 && failures == 0 ? 0 : 1;
}
