// libFuzzer target: session scripts on a fresh reference host without the
// plug-in (its commands are not there, so a script stops at "command"). For
// every input: running never crashes, and a script either runs through or
// stops with a message that names it and its line. Inputs with a "/" are
// passed over, so the files a script writes stay in the working folder.
#include <cstdint>
#include <cstdio>
#include <string_view>

#include "../fuzzrequire.h"
#include "refhost.h"
#include "session/refsession.h"

constexpr const char* kName = "fuzz.session";

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    if (text.find('/') != std::string_view::npos) return 0;
    static std::FILE* const transcript = std::fopen("/dev/null", "w");
    RefHost host;
    RefSessionResult result;
    {
        RefSession session(host, transcript);
        result = session.runLines(refSplitLines(text, kName), kName, "");
    }
    fuzzRequirePlacedFailure(result.good, result.error, kName);
    return 0;
}
