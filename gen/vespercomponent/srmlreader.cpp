#include "srmlreader.h"

#include <cstdlib>
#include <iterator>
#include <string_view>

#include "srmlformat.h"
#include "srmlrecipe.h"
#include "srmlscanangle.h"
#include "srmlscanproperties.h"

namespace {

using namespace srml;

// Calls visit(child) for each child element in order while it returns true;
// false when a visit returned false. A missing iterator means no children; a
// new one stands at the first child.
template <class Visit>
bool eachChild(ITesXmlIterator* children, Visit visit) {
    IPtr<ITesXmlIterator> iterator(children);
    if (!iterator) return true;
    for (; !iterator->isDone(); iterator->next()) {
        ITesXmlElement* child = iterator->current();
        if (child != nullptr && !visit(*child)) return false;
    }
    return true;
}

bool isNamed(const TesString& text, const char16_t* name) {
    const char16_t* units = text.c_str();
    while (*units == *name && *name != u'\0') {
        ++units;
        ++name;
    }
    return *units == *name;
}

// The file's numbers go through atoi and atof of their 8-bit form, leading
// number only, so "12abc" is 12 and "abc" is 0. Neither function reads past a
// byte beyond ASCII, and no unit beyond ASCII becomes an ASCII byte, so a
// short text is converted on the stack up to its first such unit; a long one
// goes through narrow().
constexpr int32_t kShortNumber = 64;

template <class Convert>
auto convertNumber(const TesString& text, Convert convert) {
    const int32_t length = text.length();
    if (length >= kShortNumber) return convert(text.narrow());
    char bytes[kShortNumber];
    int32_t used = 0;
    for (; used < length && text.data()[used] < 0x80; ++used) bytes[used] = static_cast<char>(text.data()[used]);
    bytes[used] = '\0';
    return convert(bytes);
}

// Up to nine plain digits, the common case, are summed here: atoi gives the
// same for them.
int32_t integerOf(const TesString& text) {
    const char16_t* units = text.c_str();
    int32_t value = 0;
    int32_t digits = 0;
    for (; digits < 9 && units[digits] >= u'0' && units[digits] <= u'9'; ++digits) {
        value = value * 10 + (units[digits] - u'0');
    }
    if (digits > 0 && units[digits] == u'\0') return value;
    return convertNumber(text, [](const char* bytes) { return std::atoi(bytes); });
}

double doubleOf(const TesString& text) {
    return convertNumber(text, [](const char* bytes) { return std::atof(bytes); });
}

// A missing "mRC" attribute reads as empty, hence 0.
TesMatrix readTransform(ITesXmlElement& element) {
    TesMatrix transform;
    for (int i = 0; i < TesMatrix::kElementCount; ++i) transform[i] = doubleOf(element.attribute(kTransformAttributes[i]));
    return transform;
}

// Only the exact words count; anything else is Low.
int32_t resolutionOf(const TesString& text) {
    for (int32_t resolution = 0; resolution < kResolutionCount; ++resolution) {
        if (isNamed(text, kResolutionNames[resolution])) return resolution;
    }
    return kSRMLResolutionLow;
}

}  // namespace

bool SRMLReader::read(const TesString& path) {
    SPtr<ITesDOMXmlV2> xml(kXmlService);
    if (!xml || !xml->load(path.c_str())) return false;
    return eachChild(xml->documentChildren(), [this](ITesXmlElement& child) { return readRootChild(child); });
}

// The root's own name is not checked, and children other than these two are
// ignored.
bool SRMLReader::readRootChild(ITesXmlElement& child) {
    const TesString name = child.name();
    if (isNamed(name, kModel)) return readModel(child);
    if (isNamed(name, kWorkingRecipes)) {
        return eachChild(child.children(), [this](ITesXmlElement& recipe) { return readRecipe(recipe); });
    }
    return true;
}

bool SRMLReader::readModel(ITesXmlElement& model) {
    IPtr<ITesXmlElement> turntable(model.firstChild(kTurntable));
    if (!turntable) return false;
    IPtr<ITesXmlElement> transform(turntable->firstChild(kTransform));
    if (!transform) return false;
    document_.modelData()->setTurntableTransform(readTransform(*transform));
    IPtr<ITesXmlElement> scanners(model.firstChild(kScanners));
    if (!scanners) return false;
    return eachChild(scanners->children(), [this](ITesXmlElement& scanner) { return readScanner(scanner); });
}

// Any child of "Scanners" is a scanner, whatever its name; a second one with
// the same identifier overwrites the first.
bool SRMLReader::readScanner(ITesXmlElement& scanner) {
    const TesString id = scanner.attribute(kId);
    if (id.isEmpty()) return false;
    IPtr<ITesXmlElement> transform(scanner.firstChild(kTransform));
    if (!transform) return false;
    TesMatrix* pose = document_.modelData()->scannerTransforms().findOrInsert(integerOf(id));
    if (pose == nullptr) return false;
    *pose = readTransform(*transform);
    return true;
}

// The recipe joins the document only once all its angles were read.
bool SRMLReader::readRecipe(ITesXmlElement& element) {
    IPtr<SRMLRecipe> recipe(new SRMLRecipe);
    const TesString name = element.attribute(kName);
    if (name.isEmpty()) return false;
    recipe->setName(name);
    IPtr<ITesXmlElement> defaults(element.firstChild(kDefaultProperties));
    if (defaults) readPropertyList(*defaults, *recipe->defaultProperties());
    IPtr<ITesXmlElement> angles(element.firstChild(kAngles));
    if (!angles) return false;
    if (!eachChild(angles->children(), [&](ITesXmlElement& angle) { return readAngle(angle, *recipe); })) return false;
    document_.recipes().emplace_back(recipe.get());
    return true;
}

// Every child of an angle is a camera, whatever its name.
bool SRMLReader::readAngle(ITesXmlElement& element, ITesSRMLRecipe& recipe) {
    element.readAttribute(kValue, value_);
    if (value_.isEmpty()) return false;
    IPtr<SRMLScanAngle> angle(new SRMLScanAngle);
    angle->setAngle(integerOf(value_));
    element.readAttribute(kResolution, value_);
    angle->setResolution(resolutionOf(value_));
    ids_.clear();
    cameras_.clear();
    const bool good = eachChild(element.children(), [&](ITesXmlElement& camera) {
        camera.readAttribute(kId, value_);
        if (value_.isEmpty()) return false;
        ids_.push_back(integerOf(value_));
        cameras_.emplace_back(new SRMLScanProperties);
        readPropertyList(camera, *cameras_.back());
        return true;
    });
    if (!good) return false;
    angle->scanners().assign(ids_.begin(), ids_.end());
    angle->scannerProperties().assign(std::make_move_iterator(cameras_.begin()), std::make_move_iterator(cameras_.end()));
    recipe.angles().emplace_back(angle.get());
    return true;
}

// Both values start unset; the list stops at the first property without an
// id or a text, which is not an error. Unknown ids are skipped.
void SRMLReader::readPropertyList(ITesXmlElement& list, ITesSRMLScanProperties& properties) {
    properties.setExposure(-1);
    properties.setHdr(-1);
    eachChild(list.children(), [&](ITesXmlElement& property) {
        property.readAttribute(kId, id_);
        property.readText(text_);
        if (id_.isEmpty() || text_.isEmpty()) return false;
        if (isNamed(id_, kExposure)) {
            properties.setExposure(integerOf(text_));
        } else if (isNamed(id_, kHdr)) {
            properties.setHdr(integerOf(text_));
        }
        return true;
    });
}
