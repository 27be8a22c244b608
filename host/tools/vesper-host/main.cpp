// vesper-host: loads the plug-in into the reference host and shows what it
// offers.
#include <CLI/CLI.hpp>

#include <cstdio>
#include <string>

#include "refhost.h"
#include "refsession.h"
#include "refsettingsfile.h"
#include "tesclcbinary.h"

namespace {

std::string formatId(const TesClassId& id) {
    char text[37];
    id.format(text);
    return text;
}

void printIdentity(const RefLoadedComponent& loaded) {
    ITesCompInternal* internal = loaded.internal;
    const char* version = loaded.component->version();
    std::printf("component:         %s\n", internal != nullptr ? internal->componentName() : "?");
    if (internal != nullptr) std::printf("identifier:        %s\n", formatId(*internal->componentId()).c_str());
    std::printf("version:           %s\n", version != nullptr ? version : "(none)");
    std::printf("interface version: %u\n", loaded.interfaceVersion);
    if (ITesClcBinary* descriptor = loaded.component->descriptor()) {
        std::printf("descriptor:        kind %d, %llu bytes\n", descriptor->kind(),
                    static_cast<unsigned long long>(descriptor->size()));
    }
    if (internal != nullptr) std::printf("break enabled:     %s\n", internal->breakEnabled() ? "yes" : "no");
}

void printClasses(RefHost& host) {
    const auto classes = host.manager().classes();
    std::printf("classes:           %zu\n", classes.size());
    for (const RefClassInfo& info : classes) {
        std::printf("  %s  %s\n", formatId(info.classId).c_str(), info.className.c_str());
    }
    const auto& serviceClasses = host.manager().serviceClasses();
    std::printf("service classes:   %zu\n", serviceClasses.size());
    for (const auto& [name, id] : serviceClasses) std::printf("  %s  %s\n", formatId(id).c_str(), name.c_str());
}

// Scripts run one after the other in the same host and document.
int runSessions(RefHost& host, const std::vector<std::string>& scripts) {
    for (const std::string& script : scripts) {
        std::printf("session %s\n", script.c_str());
        RefSession session(host, stdout);
        const RefSessionResult result = session.run(script);
        if (!result.good) {
            std::fprintf(stderr, "vesper-host: %s\n", result.error.c_str());
            return 1;
        }
    }
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    CLI::App app{"Loads the vespercomponent plug-in into the reference host: lists what it offers, or runs "
                 "session scripts that drive its commands."};
    std::string pluginPath = refDefaultPluginPath();
    app.add_option("--plugin", pluginPath, "path of the plug-in library")->capture_default_str();
    std::string settingsPath;
    app.add_option("--settings", settingsPath,
                   "settings file to read and keep up to date (without it, settings last as long as the run)");
    std::vector<std::string> scripts;
    CLI::App* run = app.add_subcommand("run", "run session scripts, one after the other");
    run->add_option("scripts", scripts, "session script files")->required()->check(CLI::ExistingFile);
    CLI11_PARSE(app, argc, argv);

    RefHost host;
    std::string error;
    if (!settingsPath.empty() && !refUseSettingsFile(host, settingsPath, error)) {
        std::fprintf(stderr, "vesper-host: %s\n", error.c_str());
        return 1;
    }
    host.installInLibrary();
    RefLoadedComponent loaded = host.loadComponent(pluginPath);
    if (!loaded.good) {
        std::fprintf(stderr, "vesper-host: %s\n", loaded.error.c_str());
        return 1;
    }
    if (run->parsed()) return runSessions(host, scripts);
    printIdentity(loaded);
    printClasses(host);
    return 0;
}
