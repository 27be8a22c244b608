// The report of a demo run: one self-contained HTML page with a section per
// session (its transcript, panel dumps as tables, fit residuals as a bar
// chart, the pictures it wrote embedded, its time).
#pragma once

#include <string>
#include <vector>

struct ReportSession {
    std::string script;      // as named on the command line
    std::string transcript;  // what the session printed
    double seconds = 0;
    std::vector<std::string> pictures;  // PNG files it wrote in the output folder, by name
    std::string error;       // why it stopped, when it failed
};

// The page for `sessions`; pictures are read from `outFolder`.
std::string reportHtml(const std::string& outFolder, const std::vector<ReportSession>& sessions);
