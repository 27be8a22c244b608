// Runs a program through the shell, the tools built beside the plug-in among
// them, with standard error joined to the output; output past `keptBytes` is
// only counted, so a runaway tool cannot fill memory.
#pragma once

#include <sys/wait.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

// A program built beside the plug-in, e.g. "vesper-host".
inline std::string toolPath(const std::string& name) {
    const std::string plugin = VESPER_PLUGIN_PATH;
    return plugin.substr(0, plugin.rfind('/') + 1) + name;
}

struct ToolRun {
    int exitCode = -1;  // -1 when the tool did not exit normally (a crash)
    std::string output;
    size_t outputBytes = 0;  // all it wrote
};

// `environment` holds "NAME=value" entries to add; an empty `folder` runs it in this one.
inline ToolRun runTool(const std::string& path, const std::vector<std::string>& arguments,
                       const std::vector<std::string>& environment = {}, const std::string& folder = "",
                       size_t keptBytes = size_t{1} << 20) {
    const auto quoted = [](const std::string& text) {
        std::string out = "'";
        for (char c : text) out += c == '\'' ? std::string("'\\''") : std::string(1, c);
        return out + "'";
    };
    std::string command = "exec </dev/null 2>&1;";
    if (!folder.empty()) command += " cd " + quoted(folder) + " &&";
    for (const std::string& variable : environment) {
        command += " " + variable.substr(0, variable.find('=') + 1) + quoted(variable.substr(variable.find('=') + 1));
    }
    command += " " + quoted(path);
    for (const std::string& word : arguments) command += " " + quoted(word);
    ToolRun run;
    std::FILE* pipe = popen(command.c_str(), "r");
    char buffer[65536];
    for (size_t got = 0; pipe != nullptr && (got = std::fread(buffer, 1, sizeof(buffer), pipe)) > 0;) {
        run.outputBytes += got;
        run.output.append(buffer, std::min(got, keptBytes - std::min(keptBytes, run.output.size())));
    }
    const int status = pipe != nullptr ? pclose(pipe) : -1;
    run.exitCode = WIFEXITED(status) && WEXITSTATUS(status) < 128 ? WEXITSTATUS(status) : -1;
    return run;
}
