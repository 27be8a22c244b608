#include "shortestfloat.h"

#include <bit>
#include <cerrno>
#include <cfloat>
#include <charconv>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <stdexcept>

namespace {

constexpr const char* kStodOutOfRange = "stod argument out of range";
constexpr const char* kStodInvalid = "invalid stod argument";
constexpr const char* kStofOutOfRange = "stof argument out of range";
constexpr const char* kStofInvalid = "invalid stof argument";

// The step-1 range: values whose conversion to int32_t is defined.
constexpr double kInt32Low = -2147483648.0;
constexpr double kInt32End = 2147483648.0;

template <class T>
struct Form;

template <>
struct Form<double> {
    using Bits = uint64_t;
    static constexpr int kStartPrecision = 17;
    static constexpr double kLimit = DBL_MAX;
    static constexpr int kMantissaBits = 52;
    static constexpr Bits kExponentMask = 0x7FF;
    // From here on a shorter candidate may round past the largest finite value.
    static constexpr double kSearchFrom = 1e308;
    static double parse(const char* text) {
        errno = 0;
        char* end = nullptr;
        const double parsed = std::strtod(text, &end);
        if (end == text) throw std::invalid_argument(kStodInvalid);
        if (errno == ERANGE && std::isinf(parsed)) throw std::out_of_range(kStodOutOfRange);
        return parsed;
    }
};

template <>
struct Form<float> {
    using Bits = uint32_t;
    static constexpr int kStartPrecision = 9;
    static constexpr float kLimit = FLT_MAX;
    static constexpr int kMantissaBits = 23;
    static constexpr Bits kExponentMask = 0xFF;
    static constexpr float kSearchFrom = 3e38f;
    static float parse(const char* text) {
        errno = 0;
        char* end = nullptr;
        const float parsed = std::strtof(text, &end);
        if (end == text) throw std::invalid_argument(kStofInvalid);
        if (errno == ERANGE && std::isinf(parsed)) throw std::out_of_range(kStofOutOfRange);
        return parsed;
    }
};

int32_t finish(char* out, char* end) {
    *end = '\0';
    return static_cast<int32_t>(end - out);
}

// Step 1: a value equal to its 32-bit integer conversion is written as that
// integer. The range test keeps the conversion defined (NaN fails it too).
template <class T>
bool writeInteger(T value, char* out, int32_t* length) {
    if (!(value >= static_cast<T>(kInt32Low) && value < static_cast<T>(kInt32End))) return false;
    const auto integer = static_cast<int32_t>(value);
    if (static_cast<T>(integer) != value) return false;
    *length = finish(out, std::to_chars(out, out + kTesShortestTextSize - 1, integer).ptr);
    return true;
}

template <class T>
int32_t search(T value, char* out) {
    int32_t length = 0;
    if (writeInteger(value, out, &length)) return length;
    T best = Form<T>::kLimit;
    char candidate[kTesShortestTextSize];
    for (int precision = Form<T>::kStartPrecision; precision >= 0; --precision) {
        const auto written = std::to_chars(candidate, candidate + kTesShortestTextSize - 1, value,
                                           std::chars_format::general, precision);
        const int32_t candidateLength = finish(candidate, written.ptr);
        const T error = std::abs(Form<T>::parse(candidate) - value);
        if (error > best) break;
        std::memcpy(out, candidate, static_cast<size_t>(candidateLength) + 1);
        length = candidateLength;
        best = error;
    }
    return length;
}

// A power of two above the smallest normal: the values below it lie twice as
// close as those above, so the shortest digits need not be the rounded ones.
template <class T>
bool hasLopsidedNeighbours(T value) {
    using Bits = typename Form<T>::Bits;
    const auto bits = std::bit_cast<Bits>(value);
    const Bits mantissa = bits & ((Bits{1} << Form<T>::kMantissaBits) - 1);
    const Bits exponent = (bits >> Form<T>::kMantissaBits) & Form<T>::kExponentMask;
    return mantissa == 0 && exponent > 1;
}

// Rewrites the shortest scientific form "-d.ddde-XX" as "%.*g" prints it with
// as many digits: fixed notation when -4 <= exponent < digits, unchanged
// otherwise.
int32_t generalFromScientific(const char* scientific, int32_t length, char* out) {
    const char* exponentMark = static_cast<const char*>(std::memchr(scientific, 'e', static_cast<size_t>(length)));
    const bool negative = scientific[0] == '-';
    char digits[kTesShortestTextSize];
    int32_t digitCount = 0;
    for (const char* c = scientific + (negative ? 1 : 0); c < exponentMark; ++c) {
        if (*c != '.') digits[digitCount++] = *c;
    }
    while (digitCount > 1 && digits[digitCount - 1] == '0') --digitCount;
    int exponent = 0;
    const char* exponentText = exponentMark + (exponentMark[1] == '+' ? 2 : 1);
    std::from_chars(exponentText, scientific + length, exponent);
    if (exponent < -4 || exponent >= digitCount) {
        std::memcpy(out, scientific, static_cast<size_t>(length) + 1);
        return length;
    }
    char* write = out;
    if (negative) *write++ = '-';
    if (exponent < 0) {
        *write++ = '0';
        *write++ = '.';
        for (int zero = -1; zero > exponent; --zero) *write++ = '0';
        std::memcpy(write, digits, static_cast<size_t>(digitCount));
        return finish(out, write + digitCount);
    }
    const int32_t integerDigits = exponent + 1;
    std::memcpy(write, digits, static_cast<size_t>(integerDigits));
    write += integerDigits;
    if (digitCount > integerDigits) {
        *write++ = '.';
        std::memcpy(write, digits + integerDigits, static_cast<size_t>(digitCount - integerDigits));
        write += digitCount - integerDigits;
    }
    return finish(out, write);
}

// Away from powers of two a value's rounding interval is symmetric, so the
// correctly rounded text at every precision from the shortest round-tripping
// digit count k upwards parses back exactly, and the one at k - 1 does not: the
// search ends at k digits, which are std::to_chars's shortest digits. Near the
// largest finite value the k - 1 candidate may overflow, and the search raises.
template <class T>
int32_t shortest(T value, char* out) {
    int32_t length = 0;
    if (writeInteger(value, out, &length)) return length;
    if (!std::isfinite(value)) {
        return finish(out, std::to_chars(out, out + kTesShortestTextSize - 1, value).ptr);
    }
    if (std::abs(value) >= Form<T>::kSearchFrom || hasLopsidedNeighbours(value)) return search(value, out);
    char scientific[kTesShortestTextSize];
    const int32_t scientificLength = finish(
        scientific,
        std::to_chars(scientific, scientific + kTesShortestTextSize - 1, value, std::chars_format::scientific).ptr);
    return generalFromScientific(scientific, scientificLength, out);
}

}  // namespace

int32_t tesShortestText(double value, char* out) { return shortest(value, out); }

int32_t tesShortestText(float value, char* out) { return shortest(value, out); }

int32_t tesShortestTextSearch(double value, char* out) { return search(value, out); }

int32_t tesShortestTextSearch(float value, char* out) { return search(value, out); }
