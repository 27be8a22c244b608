// The coverage check of examples/scenes/coverage.scene (about 500k triangles
// with blocks hiding parts of it) on its rig of 3 scanners at 8 turntable
// angles, all flagged: one render of the visibility buffer at 1200 x 900, the
// whole check (24 renders, picks, growth, the selection on the model), and
// loading the scene with the mesh's connectivity reported apart.
// "optimised" is the tiled fill on two threads; "naive" tests every pixel of
// each triangle's bounding box on one thread, with the same set-up and fill
// rule; the two renders must give the same buffers.
//
//   coverage_bench [benchmark flags]
//   coverage_bench --pictures DIR    writes DIR/s{scanner}-a{angle}.png of one check
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstring>
#include <string>

#include "cameraselection.h"
#include "refhost.h"
#include "session/refscene.h"
#include "session/refsession.h"
#include "srml.h"
#include "srmlrecipe.h"
#include "srmlscanangle.h"
#include "srmlscanproperties.h"

namespace {

constexpr const char* kScene = VESPER_SOURCE_DIR "/examples/scenes/coverage.scene";
constexpr int32_t kAngles = 8;
constexpr int32_t kScanners = 3;

RefHost& host() {
    static RefHost* made = [] {
        auto* created = new RefHost;
        created->installInLibrary();
        return created;
    }();
    return *made;
}

bool loadScene(benchmark::State* state) {
    const RefSceneResult loaded = refLoadScene(host(), kScene);
    if (!loaded.good) {
        if (state != nullptr) state->SkipWithError(loaded.error.c_str());
        std::fprintf(stderr, "%s\n", loaded.error.c_str());
    }
    return loaded.good;
}

RefObject& reference() { return *host().document().find(u"RefObject"); }

IPtr<ITesSRMLRecipe> everyScannerFlagged() {
    IPtr<ITesSRMLRecipe> recipe(new SRMLRecipe);
    for (int32_t a = 0; a < kAngles; ++a) {
        IPtr<SRMLScanAngle> angle(new SRMLScanAngle);
        angle->setAngle(a * 360 / kAngles);
        for (int32_t scanner = 0; scanner < kScanners; ++scanner) {
            IPtr<SRMLScanProperties> properties(new SRMLScanProperties);
            properties->setFlag(1);
            angle->scanners().push_back(scanner);
            angle->scannerProperties().emplace_back(properties.get());
        }
        recipe->angles().emplace_back(angle.get());
    }
    return recipe;
}

// One check: selects what the rig sees on the reference object; the number of
// triangles selected.
int32_t check(ITesSRMLRecipe* recipe) {
    SRML document;
    document.initFromReferenceObject(true);
    CameraSelection selection;
    selection.setUp(&reference(), document.modelData());
    BitVector seen;
    selection.visibleFromRecipe(recipe, seen);
    selection.selectOnModel(seen, false);
    return seen.count();
}

RefDrawStyle styleOf(bool optimised) {
    return optimised ? RefDrawStyle{} : RefDrawStyle{RefRaster::Fill::BoundingBox, 1};
}

void render(RefRaster& raster, const TesMatrix& worldToClip, const RefDrawStyle& style) {
    const RefMesh& mesh = *reference().mesh();
    raster.clear();
    raster.drawTriangles(mesh.vertices.data(), mesh.triangles.data(), mesh.triangleCount(), worldToClip, style.threads,
                         style.fill);
}

// From the front scanner at angle 0, as the check renders it.
void BM_CoverageRender(benchmark::State& state, bool optimised) {
    if (!loadScene(&state)) return;
    IPtr<ITesSRMLRecipe> recipe = everyScannerFlagged();
    check(recipe.get());
    const RefRenderCamera camera = host().visBuffers().lastLog()[1].camera;
    const TesMatrix worldToClip = camera.projection * camera.orientation;
    RefRaster raster(camera.width, camera.height), baseline(camera.width, camera.height);
    render(raster, worldToClip, styleOf(optimised));
    render(baseline, worldToClip, styleOf(false));
    if (raster.ids() != baseline.ids() || raster.depths() != baseline.depths()) {
        state.SkipWithError("the optimised and the naive buffers differ");
        return;
    }
    for (auto _ : state) {
        render(raster, worldToClip, styleOf(optimised));
        benchmark::DoNotOptimize(raster.ids().data());
    }
    state.counters["triangles"] = reference().mesh()->triangleCount();
}

void BM_CoverageCheck(benchmark::State& state, bool optimised) {
    if (!loadScene(&state)) return;
    IPtr<ITesSRMLRecipe> recipe = everyScannerFlagged();
    host().visBuffers().setDrawStyle(styleOf(optimised));
    int32_t selected = 0;
    for (auto _ : state) selected = check(recipe.get());
    host().visBuffers().setDrawStyle({});
    state.counters["renders"] = static_cast<double>(host().visBuffers().lastLog().size());
    state.counters["selected"] = selected;
}

// The scene with its generated mesh; the connectivity is built on first use.
void BM_CoverageLoad(benchmark::State& state, bool withComplex) {
    for (auto _ : state) {
        if (!loadScene(&state)) return;
        if (withComplex) benchmark::DoNotOptimize(reference().meshModel()->surfaceData());
    }
}

// The pictures of one optimised check, through the session runner.
int writePictures(const std::string& folder) {
    if (!loadScene(nullptr)) return 1;
    IPtr<ITesSRMLRecipe> recipe = everyScannerFlagged();
    check(recipe.get());
    RefSession session(host(), stdout);
    const RefSessionResult result = session.runLines(refSplitLines("pictures \"" + folder + "/\"\n", "pictures"), "pictures", "");
    if (!result.good) std::fprintf(stderr, "%s\n", result.error.c_str());
    return result.good ? 0 : 1;
}

}  // namespace

BENCHMARK_CAPTURE(BM_CoverageRender, optimised, true)->UseRealTime()->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_CoverageRender, naive, false)->UseRealTime()->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_CoverageCheck, optimised, true)->UseRealTime()->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_CoverageCheck, naive, false)->UseRealTime()->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_CoverageLoad, mesh, false)->UseRealTime()->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_CoverageLoad, meshAndComplex, true)->UseRealTime()->Unit(benchmark::kMillisecond);

int main(int argc, char** argv) {
    if (argc == 3 && std::strcmp(argv[1], "--pictures") == 0) return writePictures(argv[2]);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
