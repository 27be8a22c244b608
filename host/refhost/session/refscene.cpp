#include "session/refscene.h"

#include <cmath>
#include <functional>
#include <map>
#include <optional>

#include "refhost.h"
#include "document/refmeshfile.h"
#include "infrastructure/reftext.h"

namespace {

// Vectors shorter than this are no direction: a zero axis, or one that
// underflowed.
constexpr double kShortest = 1e-12;
// Sine of the smallest angle between two axes that still span a plane.
constexpr double kParallel = 1e-9;
// How far a stored view's orientation may be from a rotation and a translation.
constexpr double kRigidTolerance = 1e-6;
// A stored view's flags unless the statement gives them: the layout view's 2
// with bit 4, the user's view.
constexpr uint32_t kUserViewFlags = 18;
constexpr double kMaxViewFlags = 4294967295.0;

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
    bool workflowSeen = false;
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

// The scene's first workflow is current unless a later one says so.
void readWorkflow(SceneState& scene, Statement& statement) {
    const std::string name = statement.word("workflow name");
    bool current = false, holder = true;
    while (statement.good() && statement.more()) {
        const std::string word = statement.word("workflow option");
        if (word == "current") current = true;
        else if (word == "noholder") holder = false;
        else statement.fail("expected current or noholder, not " + word);
    }
    if (!statement.complete()) return;
    RefWorkflowManager& workflows = scene.host.workflows();
    RefWorkflow& workflow = workflows.ensure(name, holder);
    if (current || !scene.workflowSeen) workflows.setCurrent(&workflow);
    scene.workflowSeen = true;
}

void readWorkflowOwner(SceneState& scene, Statement& statement) {
    if (scene.lastObject == nullptr) {
        statement.fail("workflowowner needs an object before it");
        return;
    }
    bool uses = true;
    RefWorkflow* held = nullptr;
    while (statement.good() && statement.more()) {
        if (statement.next("query")) {
            uses = statement.flag("query");
        } else if (statement.next("holds")) {
            const std::string name = statement.word("workflow name or none");
            held = name == "none" ? nullptr : scene.host.workflows().find(name);
            if (name != "none" && held == nullptr) statement.fail("no workflow named " + name);
        } else {
            statement.fail("expected query or holds, not " + statement.word("word"));
        }
    }
    if (!statement.complete()) return;
    scene.lastObject->attach(kWorkflowOwnerId,
                             static_cast<ITesWorkflowOwner*>(new RefWorkflowOwner(uses, held ? new RefWorkflowLink(held) : nullptr)));
}

// Whether the rows of the upper-left block are orthonormal and right-handed
// and the bottom row is (0, 0, 0, 1).
bool isRigid(const TesMatrix& m) {
    const TesVector rows[3] = {{m(0, 0), m(0, 1), m(0, 2)}, {m(1, 0), m(1, 1), m(1, 2)}, {m(2, 0), m(2, 1), m(2, 2)}};
    for (int i = 0; i < 3; ++i) {
        for (int j = 0; j < 3; ++j) {
            if (std::abs(dot(rows[i], rows[j]) - (i == j ? 1.0 : 0.0)) > kRigidTolerance) return false;
        }
    }
    return dot(cross(rows[0], rows[1]), rows[2]) > 0 && m(3, 0) == 0 && m(3, 1) == 0 && m(3, 2) == 0 && m(3, 3) == 1;
}

TesMatrix readOrientation(Statement& statement) {
    double values[TesMatrix::kElementCount] = {};
    for (int i = 0; i < TesMatrix::kElementCount && statement.good(); ++i) {
        values[i] = statement.number("orientation value " + std::to_string(i + 1));
    }
    const TesMatrix orientation(values);
    if (statement.good() && !isRigid(orientation)) statement.fail("orientation must be a rotation and a translation");
    return orientation;
}

// The camera of a stored view: eye, look and up, or its orientation matrix
// as the settings file writes it; and the view's flags.
struct ViewWords {
    uint32_t flags = kUserViewFlags;
    TesVector eye, look, up;
    int placed = 0;  // how many of eye, look and up were given
    std::optional<TesMatrix> orientation;
    double zoom = 1.0;
};

void readViewWord(Statement& statement, const std::string& key, ViewWords& view) {
    if (key == "flags") {
        const double flags = statement.number("flags");
        if (statement.good() && !(flags >= 0 && flags <= kMaxViewFlags && flags == std::floor(flags))) {
            statement.fail("flags must be a whole number from 0 to 4294967295");
        }
        view.flags = statement.good() ? static_cast<uint32_t>(flags) : 0;
    } else if (key == "eye") {
        view.eye = statement.vector("eye");
        ++view.placed;
    } else if (key == "look") {
        view.look = statement.direction("look");
        ++view.placed;
    } else if (key == "up") {
        view.up = statement.direction("up");
        ++view.placed;
    } else if (key == "orientation") {
        view.orientation = readOrientation(statement);
    } else if (key == "zoom") {
        view.zoom = statement.number("zoom");
        if (statement.good() && view.zoom <= 0) statement.fail("zoom must be greater than 0");
    } else {
        statement.fail("unknown view word: " + key);
    }
}

void readView(SceneState& scene, Statement& statement) {
    const std::u16string name = refWide(statement.word("view name"));
    ViewWords words;
    while (statement.more() && statement.good()) readViewWord(statement, statement.word("view word"), words);
    if (words.orientation && words.placed > 0) statement.fail("orientation cannot go with eye, look or up");
    if (!words.orientation && words.placed != 3) statement.fail("expected eye X Y Z look X Y Z up X Y Z");
    if (!words.orientation) statement.notParallel(words.look, words.up, "look and up");
    if (!statement.complete()) return;
    IPtr<RefView> view(new RefView(&scene.host.views()));
    view->setName(name.c_str());
    view->setFlags(words.flags);
    const TesMatrix orientation =
        words.orientation ? *words.orientation : RefCamera::lookAtOrientation(words.eye, words.look, words.up);
    view->setCamera({orientation, words.zoom});
    scene.host.viewTheme().append(view.get(), 1, 0);
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
        {"workflow", readWorkflow},
        {"workflowowner", readWorkflowOwner},
        {"view", readView},
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
    SceneState scene{host, nullptr, false, folderOf(name)};
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
