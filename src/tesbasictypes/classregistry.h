// The process-wide class registry: one item factory per class, found by class
// identifier, created through TesDefaultClassFactory.
#pragma once

#include <cstdint>
#include <new>

#include "classid.h"
#include "tesobject.h"

// Creates one class. Item factories are static objects that insert themselves
// into the registry when constructed.
class TesItemFactory {
public:
    TesItemFactory(const char* className, const TesClassId& classId);
    virtual ~TesItemFactory();
    // Sets *success to 1 and returns the new object (count 0), null when
    // allocation failed.
    virtual ITesUnknown* create(int32_t* success) = 0;
    virtual const char* className() const { return className_; }
    virtual const char* aliasName() const { return aliasName_; }

    const TesClassId& classId() const { return classId_; }

private:
    const char* className_;
    const char* aliasName_ = nullptr;
    TesClassId classId_;
};

template <class T>
class TesTClassItemFactory : public TesItemFactory {
public:
    using TesItemFactory::TesItemFactory;
    ITesUnknown* create(int32_t* success) override {
        *success = 1;
        T* object = new (std::nothrow) T;
        return object != nullptr ? static_cast<ITesUnknown*>(object) : nullptr;
    }
};

// Registers T once per process: later calls do nothing.
template <class T>
void tesRegisterClass(const char* className, const TesClassId& classId) {
    static TesTClassItemFactory<T> factory(className, classId);
}

class ITesClassFactory {
public:
    virtual ~ITesClassFactory() = default;
    // 1 when the class exists (*out is then the new object or null), else 0
    // with *out untouched.
    virtual int32_t createInstance(const TesClassId& classId, ITesUnknown** out) = 0;
    virtual int32_t classCount() = 0;
    // One process-wide cursor: firstClassId restarts it.
    virtual bool firstClassId(TesClassId* out) = 0;
    virtual bool nextClassId(TesClassId* out) = 0;
    // Null for an unknown identifier.
    virtual const char* classNameOf(const TesClassId& classId) = 0;
};

class TesDefaultClassFactory : public ITesClassFactory {
public:
    int32_t createInstance(const TesClassId& classId, ITesUnknown** out) override;
    int32_t classCount() override;
    bool firstClassId(TesClassId* out) override;
    bool nextClassId(TesClassId* out) override;
    const char* classNameOf(const TesClassId& classId) override;
};

// The process's registry, created with the library.
TesDefaultClassFactory* tesClassRegistry();
