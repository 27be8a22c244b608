// What the command-line tools share: their exit codes, --version, and parsing
// with CLI11 so that every usage error ends the same way (a message on stderr
// naming what was wrong, exit code 2) and options may stand before or after a
// subcommand.
#pragma once

#include <CLI/CLI.hpp>

#include <functional>
#include <optional>
#include <string>

inline constexpr int kToolExitSuccess = 0;
inline constexpr int kToolExitFailed = 1;  // the work failed: a bad file, a failed write
inline constexpr int kToolExitUsage = 2;   // the command line was wrong; nothing was done

// The project's version, as CMake's PROJECT_VERSION gives it.
const char* toolProjectVersion();

// A failure of the work that ends parsing, e.g. --version when the version
// cannot be found; parse() reports it and answers kToolExitFailed.
struct ToolFailure {
    std::string message;
};

class ToolCli {
public:
    // `failure` says what exit code 1 means for this tool, e.g. "a damaged file".
    ToolCli(const std::string& program, const std::string& description, const std::string& failure);

    CLI::App& app() { return app_; }
    // A subcommand whose options may be mixed with the tool's own.
    CLI::App* addSubcommand(const std::string& name, const std::string& description);
    // --version prints what `version` returns. It runs once every argument is
    // read, so it may use the options given with it; it may throw ToolFailure.
    void addVersion(std::function<std::string()> version);

    // Reads the arguments. Empty when the tool is to go on with its work;
    // otherwise the exit code to end with: 0 after --help or --version, 2 after
    // a usage error, 1 after a ToolFailure, each reported.
    std::optional<int> parse(int argc, char** argv);
    // Reports a usage error found after parsing; kToolExitUsage.
    int usageError(const std::string& message) const;
    // Reports a failure of the work as "program: message"; kToolExitFailed.
    int fail(const std::string& message) const;

private:
    std::string program_;
    CLI::App app_;
};
