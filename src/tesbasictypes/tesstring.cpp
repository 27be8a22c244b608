#include "tesstring.h"

#include <cctype>
#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <utility>

#include "shortestfloat.h"
#include "strsupport.h"
#include "stringbuffer.h"
#include "tesassert.h"
#include "textcodec.h"

namespace {

constexpr const char* kTesSourceName = "src/tesbasictypes/tesstring";
constexpr const char* kNegativeStart = "start >= 0";
// Units a buffer of 2(n + 1) bytes can hold within the 32-bit capacity.
constexpr int64_t kMaxUnits = INT32_MAX / 2 - 1;
constexpr double kExponentFrom = 1e10;
constexpr int kPlainDecimals = 6;
// "%f" of the largest double: sign, 309 digits, point and six decimals.
constexpr int32_t kPlainNumberSize = 320;
constexpr size_t kMaxSpecLength = 16;
constexpr int kMaxSpecDigits = 3;
constexpr const char* kFlags = "-+ 0";
constexpr const char* kFloatFlags = "-+ 0#";
// Stands for a unit above 0x7F in number scanning: not white space, not part
// of a number.
constexpr char kUnscannable = '?';
constexpr char16_t kEllipsis[] = u"...";
constexpr int32_t kEllipsisLength = 3;
constexpr int32_t kPlaceholderCount = 9;

int32_t unitLength(const char16_t* text) {
    return text != nullptr ? static_cast<int32_t>(std::char_traits<char16_t>::length(text)) : 0;
}

std::u16string_view view(const char16_t* text, int32_t length) {
    return {text != nullptr ? text : u"", static_cast<size_t>(length)};
}

int32_t found(size_t position) {
    return position == std::u16string_view::npos ? -1 : static_cast<int32_t>(position);
}

char16_t widenByte(char byte) { return static_cast<char16_t>(static_cast<int16_t>(static_cast<signed char>(byte))); }

char16_t asciiLower(char16_t unit) { return unit >= u'A' && unit <= u'Z' ? static_cast<char16_t>(unit + 0x20) : unit; }

char16_t* allocateUnits(int32_t count, uint32_t* usable) {
    return static_cast<char16_t*>(tesStringBufferAllocate(2 * (count + 1), usable));
}

// The text as scanf would see it in the "C" locale: units above 0x7F end a number.
std::string scannable(std::u16string_view text) {
    std::string bytes(text.size(), '\0');
    for (size_t i = 0; i < text.size(); ++i) bytes[i] = text[i] < 0x80 ? static_cast<char>(text[i]) : kUnscannable;
    return bytes;
}

int skipDigits(const char*& c) {
    int digits = 0;
    while (*c >= '0' && *c <= '9') ++c, ++digits;
    return digits;
}

// Flags, then at most three width digits, then optionally "." and at most three
// precision digits: nothing that could make printf read or write elsewhere.
bool isValidSpec(const char* text, const char* flags) {
    if (text == nullptr || std::strlen(text) > kMaxSpecLength) return false;
    const char* c = text;
    while (*c != '\0' && std::strchr(flags, *c) != nullptr) ++c;
    if (skipDigits(c) > kMaxSpecDigits) return false;
    if (*c == '.') {
        ++c;
        if (skipDigits(c) > kMaxSpecDigits) return false;
    }
    return *c == '\0';
}

// printf with "%" + the format text + `conversion`; an invalid text is left out.
template <class T>
TesString formatted(T value, const char* specText, const char* flags, const char* conversion) {
    std::string pattern = "%";
    if (isValidSpec(specText, flags)) pattern += specText;
    pattern += conversion;
    const int size = std::snprintf(nullptr, 0, pattern.c_str(), value);
    if (size < 0) return TesString();
    std::string text(static_cast<size_t>(size) + 1, '\0');
    std::snprintf(text.data(), text.size(), pattern.c_str(), value);
    return TesString(text.c_str(), size);
}

}  // namespace

TesString::TesString(const char16_t* text) { assign(text, unitLength(text)); }

TesString::TesString(const char16_t* text, int32_t length) { assign(text, length); }

TesString::TesString(char16_t unit) { assign(&unit, 1); }

TesString::TesString(const char* text) : TesString(text, text != nullptr ? static_cast<int32_t>(std::strlen(text)) : 0) {}

TesString::TesString(const char* text, int32_t length) {
    if (text == nullptr || length < 0) length = 0;
    if (length > kMaxUnits) return;
    uint32_t usable = 0;
    char16_t* buffer = allocateUnits(length, &usable);
    for (int32_t i = 0; i < length; ++i) buffer[i] = widenByte(text[i]);
    buffer[length] = u'\0';
    adopt(buffer, usable);
}

TesString::TesString(const NelCString& text) : TesString(text.c_str()) {}

TesString::TesString(const TesString& other) {
    if (other.units_ != nullptr) assign(other.units_, other.length());
}

TesString::TesString(TesString&& other) noexcept
    : units_(std::exchange(other.units_, nullptr)), capacity_(std::exchange(other.capacity_, 0)),
      narrow_(std::move(other.narrow_)) {}

TesString::~TesString() { release(); }

TesString& TesString::operator=(const TesString& other) {
    if (this != &other) assign(other.units_, other.length());
    return *this;
}

TesString& TesString::operator=(TesString&& other) noexcept {
    if (this != &other) {
        release();
        units_ = std::exchange(other.units_, nullptr);
        capacity_ = std::exchange(other.capacity_, 0);
        narrow_ = std::move(other.narrow_);
    }
    return *this;
}

TesString& TesString::operator=(const char16_t* text) { return assign(text, unitLength(text)); }

TesString& TesString::assign(const char16_t* text, int32_t length) {
    if (text == nullptr || length < 0) length = 0;
    if (length > kMaxUnits) return *this;
    changed();
    if (capacity_ >= 2 * length + 2) {
        if (length > 0) std::memmove(units_, text, static_cast<size_t>(length) * 2);
        units_[length] = u'\0';
        return *this;
    }
    uint32_t usable = 0;
    char16_t* buffer = allocateUnits(length, &usable);
    if (length > 0) std::memcpy(buffer, text, static_cast<size_t>(length) * 2);
    buffer[length] = u'\0';
    adopt(buffer, usable);
    return *this;
}

TesString TesString::fromUtf8(std::string_view text) {
    const std::u16string units = tesUtf8ToWide(text);
    return TesString(units.data(), static_cast<int32_t>(units.size()));
}

std::string TesString::toUtf8() const { return tesWideToUtf8(units_, length()); }

int32_t TesString::length() const { return unitLength(units_); }

char16_t TesString::at(int32_t index) const { return index >= 0 && index < length() ? units_[index] : u'\0'; }

const char* TesString::narrow() const {
    if (!narrow_.isNull()) return narrow_.c_str();
    const int32_t size = length();
    ITesStrSupport* service = tesStrSupport();
    std::string bytes(static_cast<size_t>(size) * 3 + 1, '\0');
    auto convert = [&] {
        const auto room = static_cast<int32_t>(bytes.size());
        return service != nullptr ? service->toNarrow(c_str(), bytes.data(), room)
                                  : tesWideToUtf8(units_, size, bytes.data(), room);
    };
    int32_t narrowLength = convert();
    if (narrowLength >= static_cast<int32_t>(bytes.size())) {
        bytes.assign(static_cast<size_t>(narrowLength) + 1, '\0');
        narrowLength = convert();
    }
    narrow_ = NelCString(bytes.data(), narrowLength < 0 ? 0 : narrowLength);
    return narrow_.c_str();
}

int32_t TesString::find(char16_t unit, int32_t start) const {
    const int32_t size = length();
    if (start < 0 || start >= size) return -1;
    return found(view(units_, size).find(unit, static_cast<size_t>(start)));
}

int32_t TesString::find(const char16_t* text, int32_t start) const {
    TES_ASSERT(start >= 0, kNegativeStart);
    if (start < 0) return -1;
    const int32_t textSize = unitLength(text);
    if (textSize == 0) return 0;
    const int32_t size = length();
    if (textSize > size || start > size - textSize) return -1;
    return found(view(units_, size).find(view(text, textSize), static_cast<size_t>(start)));
}

int32_t TesString::rfind(char16_t unit) const { return found(view(units_, length()).rfind(unit)); }

int32_t TesString::rfind(const char16_t* text) const {
    const int32_t textSize = unitLength(text);
    const int32_t size = length();
    if (textSize == 0) return size;
    return found(view(units_, size).rfind(view(text, textSize)));
}

bool TesString::startsWith(const char16_t* text) const {
    const std::u16string_view prefix = view(text, unitLength(text));
    return view(units_, length()).substr(0, prefix.size()) == prefix;
}

TesString TesString::mid(int32_t start, int32_t count) const {
    const int32_t size = length();
    if (start < 0 || start >= size || count <= 0) return TesString();
    return TesString(units_ + start, count < size - start ? count : size - start);
}

TesString TesString::right(int32_t count) const {
    const int32_t size = length();
    if (count <= 0) return TesString();
    return count >= size ? *this : mid(size - count);
}

bool TesString::replace(int32_t start, int32_t count, const char16_t* text) {
    const int32_t size = length();
    if (start < 0 || start > size || count < 0) return false;
    const int32_t cut = count < size - start ? count : size - start;
    std::u16string joined(view(units_, start));
    joined += view(text, unitLength(text));
    joined += view(units_, size).substr(static_cast<size_t>(start + cut));
    if (static_cast<int64_t>(joined.size()) > kMaxUnits) return false;
    assign(joined.data(), static_cast<int32_t>(joined.size()));
    return true;
}

void TesString::replace(char16_t from, char16_t to) {
    changed();
    for (char16_t* unit = units_; unit != nullptr && *unit != u'\0'; ++unit) {
        if (*unit == from) *unit = to;
    }
}

TesString TesString::elided(int32_t maxLength) const {
    const int32_t size = length();
    if (size <= maxLength) return *this;
    if (maxLength <= kEllipsisLength) return left(maxLength);
    const int32_t kept = maxLength - kEllipsisLength;
    const int32_t tail = kept / 2;
    TesString result = left(kept - tail);
    result += kEllipsis;
    result += right(tail);
    return result;
}

TesString& TesString::append(const char16_t* text, int32_t count) {
    if (text == nullptr || count <= 0) return *this;
    const int32_t size = length();
    const int64_t total = int64_t{size} + count;
    if (total > kMaxUnits) return *this;
    changed();
    if (capacity_ >= 2 * total + 2) {
        std::memmove(units_ + size, text, static_cast<size_t>(count) * 2);
        units_[total] = u'\0';
        return *this;
    }
    uint32_t usable = 0;
    char16_t* buffer = allocateUnits(static_cast<int32_t>(total), &usable);
    if (size > 0) std::memcpy(buffer, units_, static_cast<size_t>(size) * 2);
    std::memcpy(buffer + size, text, static_cast<size_t>(count) * 2);
    buffer[total] = u'\0';
    adopt(buffer, usable);
    return *this;
}

TesString& TesString::operator+=(const char16_t* text) { return append(text, unitLength(text)); }

int32_t TesString::compare(const TesString& other) const {
    if (ITesStrSupport* service = tesStrSupport()) return service->compare(c_str(), other.c_str());
    return view(units_, length()).compare(view(other.units_, other.length()));
}

int32_t TesString::compareNoCase(const TesString& other) const { return toLower().compare(other.toLower()); }

TesString TesString::toLower() const {
    const int32_t size = length();
    ITesStrSupport* service = tesStrSupport();
    if (service == nullptr) {
        TesString lower(*this);
        lower.changed();
        for (int32_t i = 0; i < size; ++i) lower.units_[i] = asciiLower(lower.units_[i]);
        return lower;
    }
    std::u16string lower(static_cast<size_t>(size) + 1, u'\0');
    int32_t lowerLength = service->toLower(c_str(), lower.data(), static_cast<int32_t>(lower.size()));
    if (lowerLength >= static_cast<int32_t>(lower.size())) {
        lower.assign(static_cast<size_t>(lowerLength) + 1, u'\0');
        lowerLength = service->toLower(c_str(), lower.data(), static_cast<int32_t>(lower.size()));
    }
    return TesString(lower.data(), lowerLength < 0 ? 0 : lowerLength);
}

bool TesString::isDigit(int32_t index) const {
    if (index < 0 || index >= length()) return false;
    if (ITesStrSupport* service = tesStrSupport()) return service->isDigit(units_[index]);
    return units_[index] < 0x80 && std::isdigit(units_[index]) != 0;
}

bool TesString::isSpace(int32_t index) const {
    if (index < 0 || index >= length()) return false;
    if (ITesStrSupport* service = tesStrSupport()) return service->isSpace(units_[index]);
    return units_[index] < 0x80 && std::isspace(units_[index]) != 0;
}

int32_t TesString::toInt(bool* ok) const {
    const std::string text = scannable(*this);
    char* end = nullptr;
    const long long value = std::strtoll(text.c_str(), &end, 0);
    if (ok != nullptr) *ok = end != text.c_str();
    if (value > INT32_MAX) return INT32_MAX;
    if (value < INT32_MIN) return INT32_MIN;
    return static_cast<int32_t>(value);
}

double TesString::toDouble(bool* ok) const {
    const std::string text = scannable(*this);
    char* end = nullptr;
    const double value = std::strtod(text.c_str(), &end);
    if (ok != nullptr) *ok = end != text.c_str();
    return value;
}

TesString TesString::number(int32_t value, const TesFormatSpec& spec) { return formatted(value, spec.text, kFlags, "d"); }

TesString TesString::number(long value, const TesFormatSpec& spec) { return formatted(value, spec.text, kFlags, "ld"); }

TesString TesString::number(long long value, const TesFormatSpec& spec) {
    return formatted(value, spec.text, kFlags, "lld");
}

TesString TesString::number(uint32_t value) {
    char text[16];
    return TesString(text, static_cast<int32_t>(std::to_chars(text, text + sizeof text, value).ptr - text));
}

TesString TesString::number(double value) {
    // std::to_chars with a precision prints as "%.6e" / "%.6f" do, in any locale.
    const auto format = std::abs(value) > kExponentFrom ? std::chars_format::scientific : std::chars_format::fixed;
    char text[kPlainNumberSize];
    return TesString(text,
                     static_cast<int32_t>(std::to_chars(text, text + sizeof text, value, format, kPlainDecimals).ptr - text));
}

TesString TesString::number(double value, const TesFormatSpec& spec) {
    const char* conversion = !spec.general ? "f" : spec.exponential ? "e" : "g";
    return formatted(value, spec.text, kFloatFlags, conversion);
}

TesString TesString::shortest(double value) {
    char text[kTesShortestTextSize];
    return TesString(text, tesShortestText(value, text));
}

TesString TesString::shortest(float value) {
    char text[kTesShortestTextSize];
    return TesString(text, tesShortestText(value, text));
}

TesString& TesString::arg(const TesString* const* arguments, int32_t count) {
    std::u16string_view texts[kPlaceholderCount];
    for (int32_t i = 0; arguments != nullptr && i < count && i < kPlaceholderCount; ++i) {
        if (arguments[i] != nullptr) texts[i] = *arguments[i];
    }
    return substitute(texts);
}

TesString& TesString::arg(std::initializer_list<std::u16string_view> arguments) {
    std::u16string_view texts[kPlaceholderCount];
    int32_t count = 0;
    for (std::u16string_view argument : arguments) {
        if (count == kPlaceholderCount) break;
        texts[count++] = argument;
    }
    return substitute(texts);
}

TesString& TesString::substitute(const std::u16string_view* arguments) {
    const int32_t size = length();
    auto isPlaceholder = [&](int32_t i) {
        return units_[i] == u'%' && i + 1 < size && units_[i + 1] >= u'1' && units_[i + 1] <= u'9';
    };
    int64_t total = 0;
    bool anyPlaceholder = false;
    for (int32_t i = 0; i < size; ++i) {
        if (isPlaceholder(i)) {
            anyPlaceholder = true;
            total += static_cast<int64_t>(arguments[units_[++i] - u'1'].size());
        } else {
            ++total;
        }
    }
    if (!anyPlaceholder || total > kMaxUnits) return *this;
    uint32_t usable = 0;
    char16_t* buffer = allocateUnits(static_cast<int32_t>(total), &usable);
    char16_t* write = buffer;
    for (int32_t i = 0; i < size; ++i) {
        if (!isPlaceholder(i)) {
            *write++ = units_[i];
            continue;
        }
        const std::u16string_view argument = arguments[units_[++i] - u'1'];
        if (!argument.empty()) std::memcpy(write, argument.data(), argument.size() * 2);
        write += argument.size();
    }
    *write = u'\0';
    adopt(buffer, usable);
    return *this;
}

void TesString::release() {
    changed();
    tesStringBufferFree(static_cast<uint32_t>(capacity_), units_);
    units_ = nullptr;
    capacity_ = 0;
}

void TesString::changed() const {
    if (!narrow_.isNull()) narrow_ = NelCString();
}

void TesString::adopt(char16_t* units, uint32_t usable) {
    release();
    units_ = units;
    capacity_ = static_cast<int32_t>(usable);
}

TesString operator+(const TesString& a, const TesString& b) {
    TesString result(a);
    result += b;
    return result;
}
