// What differs between two SRML documents, a line each, for a user comparing
// a recipe file before and after an edit.
#pragma once

#include <string>
#include <vector>

#include "hostapi/srml.h"

// The differences from `first` to `second` in the order a file is read: the
// rig (turntable, then scanners by identifier), then the recipes matched by
// name and, within a recipe both hold, its defaults and its angles matched by
// value with their cameras matched by scanner. Empty when both hold the same.
std::vector<std::string> srmlDifferences(ITesSRML& first, ITesSRML& second);
