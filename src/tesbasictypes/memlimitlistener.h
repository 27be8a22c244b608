// The process-wide memory limit, kept in step with the setting
// "Memory/MemLimit" of the host's data store.
#pragma once

#include <cstdint>

#include "iptr.h"
#include "neldatareceiver.h"

// Answers "NelDataReceiver", "ITesUnknown" and "ITesDataReceiver".
class MemLimitListener : public NelDataReceiver {
public:
    // The limit starts as the larger of total physical and total virtual
    // memory (-2147483648 when the system cannot say). With a data store, the
    // listener registers for "Memory/MemLimit" (the store holds it from then
    // on) and takes that setting's value, 0 when absent.
    MemLimitListener();

    // A new "Memory/MemLimit" value becomes the limit; other keys are ignored.
    void onDoubleChanged(const char* key, double value) override;

    // Bytes.
    int64_t limit() const { return limit_; }

    // Leaves the data store it registered with, which then no longer holds it.
    void leaveStore();

private:
    int64_t limit_;
    // The store it registered with; weak, as the store holds the listener.
    IPtr<TesWeakRef, TesShared> store_;
};

// The listener of the process, created on first call and kept until the host
// links are released (teshostlink.h).
MemLimitListener& tesMemLimitListener();
