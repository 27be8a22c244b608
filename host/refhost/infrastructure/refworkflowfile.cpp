#include "infrastructure/refworkflowfile.h"

#include "document/refworkflow.h"
#include "infrastructure/refstorefile.h"
#include "refhost.h"
#include "session/reflines.h"

namespace {

constexpr const char* kHexDigits = "0123456789abcdef";

std::string hexOf(const std::string& bytes) {
    std::string text;
    for (const unsigned char byte : bytes) {
        text += kHexDigits[byte >> 4];
        text += kHexDigits[byte & 15];
    }
    return text;
}

bool bytesOf(const std::string& hex, std::string& bytes) {
    auto digit = [](char c) -> int {
        const char* at = std::char_traits<char>::find(kHexDigits, 16, c);
        return at != nullptr ? static_cast<int>(at - kHexDigits) : -1;
    };
    if (hex.size() % 2 != 0) return false;
    for (size_t i = 0; i < hex.size(); i += 2) {
        const int high = digit(hex[i]);
        const int low = digit(hex[i + 1]);
        if (high < 0 || low < 0) return false;
        bytes += static_cast<char>(high * 16 + low);
    }
    return true;
}

std::string storeText(RefWorkflowManager& manager) {
    std::string text = "# vesper-host workflows\n";
    for (const IPtr<RefWorkflow>& workflow : manager.workflows()) {
        RefScriptHolder* holder = workflow->holder();
        text += "workflow " + refQuote(workflow->name()) + (workflow.get() == manager.current() ? " current" : "") +
                (holder == nullptr ? " noholder" : "") + "\n";
        if (holder == nullptr) continue;
        for (const std::string& call : holder->calls()) text += "call " + call + "\n";
        if (!holder->script().empty()) text += "script " + hexOf(holder->script()) + "\n";
    }
    return text;
}

// A workflow as the store holds it.
struct StoredWorkflow {
    std::string name;
    bool current = false;
    bool holder = true;
    std::vector<std::string> calls;
    std::string script;
};

// One line of the store into `store`; an empty text when it went well.
std::string readLine(std::vector<StoredWorkflow>& store, const std::vector<std::string>& words) {
    const std::string& verb = words[0];
    if (verb == "workflow") {
        if (words.size() < 2) return "workflow needs a name";
        StoredWorkflow workflow;
        workflow.name = words[1];
        for (size_t i = 2; i < words.size(); ++i) {
            if (words[i] == "current") workflow.current = true;
            else if (words[i] == "noholder") workflow.holder = false;
            else return "expected current or noholder, not " + words[i];
        }
        for (const StoredWorkflow& earlier : store) {
            if (earlier.name == workflow.name) return "workflow " + workflow.name + " appears twice";
        }
        store.push_back(std::move(workflow));
        return {};
    }
    if (verb != "call" && verb != "script") return "expected workflow, call or script, not " + verb;
    if (store.empty() || !store.back().holder) return verb + " needs a workflow with a holder before it";
    if (verb == "call") {
        if (words.size() < 2) return "call needs what was called";
        std::string call = words[1];
        for (size_t i = 2; i < words.size(); ++i) call += " " + words[i];
        store.back().calls.push_back(call);
        return {};
    }
    std::string bytes;
    if (words.size() != 2 || !bytesOf(words[1], bytes)) return "script needs its bytes as hexadecimal digits";
    store.back().script = std::move(bytes);
    return {};
}

// The whole store is read before the manager learns of it: a damaged store
// changes nothing.
bool readStore(RefWorkflowManager& manager, const std::string& path, std::string& error) {
    const RefLineFile file = refReadStoreFile(path);
    if (!file.good) {
        error = file.error;
        return false;
    }
    std::vector<StoredWorkflow> store;
    for (const RefLine& line : file.lines) {
        const std::string problem = readLine(store, line.words);
        if (!problem.empty()) {
            error = refLineError(path, line.number, problem);
            return false;
        }
    }
    for (StoredWorkflow& stored : store) {
        RefWorkflow& workflow = manager.ensure(stored.name, stored.holder);
        if (stored.current) manager.setCurrent(&workflow);
        if (RefScriptHolder* holder = workflow.holder()) {
            holder->calls() = std::move(stored.calls);
            holder->script() = std::move(stored.script);
        }
    }
    return true;
}

}  // namespace

bool refUseWorkflowFile(RefHost& host, const std::string& path, std::string& error) {
    RefWorkflowManager& manager = host.workflows();
    if (!readStore(manager, path, error)) return false;
    manager.onInstalled(refStoreSaver(host, path, "workflows", [&manager] { return storeText(manager); }));
    return true;
}
