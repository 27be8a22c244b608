#include "report.h"

#include <algorithm>
#include <cstdio>
#include <map>
#include <regex>
#include <set>

#include "reporthtml.h"

namespace {

constexpr const char* kStyle = R"(<style>
body { font-family: sans-serif; margin: 2em; max-width: 1300px; color: #222; }
h2 { border-bottom: 1px solid #ccc; margin-top: 2em; }
pre { background: #f6f6f6; padding: .6em; overflow-x: auto; font-size: 85%; }
table.panel { border-collapse: collapse; font-size: 85%; margin: .5em 0; }
table.panel td, table.panel th { border: 1px solid #ddd; padding: .15em .5em; text-align: left; }
table.grid td { vertical-align: top; }
figure { display: inline-block; margin: .3em; }
img { width: 300px; border: 1px solid #999; background: #000; }
.pair img { width: 480px; }
svg.fit rect { fill: #3a7; }
svg.fit text { font-size: 12px; }
.error { color: #b00; font-weight: bold; }
.time { color: #666; font-size: 90%; }
</style>
)";

// Counts the pictures that loaded, for a browser run without a person.
constexpr const char* kScript = R"(<script>
window.addEventListener('load', function () {
  var images = document.images, shown = 0;
  for (var i = 0; i < images.length; ++i) if (images[i].complete && images[i].naturalWidth > 0) ++shown;
  document.body.setAttribute('data-pictures', shown + '/' + images.length);
});
</script>
)";

std::string stem(const std::string& path) {
    const size_t slash = path.rfind('/');
    std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
    const size_t dot = name.rfind('.');
    return dot == std::string::npos ? name : name.substr(0, dot);
}

// Coverage pictures: PREFIX-s{scanner}-a{angle}.png.
const std::regex& coverageName() {
    static const std::regex pattern(R"((.*)-s(\d+)-a(\d+)\.png)");
    return pattern;
}

// The coverage pictures in a grid, a row per angle and a column per scanner.
std::string coverageGrid(const std::string& folder, const std::vector<std::string>& names) {
    std::map<int, std::map<int, std::string>> byAngle;
    std::set<int> scanners;
    for (const std::string& name : names) {
        std::smatch parts;
        if (!std::regex_match(name, parts, coverageName())) continue;
        byAngle[std::stoi(parts[3])][std::stoi(parts[2])] = name;
        scanners.insert(std::stoi(parts[2]));
    }
    if (byAngle.empty()) return {};
    std::string html = "<table class=\"grid\"><tr><th>angle</th>";
    for (int scanner : scanners) html += "<th>scanner " + std::to_string(scanner) + "</th>";
    html += "</tr>\n";
    for (const auto& [angle, row] : byAngle) {
        html += "<tr><th>" + std::to_string(angle) + "°</th>";
        for (int scanner : scanners) {
            auto found = row.find(scanner);
            html += "<td>";
            if (found != row.end()) html += embeddedPicture(folder + "/" + found->second, found->second);
            html += "</td>";
        }
        html += "</tr>\n";
    }
    return html + "</table>\n";
}

// "NAME-before" ahead of "NAME-after", the rest by name.
std::pair<std::string, int> orderKey(const std::string& name) {
    for (const auto& [suffix, rank] : {std::pair<std::string, int>{"-before.png", 1}, {"-after.png", 2}}) {
        if (name.ends_with(suffix)) return {name.substr(0, name.size() - suffix.size()), rank};
    }
    return {name, 0};
}

// Every picture but the coverage ones, side by side.
std::string otherPictures(const std::string& folder, std::vector<std::string> names) {
    std::sort(names.begin(), names.end(),
              [](const std::string& a, const std::string& b) { return orderKey(a) < orderKey(b); });
    std::string html;
    for (const std::string& name : names) {
        if (!std::regex_match(name, coverageName())) html += embeddedPicture(folder + "/" + name, name);
    }
    return html.empty() ? html : "<div class=\"pair\">" + html + "</div>\n";
}

std::string secondsText(double seconds) {
    char time[32];
    std::snprintf(time, sizeof time, "%.2f s", seconds);
    return time;
}

// The lines of a transcript that say how a session came out: the last fit of
// an alignment, the last coverage count, how the last command ended and what
// the last scan saw or why it scanned nothing.
std::string outcome(const std::string& transcript) {
    struct Kind {
        std::regex pattern;
        size_t shown;  // the group shown, 0 for the whole line
    };
    static const Kind kinds[] = {{std::regex(R"(fit: .*)"), 0}, {std::regex(R"( *(selected \d+):.*)"), 1},
                                 {std::regex(R"(\w+: ended)"), 0},
                                 {std::regex(R"( *(seen \d+ of \d+ items .*) in \d+ shots)"), 1},
                                 {std::regex(R"( *(the rig is not where the recipe file has it).*)"), 1}};
    std::string found[std::size(kinds)];
    for (const std::string& line : linesOf(transcript)) {
        std::smatch parts;
        for (size_t kind = 0; kind < std::size(kinds); ++kind) {
            if (std::regex_match(line, parts, kinds[kind].pattern)) found[kind] = parts[kinds[kind].shown].str();
        }
    }
    std::string text;
    for (const std::string& part : found) {
        if (!part.empty()) text += (text.empty() ? "" : "; ") + part;
    }
    return text;
}

// A row per session: its name (a link to its section), time, pictures and
// outcome, or why it failed.
std::string summaryTable(const std::vector<ReportSession>& sessions) {
    std::string html = "<table class=\"panel\"><tr><th>session</th><th>time</th><th>pictures</th><th>outcome</th></tr>\n";
    for (size_t i = 0; i < sessions.size(); ++i) {
        const ReportSession& session = sessions[i];
        const std::string result = session.error.empty() ? htmlEscape(outcome(session.transcript))
                                                         : "<span class=\"error\">" + htmlEscape(session.error) + "</span>";
        html += "<tr><td><a href=\"#s" + std::to_string(i + 1) + "\">" + htmlEscape(stem(session.script)) + "</a></td><td>" +
                secondsText(session.seconds) + "</td><td>" + std::to_string(session.pictures.size()) + "</td><td>" +
                result + "</td></tr>\n";
    }
    return html + "</table>\n";
}

std::string section(const std::string& folder, const ReportSession& session, size_t number) {
    std::string html = "<section id=\"s" + std::to_string(number) + "\"><h2>" + htmlEscape(stem(session.script)) +
                       " <span class=\"time\">" + secondsText(session.seconds) +
                       "</span></h2>\n<p class=\"time\">" + htmlEscape(session.script) + "</p>\n";
    if (!session.error.empty()) html += "<p class=\"error\">" + htmlEscape(session.error) + "</p>\n";
    html += otherPictures(folder, session.pictures) + coverageGrid(folder, session.pictures);
    return html + transcriptHtml(session.transcript) + "</section>\n";
}

}  // namespace

std::string reportHtml(const std::string& outFolder, const std::vector<ReportSession>& sessions) {
    double total = 0;
    for (const ReportSession& session : sessions) total += session.seconds;
    std::string html = std::string("<!DOCTYPE html>\n<html><head><meta charset=\"utf-8\">") +
                       "<title>vespercomponent demo</title>\n" + kStyle + kScript +
                       "</head><body>\n<h1>vespercomponent demo</h1>\n<p>" + std::to_string(sessions.size()) +
                       " sessions in " + secondsText(total) + "</p>\n" + summaryTable(sessions);
    for (size_t i = 0; i < sessions.size(); ++i) html += section(outFolder, sessions[i], i + 1);
    return html + "</body></html>\n";
}
