// Scene statements of meshes and features.
#include "document/refgeometry.h"
#include "document/refmeshfile.h"
#include "infrastructure/reftext.h"
#include "refhost.h"
#include "session/refscenestatement.h"

namespace {

void expectWord(RefStatement& statement, const char* expected) {
    if (statement.good() && statement.word(expected) != expected) statement.fail(std::string("expected ") + expected);
}

RefFeature* readPlane(const std::u16string& name, RefStatement& statement) {
    expectWord(statement, "origin");
    const TesVector origin = statement.vector("origin");
    expectWord(statement, "normal");
    const TesVector normal = statement.direction("normal");
    return statement.good() ? RefFeature::plane(name, origin, normal) : nullptr;
}

RefFeature* readLine(const std::u16string& name, RefStatement& statement) {
    expectWord(statement, "from");
    const TesVector start = statement.vector("from");
    expectWord(statement, "to");
    const TesVector end = statement.vector("to");
    if (statement.good() && (end - start).length() < kRefShortest) statement.fail("a line needs two distinct ends");
    return statement.good() ? RefFeature::line(name, start, end) : nullptr;
}

RefFeature* readSphere(const std::u16string& name, RefStatement& statement) {
    expectWord(statement, "centre");
    const TesVector centre = statement.vector("centre");
    expectWord(statement, "radius");
    const double radius = statement.number("radius");
    if (statement.good() && radius <= 0) statement.fail("radius must be greater than 0");
    const TesVector direction = statement.next("direction") ? statement.direction("direction") : TesVector{0, 0, 1};
    return statement.good() ? RefFeature::sphere(name, centre, radius, direction) : nullptr;
}

}  // namespace

// The geometry of the last object, from a mesh file; an object has one.
void refReadGeometry(RefSceneState& scene, RefStatement& statement) {
    if (scene.lastObject == nullptr) {
        statement.fail("geometry needs an object before it");
        return;
    }
    const std::string file = statement.word("mesh file");
    if (!statement.complete()) return;
    if (scene.lastObject->mesh() != nullptr) {
        statement.fail(refUtf8(scene.lastObject->name()) + " has geometry already");
        return;
    }
    RefMeshRead read = refReadMesh(!file.empty() && file[0] == '/' ? file : scene.folder + file);
    if (!read.good) {
        statement.fail(read.error);
        return;
    }
    scene.lastObject->setMesh(std::move(read.mesh));
}

// A feature of the last object; feature names are unique in the document.
void refReadFeature(RefSceneState& scene, RefStatement& statement) {
    if (scene.lastObject == nullptr) {
        statement.fail("feature needs an object before it");
        return;
    }
    const std::string name = statement.word("feature name");
    const std::string kind = statement.word("feature kind (plane, line or sphere)");
    const std::u16string wideName = refWide(name);
    IPtr<RefFeature> feature;
    if (kind == "plane") {
        feature = readPlane(wideName, statement);
    } else if (kind == "line") {
        feature = readLine(wideName, statement);
    } else if (kind == "sphere") {
        feature = readSphere(wideName, statement);
    } else if (statement.good()) {
        statement.fail("unknown feature kind: " + kind);
    }
    if (!feature || !statement.complete()) return;
    if (scene.host.document().findFeature(wideName) != nullptr) {
        statement.fail("there is a feature named " + name + " already");
        return;
    }
    scene.lastObject->features().add(feature.get());
}
