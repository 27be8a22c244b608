#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "memoryhost.h"
#include "tesassert.h"

namespace {

constexpr const char* kTesSourceName = "tests/tesassert";

struct HookCall {
    void* context = nullptr;
    std::string expression;
    std::string source;
    int line = 0;
};

void hook(void* context, const char* expression, const char* source, int line) {
    auto* call = static_cast<HookCall*>(context);
    call->context = context;
    call->expression = expression;
    call->source = source;
    call->line = line;
}

TEST(TesAssert, HookReceivesTextSourceLineAndContext) {
    HookCall call;
    tesSetAssertHook(hook, &call);
    const size_t handled = memoryTestHost().asserts().reports().size();
    const int line = __LINE__ + 1;
    TES_ASSERT(1 + 1 == 3, "1 + 1 == 3");
    tesSetAssertHook(nullptr, nullptr);
    EXPECT_EQ(call.context, &call);
    EXPECT_EQ(call.expression, "1 + 1 == 3");
    EXPECT_EQ(call.source, "tests/tesassert");
    EXPECT_EQ(call.line, line);
    EXPECT_EQ(memoryTestHost().asserts().reports().size(), handled);  // the hook wins
    TES_ASSERT(true, "never reported");
    EXPECT_EQ(call.expression, "1 + 1 == 3");
}

TEST(TesAssert, WithoutAHookTheHostHandlerReceivesIt) {
    tesAssertReport("end_.size() > 0 || !good_", "src/tesbasictypes/binio", 395);
    ASSERT_FALSE(memoryTestHost().asserts().reports().empty());
    const RefAssertReport& last = memoryTestHost().asserts().reports().back();
    EXPECT_EQ(last.expression, "end_.size() > 0 || !good_");
    EXPECT_EQ(last.source, "src/tesbasictypes/binio");
    EXPECT_EQ(last.line, 395);
}

TEST(TesAssert, WithNeitherTheProcessEndsWith255) {
    EXPECT_EXIT(
        {
            memoryTestHost().manager().removeService("ITesAssertHandlerCB");
            tesAssertReport("x", "y", 1);
            std::_Exit(0);
        },
        ::testing::ExitedWithCode(255), "");
}

}  // namespace
