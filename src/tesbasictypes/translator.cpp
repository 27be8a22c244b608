#include "translator.h"

#include <string>
#include <string_view>
#include <unordered_set>
#include <vector>

#include "iptr.h"
#include "queryinterface.h"
#include "servicelookup.h"

namespace {

constexpr const char* kClassName = "TesTrivialTranslator";
constexpr const char* kTranslatorName = "ITesTranslator";
constexpr const char* kTranslatorServiceName = "ITesTranslatorService";
// More digits than any 32-bit argument number has.
constexpr int32_t kMaxPlaceholderDigits = 10;

struct Placeholder {
    size_t start;  // the "%"
    size_t end;    // one past the last digit
    int32_t argument;  // 0-based
};

bool isDigit(char16_t unit) { return unit >= u'0' && unit <= u'9'; }

// The argument number written by digits [first, end), or 0 when they are not
// the plain decimal form of a number (a leading zero, too many digits).
int64_t placeholderNumber(std::u16string_view text, size_t first, size_t end) {
    const size_t digits = end - first;
    if (digits == 0 || digits > kMaxPlaceholderDigits || text[first] == u'0') return 0;
    int64_t number = 0;
    for (size_t i = first; i < end; ++i) number = number * 10 + (text[i] - u'0');
    return number;
}

// The placeholder of each argument 1 ... count that the text has, in text
// order: the first "%" followed by the digits of the argument's number and by
// no further digit, so "%1" never matches the start of "%12".
std::vector<Placeholder> findPlaceholders(std::u16string_view text, int32_t count) {
    std::vector<Placeholder> found;
    std::unordered_set<int64_t> seen;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] != u'%') continue;
        size_t end = i + 1;
        while (end < text.size() && isDigit(text[end])) ++end;
        const int64_t number = placeholderNumber(text, i + 1, end);
        if (number >= 1 && number <= count && seen.insert(number).second) {
            found.push_back({i, end, static_cast<int32_t>(number - 1)});
        }
    }
    return found;
}

std::u16string_view argumentText(const TesString* const* arguments, int32_t index) {
    if (arguments == nullptr || arguments[index] == nullptr) return {};
    return *arguments[index];
}

// Built from the placeholders found in the looked-up text alone, so argument
// texts are never searched for placeholders.
TesString substituteList(const TesString& text, int32_t count, const TesString* const* arguments) {
    const std::u16string_view units = text;
    const std::vector<Placeholder> placeholders = findPlaceholders(units, count);
    if (placeholders.empty()) return text;
    int64_t total = static_cast<int64_t>(units.size());
    for (const Placeholder& placeholder : placeholders) {
        total += static_cast<int64_t>(argumentText(arguments, placeholder.argument).size()) -
                 static_cast<int64_t>(placeholder.end - placeholder.start);
    }
    std::u16string result;
    result.reserve(static_cast<size_t>(total));
    size_t copied = 0;
    for (const Placeholder& placeholder : placeholders) {
        result.append(units.substr(copied, placeholder.start - copied));
        result.append(argumentText(arguments, placeholder.argument));
        copied = placeholder.end;
    }
    result.append(units.substr(copied));
    return TesString(result.data(), static_cast<int32_t>(result.size()));
}

struct TranslatorState {
    IPtr<ITesTranslator> current;
};

// The steps of the first call of translator(); `state` starts empty.
TranslatorState* resolve(TranslatorState* state) {
    SPtr<ITesTranslatorService> service(kTranslatorServiceName);
    if (service) state->current = service->translatorFor(tesComponentName());
    if (!state->current) state->current = SPtr<ITesTranslator>(kTranslatorName).get();
    if (!state->current) state->current = new TesTrivialTranslator;
    return state;
}

}  // namespace

TesString TesLookupTranslator::translateList(const char* key, int32_t count, const TesString* const* arguments) {
    TesString text;
    lookup(key, text);
    return substituteList(text, count, arguments);
}

TesString TesLookupTranslator::translate(const char* key, const TesString& a1, const TesString& a2,
                                         const TesString& a3, const TesString& a4, const TesString& a5,
                                         const TesString& a6) {
    TesString text;
    lookup(key, text);
    text.arg({a1, a2, a3, a4, a5, a6});
    return text;
}

TesString TesLookupTranslator::translate(const char* key, const TesString& a1, const TesString& a2,
                                         const TesString& a3, const TesString& a4, const TesString& a5) {
    TesString text;
    lookup(key, text);
    text.arg({a1, a2, a3, a4, a5});
    return text;
}

TesString TesLookupTranslator::translate(const char* key, const TesString& a1, const TesString& a2,
                                         const TesString& a3, const TesString& a4) {
    TesString text;
    lookup(key, text);
    text.arg({a1, a2, a3, a4});
    return text;
}

TesString TesLookupTranslator::translate(const char* key, const TesString& a1, const TesString& a2,
                                         const TesString& a3) {
    TesString text;
    lookup(key, text);
    text.arg({a1, a2, a3});
    return text;
}

TesString TesLookupTranslator::translate(const char* key, const TesString& a1, const TesString& a2) {
    TesString text;
    lookup(key, text);
    text.arg({a1, a2});
    return text;
}

TesString TesLookupTranslator::translate(const char* key, const TesString& a1) {
    TesString text;
    lookup(key, text);
    text.arg({a1});
    return text;
}

TesString TesLookupTranslator::translate(const char* key) {
    TesString text;
    lookup(key, text);
    return text;
}

TesString TesLookupTranslator::keyText(const char* key) { return TesString::fromUtf8(key != nullptr ? key : ""); }

void TesTrivialTranslator::queryInterface(const char* name, void** out) {
    tesAnswerQuery(name, out, {kClassName, this, this, {{kTranslatorName, static_cast<ITesTranslator*>(this)}}});
}

const char* TesTrivialTranslator::className() const { return kClassName; }

bool TesTrivialTranslator::lookup(const char* key, TesString& text) {
    text = keyText(key);
    return true;
}

// A function static is initialised once even when first calls race, so the
// host is asked once per process.
ITesTranslator* translator() {
    static TranslatorState* const state = resolve(new TranslatorState);  // kept to process exit
    return state->current.get();
}

void tr(TesString& text, const char* key) { text = translator()->translate(key); }

void tr(TesString& text, const char* key, const TesString& a1) { text = translator()->translate(key, a1); }

void tr(TesString& text, const char* key, const TesString& a1, const TesString& a2) {
    text = translator()->translate(key, a1, a2);
}

void tr(TesString& text, const char* key, const TesString& a1, const TesString& a2, const TesString& a3) {
    text = translator()->translate(key, a1, a2, a3);
}

void tr(TesString& text, const char* key, const TesString& a1, const TesString& a2, const TesString& a3,
        const TesString& a4) {
    text = translator()->translate(key, a1, a2, a3, a4);
}

void tr(TesString& text, const char* key, const TesString& a1, const TesString& a2, const TesString& a3,
        const TesString& a4, const TesString& a5) {
    text = translator()->translate(key, a1, a2, a3, a4, a5);
}

void tr(TesString& text, const char* key, const TesString& a1, const TesString& a2, const TesString& a3,
        const TesString& a4, const TesString& a5, const TesString& a6) {
    text = translator()->translate(key, a1, a2, a3, a4, a5, a6);
}
