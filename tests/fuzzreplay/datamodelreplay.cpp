// Replays fuzz corpora through the fuzzers' properties, so that every build
// checks them without libFuzzer:
//   datamodel_fuzzreplay datamodel|streams FOLDER...
// Exit code 0 when every file holds, 1 when one breaks or no file was found,
// 2 on a usage error.
#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <iterator>
#include <string>
#include <system_error>
#include <vector>

#include "properties.h"

namespace {

constexpr int kExitHolds = 0;
constexpr int kExitBroken = 1;
constexpr int kExitUsage = 2;

using Property = bool (*)(const uint8_t*, size_t, std::string&);

Property propertyNamed(const std::string& name) {
    if (name == "datamodel") return checkDataModelProperty;
    if (name == "streams") return checkStreamProperty;
    return nullptr;
}

std::vector<std::filesystem::path> corpusFiles(const std::filesystem::path& folder) {
    std::vector<std::filesystem::path> files;
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator(folder, error)) {
        if (entry.is_regular_file(error)) files.push_back(entry.path());
    }
    std::sort(files.begin(), files.end());
    return files;
}

std::vector<uint8_t> contents(const std::filesystem::path& file) {
    std::ifstream in(file, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

}  // namespace

int main(int argc, char** argv) {
    const Property property = argc >= 3 ? propertyNamed(argv[1]) : nullptr;
    if (property == nullptr) {
        std::cerr << "usage: datamodel_fuzzreplay datamodel|streams FOLDER...\n";
        return kExitUsage;
    }
    int checked = 0;
    int broken = 0;
    for (int i = 2; i < argc; ++i) {
        for (const std::filesystem::path& file : corpusFiles(argv[i])) {
            const std::vector<uint8_t> bytes = contents(file);
            std::string failure;
            ++checked;
            if (!property(bytes.data(), bytes.size(), failure)) {
                ++broken;
                std::cerr << file.string() << ": " << failure << '\n';
            }
        }
    }
    std::cout << checked << " files, " << broken << " broken\n";
    return checked > 0 && broken == 0 ? kExitHolds : kExitBroken;
}
