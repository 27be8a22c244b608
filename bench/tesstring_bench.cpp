// The library's strings beside the standard library: the shortest
// floating-point text against std::to_chars (and the plain precision loop),
// NelCString::hash against std::hash<std::string_view>, and TesString::arg
// against a std::u16string replace loop.
#include <benchmark/benchmark.h>

#include <bit>
#include <charconv>
#include <cmath>
#include <cerrno>
#include <cfloat>
#include <cstdlib>
#include <functional>
#include <iomanip>
#include <sstream>
#include <random>
#include <string>
#include <string_view>
#include <vector>

#include "nelcstring.h"
#include "shortestfloat.h"
#include "tesstring.h"

namespace {

constexpr int kValueCount = 4096;

// Half random bit patterns (every exponent), half values typed with few digits.
template <class T>
const std::vector<T>& values() {
    static const std::vector<T> cached = [] {
        std::mt19937_64 random(42);
        std::vector<T> result;
        while (static_cast<int>(result.size()) < kValueCount) {
            T value;
            if (result.size() % 2 == 0) {
                value = sizeof(T) == 8 ? static_cast<T>(std::bit_cast<double>(random()))
                                       : static_cast<T>(std::bit_cast<float>(static_cast<uint32_t>(random())));
            } else {
                const auto digits = static_cast<double>(random() % 100000);
                value = static_cast<T>(digits * std::pow(10.0, static_cast<double>(random() % 20) - 10.0));
            }
            if (std::isfinite(value) && std::abs(value) < (sizeof(T) == 8 ? 1e307 : 1e37)) result.push_back(value);
        }
        return result;
    }();
    return cached;
}

template <class T>
void ShortestText(benchmark::State& state) {
    char text[kTesShortestTextSize];
    for (auto _ : state) {
        for (T value : values<T>()) benchmark::DoNotOptimize(tesShortestText(value, text));
    }
    state.SetItemsProcessed(state.iterations() * kValueCount);
}

template <class T>
void ShortestTextSearch(benchmark::State& state) {
    char text[kTesShortestTextSize];
    for (auto _ : state) {
        for (T value : values<T>()) benchmark::DoNotOptimize(tesShortestTextSearch(value, text));
    }
    state.SetItemsProcessed(state.iterations() * kValueCount);
}

// The precision loop as it reads, with the standard stream: what the library
// would cost without std::to_chars.
std::string streamLoop(double value) {
    if (value >= -2147483648.0 && value < 2147483648.0 && static_cast<int32_t>(value) == value) {
        return std::to_string(static_cast<int32_t>(value));
    }
    double best = DBL_MAX;
    std::string result;
    for (int precision = 17; precision >= 0; --precision) {
        std::ostringstream stream;
        stream << std::setprecision(precision) << value;
        std::string text = stream.str();
        const double error = std::abs(std::strtod(text.c_str(), nullptr) - value);
        if (error > best) break;
        result = std::move(text);
        best = error;
    }
    return result;
}

void ShortestTextStreamLoop(benchmark::State& state) {
    for (auto _ : state) {
        for (double value : values<double>()) benchmark::DoNotOptimize(streamLoop(value));
    }
    state.SetItemsProcessed(state.iterations() * kValueCount);
}

template <class T>
void StdToChars(benchmark::State& state) {
    char text[kTesShortestTextSize];
    for (auto _ : state) {
        for (T value : values<T>()) benchmark::DoNotOptimize(std::to_chars(text, text + sizeof text, value).ptr);
    }
    state.SetItemsProcessed(state.iterations() * kValueCount);
}

std::string hashInput(int64_t length) {
    std::string text(static_cast<size_t>(length), '\0');
    for (size_t i = 0; i < text.size(); ++i) text[i] = static_cast<char>('a' + i * 7 % 26);
    return text;
}

void NelCStringHash(benchmark::State& state) {
    const NelCString text(hashInput(state.range(0)).c_str());
    for (auto _ : state) benchmark::DoNotOptimize(text.hash());
    state.SetBytesProcessed(state.iterations() * state.range(0));
}

void StdHashStringView(benchmark::State& state) {
    const std::string text = hashInput(state.range(0));
    for (auto _ : state) benchmark::DoNotOptimize(std::hash<std::string_view>{}(text));
    state.SetBytesProcessed(state.iterations() * state.range(0));
}

constexpr char16_t kPattern[] = u"Scanner %1 at %2 degrees: exposure %3 ms, %1 again";

void TesStringArg(benchmark::State& state) {
    const TesString first(u"Left"), second(u"135"), third(u"16.5");
    const TesString* arguments[] = {&first, &second, &third};
    for (auto _ : state) {
        TesString text(kPattern);
        text.arg(arguments, 3);
        benchmark::DoNotOptimize(text.data());
    }
}

void StdStringReplaceLoop(benchmark::State& state) {
    const std::u16string arguments[] = {u"Left", u"135", u"16.5"};
    for (auto _ : state) {
        std::u16string text(kPattern);
        for (char16_t digit = u'1'; digit <= u'3'; ++digit) {
            const std::u16string placeholder{u'%', digit};
            for (size_t at = text.find(placeholder); at != std::u16string::npos; at = text.find(placeholder, at)) {
                const std::u16string& argument = arguments[digit - u'1'];
                text.replace(at, placeholder.size(), argument);
                at += argument.size();
            }
        }
        benchmark::DoNotOptimize(text.data());
    }
}

}  // namespace

BENCHMARK_TEMPLATE(ShortestText, double);
BENCHMARK_TEMPLATE(StdToChars, double);
BENCHMARK_TEMPLATE(ShortestTextSearch, double);
BENCHMARK(ShortestTextStreamLoop);
BENCHMARK_TEMPLATE(ShortestText, float);
BENCHMARK_TEMPLATE(StdToChars, float);
BENCHMARK_TEMPLATE(ShortestTextSearch, float);
BENCHMARK(NelCStringHash)->Arg(16)->Arg(256)->Arg(4096);
BENCHMARK(StdHashStringView)->Arg(16)->Arg(256)->Arg(4096);
BENCHMARK(TesStringArg);
BENCHMARK(StdStringReplaceLoop);

BENCHMARK_MAIN();
