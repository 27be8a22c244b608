// A session script run in this process on a reference host, as the file
// `name` would be: what it printed, and the error that stopped it.
#pragma once

#include <cstdio>
#include <string>

#include "refhost.h"
#include "session/refsession.h"

struct SessionRun {
    std::string transcript;
    std::string error;  // empty when every statement went well
};

// Relative paths start at `folder`; $OUT/ names `outFolder`, none when empty.
inline SessionRun runSessionText(RefHost& host, const std::string& script, const std::string& name = "inline",
                                 const std::string& folder = "", const std::string& outFolder = "") {
    SessionRun run;
    std::FILE* out = std::tmpfile();
    {
        RefSession session(host, out);
        session.keepTranscript(&run.transcript);
        if (!outFolder.empty()) session.setOutputFolder(outFolder);
        run.error = session.runLines(refSplitLines(script, name), name, folder).error;
    }  // a command still running is cancelled, in the transcript too
    std::fclose(out);
    return run;
}
