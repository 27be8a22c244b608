// The report of a run: a page per run with a table of the sessions' outcomes
// and a section per session, its pictures embedded; when Chromium is
// installed, it loads them all.
#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>

#include "tempfolder.h"
#include "toolrun.h"

namespace {

size_t occurrences(const std::string& text, const std::string& part) {
    size_t count = 0;
    for (size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) ++count;
    return count;
}

TEST(Report, SectionsPicturesChartsAndTables) {
    TempFolder folder;
    std::ofstream(folder.file("stops.session")) << "echo \"<not> & \\\"quoted\\\"\"\njump\n";
    const ToolRun run = runTool(toolPath("vesper-host"),
                                {"run", "--out", folder.narrowFile(""), "--report", "examples/sessions/srml-editor.session",
                                 "examples/sessions/n-point-alignment.session", folder.narrowFile("stops.session")},
                                {}, VESPER_SOURCE_DIR);
    EXPECT_EQ(run.exitCode, 1) << run.output;
    EXPECT_NE(run.output.find("report: " + folder.narrowFile("") + "/report.html\n"), std::string::npos);
    const std::string page = folder.read("report.html");
    EXPECT_EQ(occurrences(page, "<section id=\"s"), 3u);
    EXPECT_NE(page.find("href=\"#s2\">n-point-alignment</a></td><td>"), std::string::npos);
    EXPECT_NE(page.find("<td>fit: 4 pairs, rms 0.000000; ok: ended</td>"), std::string::npos) << "the last of each kind";
    EXPECT_NE(page.find("<td>selected 10661; ok: ended</td>"), std::string::npos);
    EXPECT_EQ(occurrences(page, "<img "), 2u) << "the two coverage pictures";
    EXPECT_EQ(occurrences(page, "<svg class=\"fit\""), 3u) << "three fits of the alignment";
    EXPECT_GE(occurrences(page, "<table class=\"panel\">"), 2u);
    EXPECT_NE(page.find("&lt;not&gt; &amp; &quot;quoted&quot;"), std::string::npos);
    EXPECT_EQ(occurrences(page, "class=\"error\">" + folder.narrowFile("stops.session") + ":2: unknown statement: jump"),
              2u) << "in the table and in its section";

    if (std::system("command -v chromium >/dev/null 2>&1") != 0) GTEST_SKIP() << "no Chromium to load the page";
    const ToolRun browser = runTool("chromium", {"--headless", "--no-sandbox", "--disable-gpu",
                                                 "--virtual-time-budget=5000", "--dump-dom",
                                                 "file://" + folder.narrowFile("report.html")});
    EXPECT_NE(browser.output.find("data-pictures=\"2/2\""), std::string::npos) << browser.output.substr(0, 2000);
}

}  // namespace
