// The host's workflows: named workflows, one of them current, each with a
// holder that keeps the automation script a command installs (the session's
// scan runs it, computation/refscript.h), and the object component that
// links an object to a workflow of its own.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "hostapi/document.h"
#include "iptr.h"

// Keeps every call in order, and the language and script of the last ones.
class RefScriptHolder : public ITesScriptHolder {
public:
    void queryInterface(const char* name, void** out) override;
    const char* className() const override;
    void begin(int32_t mode) override;
    void setLanguage(const char* language) override;
    void setScript(const char* script) override;

    // "begin 0", "language Python", "script": what the holder was told.
    std::vector<std::string>& calls() { return calls_; }
    std::string& script() { return script_; }
    // Told after each script the holder receives.
    void onScript(std::function<void()> listener) { onScript_ = std::move(listener); }

private:
    std::vector<std::string> calls_;
    std::string script_;
    std::function<void()> onScript_;
};

class RefWorkflow : public ITesWorkflow {
public:
    RefWorkflow(std::string name, bool withHolder);
    void queryInterface(const char* name, void** out) override;
    const char* className() const override;
    ITesScriptHolder* scriptHolder() override { return holder_.get(); }

    const std::string& name() const { return name_; }
    RefScriptHolder* holder() { return holder_.get(); }

private:
    std::string name_;
    IPtr<RefScriptHolder> holder_;
};

class RefWorkflowManager : public ITesWorkflowManager {
public:
    void queryInterface(const char* name, void** out) override;
    const char* className() const override;
    // A workflow of this manager becomes current; anything else is ignored.
    void takeWorkflow(ITesUnknown* workflow) override;
    ITesUnknown* currentWorkflow() override;

    // The workflow of that name, created (without making it current) when new.
    RefWorkflow& ensure(const std::string& name, bool withHolder);
    RefWorkflow* find(const std::string& name);
    void setCurrent(RefWorkflow* workflow) { current_ = workflow; }
    RefWorkflow* current() const { return current_; }
    const std::vector<IPtr<RefWorkflow>>& workflows() const { return workflows_; }
    // Told after every script a holder of this manager receives.
    void onInstalled(std::function<void()> listener) { installed_ = std::move(listener); }

private:
    std::vector<IPtr<RefWorkflow>> workflows_;
    RefWorkflow* current_ = nullptr;
    std::function<void()> installed_;
};

class RefWorkflowLink : public ITesWorkflowLink {
public:
    explicit RefWorkflowLink(RefWorkflow* workflow) : workflow_(workflow) {}
    void queryInterface(const char* name, void** out) override;
    const char* className() const override;
    ITesUnknown* value() override { return workflow_.get(); }

private:
    IPtr<RefWorkflow> workflow_;
};

// The component an object carries under kWorkflowOwnerId.
class RefWorkflowOwner : public ITesWorkflowOwner, public ITesWorkflowSubObjectMgr {
public:
    RefWorkflowOwner(bool usesWorkflow, RefWorkflowLink* link) : uses_(usesWorkflow), link_(link) {}
    void queryInterface(const char* name, void** out) override;
    const char* className() const override;
    bool usesWorkflow() override { return uses_; }
    ITesUnknown* heldObject() override { return link_.get(); }

private:
    bool uses_;
    IPtr<RefWorkflowLink> link_;
};

// The store as `dump workflows` prints it: per workflow its calls, then its
// script between "script:" and "end of script".
std::string refWorkflowsText(RefWorkflowManager& manager);
