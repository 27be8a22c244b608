// The workflow store: what one host installed, the next reads back; a damaged
// store is refused whole and left as it is.
#include <gtest/gtest.h>

#include <fstream>

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

}  // namespace
