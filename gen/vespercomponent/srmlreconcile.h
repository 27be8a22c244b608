// Fits a loaded recipe document to the rig the host has now: scanners are
// matched by pose, not by number, since a file may come from a rig whose
// scanners were listed in another order.
#pragma once

#include "hostapi/srml.h"

// Every scanner of `loaded` whose pose equals one of the reference object's
// (the sum of the sixteen absolute differences below 1e-5) takes that
// scanner's identifier, the first match in map order; one without a match is
// dropped from every angle. `loaded` then takes the reference object's rig.
// Identifiers the loaded rig does not list stay as they are. True when a
// scanner was dropped.
bool srmlReconcileWithReference(ITesSRML& loaded);
