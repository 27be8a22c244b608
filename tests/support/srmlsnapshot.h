// SRML documents for tests: objects made through the plug-in (or any class
// factory), a builder, and a comparable picture of a document with the
// normalisation that writing and reading again implies.
#pragma once

#include <bit>
#include <cstdint>
#include <cstdlib>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "hostapi/srml.h"
#include "textcodec.h"

// Makes a new object of a class (count 0) seen as ITesUnknown; null when the
// class is unknown.
using SrmlMaker = std::function<IPtr<ITesUnknown>(const TesClassId&)>;

template <class T>
IPtr<T> srmlMake(const SrmlMaker& make, const TesClassId& id, const char* interfaceName) {
    IPtr<ITesUnknown> object = make(id);
    return IPtr<T>(tesQuery<T>(object.get(), interfaceName));
}

struct SrmlCamera {
    int32_t id = 0;
    int32_t exposure = -1;
    int32_t hdr = -1;
    bool operator==(const SrmlCamera&) const = default;
};

struct SrmlAngle {
    int32_t value = 0;
    int32_t resolution = 0;
    std::vector<SrmlCamera> cameras;
    bool operator==(const SrmlAngle&) const = default;
};

struct SrmlRecipe {
    std::u16string name;
    int32_t exposure = -1;
    int32_t hdr = -1;
    std::vector<SrmlAngle> angles;
    bool operator==(const SrmlRecipe&) const = default;
};

// Doubles are kept as bits, so NaNs compare too; scanners as a map, which
// compares them as a set whatever the order of the document's map.
struct SrmlSnapshot {
    std::vector<uint64_t> turntable;
    std::map<int32_t, std::vector<uint64_t>> scanners;
    std::vector<SrmlRecipe> recipes;
    bool operator==(const SrmlSnapshot&) const = default;
};

inline std::vector<uint64_t> srmlBits(const TesMatrix& matrix) {
    std::vector<uint64_t> bits;
    for (int i = 0; i < TesMatrix::kElementCount; ++i) bits.push_back(std::bit_cast<uint64_t>(matrix[i]));
    return bits;
}

inline SrmlAngle srmlAngleOf(ITesSRMLScanAngle& angle) {
    SrmlAngle picture{angle.angle(), angle.resolution(), {}};
    const SRMLScanPropertiesList& properties = angle.scannerProperties();
    for (size_t i = 0; i < angle.scanners().size(); ++i) {
        SrmlCamera camera{angle.scanners()[i], -1, -1};
        if (i < properties.size() && properties[i]) {
            camera.exposure = properties[i]->exposure();
            camera.hdr = properties[i]->hdr();
        }
        picture.cameras.push_back(camera);
    }
    return picture;
}

inline SrmlSnapshot srmlSnapshot(ITesSRML& document) {
    SrmlSnapshot picture;
    ITesSRMLModelData* model = document.modelData();
    TesMatrix turntable;
    if (model != nullptr) model->turntableTransform(turntable);
    picture.turntable = srmlBits(turntable);
    if (model != nullptr) {
        SRMLScannerMap& map = model->scannerTransforms();
        for (auto cursor = map.first(); cursor.valid(); map.next(cursor)) {
            picture.scanners[cursor.key()] = srmlBits(cursor.value());
        }
    }
    for (const IPtr<ITesSRMLRecipe>& recipe : document.recipes()) {
        SrmlRecipe entry;
        TesString name;
        entry.name = std::u16string(std::u16string_view(recipe->name(name)));
        entry.exposure = recipe->defaultProperties()->exposure();
        entry.hdr = recipe->defaultProperties()->hdr();
        for (const IPtr<ITesSRMLScanAngle>& angle : recipe->angles()) entry.angles.push_back(srmlAngleOf(*angle));
        picture.recipes.push_back(entry);
    }
    return picture;
}

// A double as the writer's text reads back.
inline uint64_t srmlWrittenBits(uint64_t bits) {
    return std::bit_cast<uint64_t>(std::atof(TesString::number(std::bit_cast<double>(bits)).narrow()));
}

// What writing `picture` and reading the file into a fresh document gives:
// scanners no angle uses are gone, a camera's negative exposure or HDR is -1,
// a resolution outside 0 to 2 is 0, doubles pass through their text, and
// names through UTF-8.
inline SrmlSnapshot srmlWrittenAndRead(SrmlSnapshot picture) {
    for (uint64_t& bits : picture.turntable) bits = srmlWrittenBits(bits);
    std::map<int32_t, std::vector<uint64_t>> used;
    for (SrmlRecipe& recipe : picture.recipes) {
        recipe.name = tesUtf8ToWide(tesWideToUtf8(recipe.name.c_str()));
        for (SrmlAngle& angle : recipe.angles) {
            if (angle.resolution < 0 || angle.resolution > 2) angle.resolution = 0;
            for (SrmlCamera& camera : angle.cameras) {
                if (camera.exposure < 0) camera.exposure = -1;
                if (camera.hdr < 0) camera.hdr = -1;
                auto scanner = picture.scanners.find(camera.id);
                if (scanner != picture.scanners.end()) used[camera.id] = scanner->second;
            }
        }
    }
    for (auto& [id, transform] : used) {
        for (uint64_t& bits : transform) bits = srmlWrittenBits(bits);
    }
    picture.scanners = used;
    return picture;
}

// Builds documents through the interfaces, with objects from `make`.
class SrmlBuilder {
public:
    explicit SrmlBuilder(SrmlMaker make) : make_(std::move(make)) {}

    IPtr<ITesSRML> document() { return srmlMake<ITesSRML>(make_, kSRMLClassId, "ITesSRML"); }

    ITesSRMLRecipe& addRecipe(ITesSRML& document, const std::u16string& name, int32_t exposure, int32_t hdr) {
        IPtr<ITesSRMLRecipe> recipe = srmlMake<ITesSRMLRecipe>(make_, kSRMLRecipeClassId, "ITesSRMLRecipe");
        recipe->setName(TesString(name.c_str()));
        recipe->defaultProperties()->setExposure(exposure);
        recipe->defaultProperties()->setHdr(hdr);
        document.recipes().push_back(recipe);
        return *recipe;
    }

    ITesSRMLScanAngle& addAngle(ITesSRMLRecipe& recipe, int32_t value, int32_t resolution,
                                const std::vector<SrmlCamera>& cameras) {
        IPtr<ITesSRMLScanAngle> angle = srmlMake<ITesSRMLScanAngle>(make_, kSRMLScanAngleClassId, "ITesSRMLScanAngle");
        angle->setAngle(value);
        angle->setResolution(resolution);
        for (const SrmlCamera& camera : cameras) {
            angle->scanners().push_back(camera.id);
            angle->scannerProperties().push_back(properties(camera.exposure, camera.hdr));
        }
        recipe.angles().push_back(angle);
        return *angle;
    }

    IPtr<ITesSRMLScanProperties> properties(int32_t exposure, int32_t hdr) {
        IPtr<ITesSRMLScanProperties> properties =
            srmlMake<ITesSRMLScanProperties>(make_, kSRMLScanPropertiesClassId, "ITesSRMLScanProperties");
        properties->setExposure(exposure);
        properties->setHdr(hdr);
        return properties;
    }

    static void setScanner(ITesSRML& document, int32_t id, const TesMatrix& transform) {
        *document.modelData()->scannerTransforms().findOrInsert(id) = transform;
    }

private:
    SrmlMaker make_;
};
