#include "compbasecmd.h"

#include "queryinterface.h"

namespace {
constexpr const char* kCommandInterface = "IComponentCommand";
constexpr const char* kContainerIntInterface = "IComponentCommandContainerInt";
constexpr const char* kInCommand = "inCommand";
}  // namespace

void CompBaseCmd::queryInterface(const char* name, void** out) {
    tesAnswerQuery(name, out,
                   {"CompBaseCmd", this, this, {{kCommandInterface, static_cast<IComponentCommand*>(this)}}});
}

const char* CompBaseCmd::className() const { return "CompBaseCmd"; }

IComponentCommandContainer* CompBaseCmd::setContainer(IComponentCommandContainer* container) {
    container_ = container;
    return container_;
}

bool commandMayStart(ICommandState* state) { return state != nullptr && !state->boolValue(kInCommand); }

void CompBaseCmdInt::queryInterface(const char* name, void** out) {
    tesAnswerQuery(name, out,
                   {"CompBaseCmdInt", this, this, {{kCommandInterface, static_cast<IComponentCommand*>(this)}}});
}

const char* CompBaseCmdInt::className() const { return "CompBaseCmdInt"; }

IComponentCommandContainer* CompBaseCmdInt::setContainer(IComponentCommandContainer* container) {
    container_ = nullptr;
    if (container == nullptr) return nullptr;
    container_ = tesQuery<IComponentCommandContainerInt>(container, kContainerIntInterface);
    return container_;
}
