#include "refscene.h"

#include <functional>
#include <map>

#include "refhost.h"
#include "reftext.h"

namespace {

// Walks the words of one statement and records the first problem.
class Statement {
public:
    explicit Statement(const RefLine& line) : words_(line.words) {}

    bool more() const { return next_ < words_.size(); }
    std::string word() { return more() ? words_[next_++] : (fail("missing word"), std::string()); }
    double number() {
        double value = 0;
        const std::string text = word();
        if (!error_.empty()) return 0;
        if (!refParseDouble(text, &value)) fail("not a number: " + text);
        return value;
    }
    TesVector vector() {
        const double x = number();
        const double y = number();
        const double z = number();
        return {x, y, z};
    }
    int integer() {
        int value = 0;
        const std::string text = word();
        if (!error_.empty()) return 0;
        if (!refParseInt(text, &value)) fail("not an integer: " + text);
        return value;
    }
    bool flag() {
        const std::string text = word();
        if (text == "true") return true;
        if (text != "false" && error_.empty()) fail("expected true or false: " + text);
        return false;
    }
    void fail(const std::string& message) {
        if (error_.empty()) error_ = message;
    }
    const std::string& error() const { return error_; }

private:
    const std::vector<std::string>& words_;
    size_t next_ = 1;
    std::string error_;
};

RefCoordinateSystem* readSystem(Statement& statement) {
    TesVector parts[4];
    const char* const names[4] = {"origin", "x", "y", "z"};
    for (int i = 0; i < 4 && statement.error().empty(); ++i) {
        if (statement.word() != names[i]) statement.fail(std::string("expected ") + names[i]);
        parts[i] = statement.vector();
    }
    return statement.error().empty() ? new RefCoordinateSystem(parts[0], parts[1], parts[2], parts[3]) : nullptr;
}

struct SceneState {
    RefHost& host;
    RefObject* lastObject = nullptr;
};

void readCamera(SceneState& scene, Statement& statement) {
    TesVector eye{0, 0, 10}, look{0, 0, -1}, up{0, 1, 0};
    RefCamera& camera = scene.host.camera();
    while (statement.more() && statement.error().empty()) {
        const std::string key = statement.word();
        if (key == "eye") {
            eye = statement.vector();
        } else if (key == "look") {
            look = statement.vector();
        } else if (key == "up") {
            up = statement.vector();
        } else if (key == "zoom") {
            camera.setZoom(statement.number());
        } else if (key == "near") {
            camera.clipping()->setNear(statement.number());
        } else if (key == "far") {
            static_cast<RefClipping*>(camera.clipping())->setFar(statement.number());
        } else {
            statement.fail("unknown camera word: " + key);
        }
    }
    camera.lookAt(eye, look, up);
}

void readObject(SceneState& scene, Statement& statement) {
    const std::u16string name = refWide(statement.word());
    std::string type = "Mesh";
    int phase = 0;
    bool active = false;
    bool excluded = false;
    while (statement.more() && statement.error().empty()) {
        const std::string key = statement.word();
        if (key == "type") {
            type = statement.word();
        } else if (key == "phase") {
            phase = statement.integer();
        } else if (key == "active") {
            active = true;
        } else if (key == "excluded") {
            excluded = true;
        } else {
            statement.fail("unknown object word: " + key);
        }
    }
    if (!statement.error().empty()) return;
    IPtr<RefObject> object(new RefObject(name, type));
    object->setPhase(phase);
    object->setExcluded(excluded);
    scene.host.document().add(object.get());
    if (active) scene.host.document().setActive(object.get());
    scene.lastObject = object.get();
}

void readCsys(SceneState& scene, Statement& statement) {
    const std::u16string name = refWide(statement.word());
    IPtr<RefCoordinateSystem> system(readSystem(statement));
    if (!system) return;
    IPtr<RefObject> object(new RefObject(name, "CoordinateSystem"));
    object->setCoordinateSystem(system.get());
    if (statement.more() && statement.word() == "phase") object->setPhase(statement.integer());
    scene.host.document().add(object.get());
}

void readSubCsys(SceneState& scene, Statement& statement) {
    if (scene.lastObject == nullptr) {
        statement.fail("subcsys needs an object before it");
        return;
    }
    const std::u16string name = refWide(statement.word());
    IPtr<RefCoordinateSystem> system(readSystem(statement));
    if (system) scene.lastObject->subObjects().add(new RefSubObject(name, system.get()));
}

void readSetting(SceneState& scene, Statement& statement) {
    const std::string type = statement.word();
    const std::string key = statement.word();
    RefDataStore& settings = scene.host.settings();
    if (type == "bool") {
        settings.setBool(nullptr, key.c_str(), statement.flag());
    } else if (type == "int") {
        settings.setInt(nullptr, key.c_str(), statement.integer());
    } else if (type == "double") {
        settings.setDouble(nullptr, key.c_str(), statement.number());
    } else if (type == "string") {
        settings.setString(nullptr, key.c_str(), refWide(statement.word()).c_str());
    } else {
        statement.fail("unknown setting type: " + type);
    }
}

using Reader = std::function<void(SceneState&, Statement&)>;

const std::map<std::string, Reader>& readers() {
    static const std::map<std::string, Reader> table = {
        {"camera", readCamera},
        {"object", readObject},
        {"csys", readCsys},
        {"subcsys", readSubCsys},
        {"setting", readSetting},
        {"registry",
         [](SceneState& scene, Statement& statement) {
             const std::string key = statement.word();
             scene.host.registry().set(key, statement.word());
         }},
        {"state",
         [](SceneState& scene, Statement& statement) {
             const std::string key = statement.word();
             scene.host.commandState().set(key, statement.flag());
         }},
        {"phase", [](SceneState& scene, Statement& statement) {
             scene.host.document().setPhase(statement.integer());
         }},
        {"unit", [](SceneState& scene, Statement& statement) {
             const std::string name = statement.word();
             if (!scene.host.units().choose(name)) statement.fail("unknown unit: " + name);
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
    SceneState scene{host};
    for (const RefLine& line : file.lines) {
        auto reader = readers().find(line.words[0]);
        Statement statement(line);
        if (reader == readers().end()) {
            statement.fail("unknown statement: " + line.words[0]);
        } else {
            reader->second(scene, statement);
        }
        if (statement.error().empty() && statement.more()) statement.fail("unexpected word: " + statement.word());
        if (!statement.error().empty()) {
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
