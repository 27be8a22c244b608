#include "srmlcheck.h"

#include <string_view>

#include "infrastructure/refxml.h"

namespace {

constexpr const char16_t* kModel = u"Model";
constexpr const char16_t* kWorkingRecipes = u"WorkingRecipes";
constexpr const char16_t* kTurntable = u"Turntable";
constexpr const char16_t* kTransform = u"Transform";
constexpr const char16_t* kScanners = u"Scanners";
constexpr const char16_t* kAngles = u"Angles";
constexpr const char16_t* kId = u"id";
constexpr const char16_t* kName = u"name";
constexpr const char16_t* kValue = u"value";

class Checker {
public:
    explicit Checker(std::string path) : path_(std::move(path)) {}

    SrmlCheckResult run();

private:
    bool checkModel(ITesXmlElement& model);
    bool checkRecipes(ITesXmlElement& recipes);
    bool checkRecipe(ITesXmlElement& recipe);
    bool checkAngle(ITesXmlElement& angle, const std::string& recipe);
    // Records the first problem, at `element`'s line; always false.
    bool fail(ITesXmlElement& element, const std::string& problem);

    std::string path_;
    SrmlCheckResult result_;
};

std::string utf8(const TesString& text) { return text.toUtf8(); }

// Calls visit(child) for each child element while it returns true.
template <class Visit>
bool eachChild(ITesXmlIterator* children, Visit visit) {
    IPtr<ITesXmlIterator> iterator(children);
    for (iterator->first(); !iterator->isDone(); iterator->next()) {
        if (!visit(*iterator->current())) return false;
    }
    return true;
}

SrmlCheckResult Checker::run() {
    IPtr<RefXmlDocument> document(new RefXmlDocument);
    if (!document->loadFile(path_)) {
        const bool unread = document->loadErrorOffset() < 0;
        result_.problem = (unread ? "cannot read the file: " : "not an XML document: ") + document->loadError();
        result_.line = refXmlLineAt(path_, document->loadErrorOffset());
        return result_;
    }
    result_.good = eachChild(document->documentChildren(), [this](ITesXmlElement& child) {
        const TesString name = child.name();
        if (std::u16string_view(name) == kModel) return checkModel(child);
        if (std::u16string_view(name) == kWorkingRecipes) return checkRecipes(child);
        return true;
    });
    return result_;
}

bool Checker::checkModel(ITesXmlElement& model) {
    IPtr<ITesXmlElement> turntable(model.firstChild(kTurntable));
    if (!turntable) return fail(model, "Model: no Turntable element");
    if (!IPtr<ITesXmlElement>(turntable->firstChild(kTransform))) {
        return fail(*turntable, "Turntable: no Transform element");
    }
    IPtr<ITesXmlElement> scanners(model.firstChild(kScanners));
    if (!scanners) return fail(model, "Model: no Scanners element");
    return eachChild(scanners->children(), [this](ITesXmlElement& scanner) {
        const std::string id = utf8(scanner.attribute(kId));
        if (id.empty()) return fail(scanner, utf8(scanner.name()) + " in Scanners: no id");
        if (!IPtr<ITesXmlElement>(scanner.firstChild(kTransform))) {
            return fail(scanner, utf8(scanner.name()) + " " + id + ": no Transform element");
        }
        return true;
    });
}

bool Checker::checkRecipes(ITesXmlElement& recipes) {
    return eachChild(recipes.children(), [this](ITesXmlElement& recipe) { return checkRecipe(recipe); });
}

bool Checker::checkRecipe(ITesXmlElement& recipe) {
    const std::string name = utf8(recipe.attribute(kName));
    if (name.empty()) return fail(recipe, utf8(recipe.name()) + " in WorkingRecipes: no name");
    IPtr<ITesXmlElement> angles(recipe.firstChild(kAngles));
    if (!angles) return fail(recipe, utf8(recipe.name()) + " \"" + name + "\": no Angles element");
    return eachChild(angles->children(), [&](ITesXmlElement& angle) { return checkAngle(angle, name); });
}

bool Checker::checkAngle(ITesXmlElement& angle, const std::string& recipe) {
    const std::string value = utf8(angle.attribute(kValue));
    if (value.empty()) return fail(angle, utf8(angle.name()) + " of \"" + recipe + "\": no value");
    return eachChild(angle.children(), [&](ITesXmlElement& camera) {
        if (!camera.attribute(kId).isEmpty()) return true;
        return fail(camera, utf8(camera.name()) + " at angle " + value + " of \"" + recipe + "\": no id");
    });
}

bool Checker::fail(ITesXmlElement& element, const std::string& problem) {
    result_.problem = problem;
    auto* located = tesQuery<RefXmlElement>(&element, "RefXmlElement");
    result_.line = located != nullptr ? refXmlLineAt(path_, located->sourceOffset()) : 0;
    return false;
}

}  // namespace

SrmlCheckResult srmlCheck(const std::string& path) { return Checker(path).run(); }
