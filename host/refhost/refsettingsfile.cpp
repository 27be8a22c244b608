#include "refsettingsfile.h"

#include <cstdio>
#include <fstream>
#include <sstream>

#include "refhost.h"
#include "reflines.h"
#include "refscene.h"

namespace {

constexpr int32_t kUpPlusY = 3;

// Settings and registry lines only: a settings file is not a scene.
bool onlySettings(const RefLineFile& file, const std::string& path, std::string& error) {
    for (const RefLine& line : file.lines) {
        if (line.words[0] != "setting" && line.words[0] != "registry") {
            error = refLineError(path, line.number, "not a setting: " + line.words[0]);
            return false;
        }
    }
    return true;
}

std::string typeOf(const RefDataStore::Value& value) {
    static const char* const kTypes[] = {"bool", "int", "double", "string"};
    return kTypes[value.index()];
}

bool save(RefHost& host, const std::string& path) {
    std::ostringstream text;
    text << "# vesper-host settings\n";
    for (const auto& [key, value] : host.settings().values()) {
        text << "setting " << typeOf(value) << " " << refQuote(key) << " " << refFormatSetting(value) << "\n";
    }
    for (const auto& [key, value] : host.registry().values()) {
        text << "registry " << refQuote(key) << " " << refQuote(value) << "\n";
    }
    const std::string temporary = path + ".tmp";
    {
        std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
        out << text.str();
        if (!out.flush()) return false;
    }
    if (std::rename(temporary.c_str(), path.c_str()) != 0) {
        std::remove(temporary.c_str());
        return false;
    }
    return true;
}

}  // namespace

bool refUseSettingsFile(RefHost& host, const std::string& path, std::string& error) {
    std::ifstream probe(path, std::ios::binary);
    if (probe) {
        const RefLineFile file = refReadLines(path);
        if (!file.good) {
            error = file.error;
            return false;
        }
        if (!onlySettings(file, path, error)) return false;
        const RefSceneResult loaded = refLoadSceneLines(host, file, path);
        if (!loaded.good) {
            error = loaded.error;
            return false;
        }
    }
    host.settings().onWritten([&host, path] {
        if (!save(host, path)) std::fprintf(stderr, "vesper-host: cannot save settings to %s\n", path.c_str());
    });
    return true;
}

void refSeedSettings(RefHost& host) {
    RefDataStore& settings = host.settings();
    settings.seed("Navigation/Camera Up X", 0.0);
    settings.seed("Navigation/Camera Up Y", 1.0);
    settings.seed("Navigation/Camera Up Z", 0.0);
    settings.seed("Navigation/CameraPositionUpWorldDefault", kUpPlusY);
    settings.seed("Navigation/CameraPositionUpLocalDefault", kUpPlusY);
}
