// Scene statements of meshes and features.
#include <random>

#include "document/refflatfaces.h"
#include "document/refgeometry.h"
#include "document/refmeshfile.h"
#include "document/refpointfile.h"
#include "document/refshapes.h"
#include "infrastructure/reftext.h"
#include "progress.h"
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

// The triangles of generated shells and the points of grids in one scene
// together: beyond what a scene of test shapes needs, and well short of what
// memory holds (real meshes come from files).
constexpr int64_t kRefMaxGenerated = 4000000;

// Counts `elements` more generated ones against the scene's budget.
void spend(RefSceneState& scene, RefStatement& statement, int64_t elements) {
    if (!statement.good()) return;
    if (scene.generated + elements > kRefMaxGenerated) {
        statement.fail("a scene generates at most " + std::to_string(kRefMaxGenerated) + " triangles and points");
        return;
    }
    scene.generated += elements;
}

// "at X Y Z", or the origin.
TesVector readPlace(RefStatement& statement) {
    return statement.next("at") ? statement.vector("at") : TesVector::zero();
}

int32_t positiveCount(RefStatement& statement, const std::string& what) {
    const int value = statement.integer(what);
    if (statement.good() && value <= 0) statement.fail(what + " must be greater than 0");
    return value;
}

double positiveLength(RefStatement& statement, const std::string& what) {
    const double value = statement.number(what);
    if (statement.good() && value <= 0) statement.fail(what + " must be greater than 0");
    return value;
}

// A generated shell added to the mesh of the object; false on a bad statement.
bool addShape(RefSceneState& scene, RefMesh& mesh, const std::string& kind, RefStatement& statement) {
    if (kind == "sphere") {
        const double radius = positiveLength(statement, "radius");
        const int32_t triangles = positiveCount(statement, "triangle count");
        spend(scene, statement, triangles);
        const TesVector centre = readPlace(statement);
        if (statement.good()) refAddSphere(mesh, radius, triangles, centre);
    } else {
        const double x = positiveLength(statement, "box size x");
        const double y = positiveLength(statement, "box size y");
        const double z = positiveLength(statement, "box size z");
        const TesVector centre = readPlace(statement);
        if (statement.good()) refAddBox(mesh, x, y, z, centre);
    }
    return statement.good();
}

void readPointGrid(RefSceneState& scene, RefObject& object, RefStatement& statement) {
    const int32_t nx = positiveCount(statement, "grid size x");
    const int32_t ny = positiveCount(statement, "grid size y");
    const double step = positiveLength(statement, "grid step");
    const TesVector at = readPlace(statement);
    spend(scene, statement, int64_t{nx} * ny);
    if (!statement.complete()) return;
    if (object.pointModel() != nullptr) {
        statement.fail(refUtf8(object.name()) + " has points already");
        return;
    }
    object.setPoints(refGridPoints(nx, ny, step, at));
}

// A point file for an object of type Point.
void readPointFile(RefObject& object, const std::string& path, RefStatement& statement) {
    if (!statement.complete()) return;
    if (object.pointModel() != nullptr) {
        statement.fail(refUtf8(object.name()) + " has points already");
        return;
    }
    RefPointRead read = refReadPoints(path);
    if (!read.good) {
        statement.fail(read.error);
        return;
    }
    object.setPoints(std::move(read.points));
    object.pointModel()->setColors(std::move(read.colors));
    object.pointModel()->setNormals(std::move(read.normals));
}

// What may follow a mesh file: "scale S" (S > 0), "noise D" (each
// coordinate moved by up to D, the same way on every run) and "faces
// DEGREES" (flat faces found anew, refflatfaces.h).
struct FileOptions {
    double scale = 1.0;
    double noise = 0.0;
    double faceDegrees = -1.0;  // keep the file's faces
};

FileOptions readFileOptions(RefStatement& statement) {
    FileOptions options;
    while (statement.good()) {
        if (statement.next("scale")) {
            options.scale = positiveLength(statement, "scale");
        } else if (statement.next("noise")) {
            options.noise = statement.number("noise");
            if (statement.good() && options.noise < 0) statement.fail("noise must not be negative");
        } else if (statement.next("faces")) {
            options.faceDegrees = statement.number("faces");
            if (statement.good() && (options.faceDegrees < 0 || options.faceDegrees > 90)) {
                statement.fail("faces takes an angle from 0 to 90 degrees");
            }
        } else {
            break;
        }
    }
    return options;
}

// Uniform in [-amplitude, amplitude] from a fixed seed: the same noisy copy
// on every machine and compiler.
void shake(std::vector<double>& values, double amplitude) {
    std::mt19937 generator(1);
    for (double& value : values) value += amplitude * (2.0 * (generator() / 4294967296.0) - 1.0);
}

// The mesh of FILE with its options; false, with the statement failed, when
// it cannot be read.
bool readMeshFile(const std::string& path, RefStatement& statement, RefMesh& mesh) {
    const FileOptions options = readFileOptions(statement);
    if (!statement.good()) return false;
    ProgressCallbackBase progress;  // a bar on a terminal, through the host's "ITesProgress"
    progress.start();
    RefMeshRead read = refReadMesh(path);
    if (!read.good) {
        statement.fail(read.error);
        return false;
    }
    progress.update(0.6f);
    mesh = std::move(read.mesh);
    for (double& value : mesh.vertices) value *= options.scale;
    if (options.noise > 0) shake(mesh.vertices, options.noise);
    if (options.faceDegrees >= 0) refSplitFlatFaces(mesh, options.faceDegrees);
    progress.finish();
    return true;
}

}  // namespace

// The geometry of the last object: a mesh file (one per object), generated
// shells (each line adds one to the object's mesh), a grid of points, or
// for an object of type Point a point file (refpointfile.h). A
// trailing "nocomplex" leaves the mesh without connectivity.
void refReadGeometry(RefSceneState& scene, RefStatement& statement) {
    RefObject* object = scene.lastObject;
    if (object == nullptr) {
        statement.fail("geometry needs an object before it");
        return;
    }
    const std::string source = statement.word("mesh file or shape");
    if (source == "grid") return readPointGrid(scene, *object, statement);
    if (std::string_view(object->type()) == "Point") return readPointFile(*object, scene.path(source), statement);
    const RefMeshModel* before = object->meshModel();
    RefMesh mesh = before != nullptr ? before->mesh() : RefMesh{};
    if (source == "sphere" || source == "box") {
        if (!addShape(scene, mesh, source, statement)) return;
    } else if (statement.good()) {
        if (before != nullptr) {
            statement.fail(refUtf8(object->name()) + " has geometry already");
            return;
        }
        if (!readMeshFile(scene.path(source), statement, mesh)) return;
    }
    const bool connectivity = !statement.next("nocomplex") && (before == nullptr || before->hasConnectivity());
    if (statement.complete()) object->setMesh(std::move(mesh), connectivity);
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
