// libFuzzer target: scene files on a fresh reference host. For every input:
// loading never crashes or exhausts memory, and it either succeeds with no
// error or fails with a message that names the scene and its line.
#include <cstdint>
#include <string_view>

#include "../fuzzrequire.h"
#include "refhost.h"
#include "session/refscene.h"

constexpr const char* kName = "fuzz.scene";

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    RefHost host;
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const RefSceneResult result = refLoadSceneLines(host, refSplitLines(text, kName), kName);
    fuzzRequirePlacedFailure(result.good, result.error, kName);
    return 0;
}
