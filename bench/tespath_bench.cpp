// The library's path rules beside the standard library and the C library:
// normalize + collapseDotDot against std::filesystem::path::lexically_normal
// over the same 100000 paths (POSIX form for the standard library), and
// wildcardMatch against fnmatch(3) over the same patterns and names.
#include <benchmark/benchmark.h>

#include <fnmatch.h>

#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "tespath.h"
#include "tesstring.h"

namespace {

constexpr int kPathCount = 100000;
constexpr int kNameCount = 10000;

const char* const kWords[] = {"data", "scans", "project", "2024", "turntable", "a", "recipes", "cad", "export", "tmp"};
const char* const kExtensions[] = {".srml", ".txt", ".png", ".tes", ".stl", ""};

struct PathInputs {
    std::vector<TesString> wide;                   // the library's form, mixed separators
    std::vector<std::filesystem::path> native;     // the same text with "/" only
};

std::string randomPath(std::mt19937& random) {
    std::string path;
    if (random() % 4 == 0) path += "c:";
    const int components = 2 + static_cast<int>(random() % 8);
    for (int i = 0; i < components; ++i) {
        path += random() % 3 == 0 ? "/" : "\\";
        const uint32_t pick = random() % 10;
        if (pick == 0) {
            path += "..";
        } else if (pick == 1) {
            path += ".";
        } else {
            path += kWords[random() % std::size(kWords)];
        }
    }
    path += kExtensions[random() % std::size(kExtensions)];
    if (random() % 5 == 0) path += "\\";
    return path;
}

const PathInputs& pathInputs() {
    static const PathInputs inputs = [] {
        std::mt19937 random(1234);
        PathInputs result;
        for (int i = 0; i < kPathCount; ++i) {
            const std::string path = randomPath(random);
            result.wide.push_back(TesString::fromUtf8(path));
            std::string posix = path;
            for (char& c : posix) {
                if (c == '\\') c = '/';
            }
            result.native.emplace_back(posix);
        }
        return result;
    }();
    return inputs;
}

void NormalizeAndCollapse(benchmark::State& state) {
    const PathInputs& inputs = pathInputs();
    for (auto _ : state) {
        for (const TesString& input : inputs.wide) {
            TesString path = input;
            TesPath::normalize(path);
            TesPath::collapseDotDot(path);
            benchmark::DoNotOptimize(path.data());
        }
    }
    state.SetItemsProcessed(state.iterations() * kPathCount);
}
BENCHMARK(NormalizeAndCollapse)->Unit(benchmark::kMillisecond);

void StdLexicallyNormal(benchmark::State& state) {
    const PathInputs& inputs = pathInputs();
    for (auto _ : state) {
        for (const std::filesystem::path& input : inputs.native) {
            std::filesystem::path path = input.lexically_normal();
            benchmark::DoNotOptimize(path.native().data());
        }
    }
    state.SetItemsProcessed(state.iterations() * kPathCount);
}
BENCHMARK(StdLexicallyNormal)->Unit(benchmark::kMillisecond);

const char* const kPatterns[] = {"*.srml", "*.t[a-x]t", "scan_??_*.png", "*a*e*o*", "[a-m]*[0-9]?.*"};

const std::vector<std::string>& names() {
    static const std::vector<std::string> cached = [] {
        std::mt19937 random(99);
        std::vector<std::string> result;
        for (int i = 0; i < kNameCount; ++i) {
            std::string name = random() % 3 == 0 ? "scan_" : "";
            name += kWords[random() % std::size(kWords)];
            name += std::to_string(random() % 100);
            name += kExtensions[random() % std::size(kExtensions)];
            result.push_back(name);
        }
        return result;
    }();
    return cached;
}

void WildcardMatchNarrow(benchmark::State& state) {
    const char* pattern = kPatterns[state.range(0)];
    for (auto _ : state) {
        int hits = 0;
        for (const std::string& name : names()) hits += TesPath::wildcardMatch(pattern, name) ? 1 : 0;
        benchmark::DoNotOptimize(hits);
    }
    state.SetLabel(pattern);
    state.SetItemsProcessed(state.iterations() * kNameCount);
}
BENCHMARK(WildcardMatchNarrow)->DenseRange(0, std::size(kPatterns) - 1);

void WildcardMatchWide(benchmark::State& state) {
    const char* pattern = kPatterns[state.range(0)];
    const std::u16string widePattern(pattern, pattern + std::char_traits<char>::length(pattern));
    std::vector<std::u16string> wideNames;
    for (const std::string& name : names()) wideNames.emplace_back(name.begin(), name.end());
    for (auto _ : state) {
        int hits = 0;
        for (const std::u16string& name : wideNames) hits += TesPath::wildcardMatch(widePattern, name) ? 1 : 0;
        benchmark::DoNotOptimize(hits);
    }
    state.SetLabel(pattern);
    state.SetItemsProcessed(state.iterations() * kNameCount);
}
BENCHMARK(WildcardMatchWide)->DenseRange(0, std::size(kPatterns) - 1);

void Fnmatch(benchmark::State& state) {
    const char* pattern = kPatterns[state.range(0)];
    for (auto _ : state) {
        int hits = 0;
        for (const std::string& name : names()) hits += fnmatch(pattern, name.c_str(), 0) == 0 ? 1 : 0;
        benchmark::DoNotOptimize(hits);
    }
    state.SetLabel(pattern);
    state.SetItemsProcessed(state.iterations() * kNameCount);
}
BENCHMARK(Fnmatch)->DenseRange(0, std::size(kPatterns) - 1);

}  // namespace

BENCHMARK_MAIN();
