// The reference host's length unit: the document is in millimetres, the user
// works in the unit a scene chooses.
#pragma once

#include <string>

#include "hostapi/infrastructure.h"

class RefUnitService : public IUnitService {
public:
    void queryInterface(const char* name, void** out) override;
    const char* className() const override;
    int32_t currentUnit() override { return unit_; }
    // Factor from millimetres to `unit`; 1 for an unknown unit.
    double factor(int32_t unit) override;

    // "mm", "cm", "m", "in" or "um"; false for another name.
    bool choose(const std::string& name);

private:
    int32_t unit_ = 0;
};
