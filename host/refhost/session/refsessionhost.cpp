// Session statements that set up the host: scenes, settings, services, the
// answers of the next dialogs.

#include "document/refpointsave.h"
#include "hostapi/gui.h"
#include "infrastructure/reftext.h"
#include "refhost.h"
#include "session/refscene.h"
#include "session/refsession.h"

std::string RefSession::loadScene(const Words& words) {
    if (words.size() != 2) return "scene needs one file";
    std::string error;
    const std::string path = resolve(words[1], &error);
    if (!error.empty()) return error;
    RefSceneResult loaded = refLoadScene(host_, path);
    return loaded.good ? std::string() : loaded.error;
}

// A scene statement (setting, registry, state, phase, camera, unit, view) on its own.
std::string RefSession::sceneStatement(const Words& words) {
    RefLineFile single{true, {}, {RefLine{1, words}}};
    RefSceneResult loaded = refLoadSceneLines(host_, single, "statement");
    return loaded.good ? std::string() : loaded.error.substr(loaded.error.find(' ') + 1);
}

std::string RefSession::withdraw(const Words& words) {
    for (size_t i = 1; i < words.size(); ++i) host_.manager().removeService(words[i]);
    return words.size() > 1 ? std::string() : "withdraw needs service names";
}

std::string RefSession::queueAnswer(const Words& words) {
    static const std::map<std::string, int32_t> answers = {{"yes", kAnswerYes}, {"cancel", kAnswerCancel}, {"no", 2}};
    if (words.size() != 2 || !answers.count(words[1])) return "answer yes, no or cancel";
    host_.dialogs().queueAnswer(answers.at(words[1]));
    answerLines_.push_back(line_);
    return {};
}

std::string RefSession::queueFile(const Words& words) {
    if (words.size() != 2) return "file needs a path or cancel";
    const bool chosen = words[1] != "cancel";
    std::string error;
    const std::string path = chosen ? resolve(words[1], &error) : std::string();
    if (!error.empty()) return error;
    host_.fileDialogs().queueAnswer({chosen, refWide(path)});
    fileLines_.push_back(line_);
    return {};
}

std::string RefSession::echo(const Words& words) {
    for (size_t i = 1; i < words.size(); ++i) print((i > 1 ? " " : "") + words[i]);
    print("\n");
    return {};
}

std::string RefSession::showFile(const Words& words) {
    if (words.size() != 2) return "show needs a file";
    std::string error;
    const std::string path = resolve(words[1], &error);
    if (!error.empty()) return error;
    std::string shown;
    if (!refReadText(path, shown, error)) return error;
    if (!shown.empty() && shown.back() != '\n') shown += '\n';
    print("show " + words[1] + ":\n" + shown);
    return {};
}

// The object's points where its pose puts them, as a data-model file.
std::string RefSession::savePoints(const Words& words) {
    if (words.size() != 3) return "save needs an object and a file";
    std::string error;
    RefObject* object = findObject("save", words[1], error);
    if (object == nullptr) return error;
    if (object->mesh() == nullptr && object->pointModel() == nullptr) return "save: " + words[1] + " has no points";
    const std::string path = resolve(words[2], &error);
    if (!error.empty()) return error;
    if (!refSavePoints(*object, host_.graphics().objectTransform(object), path, error)) return error;
    print("saved " + words[1] + " to " + words[2] + "\n");
    return {};
}

RefObject* RefSession::findObject(const std::string& verb, const std::string& name, std::string& error) {
    RefObject* object = host_.document().find(refWide(name));
    if (object == nullptr) error = verb + ": no object " + name;
    return object;
}
