#include "infrastructure/refsettingsfile.h"

#include <filesystem>
#include <sstream>

#include "refhost.h"
#include "session/reflines.h"
#include "infrastructure/refreplacefile.h"
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

// Only a file that does not exist is a first run; one that exists but cannot
// be read stops the run before anything could overwrite it.
bool readExisting(RefHost& host, const std::string& path, std::string& error) {
    std::error_code code;
    const std::filesystem::file_status status = std::filesystem::status(path, code);
    if (status.type() == std::filesystem::file_type::not_found) return true;
    const RefLineFile file = refReadLines(path);
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
    // A save that fails stops the run: the host reports it once, with the
    // OS's reason, and the file keeps what the last good save wrote.
    const auto save = [&host, path] {
        if (!host.failure().empty()) return;
        const RefReplaceResult saved = refReplaceFile(path, settingsText(host));
        if (!saved.good) host.fail("cannot save settings: " + saved.error);
    };
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
