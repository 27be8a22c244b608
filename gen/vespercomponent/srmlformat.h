// The names of SRML files: elements, attributes, property ids and resolution
// words, shared by the reader and the writer. All are case-sensitive.
#pragma once

#include <cstdint>

namespace srml {

inline constexpr const char16_t* kRoot = u"SRML";
inline constexpr const char16_t* kModel = u"Model";
inline constexpr const char16_t* kTurntable = u"Turntable";
inline constexpr const char16_t* kTransform = u"Transform";
inline constexpr const char16_t* kScanners = u"Scanners";
inline constexpr const char16_t* kScanner = u"Scanner";
inline constexpr const char16_t* kWorkingRecipes = u"WorkingRecipes";
inline constexpr const char16_t* kRecipe = u"Recipe";
inline constexpr const char16_t* kDefaultProperties = u"DefaultProperties";
inline constexpr const char16_t* kProperty = u"Property";
inline constexpr const char16_t* kAngles = u"Angles";
inline constexpr const char16_t* kAngle = u"Angle";
inline constexpr const char16_t* kCamera = u"Camera";

inline constexpr const char16_t* kId = u"id";
inline constexpr const char16_t* kName = u"name";
inline constexpr const char16_t* kValue = u"value";
inline constexpr const char16_t* kResolution = u"resolution";

inline constexpr const char16_t* kExposure = u"Exposure";
inline constexpr const char16_t* kHdr = u"HDR";

// Indexed by resolution 0, 1, 2.
inline constexpr const char16_t* kResolutionNames[] = {u"Low", u"Medium", u"High"};
inline constexpr int32_t kResolutionCount = 3;

// "m00" ... "m33": the attribute of row R, column C is kTransformAttributes[4R + C].
inline constexpr const char16_t* kTransformAttributes[] = {u"m00", u"m01", u"m02", u"m03", u"m10", u"m11",
                                                           u"m12", u"m13", u"m20", u"m21", u"m22", u"m23",
                                                           u"m30", u"m31", u"m32", u"m33"};

inline constexpr const char16_t* kDeclarationTarget = u"xml";
inline constexpr const char16_t* kDeclarationText = u"version=\"1.0\" encoding=\"UTF-8\"";

inline constexpr const char* kXmlService = "ITesDOMXmlV2";

}  // namespace srml
