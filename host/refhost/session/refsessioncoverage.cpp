// Pictures from the user's view: the objects' selections, and what each
// render of the last selection of visible surface saw; the dump of the
// reference object's selection.
#include <cmath>
#include <functional>
#include <numbers>

#include "computation/refscan.h"
#include "computation/refscript.h"
#include "document/refworkflow.h"
#include "graphics/refpicking.h"
#include "graphics/refpicture.h"
#include "graphics/refpng.h"
#include "graphics/refvisibility.h"
#include "gui/refmarkers.h"
#include "infrastructure/reftext.h"
#include "progress.h"
#include "refhost.h"
#include "session/reflines.h"
#include "session/refsession.h"

namespace {

constexpr const char16_t* kRigObject = u"RefObject";
constexpr int32_t kShownIds = 10;

// Where a render's camera stood on the rig: the scanner and the turntable
// angle (whole degrees, 0 to 359) whose pose it took.
struct RigShot {
    int32_t scanner = -1;
    int32_t angle = 0;
};

// The scanner pose a camera took: up is minus the camera's second row, the
// viewing axis minus its third (the camera's right axis is L x U); the first
// axis follows from them with the handedness of the scanner's frame.
TesMatrix cameraPose(const TesMatrix& orientation, const TesMatrix& scanner) {
    const TesVector up{-orientation(1, 0), -orientation(1, 1), -orientation(1, 2)};
    const TesVector axis{-orientation(2, 0), -orientation(2, 1), -orientation(2, 2)};
    const bool rightHanded = dot(cross(scanner.column(0), scanner.column(1)), scanner.column(2)) >= 0;
    const TesVector first = rightHanded ? cross(up, axis) : cross(axis, up);
    return TesMatrix::fromColumns(first, up, axis, RefCamera::eyeOf(orientation));
}

double distance(const TesMatrix& a, const TesMatrix& b) {
    double sum = 0;
    for (int i = 0; i < 12; ++i) sum += (a[i] - b[i]) * (a[i] - b[i]);
    return sum;
}

// The scanner and angle of RefObject's rig whose literal pose, scanner x
// (turntable x Rz(a) x turntable^-1), is nearest the camera's.
RigShot rigShot(RefHost& host, const TesMatrix& orientation) {
    const RefRig rig = refRigOf(host.document());
    const TesMatrix& turntable = rig.turntable;
    const std::vector<TesMatrix>& scanners = rig.scanners;
    RigShot best;
    double bestDistance = 0;
    for (size_t s = 0; s < scanners.size(); ++s) {
        const TesMatrix pose = cameraPose(orientation, scanners[s]);
        const TesMatrix turn = turntable.inverse() * scanners[s].inverse() * pose * turntable;
        const double degrees = std::round(std::atan2(turn(1, 0), turn(0, 0)) * 180 / std::numbers::pi);
        const double radians = degrees * std::numbers::pi / 180;
        const TesMatrix literal = scanners[s] * (turntable * TesMatrix::rotation({0, 0, 1}, radians) * turntable.inverse());
        const double gap = distance(literal, pose);
        if (best.scanner < 0 || gap < bestDistance) {
            best = {static_cast<int32_t>(s), (static_cast<int32_t>(degrees) + 360) % 360};
            bestDistance = gap;
        }
    }
    return best;
}

// Whether item `item` of `object` is to be green.
using RefGreen = std::function<bool(const RefDrawnObject& drawn, int32_t item)>;

bool isSelected(const RefDrawnObject& drawn, int32_t item) {
    return drawn.mesh ? drawn.mesh->selection().test(item) : drawn.points->selection().test(item);
}

// The document from `camera`, the items `green` names in green.
std::vector<uint8_t> greenPicture(RefHost& host, const RefRenderCamera& camera, const RefGreen& green,
                                  const RefDrawStyle& style = {}) {
    RefRaster raster(camera.width, camera.height);
    const std::vector<RefDrawnObject> drawn = refDrawDocument(raster, host.document(), host.graphics(), camera, style);
    std::vector<float> shading;
    for (const RefDrawnObject& item : drawn) {
        if (!item.mesh) {
            shading.insert(shading.end(), static_cast<size_t>(item.itemCount), 1.0f);
            continue;
        }
        const RefMesh& mesh = item.mesh->mesh();
        const std::vector<float> own =
            refShading(mesh.vertices.data(), mesh.triangles.data(), mesh.triangleCount(),
                       camera.orientation * host.graphics().objectTransform(item.object.get()));
        shading.insert(shading.end(), own.begin(), own.end());
    }
    return refPicture(raster, shading, [&drawn, &green](int32_t id) {
        for (const RefDrawnObject& item : drawn) {
            if (id >= item.firstId && id - item.firstId < item.itemCount) return green(item, id - item.firstId + 1);
        }
        return false;
    });
}

// The markers on the objects drawn, where the camera sees their points.
void drawMarkers(RefHost& host, const RefRenderCamera& camera, const RefPane* pane, std::vector<uint8_t>& rgb) {
    for (const IPtr<RefObject>& object : host.document().objects()) {
        if (object->isExcluded() || (pane != nullptr && !pane->shows(object.get()))) continue;
        const RefPickProjector projector(camera, host.graphics().objectTransform(object.get()));
        for (RefMarkersWidget* markers : refMarkersOn(*object)) {
            for (const TesVector& point : markers->points()) {
                const double xyz[3] = {point.x, point.y, point.z};
                double x = 0, y = 0, depth = 0;
                if (!projector.project(xyz, &x, &y, &depth)) continue;
                refDrawMarker(rgb, camera.width, x, y, markers->markerColor().data());
            }
        }
    }
}

// What one render saw of each object.
RefGreen seenBy(const RefRenderRecord& record) {
    return [&record](const RefDrawnObject& drawn, int32_t item) {
        for (const auto& [object, items] : record.visibleItems) {
            if (object.get() == drawn.object.get()) return items.test(item);
        }
        return false;
    };
}

// Pictures are of the size of the host's views.
RefRenderCamera pictureCamera(RefCamera& camera) { return refRenderCamera(camera, kRefViewWidth, kRefViewHeight); }

RefRenderCamera userCamera(RefHost& host) { return pictureCamera(host.views().userScene().refCamera()); }

// PREFIX-s{scanner}-a{angle}.png, or s{scanner}-a{angle}.png in the folder
// a PREFIX ending in / names.
std::string shotPictureName(const std::string& prefix, int32_t scanner, int32_t angle) {
    const bool folder = !prefix.empty() && prefix.back() == '/';
    return prefix + (folder ? "s" : "-s") + std::to_string(scanner) + "-a" + std::to_string(angle) + ".png";
}

// To a thousandth: the eye of a pose carries rounding noise.
std::string vectorText(const TesVector& v) {
    const auto rounded = [](double value) { return refFormatDouble(std::round(value * 1000) / 1000 + 0.0); };
    return rounded(v.x) + " " + rounded(v.y) + " " + rounded(v.z);
}

}  // namespace

std::string RefSession::picture(const Words& words) {
    const bool ofPane = words.size() == 4 && words[1] == "pane";
    if (words.size() != 2 && !ofPane) return "picture needs a file, or pane P and a file";
    RefPane* pane = nullptr;
    if (ofPane) {
        int index = -1;
        pane = refParseInt(words[2], &index) && index >= 0 ? host_.views().refPane(index) : nullptr;
        if (pane == nullptr) return "picture: no pane " + words[2];
    }
    std::string error;
    const std::string path = resolve(words.back(), &error);
    if (!error.empty()) return error;
    const RefRenderCamera camera = pane != nullptr ? pictureCamera(pane->scene().refCamera()) : userCamera(host_);
    RefDrawStyle style;
    style.pane = pane;
    std::vector<uint8_t> pixels = greenPicture(host_, camera, isSelected, style);
    drawMarkers(host_, camera, pane, pixels);
    if (!refWritePng(path, camera.width, camera.height, pixels, &error)) return error;
    print("picture " + path + "\n");
    return {};
}

std::string RefSession::pictures(const Words& words) {
    if (words.size() != 2) return "pictures needs a file prefix";
    std::string error;
    const std::string prefix = resolve(words[1], &error);
    if (!error.empty()) return error;
    if (prefix.empty()) return "pictures needs a file prefix";
    const RefRenderLog log = host_.visBuffers().lastLog();
    const RefRenderCamera camera = userCamera(host_);
    print("pictures: " + std::to_string(log.size()) + " render(s)\n");
    ProgressCallbackBase progress;  // a bar on a terminal, through the host's "ITesProgress"
    progress.start();
    int64_t done = 0;
    for (const RefRenderRecord& record : log) {
        const RigShot shot = rigShot(host_, record.camera.orientation);
        const std::string path = shotPictureName(prefix, shot.scanner, shot.angle);
        if (!refWritePng(path, camera.width, camera.height, greenPicture(host_, camera, seenBy(record)), &error)) {
            return error;
        }
        print("  scanner " + std::to_string(shot.scanner) + " angle " + std::to_string(shot.angle) + " eye " +
              vectorText(RefCamera::eyeOf(record.camera.orientation)) + " picked " + std::to_string(record.picked) +
              " visible " + std::to_string(record.visible) + " " + path + "\n");
        progress.update(++done, static_cast<int64_t>(log.size()));
    }
    progress.finish();
    return {};
}

namespace {

// The language a script holder was last given, or "".
std::string languageOf(RefScriptHolder& holder) {
    constexpr std::string_view kLanguage = "language ";
    for (auto call = holder.calls().rbegin(); call != holder.calls().rend(); ++call) {
        if (call->starts_with(kLanguage)) return call->substr(kLanguage.size());
    }
    return {};
}

std::string scanText(const RefScanRequest& request, const RefScanResult& result) {
    char tolerances[96];
    std::snprintf(tolerances, sizeof tolerances, "%g mm and %g degrees", request.distanceTolerance,
                  request.angleTolerance);
    std::string text =
        "  recipe \"" + request.recipe + "\" of " + request.srmlPath + ", tolerances " + tolerances + "\n";
    for (const std::string& check : result.checks) text += "  " + check + "\n";
    if (!result.rigGood) return text + "  the rig is not where the recipe file has it: nothing scanned\n";
    for (const RefScanShot& shot : result.shots) {
        text += "  angle " + std::to_string(shot.angle) + ", scanner " + std::to_string(shot.scanner) + ", " +
                shot.settings + ": " + std::to_string(shot.seen.count()) + " seen\n";
    }
    char share[32];
    std::snprintf(share, sizeof share, "%.1f", result.items > 0 ? 100.0 * result.seen.count() / result.items : 0.0);
    return text + "  seen " + std::to_string(result.seen.count()) + " of " + std::to_string(result.items) +
           " items of RefObject (" + share + " %) in " + std::to_string(result.shots.size()) + " shots\n";
}

}  // namespace

// The script's calls, each a scan; the statement's error, or "". `last`
// is what the last call saw.
std::string RefSession::runScanScript(RefWorkflow& workflow, RefScanResult& last) {
    RefScriptHolder* holder = workflow.holder();
    const std::string quoted = "\"" + workflow.name() + "\"";
    if (holder == nullptr || holder->script().empty()) return "scan: workflow " + quoted + " holds no script";
    if (const std::string language = languageOf(*holder); language != "Python") {
        return "scan: the host runs Python scripts, not " + language;
    }
    const RefScriptRun run = refReadScript(holder->script());
    if (!run.good) return "scan: the script of " + quoted + ", " + run.error;
    print("scan " + quoted + "\n");
    for (const RefScriptCall& call : run.calls) {
        const RefScanRequest request{call.arguments[0].text, call.arguments[1].text, call.arguments[2].number,
                                     call.arguments[3].number};
        last = refVerifyAndScan(host_, request);
        if (!last.error.empty()) return "scan: " + last.error;
        print(scanText(request, last));
    }
    return {};
}

std::string RefSession::scan(const Words& words) {
    size_t at = 1;
    const bool named = at < words.size() && words[at] != "picture" && words[at] != "pictures";
    const std::string name = named ? words[at++] : std::string();
    std::map<std::string, std::string> files;  // "picture" and "pictures" to a path or prefix
    std::string error;
    for (; at + 1 < words.size() && (words[at] == "picture" || words[at] == "pictures"); at += 2) {
        files[words[at]] = resolve(words[at + 1], &error);
        if (!error.empty()) return error;
    }
    if (at != words.size()) return "scan needs [WORKFLOW] [picture FILE] [pictures PREFIX]";
    RefWorkflow* workflow = name.empty() ? host_.workflows().current() : host_.workflows().find(name);
    if (workflow == nullptr) return name.empty() ? "scan: there is no current workflow" : "scan: no workflow " + name;
    RefScanResult last;
    if (std::string problem = runScanScript(*workflow, last); !problem.empty()) return problem;
    if (files.contains("picture") && !writeSeen(files["picture"], last.seen, error)) return error;
    if (!files.contains("pictures")) return {};
    for (const RefScanShot& shot : last.shots) {
        if (!writeSeen(shotPictureName(files["pictures"], shot.scanner, shot.angle), shot.seen, error)) return error;
    }
    return {};
}

// The user's view with the items of RefObject in `seen` green.
bool RefSession::writeSeen(const std::string& path, const BitVector& seen, std::string& error) {
    RefObject* object = host_.document().find(kRigObject);
    const RefRenderCamera camera = userCamera(host_);
    const auto green = [object, &seen](const RefDrawnObject& drawn, int32_t item) {
        return drawn.object.get() == object && seen.test(item);
    };
    if (!refWritePng(path, camera.width, camera.height, greenPicture(host_, camera, green), &error)) return false;
    print("picture " + path + "\n");
    return true;
}

// The rig object's model, its selection and what the graphics document was told.
std::string RefSession::coverageText() {
    std::string text = "coverage:\n";
    RefObject* rig = host_.document().find(kRigObject);
    const BitVector* selection = nullptr;
    if (rig != nullptr && rig->meshModel() != nullptr) {
        text += "  model GenModel, " + std::to_string(rig->meshModel()->triangleCount()) + " triangles\n";
        selection = &rig->meshModel()->selection();
    } else if (rig != nullptr && rig->pointModel() != nullptr) {
        text += std::string("  model ") + (rig->type() == std::string("Scan") ? "ScanModel, " : "PointModel, ") +
                std::to_string(rig->pointModel()->pointCount()) + " points\n";
        selection = &rig->pointModel()->selection();
    } else {
        text += "  no model\n";
    }
    if (selection != nullptr) {
        text += "  selected " + std::to_string(selection->count()) + ":";
        int32_t shown = 0;
        for (int32_t id = selection->nextSet(0); id >= 0 && shown < kShownIds; id = selection->nextSet(id), ++shown) {
            text += " " + std::to_string(id);
        }
        text += selection->count() > kShownIds ? " ...\n" : "\n";
    }
    text += "  notifications:";
    for (int32_t what : host_.graphicsDocument().notifications()) text += " " + std::to_string(what);
    return text + "\n";
}
