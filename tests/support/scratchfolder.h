// A folder of its own under the system's temporary folder for one test,
// removed with everything in it when the test ends.
#pragma once

#include <filesystem>
#include <fstream>
#include <random>
#include <string>

#include "tespath.h"
#include "tesstring.h"

class ScratchFolder {
public:
    ScratchFolder() {
        std::random_device seed;
        const std::filesystem::path temp = std::filesystem::temp_directory_path();
        do {
            root_ = temp / ("vesper-test-" + std::to_string(seed()));
        } while (!std::filesystem::create_directory(root_));
    }
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;
    ~ScratchFolder() {
        std::error_code ignored;
        std::filesystem::permissions(root_, std::filesystem::perms::owner_all, ignored);
        std::filesystem::remove_all(root_, ignored);
    }

    // Native path of `relative` inside the folder (the folder for "").
    std::string native(const std::string& relative = "") const {
        return relative.empty() ? root_.string() : (root_ / relative).string();
    }
    // The same in the library's form: "\" separators.
    TesString path(const std::string& relative = "") const {
        TesString converted = TesString::fromUtf8(native(relative));
        TesPath::normalize(converted);
        return converted;
    }

    void write(const std::string& relative, const std::string& content) const {
        const std::filesystem::path file = root_ / relative;
        std::filesystem::create_directories(file.parent_path());
        std::ofstream(file, std::ios::binary) << content;
    }
    // The file's bytes; empty when it cannot be read.
    std::string read(const std::string& relative) const {
        std::ifstream in(root_ / relative, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }
    bool exists(const std::string& relative) const { return std::filesystem::exists(root_ / relative); }

private:
    std::filesystem::path root_;
};
