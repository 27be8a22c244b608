// The reference host's memory checker. It measures nothing itself and reports
// itself unavailable, so the library asks the operating system, until a
// session or a test gives it figures to report.
#pragma once

#include <cstdint>

#include "hostapi/infrastructure.h"
#include "memorystatus.h"

class RefMemChecker : public IMemChecker {
public:
    void queryInterface(const char* name, void** out) override;
    const char* className() const override;

    bool available() override { return scripted_; }
    int32_t memoryFigures(int64_t* systemFree, int64_t* systemTotal, int64_t* swapFree, int64_t* swapTotal,
                          int64_t divisor) override;
    int64_t processMemory(int64_t divisor) override;

    // From now on the checker is available and reports these figures (bytes),
    // divided as asked.
    void script(const TesMemoryFigures& bytes, int64_t processBytes);
    // Back to unavailable.
    void clear() { scripted_ = false; }

private:
    TesMemoryFigures bytes_;
    int64_t processBytes_ = 0;
    bool scripted_ = false;
};
