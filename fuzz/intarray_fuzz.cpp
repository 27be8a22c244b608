// libFuzzer target: the intarray record reader under the read, write, read again
// and compare property.
#include <cstdio>
#include <cstdlib>

#include "recordproperties.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    installRecordHost();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (const char* failure = checkIntArrayRecord(data, size)) {
        std::fprintf(stderr, "%s\n", failure);
        std::abort();
    }
    return 0;
}
