#include "srmlreconcile.h"

#include <cmath>
#include <map>
#include <set>

#include "srml.h"

namespace {

constexpr double kPoseTolerance = 1e-5;

bool samePose(const TesMatrix& a, const TesMatrix& b) {
    double sum = 0;
    for (int i = 0; i < 16; ++i) sum += std::fabs(a[i] - b[i]);
    return sum < kPoseTolerance;
}

struct ScannerMapping {
    std::map<int32_t, int32_t> renamed;  // loaded id -> reference id
    std::set<int32_t> missing;
    bool changed = false;  // a scanner is missing or takes another number
};

ScannerMapping matchScanners(SRMLScannerMap& loaded, SRMLScannerMap& reference) {
    ScannerMapping mapping;
    for (SRMLScannerMap::Cursor mine = loaded.first(); mine.valid(); loaded.next(mine)) {
        SRMLScannerMap::Cursor match = reference.first();
        while (match.valid() && !samePose(mine.value(), match.value())) reference.next(match);
        if (!match.valid()) {
            mapping.missing.insert(mine.key());
            mapping.changed = true;
            continue;
        }
        mapping.renamed[mine.key()] = match.key();
        mapping.changed = mapping.changed || match.key() != mine.key();
    }
    return mapping;
}

// All identifiers at once from the old numbering, so that a swap of two
// scanners does not merge them.
void renumber(ITesSRMLScanAngle& angle, const ScannerMapping& mapping) {
    SRMLScannerIds ids;
    SRMLScanPropertiesList properties;
    const SRMLScannerIds& oldIds = angle.scanners();
    const SRMLScanPropertiesList& oldProperties = angle.scannerProperties();
    for (size_t i = 0; i < oldIds.size(); ++i) {
        if (mapping.missing.count(oldIds[i]) != 0) continue;
        const auto renamed = mapping.renamed.find(oldIds[i]);
        ids.push_back(renamed != mapping.renamed.end() ? renamed->second : oldIds[i]);
        properties.push_back(i < oldProperties.size() ? oldProperties[i] : IPtr<ITesSRMLScanProperties>());
    }
    angle.scanners() = std::move(ids);
    angle.scannerProperties() = std::move(properties);
}

}  // namespace

bool srmlReconcileWithReference(ITesSRML& loaded) {
    IPtr<SRML> reference(new SRML);
    reference->initFromReferenceObject(true);
    ScannerMapping mapping;
    if (ITesSRMLModelData* model = loaded.modelData()) {
        mapping = matchScanners(model->scannerTransforms(), reference->modelData()->scannerTransforms());
    }
    loaded.setModelData(reference->modelData());
    if (!mapping.changed) return false;
    for (const IPtr<ITesSRMLRecipe>& recipe : loaded.recipes()) {
        if (!recipe) continue;
        for (const IPtr<ITesSRMLScanAngle>& angle : recipe->angles()) {
            if (angle) renumber(*angle, mapping);
        }
    }
    return !mapping.missing.empty();
}
