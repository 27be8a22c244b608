#include "infrastructure/refdiagnostics.h"

#include <cstdio>

#include "queryinterface.h"

namespace {
constexpr const char* kErrorServiceClass = "RefErrorService";
constexpr const char* kAssertHandlerClass = "RefAssertHandler";

std::string orEmpty(const char* text) { return text != nullptr ? text : ""; }
}  // namespace

void RefErrorService::queryInterface(const char* name, void** out) {
    tesAnswerQuery(name, out,
                   {kErrorServiceClass, this, this, {{"ITesErrorService", static_cast<ITesErrorService*>(this)}}});
}

const char* RefErrorService::className() const { return kErrorServiceClass; }

void RefErrorService::report(const char* message, int32_t level, const char* context) {
    reports_.push_back({orEmpty(message), level, orEmpty(context)});
    if (!echo_) return;
    const RefErrorReport& last = reports_.back();
    if (last.context.empty()) {
        std::fprintf(stderr, "error (level %d): %s\n", level, last.message.c_str());
    } else {
        std::fprintf(stderr, "error (level %d, %s): %s\n", level, last.context.c_str(), last.message.c_str());
    }
}

void RefAssertHandler::queryInterface(const char* name, void** out) {
    tesAnswerQuery(name, out,
                   {kAssertHandlerClass,
                    this,
                    this,
                    {{"ITesAssertHandlerCB", static_cast<ITesAssertHandlerCB*>(this)}}});
}

const char* RefAssertHandler::className() const { return kAssertHandlerClass; }

void RefAssertHandler::onAssert(const char* expression, const char* source, int32_t line) {
    reports_.push_back({orEmpty(expression), orEmpty(source), line});
}
