#include "session/refscene.h"

#include <functional>
#include <map>

#include "infrastructure/reftext.h"
#include "refhost.h"
#include "session/refscenestatement.h"

namespace {

// origin X Y Z x X Y Z y X Y Z z X Y Z: three axes no two of which are parallel.
RefCoordinateSystem* readSystem(RefStatement& statement) {
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

std::string folderOf(const std::string& path) {
    const size_t slash = path.rfind('/');
    return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

void readCamera(RefSceneState& scene, RefStatement& statement) {
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

void readObject(RefSceneState& scene, RefStatement& statement) {
    const std::u16string name = refWide(statement.word("object name"));
    std::string type = "Mesh";
    int phase = 0;
    bool active = false;
    bool excluded = false;
    bool pinned = false;
    int display = 0;  // the graphics node's display mode
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
        } else if (key == "pinned") {
            pinned = true;
        } else if (key == "display") {
            display = statement.integer("display mode");
        } else {
            statement.fail("unknown object word: " + key);
        }
    }
    if (!statement.complete()) return;
    IPtr<RefObject> object(new RefObject(name, type));
    object->setPhase(phase);
    object->setExcluded(excluded);
    object->setPinned(pinned);
    object->node().setDisplayMode(display);
    scene.host.document().add(object.get());
    if (active) scene.host.document().setActive(object.get());
    scene.lastObject = object.get();
}

// transform V1 ... V16: the last object's pose, row by row.
void readTransform(RefSceneState& scene, RefStatement& statement) {
    if (scene.lastObject == nullptr) {
        statement.fail("transform needs an object before it");
        return;
    }
    TesMatrix pose;
    for (int i = 0; i < 16 && statement.good(); ++i) {
        pose[i] = statement.number("matrix value " + std::to_string(i + 1));
    }
    if (statement.complete()) scene.lastObject->setPose(pose);
}

void readCsys(RefSceneState& scene, RefStatement& statement) {
    const std::u16string name = refWide(statement.word("csys name"));
    IPtr<RefCoordinateSystem> system(readSystem(statement));
    const int phase = statement.next("phase") ? statement.integer("phase") : 0;
    if (!system || !statement.complete()) return;
    IPtr<RefObject> object(new RefObject(name, "CoordinateSystem"));
    object->setCoordinateSystem(system.get());
    object->setPhase(phase);
    scene.host.document().add(object.get());
}

void readSubCsys(RefSceneState& scene, RefStatement& statement) {
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
void readSetting(RefSceneState& scene, RefStatement& statement) {
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

using Reader = std::function<void(RefSceneState&, RefStatement&)>;

const std::map<std::string, Reader>& readers() {
    static const std::map<std::string, Reader> table = {
        {"camera", readCamera},
        {"object", readObject},
        {"csys", readCsys},
        {"transform", readTransform},
        {"subcsys", readSubCsys},
        {"geometry", refReadGeometry},
        {"feature", refReadFeature},
        {"setting", readSetting},
        {"workflow", refReadWorkflow},
        {"workflowowner", refReadWorkflowOwner},
        {"view", refReadView},
        {"registry",
         [](RefSceneState& scene, RefStatement& statement) {
             const std::string key = statement.word("registry key");
             const std::string value = statement.word("registry value");
             if (statement.complete()) scene.host.registry().set(key, value);
         }},
        {"state",
         [](RefSceneState& scene, RefStatement& statement) {
             const std::string key = statement.word("state key");
             const bool on = statement.flag("state");
             if (statement.complete()) scene.host.commandState().set(key, on);
         }},
        {"phase", [](RefSceneState& scene, RefStatement& statement) {
             const int phase = statement.integer("phase");
             if (statement.complete()) scene.host.document().setPhase(phase);
         }},
        {"unit", [](RefSceneState& scene, RefStatement& statement) {
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
    RefSceneState scene{host, nullptr, false, folderOf(name)};
    for (const RefLine& line : file.lines) {
        auto reader = readers().find(line.words[0]);
        RefStatement statement(line);
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
    if (file.good) {
        host.document().clear();
        host.picking().forget();
    }
    return refLoadSceneLines(host, file, path);
}
