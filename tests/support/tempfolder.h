// A folder of its own under the system's temporary directory for one test,
// removed with everything in it when the test ends.
#pragma once

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "tespath.h"
#include "tesstring.h"

class TempFolder {
public:
    TempFolder() {
        std::random_device seed;
        const std::filesystem::path temp = std::filesystem::temp_directory_path();
        do {
            path_ = temp / ("vesper-test-" + std::to_string(seed()) + "-" + std::to_string(seed()));
        } while (!std::filesystem::create_directory(path_));
    }
    ~TempFolder() {
        std::error_code ignored;
        std::filesystem::permissions(path_, std::filesystem::perms::owner_all, ignored);
        std::filesystem::remove_all(path_, ignored);
    }
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    const std::filesystem::path& path() const { return path_; }
    std::filesystem::path file(const std::string& name) const { return path_ / name; }
    std::u16string wideFile(const std::string& name) const { return file(name).u16string(); }
    // Native path of `name` inside the folder (the folder for "").
    std::string narrowFile(const std::string& name = "") const { return (name.empty() ? path_ : file(name)).string(); }
    // The same in the library's form: "\" separators.
    TesString tesPath(const std::string& name = "") const {
        TesString converted = TesString::fromUtf8(narrowFile(name));
        TesPath::normalize(converted);
        return converted;
    }

    // Text files by relative name; write creates the missing folders and gives the file's native path,
    // read gives "" for what cannot be read.
    std::string write(const std::string& name, const std::string& content) const {
        std::filesystem::create_directories(file(name).parent_path());
        std::ofstream(file(name), std::ios::binary) << content;
        return narrowFile(name);
    }
    std::string read(const std::string& name) const { return readText(file(name)); }
    bool exists(const std::string& name) const { return std::filesystem::exists(file(name)); }

    static std::vector<uint8_t> readAll(const std::filesystem::path& file) {
        std::ifstream in(file, std::ios::binary);
        return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    }
    // "" for a folder too, which readAll's iterators would throw on.
    static std::string readText(const std::filesystem::path& file) {
        std::ostringstream text;
        text << std::ifstream(file, std::ios::binary).rdbuf();
        return text.str();
    }
    static void writeAll(const std::filesystem::path& file, const std::vector<uint8_t>& bytes) {
        std::ofstream out(file, std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    }

private:
    std::filesystem::path path_;
};
