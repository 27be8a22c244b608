// Control ids of the "Create/Edit SRML" panel, shared by the files of the
// command.
#pragma once

#include <cstdint>

namespace srmleditor {

constexpr int32_t kSave = 0;
constexpr int32_t kLoad = 1;
constexpr int32_t kRecipeList = 2;
constexpr int32_t kNewRecipe = 3;
constexpr int32_t kDeleteRecipe = 4;
constexpr int32_t kDefaultExposure = 5;
constexpr int32_t kDefaultHdr = 6;
constexpr int32_t kScanAngle = 7;
constexpr int32_t kScanResolution = 8;
constexpr int32_t kAddScan = 9;
constexpr int32_t kScanAngleList = 10;
constexpr int32_t kDeleteScan = 11;
constexpr int32_t kScansBox = 12;
constexpr int32_t kCreateBox = 13;
constexpr int32_t kSrmlBox = 14;
constexpr int32_t kPropertiesBox = 15;

// Row k (from 1) holds its check box at kFirstRow + 4 (k - 1), then its HDR
// box, exposure field and test-coverage box.
constexpr int32_t kFirstRow = 18;
constexpr int32_t kRowHdr = 1;
constexpr int32_t kRowExposure = 2;
constexpr int32_t kRowCoverage = 3;

constexpr double kExposureMaximum = 400;
constexpr double kExposureStep = 10;

}  // namespace srmleditor
