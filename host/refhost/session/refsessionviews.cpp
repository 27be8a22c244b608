// Session statements about views and cameras: the view manager's callbacks,
// and the dumps of the stored views and of the last camera transition.
#include "infrastructure/reftext.h"
#include "refhost.h"
#include "session/refsession.h"

namespace {

// Adding 0 turns -0 into 0, which reads the same and looks less alarming.
std::string numberText(double value) { return refFormatDouble(value + 0.0); }

std::string vectorText(const TesVector& v) { return numberText(v.x) + " " + numberText(v.y) + " " + numberText(v.z); }

// "eye X Y Z look X Y Z zoom Z".
std::string placementText(const GfxCameraState& camera) {
    return "eye " + vectorText(RefCamera::eyeOf(camera.orientation)) + " look " +
           vectorText(RefCamera::lookOf(camera.orientation)) + " zoom " + numberText(camera.zoom);
}

// "\"NAME\" flags F", then the camera of a host view.
std::string viewText(IView* view) {
    std::string text = refQuote(refUtf8(view->name())) + " flags " + std::to_string(view->flags());
    if (auto* refView = tesQuery<RefView>(view, "RefView")) text += " " + placementText(refView->camera());
    return text;
}

std::string attachedText(IView* view) {
    if (view == nullptr) return "  attached none\n";
    std::string text = "  attached " + refQuote(refUtf8(view->name())) + " flags " + std::to_string(view->flags());
    if (auto* refView = tesQuery<RefView>(view, "RefView")) text += refView->active() ? " active" : " inactive";
    return text + "\n";
}

}  // namespace

std::string RefSession::fireCallback(const Words& words) {
    int kind = 0, type = 0;
    if (words.size() != 3 || !refParseInt(words[1], &kind) || !refParseInt(words[2], &type)) {
        return "callback needs a kind and a type, both integers";
    }
    std::string error;
    if (running(words[0], error) == nullptr) return error;
    const int called = host_.views().fireCallbacks(kind, type);
    print("callback " + std::to_string(kind) + ": " + std::to_string(called) + " called\n");
    return {};
}

std::string RefSession::viewsText() {
    std::string text = "views:\n";
    RefViewTheme& theme = host_.viewTheme();
    for (int32_t number = 1; number <= theme.count(); ++number) {
        text += "  " + std::to_string(number) + " " + viewText(theme.view(number)) + "\n";
    }
    text += attachedText(host_.views().current().attached());
    return text + "  layout " + viewText(host_.viewLayout().currentView(0)) + "\n";
}

std::string RefSession::animationText() {
    std::string text = "animation:\n";
    const std::vector<GfxCameraState>& states = host_.animator().lastTransition();
    for (size_t step = 0; step < states.size(); ++step) {
        text += "  " + std::to_string(step) + " " + placementText(states[step]) + "\n";
    }
    return text;
}
