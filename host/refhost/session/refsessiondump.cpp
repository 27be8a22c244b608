// The dump statement: prints a part of the host's state, each under its own
// heading.
#include "infrastructure/reftext.h"
#include "refhost.h"
#include "session/refsession.h"

std::string refMatrixText(const TesMatrix& m, std::string (*format)(double)) {
    std::string text;
    for (int row = 0; row < 4; ++row) {
        text += " ";
        for (int column = 0; column < 4; ++column) text += " " + format(m(row, column));
        text += "\n";
    }
    return text;
}

namespace {

std::string cameraText(RefCamera& camera) {
    const TesVector eye = camera.eye();
    return "camera: zoom " + refFormatDouble(camera.zoom()) + " eye " + refFormatDouble(eye.x) + " " +
           refFormatDouble(eye.y) + " " + refFormatDouble(eye.z) + " near " +
           refFormatDouble(camera.clipping()->nearPlane()) + "\n" + refMatrixText(camera.orientation());
}

std::string settingsText(RefHost& host) {
    std::string text = "settings:\n";
    for (const auto& [key, value] : host.settings().values()) text += "  " + key + " = " + refFormatSetting(value) + "\n";
    return text;
}

std::string dialogsText(RefHost& host) {
    std::string text = "dialogs:\n";
    for (const RefDialogShown& shown : host.dialogs().takeShown()) {
        text += "  kind " + std::to_string(shown.kind) + " \"" + refUtf8(shown.message) + "\" -> " +
                std::to_string(shown.answer) + "\n";
    }
    return text;
}

std::string statesText(RefHost& host) {
    std::string text = "states:";
    for (const std::string& state : host.document().states()) text += " " + state;
    return text + "\n";
}

// Each live selector, then what the preselection was handed.
std::string selectionText(RefHost& host) {
    std::string text = "selection:\n";
    for (RefFeatureSelector* selector : host.selectors().live()) {
        const bool selected = selector->selection() != nullptr;
        text += "  selector " + std::to_string(selector->number()) +
                (selector->isCurrent() ? ": current, " : ": idle, ") +
                (selected ? "\"" + refUtf8(selector->displayName()) + "\"" : std::string("nothing")) + ", face " +
                std::to_string(selector->faceIndex()) + "\n";
    }
    text += "  preselect keys:";
    for (int32_t key : host.preselect().keys()) text += " " + std::to_string(key);
    text += "\n  preselect notifications:";
    for (const auto& [first, second, third] : host.preselect().notifications()) {
        text += " (" + std::to_string(first) + " " + std::to_string(second) + " " + std::to_string(third) + ")";
    }
    return text + "\n";
}

std::string commandsText(RefHost& host) {
    std::string text = "commands:\n";
    for (const RefCommandRun& run : host.commandAccess().runs()) {
        text += "  \"" + refUtf8(run.name) + "\" " + std::to_string(run.flags) +
                (run.known ? ": run\n" : ": unknown\n");
    }
    return text;
}

}  // namespace

std::string RefSession::dump(const Words& words) {
    if (words.size() != 2) return "dump needs what to dump";
    const std::string& what = words[1];
    if (what == "panel") {
        if (!panel_) return "no panel";
        print("panel:\n" + panel_->dump());
    } else if (what == "container") {
        if (!container_) return "no container";
        print("container:");
        for (const std::string& call : container_->calls()) print(" " + call + ";");
        print("\n");
    } else if (what == "camera") {
        print(cameraText(host_.camera()));
    } else if (what == "settings") {
        print(settingsText(host_));
    } else if (what == "dialogs") {
        print(dialogsText(host_));
    } else if (what == "states") {
        print(statesText(host_));
    } else if (what == "workflows") {
        print(refWorkflowsText(host_.workflows()));
    } else if (what == "files") {
        print("files:\n");
        for (const std::string& request : host_.fileDialogs().takeRequests()) print("  " + request + "\n");
    } else if (what == "views") {
        print(viewsText());
    } else if (what == "animation") {
        print(animationText());
    } else if (what == "selection") {
        print(selectionText(host_));
    } else if (what == "commands") {
        print(commandsText(host_));
    } else if (what == "coverage") {
        print(coverageText());
    } else if (what == "asserts") {
        print("asserts:\n");
        for (const RefAssertReport& report : host_.asserts().reports()) {
            print("  \"" + report.expression + "\" " + report.source + ":" + std::to_string(report.line) + "\n");
        }
    } else if (what == "prompt") {
        print("prompt: \"" + refUtf8(host_.statusBar().prompt()) + "\"\n");
    } else if (std::string text = alignmentText(what); !text.empty()) {
        print(text);
    } else {
        return "cannot dump " + what;
    }
    return {};
}
