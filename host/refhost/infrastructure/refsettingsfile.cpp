#include "infrastructure/refsettingsfile.h"

#include <sstream>

#include "refhost.h"
#include "session/reflines.h"
#include "infrastructure/refstorefile.h"
#include "session/refscene.h"
#include "infrastructure/reftext.h"

namespace {

constexpr int32_t kUpPlusY = 3;

// Settings, registry and view lines only: a settings file is not a scene.
bool onlySettings(const RefLineFile& file, const std::string& path, std::string& error) {
    for (const RefLine& line : file.lines) {
        if (line.words[0] != "setting" && line.words[0] != "registry" && line.words[0] != "view") {
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

// The stored views in theme order, each camera as its exact orientation matrix.
std::string viewsText(RefViewTheme& theme) {
    std::string text;
    for (int32_t number = 1; number <= theme.count(); ++number) {
        auto* view = tesQuery<RefView>(theme.view(number), "RefView");
        if (view == nullptr) continue;
        text += "view " + refQuote(refUtf8(view->name())) + " flags " + std::to_string(view->flags()) + " orientation";
        for (int i = 0; i < TesMatrix::kElementCount; ++i) text += " " + refFormatDouble(view->camera().orientation[i]);
        text += " zoom " + refFormatDouble(view->camera().zoom) + "\n";
    }
    return text;
}

std::string settingsText(RefHost& host) {
    std::ostringstream text;
    text << "# vesper-host settings\n";
    for (const auto& [key, value] : host.settings().values()) {
        text << "setting " << typeOf(value) << " " << refQuote(key) << " " << refFormatSetting(value) << "\n";
    }
    for (const auto& [key, value] : host.registry().values()) {
        text << "registry " << refQuote(key) << " " << refQuote(value) << "\n";
    }
    text << viewsText(host.viewTheme());
    return text.str();
}

bool readExisting(RefHost& host, const std::string& path, std::string& error) {
    const RefLineFile file = refReadStoreFile(path);
    if (!file.good) {
        error = file.error;
        return false;
    }
    if (!onlySettings(file, path, error)) return false;
    const RefSceneResult loaded = refLoadSceneLines(host, file, path);
    error = loaded.error;
    return loaded.good;
}

}  // namespace

bool refUseSettingsFile(RefHost& host, const std::string& path, std::string& error) {
    if (!readExisting(host, path, error)) return false;
    const auto save = refStoreSaver(host, path, "settings", [&host] { return settingsText(host); });
    host.settings().onWritten(save);
    host.viewTheme().onChanged(save);
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
