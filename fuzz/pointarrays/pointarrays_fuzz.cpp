// libFuzzer target: the point record and the colour block after it, under
// the read, write, read again and compare property.
#include <cstdio>
#include <cstdlib>

#include "pointarrayproperty.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    installPointArrayHost();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (const char* failure = checkPointArrayRecord(data, size)) {
        std::fprintf(stderr, "%s\n", failure);
        std::abort();
    }
    return 0;
}
