#include "session/refscene.h"

#include <functional>
#include <map>

#include "refhost.h"
#include "document/refmeshfile.h"
#include "infrastructure/reftext.h"

namespace {

// Vectors shorter than this are no direction: a zero axis, or one that
// underflowed.
constexpr double kShortest = 1e-12;
// Sine of the smallest angle between two axes that still span a plane.
constexpr double kParallel = 1e-9;

// Walks the words of one statement and records the first problem.
class Statement {
public:
    explicit Statement(const RefLine& line) : words_(line.words) {}

    bool more() const { return next_ < words_.size(); }
    // The next word if it is `expected`, which it then consumes.
    bool next(const char* expected) {
        if (!more() || words_[next_] != expected) return false;
        ++next_;
        return true;
    }
    // The next word; `what` names it in the message when it is missing.
    std::string word(const std::string& what) {
        if (more()) return words_[next_++];
        fail("missing " + what);
        return {};
    }
    double number(const std::string& what) {
        double value = 0;
        const std::string text = word(what);
        if (error_.empty() && !refParseDouble(text, &value)) fail(what + " must be a finite number, not " + text);
        return value;
    }
    TesVector vector(const std::string& what) {
        const double x = number(what + " x");
        const double y = number(what + " y");
        const double z = number(what + " z");
        return {x, y, z};
    }
    // A vector that can serve as a direction.
    TesVector direction(const std::string& what) {
        const TesVector value = vector(what);
        if (error_.empty() && value.length() < kShortest) fail(what + " must not be a zero vector");
        return value;
    }
    int integer(const std::string& what) {
        int value = 0;
        const std::string text = word(what);
        if (error_.empty() && !refParseInt(text, &value)) fail(what + " must be an integer, not " + text);
        return value;
    }
    bool flag(const std::string& what) {
        const std::string text = word(what);
        if (text == "true") return true;
        if (text != "false" && error_.empty()) fail(what + " must be true or false, not " + text);
        return false;
    }
    // Fails unless the two directions span a plane.
    void notParallel(const TesVector& a, const TesVector& b, const std::string& what) {
        if (error_.empty() && cross(a, b).length() <= kParallel * a.length() * b.length()) fail(what + " are parallel");
    }
    void fail(const std::string& message) {
        if (error_.empty()) error_ = message;
    }
    bool good() const { return error_.empty(); }
    // Whether the statement was read whole without a problem; a word left over
    // is one. Readers ask before they change anything.
    bool complete() {
        if (good() && more()) fail("unexpected word: " + words_[next_]);
        return good();
    }
    const std::string& error() const { return error_; }

private:
    const std::vector<std::string>& words_;
    size_t next_ = 1;
    std::string error_;
};

// origin X Y Z x X Y Z y X Y Z z X Y Z: three axes no two of which are parallel.
RefCoordinateSystem* readSystem(Statement& statement) {
    const char* const names[4] = {"origin", "x", "y", "z"};
    TesVector parts[4];
    for (int i = 0; i < 4 && statement.good(); ++i) {
        if (statement.word(names[i]) != names[i]) statement.fail(std::string("expected ") + names[i]);
        parts[i] = i == 0 ? statement.vector(names[i]) : statement.direction(std::string("axis ") + names[i]);
    }
    statement.notParallel(parts[1], parts[2], "axes x and y");
    statement.notParallel(parts[1], parts[3], "axes x and z");
    statement.notParallel(parts[2], parts[3], "axes y and z");
    return statement.good() ? new RefCoordinateSystem(parts[0], parts[1], parts[2], parts[3]) : nullptr;
}

struct SceneState {
    RefHost& host;
    RefObject* lastObject = nullptr;
    std::string folder;  // of the scene file: where its relative paths start
};

std::string folderOf(const std::string& path) {
    const size_t slash = path.rfind('/');
    return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

void readCamera(SceneState& scene, Statement& statement) {
    RefCamera& camera = scene.host.camera();
    TesVector eye{0, 0, 10}, look{0, 0, -1}, up{0, 1, 0};
    double zoom = camera.zoom();
    double nearPlane = camera.clipping()->nearPlane();
    double farPlane = camera.clipping()->farPlane();
    while (statement.more() && statement.good()) {
        const std::string key = statement.word("camera word");
        if (key == "eye") {
            eye = statement.vector("eye");
        } else if (key == "look") {
            look = statement.direction("look");
        } else if (key == "up") {
            up = statement.direction("up");
        } else if (key == "zoom") {
            zoom = statement.number("zoom");
            if (statement.good() && zoom <= 0) statement.fail("zoom must be greater than 0");
        } else if (key == "near") {
            nearPlane = statement.number("near");
        } else if (key == "far") {
            farPlane = statement.number("far");
        } else {
            statement.fail("unknown camera word: " + key);
        }
    }
    statement.notParallel(look, up, "look and up");
    if (statement.good() && nearPlane >= farPlane) statement.fail("near must be less than far");
    if (!statement.complete()) return;
    camera.setZoom(zoom);
    camera.clipping()->setNear(nearPlane);
    static_cast<RefClipping*>(camera.clipping())->setFar(farPlane);
    camera.lookAt(eye, look, up);
}

void readObject(SceneState& scene, Statement& statement) {
    const std::u16string name = refWide(statement.word("object name"));
    std::string type = "Mesh";
    int phase = 0;
    bool active = false;
    bool excluded = false;
    while (statement.more() && statement.good()) {
        const std::string key = statement.word("object word");
        if (key == "type") {
            type = statement.word("object type");
        } else if (key == "phase") {
            phase = statement.integer("phase");
        } else if (key == "active") {
            active = true;
        } else if (key == "excluded") {
            excluded = true;
        } else {
            statement.fail("unknown object word: " + key);
        }
    }
    if (!statement.complete()) return;
    IPtr<RefObject> object(new RefObject(name, type));
    object->setPhase(phase);
    object->setExcluded(excluded);
    scene.host.document().add(object.get());
    if (active) scene.host.document().setActive(object.get());
    scene.lastObject = object.get();
}

void readCsys(SceneState& scene, Statement& statement) {
    const std::u16string name = refWide(statement.word("csys name"));
    IPtr<RefCoordinateSystem> system(readSystem(statement));
    const int phase = statement.next("phase") ? statement.integer("phase") : 0;
    if (!system || !statement.complete()) return;
    IPtr<RefObject> object(new RefObject(name, "CoordinateSystem"));
    object->setCoordinateSystem(system.get());
    object->setPhase(phase);
    scene.host.document().add(object.get());
}

void readSubCsys(SceneState& scene, Statement& statement) {
    if (scene.lastObject == nullptr) {
        statement.fail("subcsys needs an object before it");
        return;
    }
    const std::u16string name = refWide(statement.word("subcsys name"));
    IPtr<RefCoordinateSystem> system(readSystem(statement));
    if (system && statement.complete()) scene.lastObject->subObjects().add(new RefSubObject(name, system.get()));
}

// The whole statement is read before anything is stored: a setting that
// fails leaves the store (and the settings file behind it) as it was.
void readSetting(SceneState& scene, Statement& statement) {
    const std::string type = statement.word("setting type (bool, int, double or string)");
    const std::string key = statement.word("setting key");
    RefDataStore& settings = scene.host.settings();
    if (type == "bool") {
        const bool value = statement.flag("value");
        if (statement.complete()) settings.setBool(nullptr, key.c_str(), value);
    } else if (type == "int") {
        const int value = statement.integer("value");
        if (statement.complete()) settings.setInt(nullptr, key.c_str(), value);
    } else if (type == "double") {
        const double value = statement.number("value");
        if (statement.complete()) settings.setDouble(nullptr, key.c_str(), value);
    } else if (type == "string") {
        const std::u16string value = refWide(statement.word("value"));
        if (statement.complete()) settings.setString(nullptr, key.c_str(), value.c_str());
    } else if (statement.good()) {
        statement.fail("unknown setting type: " + type);
    }
}

void expectWord(Statement& statement, const char* expected) {
    if (statement.good() && statement.word(expected) != expected) statement.fail(std::string("expected ") + expected);
}

// The geometry of the last object, from a mesh file; an object has one.
void readGeometry(SceneState& scene, Statement& statement) {
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

RefFeature* readPlane(const std::u16string& name, Statement& statement) {
    expectWord(statement, "origin");
    const TesVector origin = statement.vector("origin");
    expectWord(statement, "normal");
    const TesVector normal = statement.direction("normal");
    return statement.good() ? RefFeature::plane(name, origin, normal) : nullptr;
}

RefFeature* readLine(const std::u16string& name, Statement& statement) {
    expectWord(statement, "from");
    const TesVector start = statement.vector("from");
    expectWord(statement, "to");
    const TesVector end = statement.vector("to");
    if (statement.good() && (end - start).length() < kShortest) statement.fail("a line needs two distinct ends");
    return statement.good() ? RefFeature::line(name, start, end) : nullptr;
}

RefFeature* readSphere(const std::u16string& name, Statement& statement) {
    expectWord(statement, "centre");
    const TesVector centre = statement.vector("centre");
    expectWord(statement, "radius");
    const double radius = statement.number("radius");
    if (statement.good() && radius <= 0) statement.fail("radius must be greater than 0");
    const TesVector direction = statement.next("direction") ? statement.direction("direction") : TesVector{0, 0, 1};
    return statement.good() ? RefFeature::sphere(name, centre, radius, direction) : nullptr;
}

// A feature of the last object; feature names are unique in the document.
void readFeature(SceneState& scene, Statement& statement) {
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

using Reader = std::function<void(SceneState&, Statement&)>;

const std::map<std::string, Reader>& readers() {
    static const std::map<std::string, Reader> table = {
        {"camera", readCamera},
        {"object", readObject},
        {"csys", readCsys},
        {"subcsys", readSubCsys},
        {"geometry", readGeometry},
        {"feature", readFeature},
        {"setting", readSetting},
        {"registry",
         [](SceneState& scene, Statement& statement) {
             const std::string key = statement.word("registry key");
             const std::string value = statement.word("registry value");
             if (statement.complete()) scene.host.registry().set(key, value);
         }},
        {"state",
         [](SceneState& scene, Statement& statement) {
             const std::string key = statement.word("state key");
             const bool on = statement.flag("state");
             if (statement.complete()) scene.host.commandState().set(key, on);
         }},
        {"phase", [](SceneState& scene, Statement& statement) {
             const int phase = statement.integer("phase");
             if (statement.complete()) scene.host.document().setPhase(phase);
         }},
        {"unit", [](SceneState& scene, Statement& statement) {
             const std::string name = statement.word("unit (mm, cm, m, in or um)");
             if (statement.complete() && !scene.host.units().choose(name)) statement.fail("unknown unit: " + name);
         }}};
    return table;
}

}  // namespace

RefSceneResult refLoadSceneLines(RefHost& host, const RefLineFile& file, const std::string& name) {
    RefSceneResult result;
    if (!file.good) {
        result.error = file.error;
        return result;
    }
    SceneState scene{host, nullptr, folderOf(name)};
    for (const RefLine& line : file.lines) {
        auto reader = readers().find(line.words[0]);
        Statement statement(line);
        if (reader == readers().end()) {
            statement.fail("unknown statement: " + line.words[0]);
        } else {
            reader->second(scene, statement);
        }
        if (!statement.complete()) {
            result.error = refLineError(name, line.number, statement.error());
            return result;
        }
    }
    result.good = true;
    return result;
}

// A scene file describes the whole document: what was there goes first.
RefSceneResult refLoadScene(RefHost& host, const std::string& path) {
    RefLineFile file = refReadLines(path);
    if (file.good) host.document().clear();
    return refLoadSceneLines(host, file, path);
}
