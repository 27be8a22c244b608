// A manual-reset event, not signalled when created: once set it releases
// every waiter, present and future, until it is reset. The calls that return
// bool return false when the event could not be created.
#pragma once

struct TesOsEvent;

class TesEvent {
public:
    TesEvent();
    ~TesEvent();
    TesEvent(const TesEvent&) = delete;
    TesEvent& operator=(const TesEvent&) = delete;

    bool set();
    bool reset();
    // Waits without time limit until the event is set.
    bool wait();
    // Waits up to `seconds` (at least 1 ms); true when the event was set.
    bool waitFor(double seconds);
    // True when the event is set now.
    bool isSet();

    bool isNull() const { return handle_ == nullptr; }
    TesOsEvent* handle() const { return handle_; }

private:
    TesOsEvent* handle_;
};
