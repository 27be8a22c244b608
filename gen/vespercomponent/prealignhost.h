// What the N-Point Alignment command and its helpers share of the host: the
// application profile, the services they use for the whole process, and the
// source name of their assertion reports.
#pragma once

#include "hostapi/document.h"
#include "hostapi/gfx.h"
#include "hostapi/gui.h"
#include "hostapi/settings.h"
#include "iptr.h"
#include "tesstring.h"

inline constexpr const char* kPreAlignSourceName = "gen/vespercomponent/genprealigncmd";

// Panes of the split layout: the fixed object, both, the floating object.
inline constexpr int32_t kFixedPane = 0;
inline constexpr int32_t kBothPane = 1;
inline constexpr int32_t kFloatingPane = 2;

// Display properties of an object the command changes.
inline constexpr const char* kPointColorsProperty = "PrimViewPointColors";
inline constexpr const char* kShadedPointsProperty = "PrimViewShadedPoints";

// The registry switches, each read once per process: "APP/AllowInspection"
// (RefObject and TestObject instead of the active object and a selector) and
// "APP/AllowAutomation" (accept records an automation node).
bool preAlignInspectionProfile();
bool preAlignRecordsAutomation();

// Null when the host offers none.
IPtr<ITesDoc> preAlignDocument();
IGfxDoc* graphicsDocument();
ITesObjectVisibilityMgr* objectVisibility();
IDataStore* preAlignSettings();
IGuiThemeMgr* themeManager();

// The object's points ("PointModel"), or null.
ITesPoints* objectPoints(ITesObject* object);
// Whether the object's type is `type`, such as "Point" or "World".
bool isOfType(ITesObject* object, const char* type);
// A host's text, empty for none.
TesString textOf(const char16_t* text);
