// SRML documents for tests: a comparable picture of a document, the normalisation
// that writing and reading again implies, and a builder over a class factory.
#pragma once

#include <bit>
#include <cstdint>
#include <cstdlib>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "hostapi/srml.h"
#include "infrastructure/refxml.h"
#include "textcodec.h"

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

// A camera without properties shows -1 for both values.
inline SrmlSnapshot srmlSnapshot(ITesSRML& document) {
    SrmlSnapshot picture;
    TesMatrix turntable;
    if (ITesSRMLModelData* model = document.modelData()) {
        model->turntableTransform(turntable);
        SRMLScannerMap& map = model->scannerTransforms();
        for (auto cursor = map.first(); cursor.valid(); map.next(cursor)) {
            picture.scanners[cursor.key()] = srmlBits(cursor.value());
        }
    }
    picture.turntable = srmlBits(turntable);
    for (const IPtr<ITesSRMLRecipe>& recipe : document.recipes()) {
        TesString name;
        ITesSRMLScanProperties* defaults = recipe->defaultProperties();
        SrmlRecipe& entry = picture.recipes.emplace_back();
        entry = {std::u16string(std::u16string_view(recipe->name(name))), defaults->exposure(), defaults->hdr(), {}};
        for (const IPtr<ITesSRMLScanAngle>& angle : recipe->angles()) {
            SrmlAngle& shot = entry.angles.emplace_back();
            shot = {angle->angle(), angle->resolution(), {}};
            const SRMLScanPropertiesList& properties = angle->scannerProperties();
            for (size_t i = 0; i < angle->scanners().size(); ++i) {
                ITesSRMLScanProperties* own = i < properties.size() ? properties[i].get() : nullptr;
                shot.cameras.push_back({angle->scanners()[i], own ? own->exposure() : -1, own ? own->hdr() : -1});
            }
        }
    }
    return picture;
}

// What writing `picture` and reading the file into a fresh document gives:
// scanners no angle uses are gone, a camera's negative exposure or HDR is -1,
// a resolution outside 0 to 2 is 0, doubles pass through their text, and
// names through UTF-8 as XML can hold it.
inline SrmlSnapshot srmlWrittenAndRead(SrmlSnapshot picture) {
    auto asWritten = [](std::vector<uint64_t>& transform) {
        for (uint64_t& bits : transform) {
            bits = std::bit_cast<uint64_t>(std::atof(TesString::number(std::bit_cast<double>(bits)).narrow()));
        }
    };
    asWritten(picture.turntable);
    std::map<int32_t, std::vector<uint64_t>> used;
    for (SrmlRecipe& recipe : picture.recipes) {
        recipe.name = tesUtf8ToWide(refXmlText(tesWideToUtf8(recipe.name.c_str())));
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
    for (auto& [id, transform] : used) asWritten(transform);
    picture.scanners = used;
    return picture;
}

// Builds documents through the interfaces, with objects from `make`.
class SrmlBuilder {
public:
    using Maker = std::function<IPtr<ITesUnknown>(const TesClassId&)>;
    explicit SrmlBuilder(Maker make) : make_(std::move(make)) {}

    template <class T>
    IPtr<T> make(const TesClassId& id, const char* interfaceName) {
        return IPtr<T>(tesQuery<T>(make_(id).get(), interfaceName));
    }

    IPtr<ITesSRML> document() { return make<ITesSRML>(kSRMLClassId, "ITesSRML"); }

    ITesSRMLRecipe& addRecipe(ITesSRML& document, const std::u16string& name, int32_t exposure, int32_t hdr) {
        IPtr<ITesSRMLRecipe> recipe = make<ITesSRMLRecipe>(kSRMLRecipeClassId, "ITesSRMLRecipe");
        recipe->setName(TesString(name.c_str()));
        recipe->defaultProperties()->setExposure(exposure);
        recipe->defaultProperties()->setHdr(hdr);
        document.recipes().push_back(recipe);
        return *recipe;
    }

    ITesSRMLScanAngle& addAngle(ITesSRMLRecipe& recipe, int32_t value, int32_t resolution,
                                const std::vector<SrmlCamera>& cameras) {
        IPtr<ITesSRMLScanAngle> angle = make<ITesSRMLScanAngle>(kSRMLScanAngleClassId, "ITesSRMLScanAngle");
        angle->setAngle(value);
        angle->setResolution(resolution);
        for (const SrmlCamera& camera : cameras) {
            auto properties = make<ITesSRMLScanProperties>(kSRMLScanPropertiesClassId, "ITesSRMLScanProperties");
            properties->setExposure(camera.exposure);
            properties->setHdr(camera.hdr);
            angle->scanners().push_back(camera.id);
            angle->scannerProperties().push_back(properties);
        }
        recipe.angles().push_back(angle);
        return *angle;
    }

    static void setScanner(ITesSRML& document, int32_t id, const TesMatrix& transform) {
        *document.modelData()->scannerTransforms().findOrInsert(id) = transform;
    }

private:
    Maker make_;
};
