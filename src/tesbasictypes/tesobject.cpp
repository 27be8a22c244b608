#include "tesobject.h"

#include "servicelookup.h"

namespace {
// Written into a plainly counted object whose count reached zero, so that a
// use after the last release shows up in a debugger.
constexpr uint32_t kDeadCount = 0xFFFFFFD6u;  // -42
}  // namespace

TesObject::~TesObject() = default;

TesShared::~TesShared() = default;

void TesShared::addRef() {
    if (ITesComponentManager* manager = tesComponentManager()) {
        manager->atomicIncrement(&count_);
    } else {
        ++count_;
    }
}

bool TesShared::decrement() {
    if (ITesComponentManager* manager = tesComponentManager()) {
        return manager->atomicDecrement(&count_);
    }
    if (--count_ != 0) return false;
    count_ = kDeadCount;
    return true;
}

void TesShared::detachWeakRef() {
    TesWeakRef* weak = weakRef_;
    if (weak == nullptr) return;
    weakRef_ = nullptr;
    weak->target_ = nullptr;
    weak->release();
}

void TesShared::release() {
    if (!decrement()) return;
    detachWeakRef();
    delete this;
}

bool TesShared::releaseKeep() {
    if (!decrement()) return false;
    detachWeakRef();
    return true;
}

uint32_t TesShared::refCount() const { return count_; }

TesWeakRef* TesShared::weakRef() {
    if (weakRef_ == nullptr) {
        weakRef_ = new TesWeakRef(this);
        weakRef_->addRef();
    }
    return weakRef_;
}
