#include "srmldiff.h"

#include <algorithm>
#include <map>
#include <set>
#include <utility>

#include "document/refsrmltext.h"

namespace {

using Lines = std::vector<std::string>;
constexpr int kNone = -1;
constexpr const char* kOnlyInFirst = ": only in the first file";
constexpr const char* kOnlyInSecond = ": only in the second file";

// Pairs the entries of two lists by key: the k-th entry with a key in one list
// goes with the k-th entry with that key in the other, so repeated keys pair
// in order. Entries of `first` come in their order, then what only `second`
// has; kNone stands for the missing side.
template <class Key>
std::vector<std::pair<int, int>> pairByKey(const std::vector<Key>& first, const std::vector<Key>& second) {
    std::map<Key, std::vector<int>> unpaired;
    for (int i = static_cast<int>(second.size()) - 1; i >= 0; --i) unpaired[second[i]].push_back(i);
    std::vector<bool> paired(second.size());
    std::vector<std::pair<int, int>> pairs;
    for (int i = 0; i < static_cast<int>(first.size()); ++i) {
        std::vector<int>& candidates = unpaired[first[i]];
        int other = kNone;
        if (!candidates.empty()) {
            other = candidates.back();
            candidates.pop_back();
            paired[other] = true;
        }
        pairs.emplace_back(i, other);
    }
    for (int i = 0; i < static_cast<int>(second.size()); ++i) {
        if (!paired[i]) pairs.emplace_back(kNone, i);
    }
    return pairs;
}

// How a placement moved: its origin and whether its axes turned.
std::string placementChange(const TesMatrix& first, const TesMatrix& second) {
    if (first == second) return {};
    std::string change;
    if (first.translation() != second.translation()) {
        change = "origin " + refSrmlOriginText(first) + " -> " + refSrmlOriginText(second);
    }
    if (first.rotationPart() != second.rotationPart()) change += change.empty() ? "axes turned" : "; axes turned";
    return change.empty() ? "transform differs" : change;
}

// A line for a value both sides hold when it differs.
void addChange(Lines& lines, const std::string& label, const std::string& first, const std::string& second) {
    if (first != second) lines.push_back(label + ": " + first + " -> " + second);
}

void addPresence(Lines& lines, const std::string& label, bool inFirst) {
    lines.push_back(label + (inFirst ? kOnlyInFirst : kOnlyInSecond));
}

std::map<int32_t, TesMatrix> scannersOf(ITesSRMLModelData& model) {
    std::map<int32_t, TesMatrix> scanners;
    SRMLScannerMap& map = model.scannerTransforms();
    for (auto cursor = map.first(); cursor.valid(); map.next(cursor)) scanners.emplace(cursor.key(), cursor.value());
    return scanners;
}

void compareRig(ITesSRMLModelData* first, ITesSRMLModelData* second, Lines& lines) {
    if (first == nullptr || second == nullptr) {
        if (first != second) addPresence(lines, "rig", first != nullptr);
        return;
    }
    TesMatrix firstTurntable, secondTurntable;
    const std::string turned =
        placementChange(first->turntableTransform(firstTurntable), second->turntableTransform(secondTurntable));
    if (!turned.empty()) lines.push_back("turntable: " + turned);
    const std::map<int32_t, TesMatrix> before = scannersOf(*first), after = scannersOf(*second);
    std::set<int32_t> ids;
    for (const auto& [id, placement] : before) ids.insert(id);
    for (const auto& [id, placement] : after) ids.insert(id);
    for (int32_t id : ids) {
        const std::string label = "scanner " + std::to_string(id);
        const auto a = before.find(id), b = after.find(id);
        if (a == before.end() || b == after.end()) {
            addPresence(lines, label, a != before.end());
        } else if (const std::string moved = placementChange(a->second, b->second); !moved.empty()) {
            lines.push_back(label + ": " + moved);
        }
    }
}

void compareAngle(const std::string& label, ITesSRMLScanAngle& first, ITesSRMLScanAngle& second, Lines& lines) {
    addChange(lines, label, refSrmlResolutionText(first.resolution()), refSrmlResolutionText(second.resolution()));
    const SRMLScanPropertiesList& before = first.scannerProperties();
    const SRMLScanPropertiesList& after = second.scannerProperties();
    for (const auto& [a, b] : pairByKey(first.scanners(), second.scanners())) {
        const std::string camera =
            label + ", scanner " + std::to_string(a != kNone ? first.scanners()[a] : second.scanners()[b]);
        if (a == kNone || b == kNone) {
            addPresence(lines, camera, a != kNone);
            continue;
        }
        addChange(lines, camera,
                  refSrmlPropertiesText(static_cast<size_t>(a) < before.size() ? before[a].get() : nullptr),
                  refSrmlPropertiesText(static_cast<size_t>(b) < after.size() ? after[b].get() : nullptr));
    }
}

// The entries of a model list, null ones left out.
template <class T>
std::vector<T*> present(const std::vector<IPtr<T>>& list) {
    std::vector<T*> entries;
    for (const IPtr<T>& entry : list) {
        if (entry) entries.push_back(entry.get());
    }
    return entries;
}

std::vector<int32_t> valuesOf(const std::vector<ITesSRMLScanAngle*>& angles) {
    std::vector<int32_t> values;
    for (ITesSRMLScanAngle* angle : angles) values.push_back(angle->angle());
    return values;
}

void compareRecipe(const std::string& label, ITesSRMLRecipe& first, ITesSRMLRecipe& second, Lines& lines) {
    addChange(lines, label + " defaults", refSrmlPropertiesText(first.defaultProperties()),
              refSrmlPropertiesText(second.defaultProperties()));
    const std::vector<ITesSRMLScanAngle*> before = present(first.angles()), after = present(second.angles());
    for (const auto& [a, b] : pairByKey(valuesOf(before), valuesOf(after))) {
        const std::string angle = label + ", angle " + std::to_string((a != kNone ? before[a] : after[b])->angle());
        if (a == kNone || b == kNone) {
            addPresence(lines, angle, a != kNone);
        } else {
            compareAngle(angle, *before[a], *after[b], lines);
        }
    }
}

std::vector<std::string> namesOf(const std::vector<ITesSRMLRecipe*>& recipes) {
    std::vector<std::string> names;
    for (ITesSRMLRecipe* recipe : recipes) names.push_back(refSrmlRecipeName(*recipe));
    return names;
}

void compareRecipes(ITesSRML& first, ITesSRML& second, Lines& lines) {
    const std::vector<ITesSRMLRecipe*> before = present(first.recipes()), after = present(second.recipes());
    const std::vector<std::string> names = namesOf(before), otherNames = namesOf(after);
    std::vector<int> secondOrder;  // where the recipes both hold stand in the second file
    for (const auto& [a, b] : pairByKey(names, otherNames)) {
        const std::string label = "recipe \"" + (a != kNone ? names[a] : otherNames[b]) + "\"";
        if (a == kNone || b == kNone) {
            addPresence(lines, label, a != kNone);
            continue;
        }
        secondOrder.push_back(b);
        compareRecipe(label, *before[a], *after[b], lines);
    }
    if (!std::is_sorted(secondOrder.begin(), secondOrder.end())) lines.push_back("recipes: in another order");
}

}  // namespace

std::vector<std::string> srmlDifferences(ITesSRML& first, ITesSRML& second) {
    Lines lines;
    compareRig(first.modelData(), second.modelData(), lines);
    compareRecipes(first, second, lines);
    return lines;
}
