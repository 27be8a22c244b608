#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <tuple>

#include "processhost.h"
#include "tesassert.h"

namespace {

constexpr const char* kTesSourceName = "tests/tesassert";

using HookCall = std::tuple<void*, std::string, std::string, int>;  // context, expression, source, line

void keepCall(void* context, const char* expression, const char* source, int line) {
    *static_cast<HookCall*>(context) = {context, expression, source, line};
}

TEST(TesAssert, GoesToTheHookElseToTheHostElseEndsTheProcessWith255) {
    const std::vector<RefAssertReport>& hostReports = processTestHost().asserts().reports();
    const size_t handled = hostReports.size();
    HookCall call;
    tesSetAssertHook(keepCall, &call);
    TES_ASSERT(true, "never reported");
    const int line = __LINE__ + 1;
    TES_ASSERT(1 + 1 == 3, "1 + 1 == 3");
    tesSetAssertHook(nullptr, nullptr);
    EXPECT_EQ(call, HookCall(&call, "1 + 1 == 3", "tests/tesassert", line));
    EXPECT_EQ(hostReports.size(), handled) << "the hook wins";

    tesAssertReport("end_.size() > 0 || !good_", "src/tesbasictypes/binio", 395);
    ASSERT_EQ(hostReports.size(), handled + 1);
    const RefAssertReport& last = hostReports.back();
    EXPECT_EQ(std::tie(last.expression, last.source, last.line),
              std::make_tuple("end_.size() > 0 || !good_", "src/tesbasictypes/binio", 395));

    EXPECT_EXIT(
        {
            processTestHost().manager().removeService("ITesAssertHandlerCB");
            tesAssertReport("x", "y", 1);
            std::_Exit(0);
        },
        ::testing::ExitedWithCode(255), "");
}

}  // namespace
