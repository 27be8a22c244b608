// The two smart pointers through which all code holds interfaces. IPtr holds
// one reference; SPtr is an IPtr filled by a service lookup at construction.
#pragma once

#include <utility>

#include "servicelookup.h"
#include "tesobject.h"

template <class T, class Root = ITesUnknown>
class IPtr {
public:
    IPtr() = default;
    IPtr(T* pointer) { assign(pointer); }  // NOLINT: takes a reference implicitly
    IPtr(const IPtr& other) { assign(other.typed_); }
    IPtr(IPtr&& other) noexcept : typed_(other.typed_), root_(other.root_) {
        other.typed_ = nullptr;
        other.root_ = nullptr;
    }
    virtual ~IPtr() { reset(); }

    IPtr& operator=(T* pointer) {
        assign(pointer);
        return *this;
    }
    IPtr& operator=(const IPtr& other) {
        assign(other.typed_);
        return *this;
    }
    IPtr& operator=(IPtr&& other) noexcept {
        if (this != &other) {
            reset();
            std::swap(typed_, other.typed_);
            std::swap(root_, other.root_);
        }
        return *this;
    }

    // Takes `pointer`: the new one gains a reference before the old one loses its own.
    void assign(T* pointer) {
        if (pointer == typed_) return;
        Root* root = pointer != nullptr ? static_cast<Root*>(pointer) : nullptr;
        if (root != nullptr) root->addRef();
        if (root_ != nullptr) root_->release();
        typed_ = pointer;
        root_ = root;
    }
    void reset() {
        if (root_ != nullptr) root_->release();
        typed_ = nullptr;
        root_ = nullptr;
    }

    T* get() const { return typed_; }
    Root* root() const { return root_; }
    T* operator->() const { return typed_; }
    T& operator*() const { return *typed_; }
    explicit operator bool() const { return typed_ != nullptr; }

private:
    T* typed_ = nullptr;
    Root* root_ = nullptr;
};

// Looks up the host service `interfaceName` once, at construction; empty when
// none was found. For the life of the process keep one in a function static.
template <class T, class Root = ITesUnknown>
class SPtr : public IPtr<T, Root> {
public:
    explicit SPtr(const char* interfaceName) {
        void* service = nullptr;
        if (tesGetService(interfaceName, &service) == 1 && service != nullptr) {
            this->assign(static_cast<T*>(service));
        }
    }
};

// The host service of interface T for the life of the process: the first call
// looks it up under `interfaceName`, later calls answer what it found (null
// when the host had none). One lookup per interface type.
template <class T>
T* tesProcessService(const char* interfaceName) {
    static SPtr<T> service(interfaceName);
    return service.get();
}
