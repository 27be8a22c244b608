#include "memorystatus.h"

#include <algorithm>
#include <cmath>

#include "hostapi/infrastructure.h"
#include "memlimitlistener.h"
#include "os/nativememory.h"
#include "teshostlink.h"

namespace {

constexpr const char* kMemCheckerName = "IMemChecker";
constexpr int64_t kAssumedAvailable = 1843200;  // bytes, when the system cannot say
constexpr int32_t kCheckerFailed = -1;

constinit TesHostService<IMemChecker> checker(kMemCheckerName);

IMemChecker* availableChecker() {
    IMemChecker* found = checker.get();
    return found != nullptr && found->available() ? found : nullptr;
}

int64_t validDivisor(int64_t divisor) { return divisor >= 1 ? divisor : 1; }

// A share of swap or page file, clamped to 0..1; NaN counts as 0.
double validFraction(double fraction) {
    if (std::isnan(fraction) || fraction < 0.0) return 0.0;
    return fraction > 1.0 ? 1.0 : fraction;
}

bool figuresFromChecker(TesMemoryFigures* figures, int64_t divisor) {
    IMemChecker* checker = availableChecker();
    return checker != nullptr && checker->memoryFigures(&figures->systemFree, &figures->systemTotal, &figures->swapFree,
                                                        &figures->swapTotal, divisor) != kCheckerFailed;
}

bool figuresFromSystem(TesMemoryFigures* figures, int64_t divisor) {
    TesOsMemoryStatus status;
    if (!tesOsMemoryStatus(&status)) return false;
    const int64_t swapTotal = std::min(status.totalPageFile, status.totalVirtual - status.totalPhysical);
    const int64_t swapFree =
        std::min({swapTotal, status.availablePageFile, status.availableVirtual - status.availablePhysical});
    figures->systemFree = status.availablePhysical / divisor;
    figures->systemTotal = status.totalPhysical / divisor;
    figures->swapFree = swapFree / divisor;
    figures->swapTotal = swapTotal / divisor;
    return true;
}

}  // namespace

bool tesMemoryFigures(TesMemoryFigures* figures, int64_t divisor) {
    divisor = validDivisor(divisor);
    *figures = TesMemoryFigures{};
    if (figuresFromChecker(figures, divisor)) return true;
    *figures = TesMemoryFigures{};
    return figuresFromSystem(figures, divisor);
}

int64_t tesUsableMemory(double fraction, int64_t divisor) {
    tesMemLimitListener();
    TesMemoryFigures figures;
    tesMemoryFigures(&figures, divisor);
    return figures.systemFree + static_cast<int64_t>(validFraction(fraction) * static_cast<double>(figures.swapFree));
}

int64_t tesFreePhysicalMemory(int64_t divisor) {
    tesMemLimitListener();
    TesMemoryFigures figures;
    tesMemoryFigures(&figures, divisor);
    return figures.systemFree;
}

int64_t tesAvailableMemory(double fraction, int64_t divisor) {
    divisor = validDivisor(divisor);
    TesOsMemoryStatus status;
    if (!tesOsMemoryStatus(&status)) return kAssumedAvailable / divisor;
    const int64_t reachable =
        std::min(status.availablePhysical, status.availableVirtual + status.availableExtendedVirtual);
    fraction = validFraction(fraction);
    if (fraction == 0.0) return reachable / divisor;
    const double total = static_cast<double>(status.availablePageFile) * fraction + static_cast<double>(reachable);
    return static_cast<int64_t>(total) / divisor;
}

int64_t tesAvailableVirtualMemory(int64_t divisor) {
    divisor = validDivisor(divisor);
    TesOsMemoryStatus status;
    if (!tesOsMemoryStatus(&status)) return kAssumedAvailable / divisor;
    return status.availableVirtual / divisor;
}

int64_t tesProcessMemory(int64_t divisor) {
    divisor = validDivisor(divisor);
    if (IMemChecker* checker = availableChecker()) return checker->processMemory(divisor);
    TesOsProcessMemory process;
    if (tesOsProcessMemory(&process)) return process.workingSet / divisor;
    TesOsMemoryStatus status;
    if (tesOsMemoryStatus(&status)) return (status.totalVirtual - status.availableVirtual) / divisor;
    return 0;
}

bool tesWorkingSet(int64_t* current, int64_t* peak, int64_t divisor) {
    divisor = validDivisor(divisor);
    TesOsProcessMemory process;
    const bool known = tesOsProcessMemory(&process);
    *current = process.workingSet / divisor;
    *peak = process.peakWorkingSet / divisor;
    return known;
}

bool tesWorkingSet(int64_t* current, int64_t divisor) {
    int64_t peak = 0;
    return tesWorkingSet(current, &peak, divisor);
}

int64_t tesMemoryLimit() { return tesMemLimitListener().limit(); }
