// The component object the host receives from EntryPoint, and its twin
// TesBaseComponent (no version string), which EntryPoint never creates.
#pragma once

#include "hostapi/component.h"

// The behaviour both component classes share; each adds its name and version.
class TesComponentObject : public ITesComponent, public ITesCompInternal {
public:
    bool initialize(ITesComponentManager* manager, void* reserved) override;
    bool terminate() override;
    int32_t createInstance(const TesClassId& classId, ITesUnknown** out) override;
    ITesClcBinary* descriptor() override;

    void reservedSlot0() override {}
    void reservedSlot1() override {}
    const TesClassId* componentId() override;
    const char* componentName() override;
    void* reservedSlot4() override { return nullptr; }
    int32_t classCount() override;
    bool firstClassId(TesClassId* out) override;
    bool nextClassId(TesClassId* out) override;
    const char* classNameOf(const TesClassId& classId) override;
    bool reservedSlot9() override { return true; }
    void runTests(ITesTestCallback* callback) override;
    void setTestServiceName(const char* name) override;
    const char* testServiceName() override;
    void setBreakEnabled(bool enabled) override;
    bool breakEnabled() override;

protected:
    // The last release lets go of the host (tesReleaseHostLinks), so that the
    // host may unload the plug-in.
    ~TesComponentObject() override;

    void answerQuery(const char* name, void** out, const char* className);
};

class TesStaticBaseComponent : public TesComponentObject {
public:
    void queryInterface(const char* name, void** out) override;
    const char* className() const override;
    const char* version() override;
};

class TesBaseComponent : public TesComponentObject {
public:
    void queryInterface(const char* name, void** out) override;
    const char* className() const override;
    const char* version() override { return nullptr; }
};
