#include "reflines.h"

#include <cerrno>
#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <sstream>

namespace {

// Reads the quoted word starting at `i` (on the quote), with \" and \\ as
// escapes; `i` ends after the closing quote. False when it never closes.
bool readQuoted(const std::string& line, size_t& i, std::string& word) {
    for (size_t j = i + 1; j < line.size(); ++j) {
        if (line[j] == '\\' && j + 1 < line.size() && (line[j + 1] == '"' || line[j + 1] == '\\')) {
            word += line[++j];
        } else if (line[j] == '"') {
            i = j + 1;
            return true;
        } else {
            word += line[j];
        }
    }
    return false;
}

// Splits one line; false on an unterminated quote.
bool splitWords(const std::string& line, std::vector<std::string>& words) {
    size_t i = 0;
    while (i < line.size()) {
        if (line[i] == ' ' || line[i] == '\t' || line[i] == '\r') {
            ++i;
        } else if (line[i] == '#') {
            break;
        } else if (line[i] == '"') {
            std::string word;
            if (!readQuoted(line, i, word)) return false;
            words.push_back(std::move(word));
        } else {
            const size_t end = line.find_first_of(" \t\r", i);
            words.push_back(line.substr(i, end == std::string::npos ? std::string::npos : end - i));
            i = end == std::string::npos ? line.size() : end;
        }
    }
    return true;
}

}  // namespace

std::string refQuote(const std::string& word) {
    std::string quoted = "\"";
    for (char c : word) {
        if (c == '"' || c == '\\') quoted += '\\';
        quoted += c;
    }
    return quoted + "\"";
}

std::string refLineError(const std::string& name, int line, const std::string& message) {
    return name + ":" + std::to_string(line) + ": " + message;
}

RefLineFile refSplitLines(const std::string& text, const std::string& name) {
    RefLineFile file;
    std::istringstream stream(text);
    std::string line;
    for (int number = 1; std::getline(stream, line); ++number) {
        RefLine parsed{number, {}};
        if (!splitWords(line, parsed.words)) {
            file.error = refLineError(name, number, "unterminated quote");
            return file;
        }
        if (!parsed.words.empty()) file.lines.push_back(std::move(parsed));
    }
    file.good = true;
    return file;
}

RefLineFile refReadLines(const std::string& path) {
    std::ifstream stream(path, std::ios::binary);
    if (!stream) {
        RefLineFile file;
        file.error = "cannot read " + path;
        return file;
    }
    std::ostringstream text;
    text << stream.rdbuf();
    return refSplitLines(text.str(), path);
}

bool refParseDouble(const std::string& word, double* value) {
    if (word.empty()) return false;
    char* end = nullptr;
    errno = 0;
    const double parsed = std::strtod(word.c_str(), &end);
    if (*end != '\0' || errno == ERANGE) return false;
    *value = parsed;
    return true;
}

bool refParseInt(const std::string& word, int* value) {
    if (word.empty()) return false;
    char* end = nullptr;
    errno = 0;
    const long parsed = std::strtol(word.c_str(), &end, 10);
    if (*end != '\0' || errno == ERANGE || parsed < INT32_MIN || parsed > INT32_MAX) return false;
    *value = static_cast<int>(parsed);
    return true;
}
