// Small classes with several interfaces and a base class, for object-model and
// enumeration tests.
#pragma once

#include "queryinterface.h"
#include "tesobject.h"

class ITestAlpha : public virtual ITesUnknown {
public:
    virtual int alpha() const = 0;
};

class ITestBeta : public virtual ITesUnknown {
public:
    virtual int beta() const = 0;
};

class ITestGamma : public virtual ITesUnknown {
public:
    virtual int gamma() const = 0;
};

// Counts destructions so tests can see exactly when an object goes.
class TestMulti : public ITestAlpha, public ITestBeta {
public:
    explicit TestMulti(int* destroyed = nullptr) : destroyed_(destroyed) {}
    ~TestMulti() override {
        if (destroyed_ != nullptr) ++*destroyed_;
    }

    void queryInterface(const char* name, void** out) override {
        tesAnswerQuery(name, out,
                       {"TestMulti",
                        this,
                        static_cast<ITestAlpha*>(this),
                        {{"ITestAlpha", static_cast<ITestAlpha*>(this)}, {"ITestBeta", static_cast<ITestBeta*>(this)}}});
    }
    const char* className() const override { return "TestMulti"; }
    int alpha() const override { return 1; }
    int beta() const override { return 2; }

private:
    int* destroyed_;
};

// A derived class: its own names first, then the base's answers.
class TestDerived : public TestMulti, public ITestGamma {
public:
    using TestMulti::TestMulti;

    void queryInterface(const char* name, void** out) override {
        if (tesAnswerQuery(name, out,
                           {"TestDerived",
                            this,
                            static_cast<ITestGamma*>(this),
                            {{"ITestGamma", static_cast<ITestGamma*>(this)}}})) {
            return;
        }
        TestMulti::queryInterface(name, out);
    }
    const char* className() const override { return "TestDerived"; }
    int gamma() const override { return 3; }
};
