// vesper-host: loads the plug-in into the reference host and shows what it
// offers, runs session scripts that drive its commands, or loads and unloads
// it over and over.
#include <cstdio>
#include <filesystem>
#include <string>

#include "loadcycle.h"
#include "os/nativememory.h"
#include "refhost.h"
#include "session/refsession.h"
#include "infrastructure/refsettingsfile.h"
#include "infrastructure/refworkflowfile.h"
#include "tesclcbinary.h"
#include "toolcli.h"

namespace {

constexpr const char* kProgram = "vesper-host";
// Resident memory is shown after the first cycles, once every lazily made
// part of the host exists, and after the last.
constexpr int64_t kWarmCycles = 10;
constexpr int64_t kBytesPerKiB = 1024;
constexpr int64_t kMaxCycles = 1000000000;

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

// Scripts run one after the other in the same host and document; $OUT/ in
// their file words is `outFolder`, made when missing.
int runSessions(const ToolCli& cli, RefHost& host, const std::vector<std::string>& scripts, const std::string& outFolder) {
    std::error_code failed;
    if (!outFolder.empty() && !std::filesystem::is_directory(outFolder)) {
        std::filesystem::create_directories(outFolder, failed);
        if (failed) return cli.fail("cannot make the output folder " + outFolder + ": " + failed.message());
    }
    for (const std::string& script : scripts) {
        std::printf("session %s\n", script.c_str());
        RefSession session(host, stdout);
        session.setOutputFolder(outFolder);
        const RefSessionResult result = session.run(script);
        if (!result.good) return cli.fail(result.error);
    }
    return kToolExitSuccess;
}

void printResident(int64_t cycle) {
    TesOsProcessMemory memory;
    if (!tesOsProcessMemory(&memory)) return;
    std::printf("cycle %lld: resident %lld kB\n", static_cast<long long>(cycle),
                static_cast<long long>(memory.workingSet / kBytesPerKiB));
    std::fflush(stdout);
}

int runCycles(const ToolCli& cli, RefHost& host, const std::string& pluginPath, int64_t count) {
    host.installInLibrary();
    std::string error;
    const bool good = runLoadCycles(host, pluginPath, count, error, [count](int64_t cycle) {
        if (cycle == 1 || cycle == kWarmCycles || cycle == count) printResident(cycle);
    });
    return good ? kToolExitSuccess : cli.fail(error);
}

// The version of the plug-in at `pluginPath`.
std::string componentVersion(const std::string& pluginPath) {
    RefHost host;
    host.installInLibrary();
    const RefLoadedComponent loaded = host.loadComponent(pluginPath);
    if (!loaded.good) throw ToolFailure{loaded.error};
    const char* version = loaded.component->version();
    return std::string("vespercomponent ") + (version != nullptr ? version : "(no version)");
}

struct Options {
    std::string pluginPath = refDefaultPluginPath();
    std::string settingsPath;
    std::string workflowsPath;
    std::vector<std::string> scripts;
    std::string outFolder;
    int64_t cycles = 0;
    CLI::App* run = nullptr;
    CLI::App* cycle = nullptr;
    CLI::App* workflows = nullptr;
};

void describe(ToolCli& cli, Options& options) {
    CLI::App& app = cli.app();
    app.add_option("--plugin", options.pluginPath, "path of the plug-in library")->capture_default_str();
    app.add_option("--settings", options.settingsPath,
                   "settings file to read and keep up to date (without it, settings last as long as the run)");
    app.add_option("--workflows", options.workflowsPath,
                   "workflow store to read and keep up to date with the scripts commands install");
    cli.addVersion([&options] { return componentVersion(options.pluginPath); });
    options.run = cli.addSubcommand("run", "run session scripts, one after the other");
    options.run->add_option("scripts", options.scripts, "session script files")->required()->check(CLI::ExistingFile);
    options.run->add_option("--out", options.outFolder, "folder for the files scripts name as $OUT/...");
    options.cycle = cli.addSubcommand("cycle", "load the plug-in, create every class, release it all and unload it, "
                                               "N times; shows resident memory after cycles 1, 10 and N");
    options.cycle->add_option("N", options.cycles, "number of cycles")
        ->required()
        ->check(CLI::Range(int64_t{1}, kMaxCycles));
    options.workflows = cli.addSubcommand("workflows", "print the workflow store (with --workflows) and its scripts");
}

}  // namespace

int main(int argc, char** argv) {
    ToolCli cli(kProgram,
                "Loads the vespercomponent plug-in into the reference host: lists what it offers, runs session "
                "scripts that drive its commands, or loads and unloads it over and over.",
                "the work failed (the plug-in, a script, a settings file)");
    Options options;
    describe(cli, options);
    if (const std::optional<int> done = cli.parse(argc, argv)) return *done;

    RefHost host;
    std::string error;
    if (!options.settingsPath.empty() && !refUseSettingsFile(host, options.settingsPath, error)) return cli.fail(error);
    if (!options.workflowsPath.empty() && !refUseWorkflowFile(host, options.workflowsPath, error)) return cli.fail(error);
    if (options.workflows->parsed()) {
        std::fputs(refWorkflowsText(host.workflows()).c_str(), stdout);
        return kToolExitSuccess;
    }
    if (options.cycle->parsed()) return runCycles(cli, host, options.pluginPath, options.cycles);
    host.installInLibrary();
    RefLoadedComponent loaded = host.loadComponent(options.pluginPath);
    if (!loaded.good) return cli.fail(loaded.error);
    if (options.run->parsed()) return runSessions(cli, host, options.scripts, options.outFolder);
    printIdentity(loaded);
    printClasses(host);
    return kToolExitSuccess;
}
