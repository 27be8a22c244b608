#include "reflines.h"

#include <cerrno>
#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <sstream>

namespace {

// Splits one line; false on an unterminated quote.
bool splitWords(const std::string& line, std::vector<std::string>& words) {
    size_t i = 0;
    while (i < line.size()) {
        if (line[i] == ' ' || line[i] == '\t' || line[i] == '\r') {
            ++i;
        } else if (line[i] == '#') {
            break;
        } else if (line[i] == '"') {
            const size_t close = line.find('"', i + 1);
            if (close == std::string::npos) return false;
            words.push_back(line.substr(i + 1, close - i - 1));
            i = close + 1;
        } else {
            const size_t end = line.find_first_of(" \t\r", i);
            words.push_back(line.substr(i, end == std::string::npos ? std::string::npos : end - i));
            i = end == std::string::npos ? line.size() : end;
        }
    }
    return true;
}

}  // namespace

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
