#include "classregistry.h"

#include "teshashmap.h"

namespace {

// The first prime-table entry above 99.
constexpr uint32_t kInitialBuckets = 131;

struct ClassIdHash {
    uint32_t operator()(const TesClassId& id) const { return id.data1; }
};

using ClassMap = TesHashMap<TesClassId, TesItemFactory*, ClassIdHash>;

struct Registry {
    ClassMap map{kInitialBuckets};
    ClassMap::Cursor cursor;
    TesDefaultClassFactory factory;
};

// Destroyed when the library is unloaded or the process ends, after every item
// factory, as those are made after it.
Registry& registry() {
    static Registry value;
    return value;
}

// Created with the library, as the component's load order requires.
[[maybe_unused]] const bool kRegistryCreated = (registry(), true);

bool copyCursor(const ClassMap::Cursor& cursor, TesClassId* out) {
    if (!cursor.valid()) return false;
    *out = cursor.key();
    return true;
}

}  // namespace

TesItemFactory::TesItemFactory(const char* className, const TesClassId& classId)
    : className_(className), classId_(classId) {
    if (TesItemFactory** slot = registry().map.findOrInsert(classId)) *slot = this;
}

TesItemFactory::~TesItemFactory() = default;

int32_t TesDefaultClassFactory::createInstance(const TesClassId& classId, ITesUnknown** out) {
    TesItemFactory** factory = registry().map.find(classId);
    if (factory == nullptr) return 0;
    int32_t success = 0;
    *out = (*factory)->create(&success);
    return success;
}

int32_t TesDefaultClassFactory::classCount() { return registry().map.count(); }

bool TesDefaultClassFactory::firstClassId(TesClassId* out) {
    registry().cursor = registry().map.first();
    return copyCursor(registry().cursor, out);
}

bool TesDefaultClassFactory::nextClassId(TesClassId* out) {
    registry().map.next(registry().cursor);
    return copyCursor(registry().cursor, out);
}

const char* TesDefaultClassFactory::classNameOf(const TesClassId& classId) {
    TesItemFactory** factory = registry().map.find(classId);
    return factory != nullptr ? (*factory)->className() : nullptr;
}

TesDefaultClassFactory* tesClassRegistry() { return &registry().factory; }
