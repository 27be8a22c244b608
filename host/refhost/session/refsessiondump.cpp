// The dump statement: prints a part of the host's state, each under its own
// heading.
#include "infrastructure/reftext.h"
#include "refhost.h"
#include "session/refsession.h"

namespace {

std::string matrixText(const TesMatrix& m) {
    std::string text;
    for (int row = 0; row < 4; ++row) {
        text += " ";
        for (int column = 0; column < 4; ++column) text += " " + refFormatDouble(m(row, column));
        text += "\n";
    }
    return text;
}

std::string cameraText(RefCamera& camera) {
    const TesVector eye = camera.eye();
    return "camera: zoom " + refFormatDouble(camera.zoom()) + " eye " + refFormatDouble(eye.x) + " " +
           refFormatDouble(eye.y) + " " + refFormatDouble(eye.z) + " near " +
           refFormatDouble(camera.clipping()->nearPlane()) + "\n" + matrixText(camera.orientation());
}

std::string settingsText(RefHost& host) {
    std::string text = "settings:\n";
    for (const auto& [key, value] : host.settings().values()) text += "  " + key + " = " + refFormatSetting(value) + "\n";
    return text;
}

std::string dialogsText(RefHost& host) {
    std::string text = "dialogs:\n";
    for (const RefDialogShown& shown : host.dialogs().shown()) {
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
    } else if (what == "prompt") {
        print("prompt: \"" + refUtf8(host_.statusBar().prompt()) + "\"\n");
    } else {
        return "cannot dump " + what;
    }
    return {};
}
