#include "progress.h"

#include <algorithm>

#include "queryinterface.h"

namespace {

constexpr const char* kProgressServiceName = "ITesProgress";
constexpr const char* kProgressObjectClass = "ITesProgressObject";
constexpr int32_t kPerMillePerPercent = 10;
constexpr double kPerMille = 0.001;

IPtr<ITesProgress> lookUpService() { return SPtr<ITesProgress>(kProgressServiceName); }

}  // namespace

ProgressCallbackBase::ProgressCallbackBase() : service_(lookUpService()) {}

ProgressCallbackBase::ProgressCallbackBase(const ProgressCallbackBase& other)
    : start_(kInactive), flags_(other.flags_), service_(other.service_) {}

ProgressCallbackBase& ProgressCallbackBase::operator=(const ProgressCallbackBase&) { return *this; }

ProgressCallbackBase::~ProgressCallbackBase() = default;

void ProgressCallbackBase::setRangePercent(int32_t startPercent, int32_t endPercent) {
    if (start_ < 0) return;
    const int32_t maxPercent = kRangeEnd / kPerMillePerPercent;
    if (startPercent >= 0) start_ = std::min(startPercent, maxPercent) * kPerMillePerPercent;
    if (endPercent >= 0) end_ = std::min(endPercent, maxPercent) * kPerMillePerPercent;
    end_ = std::min(end_, kRangeEnd);
    start_ = std::min(std::min(start_, kRangeEnd), end_);
}

void ProgressCallbackBase::getRangePercent(int32_t& startPercent, int32_t& endPercent) const {
    const bool active = start_ >= 0;
    startPercent = active ? start_ / kPerMillePerPercent : 0;
    endPercent = active ? end_ / kPerMillePerPercent : 0;
}

void ProgressCallbackBase::setRaw(int32_t start, int32_t end, uint32_t last) {
    start_ = start;
    end_ = end;
    last_ = last;
}

void ProgressCallbackBase::getRaw(int32_t& start, int32_t& end, uint32_t& last) const {
    start = start_;
    end = end_;
    last = last_;
}

void ProgressCallbackBase::setActive(bool active) {
    if (!active) {
        start_ = kInactive;
        return;
    }
    start_ = 0;
    end_ = kRangeEnd;
    if (!service_) service_ = lookUpService();
}

void ProgressCallbackBase::copyTo(ProgressCallbackBase* other) const {
    if (other == nullptr || other == this) return;
    other->start_ = start_;
    other->end_ = end_;
    other->last_ = 0;
    other->flags_ = flags_;
    other->service_ = service_;
}

void ProgressCallbackBase::copyFrom(ProgressCallbackBase* other) {
    if (other != nullptr) other->copyTo(this);
}

bool ProgressCallbackBase::reporting() const { return start_ >= 0 && service_ && !hasFlag(kSwitchedOff); }

void ProgressCallbackBase::setFlag(uint8_t flag, bool on) {
    flags_ = static_cast<uint8_t>(on ? flags_ | flag : flags_ & ~flag);
}

bool ProgressCallbackBase::start() {
    if (!reporting()) return true;
    last_ = 0;
    setFlag(kCancelled, false);
    return service_->report(0.0f);
}

bool ProgressCallbackBase::finish() {
    if (!reporting()) return true;
    last_ = 0;
    setFlag(kCancelled, false);
    return service_->report(1.0f);
}

bool ProgressCallbackBase::update(int64_t i, int64_t n) {
    return update(static_cast<float>(i) / static_cast<float>(n));
}

bool ProgressCallbackBase::update(float fraction) {
    if (!reporting()) return true;
    // NaN (0 / 0) compares false both ways and counts as done.
    const float limited = fraction < 0.0f ? 0.0f : (fraction < 1.0f ? fraction : 1.0f);
    // In float on purpose: 1000 x 0.7f truncates to 700 there, to 699 in
    // double. The span is widened so that odd raw ranges cannot overflow.
    const auto span = static_cast<float>(int64_t{end_} - int64_t{start_});
    const auto value = static_cast<int32_t>(static_cast<int64_t>(span * limited) + start_);
    if (static_cast<uint32_t>(value) != last_) {
        last_ = static_cast<uint32_t>(value);
        const bool carryOn = service_->report(static_cast<float>(value * kPerMille));
        if (!carryOn && hasFlag(kCancellable)) setFlag(kCancelled, true);
        return carryOn;
    }
    if (!hasFlag(kCancellable)) return true;
    if (hasFlag(kCancelled)) return false;
    if (!service_->cancelRequested()) return true;
    setFlag(kCancelled, true);
    return false;
}

bool ProgressCallbackBase::setCancellable(bool cancellable) {
    if (hasFlag(kCancellable) == cancellable) return false;
    setFlag(kCancellable, cancellable);
    return true;
}

bool ProgressCallbackBase::isCancelled() const { return hasFlag(kCancelled); }

bool ProgressCallbackBase::setEnabled(bool enabled) {
    if (hasFlag(kSwitchedOff) == !enabled) return false;
    setFlag(kSwitchedOff, !enabled);
    return true;
}

void ProgressCallbackBase::setCancelled(bool cancelled) { setFlag(kCancelled, cancelled); }

uint8_t ProgressCallbackBase::flags() const { return flags_; }

bool ProgressCallbackBase::cancelRequested() { return service_ && service_->cancelRequested(); }

void ProgressCallbackBase::setService(ITesProgress* service) { service_ = service; }

ITesProgress* ProgressCallbackBase::service() const { return service_.get(); }

void ITesProgressObject::queryInterface(const char* name, void** out) {
    tesAnswerQuery(name, out, {kProgressObjectClass, this, this, {}});
}

const char* ITesProgressObject::className() const { return kProgressObjectClass; }
