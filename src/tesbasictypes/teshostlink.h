// What the library keeps of the host between uses: services it looks up once
// and objects it registered with a host service. The component lets all of
// them go on its last release (tesReleaseHostLinks), so that afterwards the
// host holds no object of the plug-in's and no reference the plug-in took, and
// may unload the plug-in; a later use takes each link again.
//
// Links are static objects: constant-initialised and trivially destroyed, so
// they are usable from load to unload and through process exit.
#pragma once

#include <atomic>
#include <mutex>

#include "servicelookup.h"
#include "tesobject.h"

class TesHostLink {
public:
    TesHostLink(const TesHostLink&) = delete;
    TesHostLink& operator=(const TesHostLink&) = delete;

protected:
    constexpr TesHostLink() = default;
    ~TesHostLink() = default;

    // Puts this link on the list tesReleaseHostLinks walks; once per take.
    void enlist();
    // Lets go of what the link holds. Called outside the list's lock.
    virtual void letGo() = 0;

private:
    friend void tesReleaseHostLinks();
    TesHostLink* next_ = nullptr;
    bool enlisted_ = false;
};

// Lets go of every link. Nothing of the component may be using one.
void tesReleaseHostLinks();

// A host service found by interface name on first use and held (one
// reference) until the links are released; the lookup happens once per take,
// even when first calls race.
template <class T>
class TesHostService final : public TesHostLink {
public:
    explicit constexpr TesHostService(const char* interfaceName) : name_(interfaceName) {}

    // Null when the host offers no such service.
    T* get() {
        if (taken_.load(std::memory_order_acquire)) return service_;
        const std::lock_guard<std::mutex> guard(lock_);
        if (!taken_.load(std::memory_order_relaxed)) {
            void* found = nullptr;
            if (tesGetService(name_, &found) == 1 && found != nullptr) {
                service_ = static_cast<T*>(found);
                static_cast<ITesUnknown*>(service_)->addRef();
            }
            enlist();
            taken_.store(true, std::memory_order_release);
        }
        return service_;
    }

private:
    void letGo() override {
        T* service = nullptr;
        {
            const std::lock_guard<std::mutex> guard(lock_);
            service = service_;
            service_ = nullptr;
            taken_.store(false, std::memory_order_release);
        }
        if (service != nullptr) static_cast<ITesUnknown*>(service)->release();
    }

    const char* name_;
    T* service_ = nullptr;
    std::atomic<bool> taken_{false};
    std::mutex lock_;
};
