// The workflow store: what one host installed, the next reads back; a damaged
// store is refused whole and left as it is.
#include <gtest/gtest.h>

#include <fstream>

#include "computation/refscript.h"
#include "infrastructure/reftext.h"
#include "infrastructure/refworkflowfile.h"
#include "refhost.h"
#include "tempfolder.h"

namespace {

TEST(RefWorkflow, StoreKeepsScriptsAcrossHosts) {
    TempFolder folder;
    const std::string path = folder.narrowFile("store.txt");
    std::string error;
    {
        RefHost first;
        ASSERT_TRUE(refUseWorkflowFile(first, path, error)) << error;
        first.workflows().ensure("Idle", false);
        RefWorkflow& scan = first.workflows().ensure("Scan \"A\"", true);
        first.workflows().setCurrent(&scan);
        scan.scriptHolder()->begin(0);
        scan.scriptHolder()->setScript("line\n\x01\xff end");
    }
    RefHost second;
    ASSERT_TRUE(refUseWorkflowFile(second, path, error)) << error;
    EXPECT_EQ(refWorkflowsText(second.workflows()),
              "workflows:\n  workflow \"Idle\" no holder\n  workflow \"Scan \"A\"\" current calls: begin 0; script;\n"
              "script:\nline\n\x01\xff end\nend of script\n");
}

TEST(RefWorkflow, DamagedStoreIsRefusedAndKept) {
    const struct {
        const char* text;
        const char* error;
    } rows[] = {
        {"script 00\n", ":1: script needs a workflow with a holder before it"},
        {"workflow A noholder\ncall begin 0\n", ":2: call needs a workflow with a holder before it"},
        {"workflow A\nscript 0g\n", ":2: script needs its bytes as hexadecimal digits"},
        {"workflow A\nscript 123\n", ":2: script needs its bytes as hexadecimal digits"},
        {"workflow A\nworkflow A\n", ":2: workflow A appears twice"},
        {"workflow A later\n", ":1: expected current or noholder, not later"},
        {"run A\n", ":1: expected workflow, call or script, not run"},
    };
    TempFolder folder;
    const std::string path = folder.narrowFile("store.txt");
    for (const auto& row : rows) {
        SCOPED_TRACE(row.text);
        std::ofstream(path) << row.text;
        RefHost host;
        std::string error;
        EXPECT_FALSE(refUseWorkflowFile(host, path, error));
        EXPECT_NE(error.find(row.error), std::string::npos) << error;
        EXPECT_TRUE(host.workflows().workflows().empty());
        EXPECT_EQ(TempFolder::readText(path), row.text);
    }
}

// The script run-time's reading: what a call receives, or the first line it refuses.
TEST(RefScript, ReadsTheCallsOrNamesTheLineItRefuses) {
    const std::string start = "import tessarel.app.v2\nfor m in tessarel.app.v2.execStrings: exec m in locals(), globals()\n";
    const std::string call = "tesapp.capture_verifyAndScan(p, 'R', 0.5, a)";
    const std::pair<std::string, std::string> rows[] = {
        {start + "# set up\np = \"C:\\\\s\\\"x\\q\"\na = -1e1\n\n" + call + "  # go\r\n", "C:\\s\"x\\q|R|0.5|-10"},
        {"import os\n", "line 1: no module named os"},
        {start.substr(23) + call, "line 1: name 'tessarel' is not defined"},
        {"import tessarel.app.v2\n" + call, "line 2: name 'tesapp' is not defined"},
        {start + "p = 'x\na = 1\n", "line 3: a string is not closed"},
        {start + "p = q\n", "line 3: name 'q' is not defined"},
        {start + "p = 'x'\na = 1\ntesapp.scan(p)\n", "line 5: the module has no function scan"},
        {start + "p = 'x'\na = 1\n" + call.substr(0, call.size() - 1), "line 5: the call is not closed where the line ends"},
        {start + "p = 'x'\na = 1\ntesapp.capture_verifyAndScan(p, p, a a)", "line 5: arguments are separated by commas"},
        {start + "p = 'x'\na = 1\ntesapp.capture_verifyAndScan(a, p, a, a)", "line 5: capture_verifyAndScan takes 4"},
        {start + "print(1)\n", "line 3: the host's script run-time does not run this line"},
    };
    for (const auto& [script, expected] : rows) {
        const RefScriptRun run = refReadScript(script);
        std::string got = run.error;
        for (const RefScriptCall& made : run.calls) {
            for (const RefScriptValue& value : made.arguments) {
                got += (got.empty() ? "" : "|") + (value.isText ? value.text : refFormatDouble(value.number));
            }
        }
        EXPECT_EQ(got.substr(0, expected.size()), expected) << script;
        EXPECT_EQ(run.good, run.error.empty());
    }
}

}  // namespace
