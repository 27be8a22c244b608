// vesper-host: loads the plug-in into the reference host and shows what it
// offers, runs session scripts that drive its commands, or loads and unloads
// it over and over.
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <map>
#include <string>

#include "infrastructure/refreplacefile.h"
#include "loadcycle.h"
#include "report.h"
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

using PictureTimes = std::map<std::string, std::filesystem::file_time_type>;

// The PNG files of `folder` and when each was written.
PictureTimes pictures(const std::string& folder) {
    PictureTimes found;
    std::error_code ignored;
    for (const auto& entry : std::filesystem::directory_iterator(folder, ignored)) {
        if (entry.path().extension() != ".png") continue;
        found[entry.path().filename().string()] = entry.last_write_time(ignored);
    }
    return found;
}

// Runs one script; for the report, what it printed, how long it took and the
// pictures it wrote.
ReportSession runSession(RefHost& host, const std::string& script, const std::string& outFolder, bool report) {
    ReportSession done{script, {}, 0, {}, {}};
    const PictureTimes before = report ? pictures(outFolder) : PictureTimes{};
    const auto start = std::chrono::steady_clock::now();
    RefSession session(host, stdout);
    session.setOutputFolder(outFolder);
    if (report) session.keepTranscript(&done.transcript);
    const RefSessionResult result = session.run(script);
    done.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    if (!result.good) done.error = result.error;
    if (!report) return done;
    for (const auto& [name, written] : pictures(outFolder)) {
        auto old = before.find(name);
        if (old == before.end() || old->second != written) done.pictures.push_back(name);
    }
    return done;
}

// Scripts run one after the other in the same host and document; $OUT/ in
// their file words is `outFolder`, made when missing. With `report` the run
// ends by writing outFolder/report.html, also when a script failed.
int runSessions(const ToolCli& cli, RefHost& host, const std::vector<std::string>& scripts, const std::string& outFolder,
                bool report) {
    std::error_code failed;
    if (!outFolder.empty() && !std::filesystem::is_directory(outFolder)) {
        std::filesystem::create_directories(outFolder, failed);
        if (failed) return cli.fail("cannot make the output folder " + outFolder + ": " + failed.message());
    }
    std::vector<ReportSession> done;
    for (const std::string& script : scripts) {
        std::printf("session %s\n", script.c_str());
        done.push_back(runSession(host, script, outFolder, report));
        if (!done.back().error.empty()) break;
    }
    if (report) {
        const std::string path = outFolder + "/report.html";
        const RefReplaceResult written = refReplaceFile(path, reportHtml(outFolder, done));
        if (!written.good) return cli.fail(written.error);
        std::printf("report: %s\n", path.c_str());
    }
    return done.back().error.empty() ? kToolExitSuccess : cli.fail(done.back().error);
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
    bool report = false;
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
    CLI::Option* out =
        options.run->add_option("--out", options.outFolder, "folder for the files scripts name as $OUT/...");
    options.run
        ->add_flag("--report", options.report, "write OUT/report.html: each session's transcript, pictures and time")
        ->needs(out);
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
    if (options.run->parsed()) return runSessions(cli, host, options.scripts, options.outFolder, options.report);
    printIdentity(loaded);
    printClasses(host);
    return kToolExitSuccess;
}
