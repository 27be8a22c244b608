#include "componentselftests.h"

#include <vector>

#include "hostapi/component.h"
#include "hostapi/infrastructure.h"
#include "iptr.h"
#include "servicelookup.h"

namespace {

constexpr const char* kNoTestService = "Unable to get test service";
constexpr int32_t kReportLevel = 1;
constexpr size_t kTestListRoom = 21;

struct SelfTest {
    const char* name;
    bool (*run)();
};

// This component registers no tests; the list exists for the host's protocol.
std::vector<SelfTest>& testList() {
    static std::vector<SelfTest>* list = [] {
        auto* created = new std::vector<SelfTest>;
        created->reserve(kTestListRoom);
        return created;
    }();
    return *list;
}

void reportMissingTestService() {
    SPtr<ITesErrorService> errors("ITesErrorService");
    if (!errors) return;
    errors->report(kNoTestService, kReportLevel, "");
    if (ITesComponentManager* manager = tesComponentManager()) {
        const char* status = manager->statusText();
        errors->report(status != nullptr ? status : "", kReportLevel, "");
    }
}

}  // namespace

void runComponentTests(ITesTestCallback* callback) {
    static bool running = false;
    if (running) return;
    running = true;
    if (callback == nullptr) {
        reportMissingTestService();
    } else {
        for (const SelfTest& test : testList()) callback->runTest(test.name, test.run);
    }
    running = false;
}
