#include "computation/refscript.h"

#include <cctype>
#include <map>

#include "document/refmeshtext.h"
#include "session/reflines.h"

namespace {

constexpr std::string_view kModule = "tessarel.app.v2";
constexpr std::string_view kStartUp = "for m in tessarel.app.v2.execStrings: exec m in locals(), globals()";
constexpr std::string_view kFunctions = "tesapp.";

// The functions of the module and the kinds of their arguments ('t' text, 'n' number).
const std::map<std::string, std::string, std::less<>>& functions() {
    static const std::map<std::string, std::string, std::less<>> table = {{"capture_verifyAndScan", "ttnn"}};
    return table;
}

struct Token {
    enum Kind { kName, kText, kNumber, kSymbol } kind;
    std::string text;
    double number = 0;  // of a kNumber
};

bool isNameChar(char c) { return std::isalnum(static_cast<unsigned char>(c)) != 0 || c == '_' || c == '.'; }

// A string literal from its opening quote at `at`, escapes undone as the
// language does; an unknown escape keeps its backslash.
bool readText(std::string_view line, size_t& at, std::string& text) {
    const char quote = line[at++];
    static const std::map<char, char> kEscapes = {{'n', '\n'}, {'t', '\t'}, {'r', '\r'}, {'\\', '\\'},
                                                  {'\'', '\''}, {'"', '"'},  {'0', '\0'}};
    for (; at < line.size(); ++at) {
        if (line[at] == quote) {
            ++at;
            return true;
        }
        if (line[at] != '\\' || at + 1 == line.size()) {
            text += line[at];
            continue;
        }
        const auto escape = kEscapes.find(line[++at]);
        if (escape == kEscapes.end()) text += '\\';
        text += escape != kEscapes.end() ? escape->second : line[at];
    }
    return false;
}

// The line's tokens up to a comment; false with `error` set when a string
// is left open.
bool tokenize(std::string_view line, std::vector<Token>& tokens, std::string& error) {
    for (size_t at = 0; at < line.size();) {
        const char c = line[at];
        if (c == '#') break;
        if (std::isspace(static_cast<unsigned char>(c)) != 0) {
            ++at;
        } else if (c == '"' || c == '\'') {
            Token token{Token::kText, {}, 0};
            if (!readText(line, at, token.text)) {
                error = "a string is not closed";
                return false;
            }
            tokens.push_back(std::move(token));
        } else if (isNameChar(c) || c == '-' || c == '+') {
            const size_t start = at++;
            while (at < line.size() && (isNameChar(line[at]) || ((line[at] == '-' || line[at] == '+') &&
                                                                  (line[at - 1] == 'e' || line[at - 1] == 'E')))) {
                ++at;
            }
            Token token{Token::kName, std::string(line.substr(start, at - start))};
            if (refParseDouble(token.text, &token.number)) token.kind = Token::kNumber;
            tokens.push_back(std::move(token));
        } else {
            tokens.push_back({Token::kSymbol, std::string(1, c)});
            ++at;
        }
    }
    return true;
}

class ScriptReader {
public:
    // The error of the line, or "".
    std::string readLine(std::string_view line, int number, std::vector<RefScriptCall>& calls);

private:
    std::string value(const Token& token, RefScriptValue& out) const;
    std::string call(const std::vector<Token>& tokens, int number, std::vector<RefScriptCall>& calls) const;

    bool imported_ = false;
    bool started_ = false;
    std::map<std::string, RefScriptValue> names_;
};

bool isSymbol(const Token& token, char symbol) { return token.kind == Token::kSymbol && token.text[0] == symbol; }

std::string ScriptReader::value(const Token& token, RefScriptValue& out) const {
    if (token.kind == Token::kText) {
        out = {true, token.text, 0};
    } else if (token.kind == Token::kNumber) {
        out = {false, {}, token.number};
    } else if (token.kind != Token::kName) {
        return "a value was expected, not " + token.text;
    } else if (const auto known = names_.find(token.text); known != names_.end()) {
        out = known->second;
    } else {
        return "name '" + token.text + "' is not defined";
    }
    return {};
}

std::string ScriptReader::call(const std::vector<Token>& tokens, int number, std::vector<RefScriptCall>& calls) const {
    const std::string_view function = std::string_view(tokens[0].text).substr(kFunctions.size());
    const auto known = functions().find(function);
    if (known == functions().end()) return "the module has no function " + std::string(function);
    if (!started_) return "name 'tesapp' is not defined";
    RefScriptCall made{number, std::string(function), {}};
    size_t at = 2;
    while (at < tokens.size() && !isSymbol(tokens[at], ')')) {
        if (!made.arguments.empty() && !isSymbol(tokens[at++], ',')) return "arguments are separated by commas";
        if (at == tokens.size()) break;
        RefScriptValue argument;
        if (std::string problem = value(tokens[at++], argument); !problem.empty()) return problem;
        made.arguments.push_back(std::move(argument));
    }
    if (at + 1 != tokens.size()) return "the call is not closed where the line ends";
    const std::string& kinds = known->second;
    bool fits = made.arguments.size() == kinds.size();
    for (size_t i = 0; fits && i < kinds.size(); ++i) fits = made.arguments[i].isText == (kinds[i] == 't');
    if (!fits) {
        std::string wanted;
        for (char kind : kinds) wanted += std::string(wanted.empty() ? "" : ", ") + (kind == 't' ? "text" : "number");
        return made.function + " takes " + std::to_string(kinds.size()) + " arguments: " + wanted;
    }
    calls.push_back(std::move(made));
    return {};
}

std::string ScriptReader::readLine(std::string_view line, int number, std::vector<RefScriptCall>& calls) {
    std::vector<Token> tokens;
    std::string error;
    if (!tokenize(line, tokens, error)) return error;
    if (tokens.empty()) return {};
    if (line.substr(0, line.find_last_not_of(" \t") + 1) == kStartUp) {
        if (!imported_) return "name 'tessarel' is not defined";
        started_ = true;
        return {};
    }
    if (tokens[0].text == "import" && tokens.size() == 2) {
        if (tokens[1].text != kModule) return "no module named " + tokens[1].text;
        imported_ = true;
        return {};
    }
    if (tokens.size() == 3 && tokens[0].kind == Token::kName && isSymbol(tokens[1], '=')) {
        RefScriptValue assigned;
        if (std::string problem = value(tokens[2], assigned); !problem.empty()) return problem;
        names_[tokens[0].text] = std::move(assigned);
        return {};
    }
    if (tokens.size() >= 3 && tokens[0].text.starts_with(kFunctions) && isSymbol(tokens[1], '(')) {
        return call(tokens, number, calls);
    }
    return "the host's script run-time does not run this line";
}

}  // namespace

RefScriptRun refReadScript(std::string_view script) {
    RefScriptRun run;
    ScriptReader reader;
    size_t position = 0;
    std::string_view line;
    for (int number = 1; refMeshNextLine(script, position, line); ++number) {
        if (std::string problem = reader.readLine(line, number, run.calls); !problem.empty()) {
            run.error = "line " + std::to_string(number) + ": " + problem;
            run.calls.clear();
            return run;
        }
    }
    run.good = true;
    return run;
}
