// The assertions raised while it lives, as "expression @ source", and their
// lines; the host's handler takes them again once it goes.
#pragma once

#include <string>
#include <vector>

#include "tesassert.h"

struct AssertReports {
    AssertReports() { tesSetAssertHook(record, this); }
    ~AssertReports() { tesSetAssertHook(nullptr, nullptr); }
    AssertReports(const AssertReports&) = delete;
    AssertReports& operator=(const AssertReports&) = delete;

    static void record(void* to, const char* expression, const char* source, int line) {
        static_cast<AssertReports*>(to)->texts.push_back(std::string(expression) + " @ " + source);
        static_cast<AssertReports*>(to)->lines.push_back(line);
    }

    std::vector<std::string> texts;
    std::vector<int> lines;
};
