// The solve of N-Point Alignment with nine pairs of markers on the bracket of
// examples/scenes/two-parts.scene: through the command (Undo, then Redo, each
// re-solving from the markers and moving the floating pane's camera), beside
// the rigid fit alone, Eigen's umeyama on nine pairs.
#include <benchmark/benchmark.h>

#include <Eigen/Geometry>
#include <cstdio>
#include <string>

#include "refhost.h"
#include "session/reflines.h"
#include "session/refsession.h"

namespace {

// Corners of the bracket that both panes see, in model coordinates.
constexpr const char* kPoints[] = {"40 30 8", "5 15 50",  "65 12 22", "20 35 26", "50 0 4",
                                   "65 6 15", "5 0 30",   "30 20 8",  "25 10 8"};

std::string setupScript() {
    std::string script = "scene " VESPER_SOURCE_DIR "/examples/scenes/two-parts.scene\ncommand GenPreAlignCmd\n";
    for (const char* point : kPoints) {
        script += std::string("pick pane 0 Fixed at ") + point + "\npick pane 2 Floating at " + point + "\n";
    }
    return script;
}

// A host with the plug-in loaded and the command running with nine pairs.
RefSession* session(benchmark::State& state) {
    static RefHost* host = new RefHost;
    static RefSession* running = [] {
        const RefLoadedComponent loaded = host->loadComponent(VESPER_PLUGIN_PATH);
        if (!loaded.good) return static_cast<RefSession*>(nullptr);
        std::FILE* quiet = std::fopen("/dev/null", "w");
        auto* made = new RefSession(*host, quiet);
        const RefSessionResult result = made->runLines(refSplitLines(setupScript(), "setup"), "setup", "");
        if (!result.good) std::fprintf(stderr, "%s\n", result.error.c_str());
        return result.good ? made : nullptr;
    }();
    if (running == nullptr) state.SkipWithError("the command did not start with nine pairs");
    return running;
}

void BM_Solve_ThroughCommand(benchmark::State& state) {
    RefSession* running = session(state);
    if (running == nullptr) return;
    const RefLineFile keys = refSplitLines("key 294\nkey 295\n", "keys");
    for (auto _ : state) {
        if (!running->runLines(keys, "keys", "").good) state.SkipWithError("a key failed");
    }
    state.SetItemsProcessed(2 * state.iterations());
}
BENCHMARK(BM_Solve_ThroughCommand)->Name("Solve_ThroughCommand")->Unit(benchmark::kMicrosecond);

void BM_Solve_EigenUmeyama(benchmark::State& state) {
    Eigen::Matrix<double, 3, 9> fixed, floating;
    const Eigen::Affine3d motion(Eigen::AngleAxisd(0.5, Eigen::Vector3d(1, 2, 3).normalized()) *
                                 Eigen::Translation3d(160, 60, 25));
    for (int i = 0; i < 9; ++i) {
        double x = 0, y = 0, z = 0;
        std::sscanf(kPoints[i], "%lf %lf %lf", &x, &y, &z);
        fixed.col(i) << x, y, z;
        floating.col(i) = motion * fixed.col(i);
    }
    for (auto _ : state) benchmark::DoNotOptimize(Eigen::umeyama(floating, fixed, false));
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_Solve_EigenUmeyama)->Name("Solve_EigenUmeyama")->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
