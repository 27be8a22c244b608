// Session statements of the two-object alignment: clicks at a point of an
// object or at a pixel, the object selector, poses, and what the alignment
// leaves in the host (markers, fit, objects, panes, automation, busy).
#include <array>
#include <cmath>
#include <cstdio>

#include "graphics/refinputevents.h"
#include "graphics/refrendercamera.h"
#include "hostapi/commands.h"
#include "hostapi/gui.h"
#include "infrastructure/reftext.h"
#include "refhost.h"
#include "session/refsession.h"

namespace {

using Words = RefSession::Words;

// How far, relative to the depth, a pick may land from the point asked for.
constexpr double kSameSpot = 1e-6;

// Computed figures with six decimals: the last bits of a fit differ between
// optimisation levels, transcripts must not.
std::string fixed(double value) {
    char text[64];
    std::snprintf(text, sizeof text, "%.6f", value);
    const std::string shown = text;
    return shown == "-0.000000" ? "0.000000" : shown;
}

std::string pointText(const TesVector& p) { return fixed(p.x) + " " + fixed(p.y) + " " + fixed(p.z); }

std::string fixedMatrixText(const TesMatrix& m) { return refMatrixText(m, fixed); }

// RGBA as the floats hold them, to the few digits a colour is given with.
std::string colourText(const std::array<float, 4>& rgba) {
    char text[64];
    std::snprintf(text, sizeof text, "%g %g %g %g", rgba[0], rgba[1], rgba[2], rgba[3]);
    return text;
}

void clickIn(RefHost& host, IComponentCommand* command, int pane, double x, double y) {
    host.views().setActivePane(pane);
    IPtr<RefMouseEvent> event(RefMouseEvent::clickAt(x, y));
    command->onMouseEvent(event.get());
}

// Whether the host's pick through the active pane at (x, y) meets `object`
// at `model` (model coordinates).
bool pickMeets(RefHost& host, RefObject* object, double x, double y, const TesVector& model, double depth) {
    IPtr<RefMouseEvent> probe(RefMouseEvent::clickAt(x, y));
    host.picking().setEvent(probe.get());
    TesVector hit{};
    const bool seen = host.picking().pick(object, &hit);
    host.picking().setEvent(nullptr);
    return seen && (hit - model).length() <= kSameSpot * std::max(1.0, depth);
}

std::string markersText(RefHost& host) {
    std::string text = "markers:\n";
    for (const IPtr<RefObject>& object : host.document().objects()) {
        for (RefMarkersWidget* markers : refMarkersOn(*object)) {
            text += "  " + refUtf8(object->name()) + " (" + colourText(markers->markerColor()) +
                    "): " + std::to_string(markers->count()) + "\n";
            int number = 0;
            for (const TesVector& point : markers->points()) {
                text += "    " + std::to_string(++number) + ": " + pointText(point) + "\n";
            }
        }
    }
    return text;
}

std::string fitText(RefHost& host) {
    const std::vector<double>& residuals = host.aligner().residuals();
    if (residuals.empty()) return "fit: none\n";
    std::string text = "fit: " + std::to_string(residuals.size()) + " pairs, rms " + fixed(host.aligner().rms()) + "\n";
    for (size_t i = 0; i < residuals.size(); ++i) {
        text += "  " + std::to_string(i + 1) + ": " + fixed(residuals[i]) + "\n";
    }
    return text;
}

std::string objectsText(RefHost& host) {
    std::string text = "objects:\n";
    for (const IPtr<RefObject>& object : host.document().objects()) {
        const RefObject::Display& display = object->display();
        text += "  " + refUtf8(object->name()) + " " + object->type() + ": display " + std::to_string(display.flag) +
                " " + std::to_string(display.secondFlag) + ", node mode " +
                std::to_string(object->node().displayMode()) + ", handles " +
                std::to_string(object->node().attached().size()) + ", refreshes " +
                std::to_string(object->node().refreshes());
        for (const auto& [name, value] : display.properties) text += ", " + name + " " + std::to_string(value);
        if (object->pointModel() != nullptr && object->pointModel()->hasNormals()) text += ", normals";
        if (auto* features = tesQuery<RefFeatureMgr>(object->component(kRefFeatureMgrId), "RefFeatureMgr")) {
            size_t shown = 0;
            for (const IPtr<RefFeature>& feature : features->features()) shown += feature->visibility() != 0;
            text += ", features shown " + std::to_string(shown) + " of " + std::to_string(features->features().size());
        }
        if (!object->accepted().role.empty()) text += ", accepted as " + object->accepted().role;
        text += "\n";
    }
    text += "  document calls:";
    for (const std::string& call : host.document().calls()) text += " " + call + ";";
    text += "\n  committed:";
    for (const std::u16string& name : host.graphics().commits()) text += " " + refUtf8(name);
    return text + "\n";
}

std::string paneText(const std::string& heading, RefPane& pane) {
    std::string text = "  " + heading + " \"" + refUtf8(pane.title()) + "\": scene " +
                       std::to_string(pane.sceneSetting()) + ", view " + std::to_string(pane.viewSetting()) +
                       ", updates " + std::to_string(pane.updates()) + ", shows";
    if (pane.showsAll()) text += " all";
    for (const IPtr<ITesObject>& object : pane.shown()) text += " " + refUtf8(object->name());
    text += "\n    centre " + pointText(pane.centre()) + ", eye " + pointText(pane.scene().refCamera().eye()) + "\n";
    return text;
}

std::string panesText(RefHost& host) {
    RefViewMgr& views = host.views();
    std::string text = "panes: layout " + std::to_string(views.layout()) + ", active " +
                       std::to_string(views.activePaneIndex()) + ", layout switched on";
    for (int32_t on : host.viewLayout().activations()) text += " " + std::to_string(on);
    text += ", handed back " + std::to_string(host.graphicsDocument().layoutsRestored()) + "\n";
    if (auto* main = tesQuery<RefPane>(views.mainView(), "RefPane")) text += paneText("main", *main);
    if (views.layout() != kGfxLayoutPanes) return text;
    for (int32_t index = 0; index < 4; ++index) {
        text += paneText("pane " + std::to_string(index), *views.refPane(index));
    }
    return text;
}

std::string automationText(RefHost& host) {
    std::string text = "automation:\n";
    for (const IPtr<RefPreAlignAutoNode>& node : host.automation().nodes()) {
        text += "  \"" + refUtf8(node->label()) + "\"\n";
        if (node->hasMatrix()) text += fixedMatrixText(node->matrix());
    }
    return text;
}

std::string busyText(RefHost& host) {
    std::string text = "busy:";
    for (const std::u16string& shown : host.busyBlock().texts()) text += " \"" + refUtf8(shown) + "\"";
    text += ", open " + std::to_string(host.busyBlock().open()) + ", progress";
    for (float fraction : host.progress().fractions()) text += " " + refFormatDouble(fraction);
    return text + "\n";
}

}  // namespace

std::string RefSession::pickAtPoint(IComponentCommand* command, int pane, const Words& words, size_t first) {
    std::string error;
    RefObject* object = findObject("pick", words[first], error);
    if (object == nullptr) return error;
    double model[3] = {};
    for (size_t i = 0; i < 3; ++i) {
        const std::string& word = words[first + 2 + i];
        if (!refParseDouble(word, &model[i]) || !std::isfinite(model[i])) return "pick: not a coordinate: " + word;
    }
    const std::string where =
        words[first + 2] + " " + words[first + 3] + " " + words[first + 4] + " of " + words[first];
    return clickOnObject(command, pane, object, {model[0], model[1], model[2]}, where);
}

// The centre of the triangle shows in the pane, so that the click meets the
// same triangle on copies of a mesh moved or shaken apart.
std::string RefSession::pickTriangle(IComponentCommand* command, int pane, const Words& words, size_t first) {
    std::string error;
    RefObject* object = findObject("pick", words[first], error);
    if (object == nullptr) return error;
    const RefMesh* mesh = object->mesh();
    int triangle = -1;
    if (mesh == nullptr || !refParseInt(words[first + 2], &triangle) || triangle < 0 ||
        triangle >= mesh->triangleCount()) {
        return "pick: " + words[first] + " has no triangle " + words[first + 2];
    }
    TesVector centre{0, 0, 0};
    for (int corner = 0; corner < 3; ++corner) {
        centre = centre + mesh->vertex(mesh->triangles[3 * static_cast<size_t>(triangle) + corner]) * (1.0 / 3);
    }
    return clickOnObject(command, pane, object, centre, "triangle " + words[first + 2] + " of " + words[first]);
}

std::string RefSession::clickOnObject(IComponentCommand* command, int pane, RefObject* object, const TesVector& model,
                                      const std::string& where) {
    RefPane* target = host_.views().refPane(pane);
    if (target == nullptr) return "pick: no pane " + std::to_string(pane);
    RefCamera& camera = target->scene().refCamera();
    const RefRenderCamera view{camera.orientation(), camera.projection()};
    const double point[3] = {model.x, model.y, model.z};
    double x = 0, y = 0, depth = 0;
    if (!RefPickProjector(view, host_.graphics().objectTransform(object)).project(point, &x, &y, &depth)) {
        return "pick: " + where + " is not in view in pane " + std::to_string(pane);
    }
    host_.views().setActivePane(pane);
    if (!pickMeets(host_, object, x, y, model, depth)) {
        return "pick: " + where + " is hidden in pane " + std::to_string(pane);
    }
    clickIn(host_, command, pane, x, y);
    return {};
}

std::string RefSession::pickAtPixel(IComponentCommand* command, int pane, const Words& words, size_t first) {
    int x = 0, y = 0;
    if (!refParseInt(words[first], &x) || !refParseInt(words[first + 1], &y)) {
        return "pick: pixel X Y needs two integers";
    }
    if (x < 0 || y < 0 || x >= kRefViewWidth || y >= kRefViewHeight) {
        return "pick: pixel " + words[first] + " " + words[first + 1] + " is outside the pane";
    }
    if (host_.views().refPane(pane) == nullptr) return "pick: no pane " + std::to_string(pane);
    clickIn(host_, command, pane, x + 0.5, y + 0.5);
    return {};
}

std::string RefSession::choose(const Words& words) {
    std::string error;
    IGuiReceiver* receiver = nullptr;
    RefControl* target = usableControl(words, 3, &receiver, error);
    if (target == nullptr) return error;
    auto* selector = tesQuery<RefObjSelector>(target->widget, "RefObjSelector");
    if (selector == nullptr) return "choose: " + words[1] + " is not an object selector";
    RefObject* object = findObject("choose", words[2], error);
    if (object == nullptr) return error;
    if (!selector->choose(object)) return "choose: the selector refuses " + words[2];
    return {};
}

// The matrix also goes to the matrix widget when one is built.
std::string RefSession::objectMatrix(const Words& words) {
    std::string error;
    RefObject* object = findObject("matrix", words[2], error);
    if (object == nullptr) return error;
    const RefObject::Accepted& accepted = object->accepted();
    TesMatrix shown;
    if (words[1] == "transform") {
        shown = object->pose();
        print("transform " + words[2] + ":\n" + fixedMatrixText(shown));
    } else if (words[1] == "aligned" && accepted.role.empty()) {
        print("aligned " + words[2] + ": none\n");
    } else if (words[1] == "aligned") {
        shown = accepted.alignment;
        print("aligned " + words[2] + " as " + accepted.role + ":\n" + fixedMatrixText(shown));
    } else {
        return "matrix transform|aligned OBJECT, or sixteen values";
    }
    if (widget_ != nullptr) widget_->setMatrix(shown);
    return {};
}

std::string RefSession::alignmentText(const std::string& what) {
    if (what == "markers") return markersText(host_);
    if (what == "fit") return fitText(host_);
    if (what == "objects") return objectsText(host_);
    if (what == "panes") return panesText(host_);
    if (what == "automation") return automationText(host_);
    if (what == "busy") return busyText(host_);
    return {};
}
