#include "srml.h"

#include <string_view>

#include "hostapi/document.h"
#include "queryinterface.h"
#include "srmlmodeldata.h"
#include "srmlreader.h"
#include "srmlrecipe.h"
#include "srmlwriter.h"

namespace {

constexpr const char* kClassName = "SRML";
constexpr const char* kInterfaceName = "ITesSRML";
constexpr const char16_t* kReferenceObject = u"RefObject";
constexpr const char16_t* kTurntableName = u"Turntable";
// A recipe name, not a user-visible text: files keep it as it is.
constexpr const char16_t* kFirstRecipeName = u"Recipe 1";
constexpr TesClassId kSubObjectMgrId = TesClassId::parse("4705ab39-e004-403e-bd9f-844bcbe35c15");

// The pose of a coordinate system: axes in the columns, the origin last.
// The identity when the sub-object has none.
TesMatrix poseOf(ITesUnknown* subObject) {
    auto* holder = tesQuery<ITesCSysSubObject>(subObject, "ITesCSysSubObject");
    auto* system = tesQuery<ITesCoordinateSystemV2>(holder != nullptr ? holder->coordinateSystem() : nullptr,
                                                    "ITesCoordinateSystemV2");
    if (system == nullptr) return {};
    return TesMatrix::fromColumns(system->xAxis(), system->yAxis(), system->zAxis(), system->origin());
}

}  // namespace

ITesObject* srmlReferenceObject() {
    SPtr<ITesDoc> document("ITesDoc");
    return document ? document->objectByName(kReferenceObject) : nullptr;
}

ITesSubObjectMgr* srmlSubObjects(ITesObject* object) {
    ITesUnknown* component = object != nullptr ? object->component(kSubObjectMgrId) : nullptr;
    return tesQuery<ITesSubObjectMgr>(component, "ITesSubObjectMgr");
}

SRML::SRML() : modelData_(new SRMLModelData) {}

void SRML::queryInterface(const char* name, void** out) {
    tesAnswerQuery(name, out, {kClassName, this, this, {{kInterfaceName, static_cast<ITesSRML*>(this)}}});
}

const char* SRML::className() const { return kClassName; }

ITesSRMLModelData& SRML::ensureModelData() {
    if (!modelData_) modelData_ = new SRMLModelData;
    return *modelData_;
}

// Every sub-object with a name other than "Turntable" takes the next scanner
// identifier, in the manager's order, so that identifier k - 1 is the k-th
// scanner the recipe editor lists; one without a coordinate system gets the
// identity.
bool SRML::initFromReferenceObject(bool create) {
    if (!create) return false;
    IPtr<SRMLRecipe> recipe(new SRMLRecipe);
    recipe->rename(kFirstRecipeName, true);
    recipes_.emplace_back(recipe.get());

    ITesSubObjectMgr* manager = srmlSubObjects(srmlReferenceObject());
    IPtr<ITesSubObjectIter> iterator(manager != nullptr ? manager->iterator(1) : nullptr);
    if (!iterator) return false;
    ITesSRMLModelData& model = ensureModelData();
    int32_t nextScanner = 0;
    for (iterator->reset(); !iterator->atEnd(); iterator->next()) {
        ITesUnknown* current = iterator->current();
        auto* subObject = tesQuery<ITesSubObject>(current, "ITesSubObject");
        if (subObject == nullptr) continue;
        const char16_t* name = subObject->name();
        const TesMatrix pose = poseOf(current);
        if (name != nullptr && std::u16string_view(name) == kTurntableName) {
            model.setTurntableTransform(pose);
        } else if (TesMatrix* slot = model.scannerTransforms().findOrInsert(nextScanner++)) {
            *slot = pose;
        }
    }
    return true;
}

bool SRML::read(const TesString& path) {
    ensureModelData();
    return SRMLReader(*this).read(path);
}

bool SRML::write(const TesString& path) { return SRMLWriter(*this).write(path); }
