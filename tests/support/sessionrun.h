// Runs a session script given as text against the plug-in's host and returns
// the transcript.
#pragma once

#include <cstdio>
#include <string>

#include "pluginhost.h"
#include "refsession.h"

struct SessionRun {
    bool good = false;
    std::string error;
    std::string transcript;
};

inline SessionRun runSessionText(const std::string& text) {
    SessionRun run;
    std::FILE* out = std::tmpfile();
    {
        RefSession session(*pluginUnderTest().host, out);
        const RefSessionResult result =
            session.runLines(refSplitLines(text, "inline"), "inline", VESPER_SOURCE_DIR "/examples/sessions/");
        run.good = result.good;
        run.error = result.error;
    }
    std::rewind(out);
    char buffer[4096];
    size_t read = 0;
    while ((read = std::fread(buffer, 1, sizeof(buffer), out)) > 0) run.transcript.append(buffer, read);
    std::fclose(out);
    return run;
}
