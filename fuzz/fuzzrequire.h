// What the reference host's fuzz targets demand of each input. A demand not
// met is printed and aborts the run, which libFuzzer reports with the input.
#pragma once

#include <cstdio>
#include <cstdlib>
#include <string>

inline void fuzzRequire(bool condition, const char* what, const std::string& detail = {}) {
    if (condition) return;
    std::fprintf(stderr, "fuzz: %s%s%s\n", what, detail.empty() ? "" : ": ", detail.c_str());
    std::abort();
}

// A run of the file `name` went well with no error, or failed with an error
// that names the file and a line ("name:N: ...").
inline void fuzzRequirePlacedFailure(bool good, const std::string& error, const std::string& name) {
    fuzzRequire(good == error.empty(), "the result and its error disagree", error);
    fuzzRequire(good || error.starts_with(name + ":"), "an error without its place", error);
}
