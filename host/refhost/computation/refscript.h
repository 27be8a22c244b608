// The host's stand-in for its scripting run-time, enough to run the
// automation scripts that commands install in a workflow: blank lines and
// comments, the start-up lines of the host's module ("import tessarel.app.v2"
// and its execStrings loop), names set to string or number literals, and
// calls of the module's functions with names or literals as arguments.
#pragma once

#include <string>
#include <string_view>
#include <vector>

struct RefScriptValue {
    bool isText = false;
    std::string text;  // a string literal, escapes undone
    double number = 0;
};

// A call of a host function with its arguments' values, at line `line`.
struct RefScriptCall {
    int line = 0;
    std::string function;  // without the module's "tesapp."
    std::vector<RefScriptValue> arguments;
};

struct RefScriptRun {
    bool good = false;
    std::string error;  // "line N: what is wrong"
    std::vector<RefScriptCall> calls;
};

// The calls the script makes, in order; nothing runs yet. A line the
// run-time does not know, a name used before it is set, an unknown function
// or the wrong arguments fail the whole script.
RefScriptRun refReadScript(std::string_view script);
