// srmltool: checks, rewrites and creates SRML recipe files with the plug-in's
// own reader and writer, loaded into the reference host.
#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "hostapi/srml.h"
#include "refhost.h"
#include "session/refscene.h"
#include "infrastructure/refxml.h"
#include "srmlcheck.h"
#include "srmldiff.h"
#include "document/refsrmltext.h"
#include "toolcli.h"

namespace {

constexpr int kExitGood = kToolExitSuccess;
constexpr int kExitFailed = kToolExitFailed;
constexpr const char* kProgram = "srmltool";
constexpr const char* kStandardOutput = "-";

int failure(const std::string& message) {
    std::fprintf(stderr, "%s: %s\n", kProgram, message.c_str());
    return kExitFailed;
}

// Why writing `path` failed, with the system's reason when the XML service got
// as far as saving.
int writeFailure(const std::string& path) {
    const std::string reason = refXmlLastSaveError();
    return failure(path + ": cannot write the file" + (reason.empty() ? std::string() : ": " + reason));
}

// The plug-in's classes, created through the host as any host creates them.
class Plugin {
public:
    bool load(const std::string& path, std::string& error) {
        host_.installInLibrary();
        const RefLoadedComponent loaded = host_.loadComponent(path);
        error = loaded.error;
        return loaded.good;
    }
    RefHost& host() { return host_; }

    template <class T>
    IPtr<T> make(const TesClassId& id, const char* interfaceName) {
        IPtr<ITesUnknown> object = host_.manager().createInstance(id);
        return IPtr<T>(tesQuery<T>(object.get(), interfaceName));
    }

private:
    RefHost host_;
};

TesString widePath(const std::string& path) { return TesString::fromUtf8(path); }

void printSummary(ITesSRML& document) {
    ITesSRMLModelData* model = document.modelData();
    TesMatrix turntable;
    if (model != nullptr) model->turntableTransform(turntable);
    std::printf("turntable: origin %s\n", refSrmlOriginText(turntable).c_str());
    std::set<int32_t> ids;
    if (model != nullptr) {
        SRMLScannerMap& map = model->scannerTransforms();
        for (auto cursor = map.first(); cursor.valid(); map.next(cursor)) ids.insert(cursor.key());
    }
    std::printf("scanners:  %zu", ids.size());
    for (int32_t id : ids) std::printf(" %d", id);
    std::printf("\nrecipes:   %zu\n", document.recipes().size());
    for (const IPtr<ITesSRMLRecipe>& recipe : document.recipes()) {
        size_t cameras = 0;
        for (const IPtr<ITesSRMLScanAngle>& angle : recipe->angles()) cameras += angle->scanners().size();
        std::printf("  \"%s\": %zu angles, %zu cameras\n", refSrmlRecipeName(*recipe).c_str(), recipe->angles().size(),
                    cameras);
    }
}

// Everything the document holds: each scanner's place, each recipe's defaults
// and every angle with its cameras, in the file's order.
void printDetails(ITesSRML& document) {
    if (ITesSRMLModelData* model = document.modelData()) {
        SRMLScannerMap& map = model->scannerTransforms();
        for (auto cursor = map.first(); cursor.valid(); map.next(cursor)) {
            std::printf("scanner %d: origin %s\n", cursor.key(), refSrmlOriginText(cursor.value()).c_str());
        }
    }
    for (const IPtr<ITesSRMLRecipe>& recipe : document.recipes()) {
        std::printf("recipe \"%s\": defaults %s\n", refSrmlRecipeName(*recipe).c_str(),
                    refSrmlPropertiesText(recipe->defaultProperties()).c_str());
        for (const IPtr<ITesSRMLScanAngle>& angle : recipe->angles()) {
            std::string line =
                "  angle " + std::to_string(angle->angle()) + " " + refSrmlResolutionText(angle->resolution());
            const SRMLScanPropertiesList& properties = angle->scannerProperties();
            for (size_t i = 0; i < angle->scanners().size(); ++i) {
                line += (i == 0 ? ": scanner " : "; scanner ") + std::to_string(angle->scanners()[i]) + " " +
                        refSrmlPropertiesText(i < properties.size() ? properties[i].get() : nullptr);
            }
            std::printf("%s\n", line.c_str());
        }
    }
}

// Reads `path` into `document`; on failure says where the file breaks the format.
bool readReporting(ITesSRML& document, const std::string& path) {
    if (document.read(widePath(path))) return true;
    const SrmlCheckResult check = srmlCheck(path);
    if (check.good) {
        failure(path + ": the reader refused the file");
    } else if (check.line > 0) {
        failure(path + ":" + std::to_string(check.line) + ": " + check.problem);
    } else {
        failure(path + ": " + check.problem);
    }
    return false;
}

int check(Plugin& plugin, const std::string& path, bool details) {
    IPtr<ITesSRML> document = plugin.make<ITesSRML>(kSRMLClassId, "ITesSRML");
    if (!document) return failure("the plug-in offers no SRML class");
    if (!readReporting(*document, path)) return kExitFailed;
    printSummary(*document);
    if (details) printDetails(*document);
    return kExitGood;
}

// Reads both files and prints what differs from the first to the second;
// exit 0 when they hold the same, 1 when they differ or one cannot be read.
int diff(Plugin& plugin, const std::string& firstPath, const std::string& secondPath) {
    IPtr<ITesSRML> first = plugin.make<ITesSRML>(kSRMLClassId, "ITesSRML");
    IPtr<ITesSRML> second = plugin.make<ITesSRML>(kSRMLClassId, "ITesSRML");
    if (!first || !second) return failure("the plug-in offers no SRML class");
    if (!readReporting(*first, firstPath) || !readReporting(*second, secondPath)) return kExitFailed;
    const std::vector<std::string> lines = srmlDifferences(*first, *second);
    for (const std::string& line : lines) std::printf("%s\n", line.c_str());
    if (lines.empty()) {
        std::printf("the files hold the same rig and recipes\n");
        return kExitGood;
    }
    std::printf("%zu difference%s\n", lines.size(), lines.size() == 1 ? "" : "s");
    return kExitFailed;
}

int roundTrip(Plugin& plugin, const std::string& in, const std::string& out) {
    IPtr<ITesSRML> document = plugin.make<ITesSRML>(kSRMLClassId, "ITesSRML");
    if (!document) return failure("the plug-in offers no SRML class");
    if (!readReporting(*document, in)) return kExitFailed;
    if (!document->write(widePath(out))) return writeFailure(out);
    printSummary(*document);
    return kExitGood;
}

// Every scanner of the rig, in identifier order, on each angle.
bool addAngles(Plugin& plugin, ITesSRML& document, const std::vector<int>& angles, int resolution) {
    std::set<int32_t> scanners;
    SRMLScannerMap& map = document.modelData()->scannerTransforms();
    for (auto cursor = map.first(); cursor.valid(); map.next(cursor)) scanners.insert(cursor.key());
    ITesSRMLRecipe& recipe = *document.recipes().front();
    for (int value : angles) {
        IPtr<ITesSRMLScanAngle> angle = plugin.make<ITesSRMLScanAngle>(kSRMLScanAngleClassId, "ITesSRMLScanAngle");
        if (!angle) return false;
        angle->setAngle(value);
        angle->setResolution(resolution);
        for (int32_t id : scanners) {
            IPtr<ITesSRMLScanProperties> properties =
                plugin.make<ITesSRMLScanProperties>(kSRMLScanPropertiesClassId, "ITesSRMLScanProperties");
            if (!properties) return false;
            angle->scanners().push_back(id);
            angle->scannerProperties().push_back(properties);
        }
        recipe.angles().push_back(angle);
    }
    recipe.sortAngles();
    return true;
}

int create(Plugin& plugin, const std::string& scene, const std::string& out, const std::vector<int>& angles,
           int resolution) {
    const RefSceneResult loaded = refLoadScene(plugin.host(), scene);
    if (!loaded.good) return failure(loaded.error);
    IPtr<ITesSRML> document = plugin.make<ITesSRML>(kSRMLClassId, "ITesSRML");
    if (!document) return failure("the plug-in offers no SRML class");
    if (!document->initFromReferenceObject(true)) {
        return failure(scene + ": no object RefObject with coordinate systems");
    }
    if (document->modelData()->scannerTransforms().count() == 0) {
        return failure(scene + ": RefObject has no scanner coordinate systems");
    }
    if (!addAngles(plugin, *document, angles, resolution)) return failure("the plug-in offers no SRML angle class");
    if (!document->write(widePath(out))) return writeFailure(out);
    printSummary(*document);
    return kExitGood;
}

struct Options {
    std::string pluginPath = refDefaultPluginPath();
    std::string checkPath;
    std::string inPath, outPath;
    std::string scenePath, newPath;
    std::vector<int> angles;
    int resolution = kSRMLResolutionLow;
    std::string showPath;
    std::string firstPath, secondPath;
    CLI::App* check = nullptr;
    CLI::App* show = nullptr;
    CLI::App* diff = nullptr;
    CLI::App* roundTrip = nullptr;
};

void describe(ToolCli& cli, Options& options) {
    CLI::App& app = cli.app();
    app.require_subcommand(1);
    app.add_option("--plugin", options.pluginPath, "path of the plug-in library")->capture_default_str();
    cli.addVersion([] { return std::string(kProgram) + " " + toolProjectVersion(); });

    options.check = cli.addSubcommand("check", "read FILE and summarise it, or say where it breaks the format");
    options.check->add_option("FILE", options.checkPath, "SRML file")->required();

    options.show = cli.addSubcommand("show", "check FILE, then list its scanners and every recipe's angles and cameras");
    options.show->add_option("FILE", options.showPath, "SRML file")->required();

    options.diff = cli.addSubcommand("diff", "list what differs from FIRST to SECOND; exit 1 when anything does");
    options.diff->add_option("FIRST", options.firstPath, "SRML file")->required();
    options.diff->add_option("SECOND", options.secondPath, "SRML file")->required();

    options.roundTrip = cli.addSubcommand("roundtrip", "read IN and write it back to OUT");
    options.roundTrip->add_option("IN", options.inPath, "SRML file to read")->required();
    options.roundTrip->add_option("OUT", options.outPath, "SRML file to write")->required();

    static const std::map<std::string, int> resolutions = {
        {"low", kSRMLResolutionLow}, {"medium", kSRMLResolutionMedium}, {"high", kSRMLResolutionHigh}};
    CLI::App* newCommand =
        cli.addSubcommand("new", "build a recipe from the scene's RefObject with every scanner on each listed angle");
    newCommand->add_option("SCENE", options.scenePath, "scene file")->required();
    newCommand->add_option("OUT", options.newPath, "SRML file to write")->required();
    newCommand->add_option("--angles", options.angles, "turntable angles in degrees, e.g. 0,90,180,270")
        ->required()
        ->delimiter(',')
        ->check(CLI::Range(0, 359));
    newCommand->add_option("--resolution", options.resolution, "low, medium or high")
        ->transform(CLI::CheckedTransformer(resolutions, CLI::ignore_case))
        ->capture_default_str();
}

// What is wrong with the arguments beyond what CLI11 checks; empty when nothing.
std::string misuse(const Options& options) {
    std::vector<int> sorted = options.angles;
    std::sort(sorted.begin(), sorted.end());
    if (std::adjacent_find(sorted.begin(), sorted.end()) != sorted.end()) return "--angles: an angle is listed twice";
    for (const std::string& out : {options.outPath, options.newPath}) {
        if (out == kStandardOutput) {
            return "OUT \"-\": standard output is not supported; name a file (./- for a file named -)";
        }
    }
    std::error_code error;
    if (!options.newPath.empty() && std::filesystem::equivalent(options.scenePath, options.newPath, error)) {
        return "OUT " + options.newPath + " is the scene file; the recipe needs a file of its own";
    }
    return {};
}

}  // namespace

int main(int argc, char** argv) {
    ToolCli cli(kProgram,
                "Checks, rewrites and creates SRML recipe files with the vespercomponent plug-in's own reader "
                "and writer.",
                "a file that fails or cannot be written, or files that differ");
    Options options;
    describe(cli, options);
    if (const std::optional<int> done = cli.parse(argc, argv)) return *done;
    if (const std::string wrong = misuse(options); !wrong.empty()) return cli.usageError(wrong);

    Plugin plugin;
    std::string error;
    if (!plugin.load(options.pluginPath, error)) return failure(error);
    if (options.check->parsed()) return check(plugin, options.checkPath, false);
    if (options.show->parsed()) return check(plugin, options.showPath, true);
    if (options.diff->parsed()) return diff(plugin, options.firstPath, options.secondPath);
    if (options.roundTrip->parsed()) return roundTrip(plugin, options.inPath, options.outPath);
    return create(plugin, options.scenePath, options.newPath, options.angles, options.resolution);
}
