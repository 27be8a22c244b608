#include "oscriticalsection.h"

#include <pthread.h>

#include <new>

namespace {
constexpr int32_t kNoSpinning = -1;

// Tells the processor this is a spin-wait loop.
inline void relaxWhileSpinning() {
#if defined(__x86_64__) || defined(__i386__)
    __builtin_ia32_pause();
#endif
}
}  // namespace

struct TesOsCriticalSection {
    pthread_mutex_t mutex = PTHREAD_MUTEX_INITIALIZER;
    int32_t spinCount = kNoSpinning;
};

TesOsCriticalSection* tesOsCriticalSectionCreate(int32_t spinCount) {
    auto* section = new (std::nothrow) TesOsCriticalSection;
    if (section != nullptr) section->spinCount = spinCount < 0 ? kNoSpinning : spinCount;
    return section;
}

void tesOsCriticalSectionClose(TesOsCriticalSection* section) {
    if (section == nullptr) return;
    pthread_mutex_destroy(&section->mutex);
    delete section;
}

void tesOsCriticalSectionEnter(TesOsCriticalSection* section) {
    if (section == nullptr) return;
    for (int32_t spin = 0; spin < section->spinCount; ++spin) {
        if (pthread_mutex_trylock(&section->mutex) == 0) return;
        relaxWhileSpinning();
    }
    pthread_mutex_lock(&section->mutex);
}

void tesOsCriticalSectionLeave(TesOsCriticalSection* section) {
    if (section != nullptr) pthread_mutex_unlock(&section->mutex);
}

int32_t tesOsCriticalSectionSpinCount(const TesOsCriticalSection* section) {
    return section != nullptr ? section->spinCount : kNoSpinning;
}
