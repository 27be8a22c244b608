// A widget and a command each keep the panel they were built on, whatever
// order a script builds them in.
#include <gtest/gtest.h>

#include <cstdio>

#include "pluginhost.h"
#include "session/refsession.h"

namespace {

class SessionPanels : public PluginTest {};

TEST_F(SessionPanels, WidgetAndCommandNeverShareOrFreeAPanel) {
    const struct {
        const char* script;
        const char* error;
    } rows[] = {
        {"command GenSetCameraCmd\nwidget matrix\n", "inline:2: widget: a command is running; end it first"},
        {"widget matrix\ncommand GenSetCameraCmd\nmatrix 1 0 0 0 0 1 0 0 0 0 1 0 0 0 0 1\ncancel\n", ""},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.script);
        std::FILE* out = std::tmpfile();
        const RefSessionResult result = RefSession(host(), out).runLines(refSplitLines(row.script, "inline"), "inline", "");
        std::fclose(out);
        EXPECT_EQ(result.error, row.error);
    }
}

}  // namespace
