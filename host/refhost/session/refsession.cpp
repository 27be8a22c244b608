#include "session/refsession.h"

#include <algorithm>

#include "hostapi/commands.h"
#include "infrastructure/reftext.h"
#include "refhost.h"
#include "tesstring.h"

namespace {

constexpr const char* kInCommand = "inCommand";

std::string folderOf(const std::string& path) {
    const size_t slash = path.rfind('/');
    return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

}  // namespace

const std::map<std::string, RefSession::Handler>& RefSession::handlers() {
    static const std::map<std::string, Handler> table = {
        {"scene", &RefSession::loadScene},
        {"setting", &RefSession::sceneStatement},
        {"registry", &RefSession::sceneStatement},
        {"state", &RefSession::sceneStatement},
        {"phase", &RefSession::sceneStatement},
        {"camera", &RefSession::sceneStatement},
        {"unit", &RefSession::sceneStatement},
        {"withdraw", &RefSession::withdraw},
        {"answer", &RefSession::queueAnswer},
        {"file", &RefSession::queueFile},
        {"echo", &RefSession::echo},
        {"show", &RefSession::showFile},
        {"save", &RefSession::savePoints},
        {"command", &RefSession::startCommand},
        {"ok", &RefSession::endCommand},
        {"cancel", &RefSession::endCommand},
        {"apply", &RefSession::apply},
        {"redraw", &RefSession::redraw},
        {"click", &RefSession::click},
        {"select", &RefSession::select},
        {"type", &RefSession::typeText},
        {"set", &RefSession::setValue},
        {"value", &RefSession::setValue},
        {"spin", &RefSession::spin},
        {"expect", &RefSession::expect},
        {"widget", &RefSession::buildWidget},
        {"matrix", &RefSession::showMatrix},
        {"dump", &RefSession::dump},
        {"view", &RefSession::sceneStatement},
        {"callback", &RefSession::fireCallback},
        {"pick", &RefSession::pick},
        {"choose", &RefSession::choose},
        {"key", &RefSession::key},
        {"activate", &RefSession::activate},
        {"notify", &RefSession::notify},
        {"preselect", &RefSession::preselect},
        {"picture", &RefSession::picture},
        {"pictures", &RefSession::pictures},
        {"scan", &RefSession::scan},
    };
    return table;
}

RefSession::~RefSession() {
    if (command_ != nullptr) endCommand({"cancel"});
}

// The output folder shows as $OUT: transcripts stay the same wherever the
// run writes.
void RefSession::print(const std::string& text) {
    std::string shown = text;
    if (!outFolder_.empty()) {
        for (size_t at = shown.find(outFolder_); at != std::string::npos; at = shown.find(outFolder_, at + 4)) {
            shown.replace(at, outFolder_.size(), "$OUT");
        }
    }
    std::fputs(shown.c_str(), out_);
    std::fflush(out_);
    if (transcript_ != nullptr) transcript_->append(shown);
}

std::string RefSession::resolve(const std::string& path, std::string* error) const {
    static const std::string kOut = "$OUT/";
    if (path.compare(0, kOut.size(), kOut) == 0) {
        if (outFolder_.empty()) *error = path + ": the run has no output folder (vesper-host run --out DIR)";
        return outFolder_ + "/" + path.substr(kOut.size());
    }
    return !path.empty() && path[0] == '/' ? path : folder_ + path;
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
    // Answers the script queued for dialogs that never came are a mistake
    // in the script: they would answer the next script's questions.
    const size_t unused = host_.dialogs().unusedAnswers() + host_.fileDialogs().unusedAnswers();
    if (unused > 0) {
        const int line = firstUnusedAnswerLine();
        result.error = refLineError(name, line > 0 ? line : script.lines.back().number,
                                    "the session ended with " + std::to_string(unused) + " unused answer(s)");
        return result;
    }
    result.good = true;
    return result;
}

std::string RefSession::execute(const RefLine& line) {
    line_ = line.number;
    const auto found = handlers().find(line.words[0]);
    if (found == handlers().end()) return "unknown statement: " + line.words[0];
    return (this->*found->second)(line.words);
}

// Each queue hands out its answers oldest first, so the unused ones are the
// last ones this session queued.
int RefSession::firstUnusedAnswerLine() const {
    int first = 0;
    const auto oldest = [&first](const std::vector<int>& lines, size_t unused) {
        if (unused == 0 || lines.empty()) return;
        const int line = lines[lines.size() - std::min(unused, lines.size())];
        if (first == 0 || line < first) first = line;
    };
    oldest(answerLines_, host_.dialogs().unusedAnswers());
    oldest(fileLines_, host_.fileDialogs().unusedAnswers());
    return first;
}

IComponentCommand* RefSession::running(const std::string& verb, std::string& error) {
    if (command_ == nullptr) error = verb + ": no command is running";
    return command_;
}

void RefSession::stopCommand() {
    command_ = nullptr;
    commandObject_.reset();
    host_.commandState().set(kInCommand, false);
}

std::string RefSession::startCommand(const Words& words) {
    if (words.size() != 2) return "command needs a class name";
    const std::string& className = words[1];
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
        stopCommand();
        return {};
    }
    command_->buildDialog(panel_.get());
    host_.commandState().set(kInCommand, true);
    const bool started = command_->start();
    print(started ? "started\n" : "refused to start\n");
    if (!started) stopCommand();
    return {};
}

std::string RefSession::endCommand(const Words& words) {
    const bool ok = words[0] == "ok";
    std::string error;
    IComponentCommand* command = running(words[0], error);
    if (command == nullptr) return "no command is running";
    if (ok && panel_ && !panel_->standardButtonEnabled(kGuiAcceptButton)) return "ok: the accept button is disabled";
    const bool done = ok ? command->onOk() : command->onCancel();
    print(std::string(ok ? "ok" : "cancel") + (done ? ": ended\n" : ": refused\n"));
    if (!done) return {};
    command->end();
    stopCommand();
    return {};
}

std::string RefSession::apply(const Words& words) {
    std::string error;
    if (IComponentCommand* command = running(words[0], error)) command->onApply();
    return error;
}

std::string RefSession::redraw(const Words& words) {
    std::string error;
    if (IComponentCommand* command = running(words[0], error)) command->onRedrawRequest(0);
    return error;
}
