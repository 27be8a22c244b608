#include "infrastructure/reftranslator.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <utility>

#include "queryinterface.h"
#include "textcodec.h"

namespace {

constexpr const char* kTranslatorClass = "RefTranslator";
constexpr const char* kServiceClass = "RefTranslatorService";
constexpr const char* kTranslatorName = "ITesTranslator";
constexpr const char* kServiceName = "ITesTranslatorService";
constexpr std::string_view kSeparator = " = ";
constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";
constexpr std::string_view kBlanks = " \t";
constexpr char kComment = '#';
// Units from here on stand for raw bytes in the library's wide strings.
constexpr char16_t kFirstRawUnit = 0xFF80;

constexpr const char* kNotText = "not UTF-8 text (an invalid byte, a zero byte or a character in U+FF80..U+FFFF)";
constexpr const char* kNoSeparator = "expected \"key = text\"";
constexpr const char* kEmptyKey = "empty key";
constexpr const char* kBadEscape = "unknown escape: use \\n, \\t or \\\\";
constexpr const char* kCannotRead = "cannot read ";

std::string_view trimmed(std::string_view text) {
    const size_t first = text.find_first_not_of(kBlanks);
    if (first == std::string_view::npos) return {};
    return text.substr(first, text.find_last_not_of(kBlanks) - first + 1);
}

// True when every byte decodes as UTF-8 into a unit the library keeps as a
// character: the codec turns stray bytes into U+FF80..U+FFFF.
bool isText(std::string_view line) {
    const std::u16string units = tesUtf8ToWide(line);
    return std::none_of(units.begin(), units.end(), [](char16_t unit) { return unit == 0 || unit >= kFirstRawUnit; });
}

// `text` with its escapes resolved into `out`; false for a bad escape.
bool unescape(std::string_view text, std::string& out) {
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '\\') {
            out += text[i];
            continue;
        }
        const char escaped = ++i < text.size() ? text[i] : '\0';
        if (escaped == 'n') {
            out += '\n';
        } else if (escaped == 't') {
            out += '\t';
        } else if (escaped == '\\') {
            out += '\\';
        } else {
            return false;
        }
    }
    return true;
}

// Reads a table line by line; the first error stops it.
class TableReader {
public:
    explicit TableReader(const std::string& path) : path_(path) {}

    bool readLine(std::string_view line, int number) {
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        if (!isText(line)) return fail(number, kNotText);
        const std::string_view content = trimmed(line);
        if (content.empty() || content.front() == kComment) return true;
        const size_t separator = line.find(kSeparator);
        if (separator == std::string_view::npos) return fail(number, kNoSeparator);
        const std::string key(trimmed(line.substr(0, separator)));
        if (key.empty()) return fail(number, kEmptyKey);
        std::string text;
        if (!unescape(line.substr(separator + kSeparator.size()), text)) return fail(number, kBadEscape);
        const auto [first, inserted] = lineOf_.emplace(key, number);
        if (!inserted) {
            return fail(number, "duplicate key \"" + key + "\" (first on line " + std::to_string(first->second) + ")");
        }
        table_.emplace(key, TesString::fromUtf8(text));
        return true;
    }

    RefTranslationTable& table() { return table_; }
    const std::string& error() const { return error_; }

private:
    bool fail(int number, const std::string& message) {
        error_ = path_ + ":" + std::to_string(number) + ": " + message;
        return false;
    }

    std::string path_;
    RefTranslationTable table_;
    std::unordered_map<std::string, int> lineOf_;
    std::string error_;
};

// The whole file into `content`; false for a missing, unreadable or
// non-regular file.
bool readFile(const std::string& path, std::string& content) {
    std::error_code status;
    if (!std::filesystem::is_regular_file(path, status)) return false;
    std::ifstream file(path, std::ios::binary);
    if (!file) return false;
    content.assign(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
    return !file.bad();
}

}  // namespace

bool refParseTranslations(std::string_view content, const std::string& path, RefTranslationTable& table,
                          std::string& error) {
    if (content.substr(0, kByteOrderMark.size()) == kByteOrderMark) content.remove_prefix(kByteOrderMark.size());
    TableReader reader(path);
    int number = 1;
    for (size_t start = 0; start <= content.size(); ++number) {
        const size_t end = std::min(content.find('\n', start), content.size());
        if (!reader.readLine(content.substr(start, end - start), number)) {
            error = reader.error();
            return false;
        }
        start = end + 1;
    }
    table = std::move(reader.table());
    return true;
}

void RefTranslator::queryInterface(const char* name, void** out) {
    tesAnswerQuery(name, out, {kTranslatorClass, this, this, {{kTranslatorName, static_cast<ITesTranslator*>(this)}}});
}

const char* RefTranslator::className() const { return kTranslatorClass; }

bool RefTranslator::lookup(const char* key, TesString& text) {
    const auto found = key != nullptr ? table_.find(key) : table_.end();
    if (found == table_.end()) {
        text = keyText(key);
        return false;
    }
    text = found->second;
    return true;
}

void RefTranslator::setTable(RefTranslationTable table) {
    table_ = std::move(table);
    loaded_ = true;
}

RefTranslatorService::RefTranslatorService() : translator_(new RefTranslator) {}

void RefTranslatorService::queryInterface(const char* name, void** out) {
    tesAnswerQuery(name, out,
                   {kServiceClass, this, this, {{kServiceName, static_cast<ITesTranslatorService*>(this)}}});
}

const char* RefTranslatorService::className() const { return kServiceClass; }

ITesTranslator* RefTranslatorService::translatorFor(const char* componentName) {
    if (componentName == nullptr) return nullptr;
    askedBy_.emplace_back(componentName);
    return translator_.get();
}

bool RefTranslatorService::load(const std::string& path, std::string& error) {
    std::string content;
    if (!readFile(path, content)) {
        error = kCannotRead + path;
        return false;
    }
    RefTranslationTable table;
    if (!refParseTranslations(content, path, table, error)) return false;
    translator_->setTable(std::move(table));
    return true;
}
