#include "session/refsession.h"

#include <algorithm>
#include <cmath>
#include <map>
#include <set>

#include "hostapi/commands.h"
#include "refhost.h"
#include "session/refscene.h"
#include "infrastructure/reftext.h"
#include "tesstring.h"

namespace {

constexpr const char* kInCommand = "inCommand";
constexpr const char* kMatrixWidgetService = "ITesMatrixWidget";

std::string folderOf(const std::string& path) {
    const size_t slash = path.rfind('/');
    return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

std::string resolve(const std::string& folder, const std::string& path) {
    return !path.empty() && path[0] == '/' ? path : folder + path;
}

bool closeTo(double actual, double expected) {
    return std::fabs(actual - expected) <= 1e-9 * std::max(1.0, std::fabs(expected));
}

std::string matrixText(const TesMatrix& m) {
    std::string text;
    for (int row = 0; row < 4; ++row) {
        text += " ";
        for (int column = 0; column < 4; ++column) text += " " + refFormatDouble(m(row, column));
        text += "\n";
    }
    return text;
}

}  // namespace

RefSession::~RefSession() {
    if (command_ != nullptr) endCommand(false);
}

void RefSession::print(const std::string& text) {
    std::fputs(text.c_str(), out_);
    std::fflush(out_);
}

RefSessionResult RefSession::run(const std::string& path) {
    return runLines(refReadLines(path), path, folderOf(path));
}

RefSessionResult RefSession::runLines(const RefLineFile& script, const std::string& name, const std::string& folder) {
    RefSessionResult result;
    if (!script.good) {
        result.error = script.error;
        return result;
    }
    folder_ = folder;
    for (const RefLine& line : script.lines) {
        std::string error = execute(line);
        if (error.empty()) error = host_.failure();
        if (!error.empty()) {
            result.error = refLineError(name, line.number, error);
            return result;
        }
    }
    result.good = true;
    return result;
}

std::string RefSession::execute(const RefLine& line) {
    const std::vector<std::string>& words = line.words;
    const std::string& verb = words[0];
    static const std::map<std::string, int> sceneVerbs = {
        {"setting", 0}, {"registry", 0}, {"state", 0}, {"phase", 0}, {"camera", 0}, {"unit", 0}};
    if (verb == "scene") {
        if (words.size() != 2) return "scene needs one file";
        RefSceneResult loaded = refLoadScene(host_, resolve(folder_, words[1]));
        return loaded.good ? std::string() : loaded.error;
    }
    if (sceneVerbs.count(verb)) {
        RefLineFile single{true, {}, {RefLine{1, words}}};
        RefSceneResult loaded = refLoadSceneLines(host_, single, "statement");
        return loaded.good ? std::string() : loaded.error.substr(loaded.error.find(' ') + 1);
    }
    if (verb == "command") return words.size() == 2 ? startCommand(words[1]) : "command needs a class name";
    if (verb == "ok" || verb == "cancel") return endCommand(verb == "ok");
    if (verb == "dump") return words.size() == 2 ? dump(words[1]) : "dump needs what to dump";
    if (verb == "expect") return expect(words);
    if (verb == "widget") return buildWidget(words);
    if (verb == "matrix") return showMatrix(words);
    if (verb == "echo") {
        for (size_t i = 1; i < words.size(); ++i) print((i > 1 ? " " : "") + words[i]);
        print("\n");
        return {};
    }
    if (verb == "withdraw") {
        for (size_t i = 1; i < words.size(); ++i) host_.manager().removeService(words[i]);
        return words.size() > 1 ? std::string() : "withdraw needs service names";
    }
    if (verb == "answer") {
        static const std::map<std::string, int32_t> answers = {{"yes", kAnswerYes}, {"cancel", kAnswerCancel}, {"no", 2}};
        if (words.size() != 2 || !answers.count(words[1])) return "answer yes, no or cancel";
        host_.dialogs().queueAnswer(answers.at(words[1]));
        return {};
    }
    if (verb == "file") {
        if (words.size() != 2) return "file needs a path or cancel";
        const bool chosen = words[1] != "cancel";
        host_.fileDialogs().queueAnswer({chosen, chosen ? refWide(resolve(folder_, words[1])) : u""});
        return {};
    }
    return act(words);
}

std::string RefSession::startCommand(const std::string& className) {
    if (command_ != nullptr) return "a command is already running";
    const RefClassInfo* info = nullptr;
    const std::vector<RefClassInfo> classes = host_.manager().classes();
    for (const RefClassInfo& each : classes) {
        if (each.className == className) info = &each;
    }
    if (info == nullptr) return "no class named " + className;
    commandObject_ = host_.manager().createInstance(info->classId);
    command_ = tesQuery<IComponentCommand>(commandObject_.get(), "IComponentCommand");
    if (command_ == nullptr) {
        commandObject_.reset();
        return className + " is not a command";
    }
    panel_ = new RefPanel;
    container_ = new RefContainer(panel_.get(), static_cast<ITesDoc*>(&host_.document()), &host_.commandState());
    command_->setContainer(container_.get());
    command_->setDialog(panel_.get());
    const bool available = command_->isAvailable(&host_.commandState());
    print("command " + className + " \"" + refUtf8(command_->getName().c_str()) + "\": " +
          (available ? "available" : "not available") + "\n");
    if (!available) {
        command_ = nullptr;
        commandObject_.reset();
        return {};
    }
    command_->buildDialog(panel_.get());
    host_.commandState().set(kInCommand, true);
    if (command_->start()) {
        print("started\n");
        return {};
    }
    print("refused to start\n");
    host_.commandState().set(kInCommand, false);
    command_ = nullptr;
    commandObject_.reset();
    return {};
}

std::string RefSession::endCommand(bool ok) {
    if (command_ == nullptr) return "no command is running";
    const bool done = ok ? command_->onOk() : command_->onCancel();
    print(std::string(ok ? "ok" : "cancel") + (done ? ": ended\n" : ": refused\n"));
    if (!done) return {};
    command_->end();
    command_ = nullptr;
    commandObject_.reset();
    host_.commandState().set(kInCommand, false);
    return {};
}

RefControl* RefSession::control(const std::string& key, std::string& error) {
    RefControl* found = panel_ ? panel_->find(key) : nullptr;
    if (found == nullptr) error = "no control " + key;
    return found;
}

std::string RefSession::act(const std::vector<std::string>& words) {
    static const std::set<std::string> userActions = {"apply", "redraw", "click", "select", "type", "set", "value"};
    const std::string& verb = words[0];
    if (!userActions.count(verb)) return "unknown statement: " + verb;
    if (command_ == nullptr) return verb + ": no command is running";
    if (verb == "apply") {
        command_->onApply();
        return {};
    }
    if (verb == "redraw") {
        command_->onRedrawRequest(0);
        return {};
    }
    if (words.size() < 2) return verb + " needs a control";
    std::string error;
    RefControl* target = control(words[1], error);
    if (target == nullptr) return error;
    if (!target->enabled || !target->shown) return "control " + words[1] + " cannot be used now";
    IGuiReceiver* receiver = target->receiver != nullptr ? target->receiver : panel_->receiver();
    if (receiver == nullptr) receiver = command_;
    const int32_t id = target->id;
    if (verb == "click") {
        bool checked = target->kind == "radio" || (target->kind == "check" && !target->checked);
        if (words.size() == 3) checked = words[2] == "on";
        if (target->kind == "radio" || target->kind == "check") panel_->setChecked(id, checked);
        receiver->onControlClicked(id, checked);
        return {};
    }
    if (words.size() != 3) return verb + " needs a control and a value";
    if (verb == "select") {
        int index = 0;
        if (!refParseInt(words[2], &index) || index < -1 || index >= panel_->itemCount(id)) {
            return "no entry " + words[2] + " in " + words[1];
        }
        panel_->setSelection(id, index);
        receiver->onSelectionChanged(id, index);
        return {};
    }
    if (verb == "type") {
        panel_->setText(id, refWide(words[2]).c_str());
        receiver->onTextEdited(id, panel_->getText(id));
        return {};
    }
    double value = 0;
    if (!refParseDouble(words[2], &value)) return "not a number: " + words[2];
    if (target->kind == "numeric" && !(value >= target->minimum && value <= target->maximum)) {
        return words[2] + " is outside the range of " + words[1];
    }
    panel_->setValue(id, value);
    if (verb == "set") receiver->onEditFinished(id);
    return {};
}

std::string RefSession::dump(const std::string& what) {
    if (what == "panel") {
        if (!panel_) return "no panel";
        print("panel:\n" + panel_->dump());
    } else if (what == "camera") {
        RefCamera& camera = host_.camera();
        const TesVector eye = camera.eye();
        print("camera: zoom " + refFormatDouble(camera.zoom()) + " eye " + refFormatDouble(eye.x) + " " +
              refFormatDouble(eye.y) + " " + refFormatDouble(eye.z) + " near " +
              refFormatDouble(camera.clipping()->nearPlane()) + "\n" + matrixText(camera.orientation()));
    } else if (what == "settings") {
        print("settings:\n");
        for (const auto& [key, value] : host_.settings().values()) print("  " + key + " = " + refFormatSetting(value) + "\n");
    } else if (what == "dialogs") {
        print("dialogs:\n");
        for (const RefDialogShown& shown : host_.dialogs().shown()) {
            print("  kind " + std::to_string(shown.kind) + " \"" + refUtf8(shown.message) + "\" -> " +
                  std::to_string(shown.answer) + "\n");
        }
    } else if (what == "states") {
        print("states:");
        for (const std::string& state : host_.document().states()) print(" " + state);
        print("\n");
    } else if (what == "container") {
        if (!container_) return "no container";
        print("container:");
        for (const std::string& call : container_->calls()) print(" " + call + ";");
        print("\n");
    } else if (what == "prompt") {
        print("prompt: \"" + refUtf8(host_.statusBar().prompt()) + "\"\n");
    } else {
        return "cannot dump " + what;
    }
    return {};
}

std::string RefSession::expect(const std::vector<std::string>& words) {
    if (words.size() != 4) return "expect KEY value|text|selection|checked|enabled EXPECTED";
    std::string error;
    RefControl* target = control(words[1], error);
    if (target == nullptr) return error;
    const std::string& what = words[2];
    const std::string& expected = words[3];
    std::string actual;
    if (what == "value") {
        double wanted = 0;
        if (!refParseDouble(expected, &wanted)) return "not a number: " + expected;
        if (closeTo(target->value, wanted)) return {};
        actual = refFormatDouble(target->value);
    } else if (what == "text") {
        actual = refUtf8(panel_->getText(target->id));
    } else if (what == "selection") {
        actual = std::to_string(target->selection);
    } else if (what == "checked") {
        actual = target->checked ? "true" : "false";
    } else if (what == "enabled") {
        actual = target->enabled ? "true" : "false";
    } else {
        return "cannot expect " + what;
    }
    if (actual == expected) return {};
    return "expected " + words[1] + " " + what + " " + expected + ", found " + actual;
}

std::string RefSession::buildWidget(const std::vector<std::string>& words) {
    if (words.size() < 2 || words.size() > 3 || words[1] != "matrix") return "widget matrix [LABEL]";
    // The widget takes a panel of its own; the one a running command holds
    // must stay its own until the command ends.
    if (command_ != nullptr) return "widget: a command is running; end it first";
    void* face = nullptr;
    if (host_.manager().getService(kMatrixWidgetService, &face) != 1) return "the plug-in offers no matrix widget";
    widget_ = static_cast<ITesMatrixWidget*>(face);
    widgetObject_ = static_cast<ITesUnknown*>(widget_);
    auto* asWidget = tesQuery<ITesWidget>(widgetObject_.get(), "ITesWidget");
    if (asWidget == nullptr) return "the matrix widget is not a widget";
    widgetPanel_ = new RefPanel;
    panel_ = widgetPanel_;
    const std::u16string label = words.size() == 3 ? refWide(words[2]) : u"";
    asWidget->build(panel_.get(), label.c_str());
    return {};
}

std::string RefSession::showMatrix(const std::vector<std::string>& words) {
    if (widget_ == nullptr) return "no matrix widget";
    if (words.size() != 17) return "matrix needs sixteen values";
    TesMatrix matrix;
    for (int i = 0; i < 16; ++i) {
        if (!refParseDouble(words[static_cast<size_t>(i) + 1], &matrix[i])) return "not a number: " + words[i + 1];
    }
    widget_->setMatrix(matrix);
    return {};
}
