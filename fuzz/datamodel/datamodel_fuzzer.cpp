// libFuzzer target: the data-model reader, through the read-write-read property.
#include <cstdio>
#include <cstdlib>
#include <string>

#include "properties.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string failure;
    if (!checkDataModelProperty(data, size, failure)) {
        std::fprintf(stderr, "data-model property broken: %s\n", failure.c_str());
        std::abort();
    }
    return 0;
}
