#include "srmlwriter.h"

#include <algorithm>
#include <charconv>
#include <vector>

#include "bitvector.h"
#include "srmlformat.h"

namespace {

using namespace srml;

// Identifiers below this go into the bit vector; the rest into a sorted list.
constexpr int32_t kDenseScannerLimit = 1 << 16;

// The scanner identifiers that the angles of the recipes use. Identifiers
// 0 ... kDenseScannerLimit - 1 are bits of a bit vector (a few words for any
// real rig); any other, a negative or huge number that atoi passed through
// from a file, goes into a sorted list, so a stray identifier costs neither a
// bit vector of its size nor a crash, and its scanner is still written.
class UsedScanners {
public:
    explicit UsedScanners(SRMLRecipeList& recipes) {
        for (const IPtr<ITesSRMLRecipe>& recipe : recipes) {
            if (!recipe) continue;
            for (const IPtr<ITesSRMLScanAngle>& angle : recipe->angles()) {
                if (angle) add(angle->scanners());
            }
        }
        std::sort(sparse_.begin(), sparse_.end());
        sparse_.erase(std::unique(sparse_.begin(), sparse_.end()), sparse_.end());
    }
    bool contains(int32_t id) const {
        if (id >= 0 && id < kDenseScannerLimit) return dense_.test(id);
        return std::binary_search(sparse_.begin(), sparse_.end(), id);
    }

private:
    void add(const SRMLScannerIds& ids) {
        for (int32_t id : ids) {
            if (id >= 0 && id < kDenseScannerLimit) {
                dense_.set(id);
            } else {
                sparse_.push_back(id);
            }
        }
    }

    BitVector dense_;
    std::vector<int32_t> sparse_;
};

// An integer as "%d" writes it, on the stack.
class DecimalText {
public:
    explicit DecimalText(int32_t value) {
        char digits[kDigits];
        const char* end = std::to_chars(digits, digits + kDigits, value).ptr;
        size_t length = 0;
        for (const char* digit = digits; digit != end; ++digit) units_[length++] = static_cast<char16_t>(*digit);
        units_[length] = u'\0';
    }
    const char16_t* c_str() const { return units_; }

private:
    static constexpr size_t kDigits = 11;  // "-2147483648"
    char16_t units_[kDigits + 1];
};

}  // namespace

bool SRMLWriter::write(const TesString& path) {
    xml_ = SPtr<ITesDOMXmlV2>(kXmlService);
    if (!xml_) return false;
    xml_->setDeclaration(kDeclarationTarget, kDeclarationText);
    IPtr<ITesXmlElement> root(xml_->createElement(kRoot));
    if (!root || !xml_->setDocumentElement(root.get())) return false;
    writeModel(root.get());
    IPtr<ITesXmlElement> recipes = append(root.get(), kWorkingRecipes);
    for (const IPtr<ITesSRMLRecipe>& recipe : document_.recipes()) {
        if (recipe) writeRecipe(recipes.get(), *recipe);
    }
    return good_ && xml_->save(path.c_str());
}

IPtr<ITesXmlElement> SRMLWriter::append(ITesXmlElement* parent, const char16_t* name) {
    IPtr<ITesXmlElement> element(parent != nullptr ? xml_->createElement(name) : nullptr);
    if (!element || !parent->appendChild(element.get())) {
        good_ = false;
        return {};
    }
    return element;
}

void SRMLWriter::writeTransform(ITesXmlElement* parent, const TesMatrix& transform) {
    IPtr<ITesXmlElement> element = append(parent, kTransform);
    if (!element) return;
    for (int i = 0; i < TesMatrix::kElementCount; ++i) {
        element->setAttribute(kTransformAttributes[i], TesString::number(transform[i]).c_str());
    }
}

void SRMLWriter::writeProperty(ITesXmlElement* parent, const char16_t* id, int32_t value) {
    IPtr<ITesXmlElement> property = append(parent, kProperty);
    if (!property) return;
    property->setAttribute(kId, id);
    property->setText(DecimalText(value).c_str());
}

// Only scanners that some angle uses are written, in the map's order.
void SRMLWriter::writeModel(ITesXmlElement* root) {
    IPtr<ITesXmlElement> model = append(root, kModel);
    IPtr<ITesXmlElement> turntable = append(model.get(), kTurntable);
    ITesSRMLModelData* data = document_.modelData();
    TesMatrix pose;
    writeTransform(turntable.get(), data != nullptr ? data->turntableTransform(pose) : pose);
    IPtr<ITesXmlElement> scanners = append(model.get(), kScanners);
    if (data == nullptr) return;
    const UsedScanners used(document_.recipes());
    SRMLScannerMap& map = data->scannerTransforms();
    for (SRMLScannerMap::Cursor cursor = map.first(); cursor.valid(); map.next(cursor)) {
        if (!used.contains(cursor.key())) continue;
        IPtr<ITesXmlElement> scanner = append(scanners.get(), kScanner);
        if (scanner) scanner->setAttribute(kId, DecimalText(cursor.key()).c_str());
        writeTransform(scanner.get(), cursor.value());
    }
}

// The defaults are written whatever their values, -1 included.
void SRMLWriter::writeRecipe(ITesXmlElement* list, ITesSRMLRecipe& recipe) {
    IPtr<ITesXmlElement> element = append(list, kRecipe);
    if (!element) return;
    TesString name;
    element->setAttribute(kName, recipe.name(name).c_str());
    IPtr<ITesXmlElement> defaults = append(element.get(), kDefaultProperties);
    ITesSRMLScanProperties* properties = recipe.defaultProperties();
    writeProperty(defaults.get(), kExposure, properties != nullptr ? properties->exposure() : -1);
    writeProperty(defaults.get(), kHdr, properties != nullptr ? properties->hdr() : -1);
    IPtr<ITesXmlElement> angles = append(element.get(), kAngles);
    for (const IPtr<ITesSRMLScanAngle>& angle : recipe.angles()) {
        if (angle) writeAngle(angles.get(), *angle);
    }
}

// A resolution outside 0 ... 2 gets no attribute; a camera's negative
// exposure or HDR is left out.
void SRMLWriter::writeAngle(ITesXmlElement* list, ITesSRMLScanAngle& angle) {
    IPtr<ITesXmlElement> element = append(list, kAngle);
    if (!element) return;
    element->setAttribute(kValue, DecimalText(angle.angle()).c_str());
    const int32_t resolution = angle.resolution();
    if (resolution >= 0 && resolution < kResolutionCount) {
        element->setAttribute(kResolution, kResolutionNames[resolution]);
    }
    const SRMLScannerIds& scanners = angle.scanners();
    const SRMLScanPropertiesList& properties = angle.scannerProperties();
    for (size_t i = 0; i < scanners.size(); ++i) {
        IPtr<ITesXmlElement> camera = append(element.get(), kCamera);
        if (!camera) return;
        camera->setAttribute(kId, DecimalText(scanners[i]).c_str());
        ITesSRMLScanProperties* cameraProperties = i < properties.size() ? properties[i].get() : nullptr;
        if (cameraProperties == nullptr) continue;
        if (cameraProperties->exposure() >= 0) writeProperty(camera.get(), kExposure, cameraProperties->exposure());
        if (cameraProperties->hdr() >= 0) writeProperty(camera.get(), kHdr, cameraProperties->hdr());
    }
}
