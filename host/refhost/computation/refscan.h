// The host's scan of the reference object with a recipe of a recipe file,
// as a workflow's automation asks for it: the scene's rig is checked against
// the file's within the tolerances, and only then is the object seen by
// every camera of the recipe at every turntable angle.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "bitvector.h"
#include "tesmatrix.h"

class RefDocument;
class RefHost;

// The rig of the scene's "RefObject": its sub-object "Turntable" and every
// other coordinate-system sub-object a scanner, numbered from 0 in order.
// Without a RefObject the rig is empty.
struct RefRig {
    TesMatrix turntable;
    std::vector<TesMatrix> scanners;
};

RefRig refRigOf(RefDocument& document);

struct RefScanRequest {
    std::string srmlPath;
    std::string recipe;
    double distanceTolerance = 0;  // mm
    double angleTolerance = 0;     // degrees
};

// One camera at one turntable angle.
struct RefScanShot {
    int32_t angle = 0;
    int32_t scanner = 0;
    std::string settings;  // "exposure E HDR H" as the recipe sets them
    BitVector seen;        // items of the reference object this shot saw
};

struct RefScanResult {
    std::string error;                // why the scan could not start, or ""
    std::vector<std::string> checks;  // a line per frame of the rig checked
    bool rigGood = false;             // every frame within the tolerances
    std::vector<RefScanShot> shots;   // none when the rig is not good
    BitVector seen;                   // items of the reference object seen by any shot
    int32_t items = 0;                // triangles or points of the reference object
};

// Reads the file through the plug-in's SRML class, checks the turntable and
// every scanner the recipe uses (origin distance and turn between the
// file's frame and the scene's), then renders each shot from the scene's
// scanner turned about the turntable's axis against the angle, as a part
// on a turning table is seen (unlike the plug-in's coverage, which composes
// the turn on the scanner's side).
RefScanResult refVerifyAndScan(RefHost& host, const RefScanRequest& request);
