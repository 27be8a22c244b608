// The query pattern every concrete class follows: its class name, then
// "ITesUnknown", then its interface names, first match wins; with a null name
// the class lists its class name and interface names into the enumeration.
#pragma once

#include <initializer_list>

#include "tesobject.h"

struct TesQueryAnswer {
    const char* name;
    void* face;  // the subobject that answers `name`
};

struct TesQueryTable {
    const char* className;
    void* self;          // answers the class name
    ITesUnknown* root;   // answers "ITesUnknown"
    std::initializer_list<TesQueryAnswer> interfaces;
};

// True when `name` matched and *out is set. False when nothing matched (*out is
// null) or when this was an enumeration step: a derived class then goes on to
// its base's query.
bool tesAnswerQuery(const char* name, void** out, const TesQueryTable& table);
