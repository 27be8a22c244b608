#include "infrastructure/refworkflowfile.h"

#include <filesystem>

#include "document/refworkflow.h"
#include "infrastructure/refreplacefile.h"
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

// One line of the store; an empty text when it went well.
std::string readLine(RefWorkflowManager& manager, RefWorkflow*& last, const std::vector<std::string>& words) {
    const std::string& verb = words[0];
    if (verb == "workflow") {
        if (words.size() < 2) return "workflow needs a name";
        bool current = false, holder = true;
        for (size_t i = 2; i < words.size(); ++i) {
            if (words[i] == "current") current = true;
            else if (words[i] == "noholder") holder = false;
            else return "expected current or noholder, not " + words[i];
        }
        if (manager.find(words[1]) != nullptr) return "workflow " + words[1] + " appears twice";
        last = &manager.ensure(words[1], holder);
        if (current) manager.setCurrent(last);
        return {};
    }
    if (verb != "call" && verb != "script") return "expected workflow, call or script, not " + verb;
    if (last == nullptr || last->holder() == nullptr) return verb + " needs a workflow with a holder before it";
    if (verb == "call") {
        if (words.size() < 2) return "call needs what was called";
        std::string call = words[1];
        for (size_t i = 2; i < words.size(); ++i) call += " " + words[i];
        last->holder()->calls().push_back(call);
        return {};
    }
    std::string bytes;
    if (words.size() != 2 || !bytesOf(words[1], bytes)) return "script needs its bytes as hexadecimal digits";
    last->holder()->script() = bytes;
    return {};
}

bool readStore(RefWorkflowManager& manager, const std::string& path, std::string& error) {
    std::error_code code;
    if (std::filesystem::status(path, code).type() == std::filesystem::file_type::not_found) return true;
    const RefLineFile file = refReadLines(path);
    if (!file.good) {
        error = file.error;
        return false;
    }
    // Read into a scratch manager first: a damaged store changes nothing.
    RefWorkflowManager scratch;
    RefWorkflow* last = nullptr;
    for (const RefLine& line : file.lines) {
        const std::string problem = readLine(scratch, last, line.words);
        if (!problem.empty()) {
            error = refLineError(path, line.number, problem);
            return false;
        }
    }
    RefWorkflow* lastRead = nullptr;
    for (const RefLine& line : file.lines) readLine(manager, lastRead, line.words);
    return true;
}

}  // namespace

bool refUseWorkflowFile(RefHost& host, const std::string& path, std::string& error) {
    RefWorkflowManager& manager = host.workflows();
    if (!readStore(manager, path, error)) return false;
    manager.onInstalled([&host, &manager, path] {
        if (!host.failure().empty()) return;
        const RefReplaceResult saved = refReplaceFile(path, storeText(manager));
        if (!saved.good) host.fail("cannot save workflows: " + saved.error);
    });
    return true;
}
