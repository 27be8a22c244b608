// Progress reporting to the host's "ITesProgress" display. An operation owns a
// part of the display range, 0 ... 1000 per mille; it reports its own fraction
// 0 ... 1, which is mapped into that part. Repeated reports of the same value
// are not sent; the display's "stop" is kept as a cancelled flag.
//
// A report happens only while the object is active (start >= 0), has a service
// and is not switched off; otherwise every reporting operation returns true at
// once and the service is never called.
#pragma once

#include <cstdint>

#include "hostapi/infrastructure.h"
#include "iptr.h"
#include "tesobject.h"

class ProgressCallbackBase {
public:
    static constexpr uint8_t kCancelled = 0x01;
    static constexpr uint8_t kCancellable = 0x02;
    static constexpr uint8_t kSwitchedOff = 0x08;
    static constexpr int32_t kRangeEnd = 1000;
    static constexpr int32_t kInactive = -1;

    // Active over the whole range, cancellable, with the service found under
    // "ITesProgress" (none when there is no host).
    ProgressCallbackBase();
    // Inactive; flags and service are copied.
    ProgressCallbackBase(const ProgressCallbackBase& other);
    // Progress belongs to the operation under way, not to a value: assignment
    // leaves this object's progress state as it is.
    ProgressCallbackBase& operator=(const ProgressCallbackBase& other);
    virtual ~ProgressCallbackBase();

    // In percent; only while active. A negative argument keeps the old value;
    // both are limited to 100 % and start to end.
    virtual void setRangePercent(int32_t startPercent, int32_t endPercent);
    // start / 10 and end / 10; 0 and 0 while inactive.
    virtual void getRangePercent(int32_t& startPercent, int32_t& endPercent) const;
    // In per mille; start -1 makes the object inactive.
    virtual void setRaw(int32_t start, int32_t end, uint32_t last);
    virtual void getRaw(int32_t& start, int32_t& end, uint32_t& last) const;
    // On: the whole range, and the service looked up when there is none.
    virtual void setActive(bool active);
    // `other` gets range, flags and service, and last 0.
    virtual void copyTo(ProgressCallbackBase* other) const;
    virtual void copyFrom(ProgressCallbackBase* other);

    // Reports 0.0 (start) or 1.0 (finish) after resetting last and the
    // cancelled flag; the service's answer.
    virtual bool start();
    // update(i / n) in floats; n = 0 gives an infinite fraction, limited to 1.
    virtual bool update(int64_t i, int64_t n);
    // False when the operation should stop.
    virtual bool update(float fraction);
    virtual bool finish();

    // True when the flag changed.
    virtual bool setCancellable(bool cancellable);
    virtual bool isCancelled() const;
    // True when the switched-off state changed.
    virtual bool setEnabled(bool enabled);
    virtual void setCancelled(bool cancelled);
    virtual uint8_t flags() const;
    // A service exists and says the user asked to stop.
    virtual bool cancelRequested();
    virtual void setService(ITesProgress* service);
    virtual ITesProgress* service() const;

private:
    bool reporting() const;
    bool hasFlag(uint8_t flag) const { return (flags_ & flag) != 0; }
    void setFlag(uint8_t flag, bool on);

    int32_t start_ = 0;
    int32_t end_ = kRangeEnd;
    uint32_t last_ = 0;
    uint8_t flags_ = kCancellable;
    IPtr<ITesProgress> service_;
};

// A progress callback as a stand-alone object.
class ProgressCallbackObject : public TesObject, public ProgressCallbackBase {};

// A progress callback behind the object model; answers "ITesProgressObject"
// and "ITesUnknown".
class ITesProgressObject : public virtual ITesUnknown, public ProgressCallbackBase {
public:
    void queryInterface(const char* name, void** out) override;
    const char* className() const override;
};
