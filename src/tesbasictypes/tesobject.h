// The root of the object model: every object that crosses between the component
// and the host is a TesShared with one reference count, reached through
// ITesUnknown and asked for further interfaces by name.
#pragma once

#include <cstdint>

class TesWeakRef;

// Root class: only the virtual destructor.
class TesObject {
public:
    virtual ~TesObject();
};

// Reference counting and the weak reference. A new object has count 0; whoever
// keeps it takes it into an IPtr. Counting is atomic through the component
// manager once one is set, plain otherwise.
class TesShared : public TesObject {
public:
    TesShared() = default;
    TesShared(const TesShared&) = delete;
    TesShared& operator=(const TesShared&) = delete;

    virtual void addRef();
    // Destroys the object when the count reaches zero.
    virtual void release();
    // Like release but never destroys; true when the count reached zero.
    virtual bool releaseKeep();
    virtual uint32_t refCount() const;
    // Created on first call and owned by this object (one reference).
    virtual TesWeakRef* weakRef();

protected:
    ~TesShared() override;

private:
    bool decrement();
    void detachWeakRef();

    uint32_t count_ = 0;
    TesWeakRef* weakRef_ = nullptr;
};

// The root interface. Every interface derives from it, virtually when a class
// carries several interfaces, so an object has exactly one count.
class ITesUnknown : public TesShared {
public:
    // With a name: sets *out to the subobject answering that name, or null.
    // With a null name: out points to a TesEnumContext to be filled.
    // Never adds a reference.
    virtual void queryInterface(const char* name, void** out) = 0;
    // The concrete class name, a static string.
    virtual const char* className() const = 0;

protected:
    ~ITesUnknown() override = default;
};

// Refers to an object without keeping it alive; the target is cleared when the
// object's count reaches zero, and the weak reference lives on for its holders.
class TesWeakRef : public TesShared {
public:
    explicit TesWeakRef(TesShared* target) : target_(target) {}

    TesWeakRef* weakRef() override { return this; }
    // The referred object, null once it is gone.
    TesShared* target() const { return target_; }
    ITesUnknown* object() const { return static_cast<ITesUnknown*>(target_); }

private:
    friend class TesShared;
    TesShared* target_;
};

// Typed query helper: the interface named `name` of `object`, or null.
template <class T>
T* tesQuery(ITesUnknown* object, const char* name) {
    void* out = nullptr;
    if (object != nullptr) object->queryInterface(name, &out);
    return static_cast<T*>(out);
}
