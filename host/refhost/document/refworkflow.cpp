#include "document/refworkflow.h"

#include "queryinterface.h"

void RefScriptHolder::queryInterface(const char* name, void** out) {
    tesAnswerQuery(name, out, {"RefScriptHolder", this, this, {{"ITesScriptHolder", static_cast<ITesScriptHolder*>(this)}}});
}

const char* RefScriptHolder::className() const { return "RefScriptHolder"; }

void RefScriptHolder::begin(int32_t mode) { calls_.push_back("begin " + std::to_string(mode)); }

void RefScriptHolder::setLanguage(const char* language) {
    calls_.push_back("language " + std::string(language != nullptr ? language : ""));
}

void RefScriptHolder::setScript(const char* script) {
    calls_.push_back("script");
    script_ = script != nullptr ? script : "";
    if (onScript_) onScript_();
}

RefWorkflow::RefWorkflow(std::string name, bool withHolder)
    : name_(std::move(name)), holder_(withHolder ? new RefScriptHolder : nullptr) {}

void RefWorkflow::queryInterface(const char* name, void** out) {
    tesAnswerQuery(name, out, {"RefWorkflow", this, this, {{"ITesWorkflow", static_cast<ITesWorkflow*>(this)}}});
}

const char* RefWorkflow::className() const { return "RefWorkflow"; }

void RefWorkflowManager::queryInterface(const char* name, void** out) {
    tesAnswerQuery(name, out,
                   {"RefWorkflowManager", this, this, {{"ITesWorkflowManager", static_cast<ITesWorkflowManager*>(this)}}});
}

const char* RefWorkflowManager::className() const { return "RefWorkflowManager"; }

void RefWorkflowManager::takeWorkflow(ITesUnknown* workflow) {
    for (const IPtr<RefWorkflow>& each : workflows_) {
        if (static_cast<ITesUnknown*>(each.get()) == workflow) current_ = each.get();
    }
}

ITesUnknown* RefWorkflowManager::currentWorkflow() { return current_; }

RefWorkflow* RefWorkflowManager::find(const std::string& name) {
    for (const IPtr<RefWorkflow>& each : workflows_) {
        if (each->name() == name) return each.get();
    }
    return nullptr;
}

RefWorkflow& RefWorkflowManager::ensure(const std::string& name, bool withHolder) {
    if (RefWorkflow* existing = find(name)) return *existing;
    workflows_.push_back(new RefWorkflow(name, withHolder));
    RefWorkflow& workflow = *workflows_.back();
    if (RefScriptHolder* holder = workflow.holder()) {
        holder->onScript([this] {
            if (installed_) installed_();
        });
    }
    return workflow;
}

void RefWorkflowLink::queryInterface(const char* name, void** out) {
    tesAnswerQuery(name, out, {"RefWorkflowLink", this, this, {{"ITesWorkflowLink", static_cast<ITesWorkflowLink*>(this)}}});
}

const char* RefWorkflowLink::className() const { return "RefWorkflowLink"; }

void RefWorkflowOwner::queryInterface(const char* name, void** out) {
    tesAnswerQuery(name, out,
                   {"RefWorkflowOwner",
                    this,
                    static_cast<ITesWorkflowOwner*>(this),
                    {{"ITesWorkflowOwner", static_cast<ITesWorkflowOwner*>(this)},
                     {"ITesWorkflowSubObjectMgr", static_cast<ITesWorkflowSubObjectMgr*>(this)}}});
}

const char* RefWorkflowOwner::className() const { return "RefWorkflowOwner"; }

std::string refWorkflowsText(RefWorkflowManager& manager) {
    std::string text = "workflows:\n";
    for (const IPtr<RefWorkflow>& workflow : manager.workflows()) {
        text += "  workflow \"" + workflow->name() + "\"" + (workflow.get() == manager.current() ? " current" : "");
        RefScriptHolder* holder = workflow->holder();
        if (holder == nullptr) {
            text += " no holder\n";
            continue;
        }
        text += " calls:";
        for (const std::string& call : holder->calls()) text += " " + call + ";";
        const std::string& script = holder->script();
        const bool ended = script.empty() || script.back() == '\n';
        text += "\nscript:\n" + script + (ended ? "" : "\n") + "end of script\n";
    }
    return text;
}
