#include "translator.h"

#include <string>
#include <string_view>

#include "iptr.h"
#include "queryinterface.h"
#include "servicelookup.h"

namespace {

constexpr const char* kClassName = "TesTrivialTranslator";
constexpr const char* kTranslatorName = "ITesTranslator";
constexpr const char* kTranslatorServiceName = "ITesTranslatorService";

bool isDigit(char16_t unit) { return unit >= u'0' && unit <= u'9'; }

std::u16string_view argumentText(const TesString* const* arguments, int32_t index) {
    if (arguments == nullptr || arguments[index] == nullptr) return {};
    return *arguments[index];
}

// Where the first "%" followed by `digits` and by no further digit starts, so
// "%1" never matches the start of "%12"; npos when there is none.
size_t findPlaceholder(std::u16string_view text, std::u16string_view digits) {
    for (size_t at = text.find(u'%'); at != std::u16string_view::npos; at = text.find(u'%', at + 1)) {
        const size_t end = at + 1 + digits.size();
        if (text.substr(at + 1, digits.size()) == digits && (end == text.size() || !isDigit(text[end]))) return at;
    }
    return std::u16string_view::npos;
}

// For i = 1 ... count in turn, the placeholder of i is searched in the text as
// the earlier replacements left it, so an argument that holds "%2" is itself
// replaced by argument 2 when it comes first.
TesString substituteList(const TesString& text, int32_t count, const TesString* const* arguments) {
    std::u16string result(static_cast<std::u16string_view>(text));
    for (int32_t argument = 1; argument <= count; ++argument) {
        const std::string number = std::to_string(argument);
        const std::u16string digits(number.begin(), number.end());
        const size_t at = findPlaceholder(result, digits);
        if (at != std::u16string::npos) result.replace(at, 1 + digits.size(), argumentText(arguments, argument - 1));
    }
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
