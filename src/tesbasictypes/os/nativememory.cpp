#include "nativememory.h"

#include <sys/resource.h>
#include <sys/sysinfo.h>

#include <cstdio>
#include <cstring>

namespace {

constexpr const char* kMemInfoPath = "/proc/meminfo";
constexpr const char* kProcessStatusPath = "/proc/self/status";
constexpr int64_t kKilobyte = 1024;
constexpr int64_t kUserAddressSpace = int64_t{1} << 47;  // 128 TiB on x86-64
constexpr int kLineSize = 256;

struct Field {
    const char* label;  // with its colon
    int64_t* bytes;
    bool found = false;
};

// Reads "Label:   value kB" lines of a /proc file into the fields; false when
// the file cannot be read.
bool readKilobyteFields(const char* path, Field* fields, int count) {
    std::FILE* file = std::fopen(path, "r");
    if (file == nullptr) return false;
    char line[kLineSize];
    while (std::fgets(line, sizeof(line), file) != nullptr) {
        for (int i = 0; i < count; ++i) {
            const size_t labelLength = std::strlen(fields[i].label);
            long long kilobytes = 0;
            if (std::strncmp(line, fields[i].label, labelLength) == 0 &&
                std::sscanf(line + labelLength, "%lld", &kilobytes) == 1) {
                *fields[i].bytes = kilobytes * kKilobyte;
                fields[i].found = true;
            }
        }
    }
    std::fclose(file);
    return true;
}

bool readSystemFigures(TesOsMemoryStatus* status, int64_t* swapTotal, int64_t* swapFree) {
    Field fields[] = {{"MemTotal:", &status->totalPhysical},
                      {"MemAvailable:", &status->availablePhysical},
                      {"SwapTotal:", swapTotal},
                      {"SwapFree:", swapFree}};
    if (readKilobyteFields(kMemInfoPath, fields, 4) && fields[0].found && fields[1].found) return true;
    struct sysinfo info {};
    if (sysinfo(&info) != 0) return false;
    const auto unit = static_cast<int64_t>(info.mem_unit);
    status->totalPhysical = static_cast<int64_t>(info.totalram) * unit;
    status->availablePhysical = static_cast<int64_t>(info.freeram + info.bufferram) * unit;
    *swapTotal = static_cast<int64_t>(info.totalswap) * unit;
    *swapFree = static_cast<int64_t>(info.freeswap) * unit;
    return true;
}

int64_t addressSpace() {
    struct rlimit limit {};
    if (getrlimit(RLIMIT_AS, &limit) == 0 && limit.rlim_cur != RLIM_INFINITY &&
        limit.rlim_cur < static_cast<rlim_t>(kUserAddressSpace)) {
        return static_cast<int64_t>(limit.rlim_cur);
    }
    return kUserAddressSpace;
}

int64_t mappedBytes() {
    int64_t size = 0;
    Field fields[] = {{"VmSize:", &size}};
    readKilobyteFields(kProcessStatusPath, fields, 1);
    return size;
}

}  // namespace

bool tesOsMemoryStatus(TesOsMemoryStatus* status) {
    *status = TesOsMemoryStatus{};
    int64_t swapTotal = 0;
    int64_t swapFree = 0;
    if (!readSystemFigures(status, &swapTotal, &swapFree)) return false;
    status->totalPageFile = status->totalPhysical + swapTotal;
    status->availablePageFile = status->availablePhysical + swapFree;
    status->totalVirtual = addressSpace();
    const int64_t unmapped = status->totalVirtual - mappedBytes();
    status->availableVirtual = unmapped > 0 ? unmapped : 0;
    return true;
}

bool tesOsProcessMemory(TesOsProcessMemory* memory) {
    *memory = TesOsProcessMemory{};
    Field fields[] = {{"VmRSS:", &memory->workingSet}, {"VmHWM:", &memory->peakWorkingSet}};
    return readKilobyteFields(kProcessStatusPath, fields, 2) && fields[0].found && fields[1].found;
}
