#include "session/reflines.h"

#include <cerrno>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "infrastructure/reftext.h"

namespace {

constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";
constexpr char kHexDigits[] = "0123456789abcdef";

bool isDigit(char c) { return c >= '0' && c <= '9'; }

// Skips a run of decimal digits from `i`; how many there were.
size_t skipDigits(const std::string& word, size_t& i) {
    const size_t start = i;
    while (i < word.size() && isDigit(word[i])) ++i;
    return i - start;
}

// [+-] digits [. digits] [e [+-] digits], with a digit before or after the
// point: the only number syntax scripts and scenes take (no hex, inf or nan).
bool isDecimal(const std::string& word) {
    size_t i = word.empty() || (word[0] != '+' && word[0] != '-') ? 0 : 1;
    size_t digits = skipDigits(word, i);
    if (i < word.size() && word[i] == '.') digits += skipDigits(word, ++i);
    if (digits == 0) return false;
    if (i < word.size() && (word[i] == 'e' || word[i] == 'E')) {
        if (++i < word.size() && (word[i] == '+' || word[i] == '-')) ++i;
        if (skipDigits(word, i) == 0) return false;
    }
    return i == word.size();
}

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

std::string refPrintable(std::string_view text) {
    std::string out;
    for (size_t i = 0; i < text.size();) {
        char32_t code = 0;
        const size_t length = refDecodeUtf8(text.substr(i), code);
        const auto byte = static_cast<unsigned char>(text[i]);
        if (length == 0 || (length == 1 && (byte < 0x20 || byte == 0x7F) && byte != '\t')) {
            out += "\\x";
            out += kHexDigits[byte >> 4];
            out += kHexDigits[byte & 0xF];
            ++i;
        } else {
            out.append(text.substr(i, length));
            i += length;
        }
    }
    return out;
}

std::string refLineError(const std::string& name, int line, const std::string& message) {
    return refPrintable(name + ":" + std::to_string(line) + ": " + message);
}

std::string refFileProblem(const std::string& path, int error) {
    std::error_code code;
    if (std::filesystem::is_directory(path, code)) error = EISDIR;
    return refPrintable(path) + ": " + std::strerror(error);
}

RefLineFile refSplitLines(std::string_view text, const std::string& name) {
    RefLineFile file;
    std::istringstream stream(std::string(text.starts_with(kByteOrderMark) ? text.substr(kByteOrderMark.size()) : text));
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

bool refReadText(const std::string& path, std::string& text, std::string& error) {
    std::error_code code;
    const std::filesystem::file_status status = std::filesystem::status(path, code);
    if (!code && !std::filesystem::is_regular_file(status) && !std::filesystem::is_directory(status)) {
        error = "cannot read " + refPrintable(path) + ": not a regular file";
        return false;
    }
    std::ifstream stream;
    errno = code ? code.value() : 0;
    if (std::filesystem::is_regular_file(status)) stream.open(path, std::ios::binary);
    std::ostringstream content;
    if (stream.is_open()) content << stream.rdbuf();
    if (!stream.is_open() || stream.bad()) {
        error = "cannot read " + refFileProblem(path, errno);
        return false;
    }
    text = std::move(content).str();
    return true;
}

RefLineFile refReadLines(const std::string& path) {
    std::string text;
    RefLineFile file;
    if (!refReadText(path, text, file.error)) return file;
    return refSplitLines(text, path);
}

bool refParseDouble(const std::string& word, double* value) {
    if (!isDecimal(word)) return false;
    const double parsed = std::strtod(word.c_str(), nullptr);
    // Underflow to a subnormal or zero is still that number; overflow is none.
    if (!std::isfinite(parsed)) return false;
    *value = parsed;
    return true;
}

bool refParseInt(const std::string& word, int* value) {
    if (word.empty() || !(isDigit(word[0]) || word[0] == '-' || word[0] == '+')) return false;
    char* end = nullptr;
    errno = 0;
    const long parsed = std::strtol(word.c_str(), &end, 10);
    if (end != word.c_str() + word.size() || errno == ERANGE || parsed < INT32_MIN || parsed > INT32_MAX) return false;
    *value = static_cast<int>(parsed);
    return true;
}
