#include "toolcli.h"

#include <cstdio>
#include <cstdlib>

namespace {

constexpr const char* kMoreHelp = "Run with --help for more information.";

bool isNumber(const std::string& text) {
    char* end = nullptr;
    std::strtod(text.c_str(), &end);
    return end != text.c_str() && *end == '\0';
}

// The first argument no option or subcommand took that looks like an option;
// empty when there is none. CLI11 reports a missing argument before a stray
// one, which would hide the real mistake.
std::string strayOption(const CLI::App& app) {
    for (const std::string& argument : app.remaining(true)) {
        if (argument.size() > 1 && argument[0] == '-' && !isNumber(argument)) return argument;
    }
    return {};
}

}  // namespace

const char* toolProjectVersion() { return VESPER_PROJECT_VERSION; }

ToolCli::ToolCli(const std::string& program, const std::string& description, const std::string& failure)
    : program_(program), app_(description, program) {
    app_.footer("Exit codes: " + std::to_string(kToolExitSuccess) + " success, " + std::to_string(kToolExitFailed) +
                " " + failure + ", " + std::to_string(kToolExitUsage) + " usage error.");
    app_.fallthrough();
}

CLI::App* ToolCli::addSubcommand(const std::string& name, const std::string& description) {
    CLI::App* subcommand = app_.add_subcommand(name, description);
    subcommand->fallthrough();
    return subcommand;
}

void ToolCli::addVersion(std::function<std::string()> version) {
    app_.set_version_flag("--version", std::move(version), "print the version and exit");
}

std::optional<int> ToolCli::parse(int argc, char** argv) {
    try {
        app_.parse(argc, argv);
        return std::nullopt;
    } catch (const CLI::Success& request) {
        app_.exit(request);
        return kToolExitSuccess;
    } catch (const CLI::ParseError& error) {
        const std::string stray = strayOption(app_);
        return usageError(stray.empty() ? std::string(error.what()) : "unknown option " + stray);
    } catch (const ToolFailure& failure) {
        return fail(failure.message);
    }
}

int ToolCli::usageError(const std::string& message) const {
    std::fprintf(stderr, "%s: %s\n%s\n", program_.c_str(), message.c_str(), kMoreHelp);
    return kToolExitUsage;
}

int ToolCli::fail(const std::string& message) const {
    std::fprintf(stderr, "%s: %s\n", program_.c_str(), message.c_str());
    return kToolExitFailed;
}
