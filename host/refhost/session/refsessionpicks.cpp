// Session statements that pick in the views, press keys, switch embedded
// widgets and drive the preselection.
#include "graphics/refinputevents.h"
#include "hostapi/commands.h"
#include "infrastructure/reftext.h"
#include "refhost.h"
#include "session/refsession.h"

namespace {

using Words = RefSession::Words;

constexpr const char* kPickForms =
    "pick [pane P] FEATURE | pick [pane P] OBJECT face K | pick [pane P] OBJECT at X Y Z | "
    "pick [pane P] OBJECT triangle K | pick [pane P] pixel X Y";
constexpr const char* kPane = "pane";
constexpr const char* kFace = "face";
// A pick that names its target has no pixel.
constexpr int32_t kNoPixel = -1;

// `count` integers from words[first] on; false unless there are exactly those.
bool readIntegers(const Words& words, size_t first, size_t count, int* values) {
    if (words.size() != first + count) return false;
    for (size_t i = 0; i < count; ++i) {
        if (!refParseInt(words[first + i], &values[i])) return false;
    }
    return true;
}

ITesUnknown* faceTarget(RefDocument& document, const std::string& objectName, const std::string& faceWord,
                        std::string& error) {
    RefObject* object = document.find(refWide(objectName));
    if (object == nullptr) {
        error = "pick: no object " + objectName;
        return nullptr;
    }
    if (object->mesh() == nullptr) {
        error = "pick: " + objectName + " has no geometry";
        return nullptr;
    }
    int face = 0;
    RefCadFace* cadFace = refParseInt(faceWord, &face) ? object->cadFace(face) : nullptr;
    if (cadFace == nullptr) {
        error = "pick: " + objectName + " has no face " + faceWord + " (its faces are 0 to " +
                std::to_string(object->mesh()->faceCount - 1) + ")";
    }
    return cadFace;
}

// What the words from `first` on name: FEATURE, or OBJECT face K.
ITesUnknown* pickTarget(RefDocument& document, const Words& words, size_t first, std::string& error) {
    const size_t count = words.size() - first;
    if (count == 1) {
        RefFeature* feature = document.findFeature(refWide(words[first]));
        if (feature == nullptr) error = "pick: no feature " + words[first];
        return static_cast<ITesPlane*>(feature);
    }
    if (count == 3 && words[first + 1] == kFace) return faceTarget(document, words[first], words[first + 2], error);
    error = kPickForms;
    return nullptr;
}

}  // namespace

std::string RefSession::pick(const Words& words) {
    std::string error;
    IComponentCommand* command = running(words[0], error);
    if (command == nullptr) return error;
    size_t first = 1;
    int pane = 0;
    if (words.size() > 2 && words[1] == kPane) {
        if (!refParseInt(words[2], &pane) || pane < 0) return "pick: pane must be 0 or more, not " + words[2];
        first = 3;
    }
    if (words.size() == first + 3 && words[first] == "pixel") return pickAtPixel(command, pane, words, first + 1);
    if (words.size() == first + 5 && words[first + 1] == "at") return pickAtPoint(command, pane, words, first);
    if (words.size() == first + 3 && words[first + 1] == "triangle") return pickTriangle(command, pane, words, first);
    ITesUnknown* target = pickTarget(host_.document(), words, first, error);
    if (target == nullptr) return error;
    host_.views().setActivePane(pane);
    IPtr<RefMouseEvent> event(new RefMouseEvent(kRefMousePress, kNoPixel, kNoPixel, kRefLeftButton, target));
    command->onMouseEvent(event.get());
    return {};
}

std::string RefSession::key(const Words& words) {
    std::string error;
    IComponentCommand* command = running(words[0], error);
    if (command == nullptr) return error;
    int code = 0;
    if (!readIntegers(words, 1, 1, &code)) return "key needs a key code";
    IPtr<RefKeyEvent> event(new RefKeyEvent(code));
    command->onKeyEvent(event.get());
    return {};
}

std::string RefSession::activate(const Words& words) {
    std::string error;
    IComponentCommand* command = running(words[0], error);
    if (command == nullptr) return error;
    if (words.size() != 3 || (words[2] != "on" && words[2] != "off")) return "activate KEY on|off";
    RefControl* target = control(words[1], error);
    if (target == nullptr) return error;
    if (target->kind != "widget") return "activate: " + words[1] + " is not a widget";
    command->onWidgetActivated(target->id, words[2] == "on");
    return {};
}

std::string RefSession::notify(const Words& words) {
    std::string error;
    IComponentCommand* command = running(words[0], error);
    if (command == nullptr) return error;
    int values[3] = {};
    if (!readIntegers(words, 1, 3, values)) return "notify needs three integers";
    command->onPreselectNotification(values[0], values[1], values[2]);
    return {};
}

std::string RefSession::preselect(const Words& words) {
    int values[4] = {};
    if (!readIntegers(words, 1, 4, values)) return "preselect needs a kind and three integers";
    const std::string heading = "preselect " + std::to_string(values[0]) + ": ";
    ITesPreselectActivator* activator = host_.preselect().activator();
    if (activator == nullptr) {
        print(heading + "no activator\n");
        return {};
    }
    bool accept = false;
    const bool result = activator->activate(values[0], values[1], values[2], values[3], &accept);
    print(heading + (result ? "true" : "false") + " accept " + (accept ? "true" : "false") + "\n");
    return {};
}
