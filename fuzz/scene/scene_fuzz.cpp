// libFuzzer target: scene files on a fresh reference host. For every input:
// loading never crashes or exhausts memory, and it either succeeds with no
// error or fails with a message that names the scene and its line.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

#include "refhost.h"
#include "session/refscene.h"

namespace {

constexpr const char* kName = "fuzz.scene";

void require(bool condition, const char* what, const std::string& error) {
    if (condition) return;
    std::fprintf(stderr, "scene_fuzz: %s: %s\n", what, error.c_str());
    std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    RefHost host;
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const RefSceneResult result = refLoadSceneLines(host, refSplitLines(text, kName), kName);
    require(result.good == result.error.empty(), "the result and its error disagree", result.error);
    require(result.good || result.error.starts_with(std::string(kName) + ":"), "an error without its place", result.error);
    return 0;
}
