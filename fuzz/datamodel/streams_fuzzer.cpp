// libFuzzer target: the binary stream readers and the string blocks on bare
// streams, through the read-write-read property.
#include <cstdio>
#include <cstdlib>
#include <string>

#include "properties.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string failure;
    if (!checkStreamProperty(data, size, failure)) {
        std::fprintf(stderr, "stream property broken: %s\n", failure.c_str());
        std::abort();
    }
    return 0;
}
