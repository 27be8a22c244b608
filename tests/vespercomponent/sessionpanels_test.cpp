// A widget and a command each keep the panel they were built on, whatever
// order a script builds them in.
#include <gtest/gtest.h>

#include "pluginhost.h"
#include "sessionrun.h"

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
        EXPECT_EQ(runSessionText(host(), row.script).error, row.error) << row.script;
    }
}

}  // namespace
