// Scan recipes (SRML): the rig's layout and named working recipes. The
// component implements these interfaces; a host creates the classes by class
// identifier and reaches the rest through them. Each interface derives plainly
// from ITesUnknown: every class carries exactly one of them.
//
// Containers are handed out as modifiable references and belong to the object
// that returns them; both sides compile this header, so they agree on layout.
#pragma once

#include <cstdint>
#include <vector>

#include "../classid.h"
#include "../iptr.h"
#include "../tesmatrix.h"
#include "../teshashmap.h"
#include "../tesobject.h"
#include "../tesstring.h"

inline constexpr TesClassId kSRMLModelDataClassId = TesClassId::parse("1502392c-66b6-4319-be75-c80143338d00");
inline constexpr TesClassId kSRMLScanPropertiesClassId = TesClassId::parse("c73ce40f-b751-4500-8583-0dafd300ea53");
inline constexpr TesClassId kSRMLScanAngleClassId = TesClassId::parse("2a89d89d-3544-41b7-8782-76e284247aed");
inline constexpr TesClassId kSRMLRecipeClassId = TesClassId::parse("aa8e590d-5032-4f3e-adfb-500d429298d3");
inline constexpr TesClassId kSRMLClassId = TesClassId::parse("42cf8f60-09b6-497a-b61f-589d89a25ff9");

// Resolutions of a scan angle.
inline constexpr int32_t kSRMLResolutionLow = 0;
inline constexpr int32_t kSRMLResolutionMedium = 1;
inline constexpr int32_t kSRMLResolutionHigh = 2;

// Exposure and HDR of one scanner; a negative value means "not set".
class ITesSRMLScanProperties : public ITesUnknown {
public:
    virtual int32_t exposure() = 0;
    virtual void setExposure(int32_t exposure) = 0;
    virtual int32_t hdr() = 0;
    virtual void setHdr(int32_t hdr) = 0;
};

using SRMLScannerIds = std::vector<int32_t>;
using SRMLScanPropertiesList = std::vector<IPtr<ITesSRMLScanProperties>>;

// One turntable angle: the scanners that shoot there, each with the
// properties at the same index (both lists have the same length).
class ITesSRMLScanAngle : public ITesUnknown {
public:
    // Whole degrees.
    virtual int32_t angle() = 0;
    virtual void setAngle(int32_t angle) = 0;
    // kSRMLResolutionLow, Medium or High.
    virtual int32_t resolution() = 0;
    virtual void setResolution(int32_t resolution) = 0;
    virtual SRMLScannerIds& scanners() = 0;
    virtual SRMLScanPropertiesList& scannerProperties() = 0;
};

using SRMLAngleList = std::vector<IPtr<ITesSRMLScanAngle>>;

class ITesSRMLRecipe : public ITesUnknown {
public:
    // For scanners without their own; no reference added.
    virtual ITesSRMLScanProperties* defaultProperties() = 0;
    virtual void setDefaultProperties(ITesSRMLScanProperties* properties) = 0;
    virtual SRMLAngleList& angles() = 0;
    // Copies the name into `out` and returns it.
    virtual TesString& name(TesString& out) = 0;
    virtual void setName(const TesString& name) = 0;
    // Ascending by angle, compared as signed numbers; equal angles in no
    // particular order.
    virtual void sortAngles() = 0;
};

// The scanner map's hash: the identifier itself.
struct SRMLScannerHash {
    uint32_t operator()(int32_t id) const { return static_cast<uint32_t>(id); }
};
// Scanner identifier -> pose. A lookup of a new identifier inserts the
// identity. Iteration order follows the buckets (see teshashmap.h).
using SRMLScannerMap = TesHashMap<int32_t, TesMatrix, SRMLScannerHash>;
inline constexpr uint32_t kSRMLScannerBuckets = 17;

// The rig's layout: poses as 4 x 4 transforms with the axes in columns 0 to 2
// and the origin in column 3.
class ITesSRMLModelData : public ITesUnknown {
public:
    // Copies the turntable's pose into `out` and returns it.
    virtual TesMatrix& turntableTransform(TesMatrix& out) = 0;
    virtual void setTurntableTransform(const TesMatrix& transform) = 0;
    virtual SRMLScannerMap& scannerTransforms() = 0;
};

using SRMLRecipeList = std::vector<IPtr<ITesSRMLRecipe>>;

// A recipe document.
class ITesSRML : public ITesUnknown {
public:
    // With `create`: appends "Recipe 1" (exposure 70, HDR 0) and takes the
    // turntable and scanner poses from the coordinate systems of the document's
    // object "RefObject". False when `create` is false or the host has no such
    // object with sub-objects.
    virtual bool initFromReferenceObject(bool create) = 0;
    // Adds the file's rig and recipes to this document. False when the file
    // breaks the format; what was added before the failure stays.
    virtual bool read(const TesString& path) = 0;
    virtual bool write(const TesString& path) = 0;
    // No reference added.
    virtual ITesSRMLModelData* modelData() = 0;
    virtual void setModelData(ITesSRMLModelData* modelData) = 0;
    virtual SRMLRecipeList& recipes() = 0;
};
