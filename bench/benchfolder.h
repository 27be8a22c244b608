// The folder a benchmark binary keeps its files in: a fresh one under the
// system's temporary folder for each run, removed when the run ends.
#pragma once

#include <benchmark/benchmark.h>

#include <cstdio>
#include <filesystem>
#include <functional>
#include <random>
#include <string>

inline std::filesystem::path& benchFolder() {
    static std::filesystem::path path;
    return path;
}

// Makes the folder ("vesper-NAME-" and a random number), writes the inputs,
// runs the benchmarks and removes the folder; 1 when an input cannot be
// written. `finish` runs before the folder goes.
inline int runBenchmarksInFolder(int* argc, char** argv, const char* name, const std::function<bool()>& writeInputs,
                                 const std::function<void()>& finish = {}) {
    benchmark::Initialize(argc, argv);
    std::random_device entropy;
    benchFolder() = std::filesystem::temp_directory_path() / ("vesper-" + std::string(name) + "-" + std::to_string(entropy()));
    std::filesystem::create_directories(benchFolder());
    const bool written = writeInputs();
    if (written) {
        benchmark::RunSpecifiedBenchmarks();
        benchmark::Shutdown();
        if (finish) finish();
    } else {
        std::fprintf(stderr, "cannot write the input files in %s\n", benchFolder().string().c_str());
    }
    std::error_code ignored;
    std::filesystem::remove_all(benchFolder(), ignored);
    return written ? 0 : 1;
}
