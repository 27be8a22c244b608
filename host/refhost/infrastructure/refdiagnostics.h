// The reference host's error service and assertion handler: both record what
// they receive so that a session or a test can show and check it.
#pragma once

#include <string>
#include <vector>

#include "hostapi/infrastructure.h"

struct RefErrorReport {
    std::string message;
    int32_t level;
    std::string context;
};

class RefErrorService : public ITesErrorService {
public:
    // Reports are also printed on stderr when `echo` is set.
    explicit RefErrorService(bool echo = true) : echo_(echo) {}

    void queryInterface(const char* name, void** out) override;
    const char* className() const override;
    void report(const char* message, int32_t level, const char* context) override;

    const std::vector<RefErrorReport>& reports() const { return reports_; }

private:
    bool echo_;
    std::vector<RefErrorReport> reports_;
};

struct RefAssertReport {
    std::string expression;
    std::string source;
    int32_t line;
};

class RefAssertHandler : public ITesAssertHandlerCB {
public:
    void queryInterface(const char* name, void** out) override;
    const char* className() const override;
    void onAssert(const char* expression, const char* source, int32_t line) override;

    const std::vector<RefAssertReport>& reports() const { return reports_; }

private:
    std::vector<RefAssertReport> reports_;
};
