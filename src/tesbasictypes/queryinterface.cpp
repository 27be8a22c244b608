#include "queryinterface.h"

#include <cstring>

#include "servicelookup.h"

namespace {
constexpr const char* kUnknownName = "ITesUnknown";

void enumerate(const TesQueryTable& table, TesEnumContext* context) {
    tesEnumerateName(table.className, 1, context);
    for (const TesQueryAnswer& answer : table.interfaces) tesEnumerateName(answer.name, 0, context);
}
}  // namespace

bool tesAnswerQuery(const char* name, void** out, const TesQueryTable& table) {
    if (name == nullptr) {
        enumerate(table, reinterpret_cast<TesEnumContext*>(out));
        return false;
    }
    *out = nullptr;
    if (std::strcmp(name, table.className) == 0) {
        *out = table.self;
    } else if (std::strcmp(name, kUnknownName) == 0) {
        *out = table.root;
    } else {
        for (const TesQueryAnswer& answer : table.interfaces) {
            if (std::strcmp(name, answer.name) == 0) {
                *out = answer.face;
                break;
            }
        }
    }
    return *out != nullptr;
}
