#include "infrastructure/refdirservice.h"

#include <filesystem>
#include <system_error>

#include "queryinterface.h"
#include "tespath.h"
#include "tesstring.h"

namespace {

constexpr const char* kClassName = "RefDirService";
constexpr const char* kTempName = "temp";
constexpr const char* kLogsName = "logs";
constexpr const char* kLogsFolder = "vesper-logs";

std::u16string libraryForm(const std::string& path) {
    TesString converted = TesString::fromUtf8(path);
    TesPath::normalize(converted);
    return std::u16string(static_cast<std::u16string_view>(converted));
}

// The folder for a name the host knows of itself; empty for others.
std::string defaultFolder(const std::string& name) {
    std::error_code error;
    const std::filesystem::path temp = std::filesystem::temp_directory_path(error);
    if (error) return {};
    if (name == kTempName) return temp.string();
    if (name != kLogsName) return {};
    const std::filesystem::path logs = temp / kLogsFolder;
    std::filesystem::create_directories(logs, error);
    return error ? std::string() : logs.string();
}

}  // namespace

void RefDirService::queryInterface(const char* name, void** out) {
    tesAnswerQuery(name, out, {kClassName, this, this, {{"ITesDirService", static_cast<ITesDirService*>(this)}}});
}

const char* RefDirService::className() const { return kClassName; }

const char16_t* RefDirService::directory(const char* name) {
    if (name == nullptr) return nullptr;
    auto known = folders_.find(name);
    if (known == folders_.end()) {
        const std::string folder = defaultFolder(name);
        if (folder.empty()) return nullptr;
        known = folders_.emplace(name, libraryForm(folder)).first;
    }
    return known->second.c_str();
}

void RefDirService::set(const std::string& name, const std::string& path) { folders_[name] = libraryForm(path); }
