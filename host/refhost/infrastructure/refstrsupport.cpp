#include "infrastructure/refstrsupport.h"

#include <string>

#include "queryinterface.h"
#include "textcodec.h"

namespace {

constexpr const char* kClassName = "RefStrSupport";
constexpr char16_t kCaseOffset = 0x20;
constexpr char16_t kLatinUpperFirst = 0x00C0;
constexpr char16_t kLatinUpperLast = 0x00DE;
constexpr char16_t kMultiplicationSign = 0x00D7;
constexpr char16_t kSpaces[] = {0x0020, 0x0085, 0x00A0, 0x1680, 0x2028, 0x2029, 0x202F, 0x205F, 0x3000};

const char16_t* orEmpty(const char16_t* text) { return text != nullptr ? text : u""; }

char16_t lowerUnit(char16_t unit) {
    const bool ascii = unit >= u'A' && unit <= u'Z';
    const bool latin = unit >= kLatinUpperFirst && unit <= kLatinUpperLast && unit != kMultiplicationSign;
    return ascii || latin ? static_cast<char16_t>(unit + kCaseOffset) : unit;
}

int32_t sign(int32_t difference) { return difference < 0 ? -1 : difference > 0 ? 1 : 0; }

// Unit by unit after `map`; a text that is a prefix of the other orders first.
template <class Map>
int32_t compareMapped(const char16_t* a, const char16_t* b, Map map) {
    for (;; ++a, ++b) {
        const int32_t difference = static_cast<int32_t>(map(*a)) - static_cast<int32_t>(map(*b));
        if (difference != 0 || *a == u'\0') return sign(difference);
    }
}

}  // namespace

void RefStrSupport::queryInterface(const char* name, void** out) {
    tesAnswerQuery(name, out, {kClassName, this, this, {{"ITesStrSupport", static_cast<ITesStrSupport*>(this)}}});
}

const char* RefStrSupport::className() const { return kClassName; }

int32_t RefStrSupport::toNarrow(const char16_t* text, char* out, int32_t outSize) {
    const std::u16string_view units(orEmpty(text));
    return tesWideToUtf8(units.data(), static_cast<int32_t>(units.size()), out, outSize);
}

int32_t RefStrSupport::compare(const char16_t* a, const char16_t* b) {
    a = orEmpty(a);
    b = orEmpty(b);
    const int32_t folded = compareMapped(a, b, lowerUnit);
    return folded != 0 ? folded : compareMapped(a, b, [](char16_t unit) { return unit; });
}

bool RefStrSupport::isSpace(char16_t unit) {
    if ((unit >= u'\t' && unit <= u'\r') || (unit >= 0x2000 && unit <= 0x200A)) return true;
    for (char16_t space : kSpaces) {
        if (unit == space) return true;
    }
    return false;
}

bool RefStrSupport::isDigit(char16_t unit) { return unit >= u'0' && unit <= u'9'; }

int32_t RefStrSupport::toLower(const char16_t* text, char16_t* out, int32_t outSize) {
    const std::u16string_view units(orEmpty(text));
    const auto length = static_cast<int32_t>(units.size());
    if (outSize <= 0 || out == nullptr) return length;
    const int32_t written = length < outSize - 1 ? length : outSize - 1;
    for (int32_t i = 0; i < written; ++i) out[i] = lowerUnit(units[static_cast<size_t>(i)]);
    out[written] = u'\0';
    return length;
}
