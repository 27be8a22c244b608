// The shortest floating-point text against a plain oracle: the precision loop
// written out with the standard stream and strtod / strtof, exactly as the
// library's rule reads.
#include "shortestfloat.h"

#include <gtest/gtest.h>

#include <bit>
#include <cerrno>
#include <cfloat>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iomanip>
#include <limits>
#include <random>
#include <sstream>
#include <stdexcept>
#include <string>

namespace {

// Random values per type: the full million in optimised builds, a tenth in
// debug builds to keep them quick.
#ifdef NDEBUG
constexpr int kRandomValues = 1000000;
#else
constexpr int kRandomValues = 100000;
#endif

double parseBack(const std::string& text, double) { return std::strtod(text.c_str(), nullptr); }
float parseBack(const std::string& text, float) { return std::strtof(text.c_str(), nullptr); }

// "text" or "throw <class>: <what>": what one shortest-text call gave.
template <class T>
std::string oracle(T value) {
    const bool isDouble = sizeof(T) == sizeof(double);
    if (value >= -2147483648.0 && value < 2147483648.0) {
        const auto integer = static_cast<int32_t>(value);
        if (static_cast<T>(integer) == value) return std::to_string(integer);
    }
    T best = isDouble ? static_cast<T>(DBL_MAX) : static_cast<T>(FLT_MAX);
    std::string result;
    for (int precision = isDouble ? 17 : 9; precision >= 0; --precision) {
        std::ostringstream stream;
        stream << std::setprecision(precision) << value;
        const std::string text = stream.str();
        char* end = nullptr;
        errno = 0;
        const T parsed = isDouble ? static_cast<T>(std::strtod(text.c_str(), &end))
                                  : static_cast<T>(std::strtof(text.c_str(), &end));
        if (end == text.c_str()) return isDouble ? "throw invalid: invalid stod argument" : "throw invalid: invalid stof argument";
        if (errno == ERANGE && std::isinf(parsed)) {
            return isDouble ? "throw range: stod argument out of range" : "throw range: stof argument out of range";
        }
        const T error = std::abs(parsed - value);
        if (error > best) break;
        result = text;
        best = error;
    }
    return result;
}

template <class T, class Function>
std::string outcome(T value, Function function) {
    char text[kTesShortestTextSize];
    std::memset(text, 'x', sizeof text);
    try {
        const int32_t length = function(value, text);
        if (length < 0 || length >= kTesShortestTextSize || text[length] != '\0') return "bad length";
        return std::string(text, static_cast<size_t>(length));
    } catch (const std::out_of_range& error) {
        return std::string("throw range: ") + error.what();
    } catch (const std::invalid_argument& error) {
        return std::string("throw invalid: ") + error.what();
    }
}

template <class T>
std::string fast(T value) {
    return outcome(value, [](T v, char* out) { return tesShortestText(v, out); });
}

template <class T>
std::string search(T value) {
    return outcome(value, [](T v, char* out) { return tesShortestTextSearch(v, out); });
}

template <class T>
std::string describe(T value) {
    char text[64];
    std::snprintf(text, sizeof text, "%.17g (bits %llx)", static_cast<double>(value),
                  static_cast<unsigned long long>(std::bit_cast<std::conditional_t<sizeof(T) == 8, uint64_t, uint32_t>>(value)));
    return text;
}

// Stops at the first mismatch so a failure prints one value, not thousands.
template <class T>
void expectSameAsOracle(T value) {
    const std::string expected = oracle(value);
    ASSERT_EQ(fast(value), expected) << describe(value);
}

// Decimal texts with few digits: the values people type, whose shortest text
// is short and often in fixed notation.
template <class T>
T shortDecimal(std::mt19937_64& random, int maxDigits, int minExponent, int maxExponent) {
    const int digits = std::uniform_int_distribution<int>(1, maxDigits)(random);
    std::string text = random() % 2 == 0 ? "-" : "";
    for (int i = 0; i < digits; ++i) text += static_cast<char>('0' + (i == 0 ? 1 + random() % 9 : random() % 10));
    text += "e" + std::to_string(std::uniform_int_distribution<int>(minExponent, maxExponent)(random));
    return parseBack(text, T{});
}

}  // namespace

TEST(ShortestFloatText, KnownTexts) {
    EXPECT_EQ(fast(0.1f), "0.1");
    EXPECT_EQ(fast(3.0), "3");
    EXPECT_EQ(fast(1.0 / 3.0), "0.3333333333333333");
    EXPECT_EQ(fast(-0.0), "0");
    EXPECT_EQ(fast(-0.0f), "0");
    EXPECT_EQ(fast(-2147483648.0), "-2147483648");
    EXPECT_EQ(fast(2147483648.0), "2147483648");
    EXPECT_EQ(fast(2147483520.0f), "2147483520");
    EXPECT_EQ(fast(0.5), "0.5");
    EXPECT_EQ(fast(1e-4), "0.0001");
    EXPECT_EQ(fast(1e-5), "1e-05");
    EXPECT_EQ(fast(1.5e-5), "1.5e-05");
    EXPECT_EQ(fast(2e10), "2e+10");
    EXPECT_EQ(fast(12345678901.0), "12345678901");
    EXPECT_EQ(fast(1e17), "1e+17");
    EXPECT_EQ(fast(123456.789), "123456.789");
    EXPECT_EQ(fast(-1e-300), "-1e-300");
    EXPECT_EQ(fast(5e-324), "5e-324");
    EXPECT_EQ(fast(0.1f + 0.2f), "0.3");
    EXPECT_EQ(fast(0.1 + 0.2), "0.30000000000000004");
    EXPECT_EQ(fast(std::numeric_limits<double>::quiet_NaN()), "nan");
    EXPECT_EQ(fast(-std::numeric_limits<double>::quiet_NaN()), "-nan");
    EXPECT_EQ(fast(-std::numeric_limits<float>::infinity()), "-inf");
    EXPECT_EQ(fast(std::numeric_limits<double>::infinity()), "inf");
}

TEST(ShortestFloatText, RaisesWhereAShorterCandidateOverflows) {
    const std::string doubleRange = "throw range: stod argument out of range";
    const std::string floatRange = "throw range: stof argument out of range";
    EXPECT_EQ(fast(DBL_MAX), doubleRange);
    EXPECT_EQ(fast(-DBL_MAX), doubleRange);
    EXPECT_EQ(fast(std::nextafter(DBL_MAX, 0.0)), doubleRange);
    EXPECT_EQ(fast(1.5e308), doubleRange);
    EXPECT_EQ(fast(3.4028e38f), floatRange);
    EXPECT_EQ(fast(1.7976931348e308), doubleRange);
    EXPECT_EQ(fast(FLT_MAX), "3.4028235e+38");
    EXPECT_EQ(fast(1e308), "1e+308");
    EXPECT_EQ(fast(1.4e308), "1.4e+308");
    EXPECT_EQ(search(DBL_MAX), doubleRange);
    EXPECT_EQ(search(3.4028e38f), floatRange);
}

TEST(ShortestFloatText, EdgeValuesMatchTheOracle) {
    const double doubles[] = {0.0,      -0.0,          1.0,      3.0,          0.1,          1.0 / 3.0,     2147483647.0,
                              2147483647.5, -2147483648.5, 2147483648.0, -2147483649.0, 4294967296.0, 1e15,   1e16,
                              1e17,     1e22,          1e23,     DBL_MAX,      -DBL_MAX,     1.5e308,       1e308,
                              1.7e308,  DBL_MIN,       -DBL_MIN, 5e-324,       2.2250738585072009e-308, 9007199254740993.0,
                              0.3,      123456789012345678.0,    1e-4,         9.9999e-5,    0.000123456789};
    for (double value : doubles) {
        expectSameAsOracle(value);
        expectSameAsOracle(std::nextafter(value, INFINITY));
        expectSameAsOracle(std::nextafter(value, -INFINITY));
    }
    const float floats[] = {0.0f, -0.0f, 0.1f, 1.0f / 3.0f, 16777217.0f, 2147483520.0f, -2147483648.0f, 2147483648.0f,
                            FLT_MAX, 3e38f, 3.4e38f, FLT_MIN, 1e-45f, 1e-38f, 1e10f, 0.3f};
    for (float value : floats) {
        expectSameAsOracle(value);
        expectSameAsOracle(std::nextafter(value, INFINITY));
        expectSameAsOracle(std::nextafter(value, -INFINITY));
    }
    for (double value : {std::numeric_limits<double>::quiet_NaN(), -std::numeric_limits<double>::quiet_NaN(),
                         std::numeric_limits<double>::infinity(), -std::numeric_limits<double>::infinity()}) {
        EXPECT_EQ(fast(value), oracle(value));
        EXPECT_EQ(fast(static_cast<float>(value)), oracle(static_cast<float>(value)));
    }
}

TEST(ShortestFloatText, EveryPowerOfTwoAndItsNeighboursMatchTheOracle) {
    for (int exponent = -1074; exponent <= 1023; ++exponent) {
        const double power = std::ldexp(1.0, exponent);
        for (double value : {power, -power, std::nextafter(power, 0.0), std::nextafter(power, INFINITY)}) {
            expectSameAsOracle(value);
        }
    }
    for (int exponent = -149; exponent <= 127; ++exponent) {
        const float power = std::ldexp(1.0f, exponent);
        for (float value : {power, -power, std::nextafter(power, 0.0f), std::nextafter(power, INFINITY)}) {
            expectSameAsOracle(value);
        }
    }
}

TEST(ShortestFloatText, RandomDoublesMatchTheOracle) {
    std::mt19937_64 random(20240611);
    for (int i = 0; i < kRandomValues; ++i) {
        const double value = i % 2 == 0 ? std::bit_cast<double>(random()) : shortDecimal<double>(random, 17, -330, 310);
        expectSameAsOracle(value);
    }
}

TEST(ShortestFloatText, RandomFloatsMatchTheOracle) {
    std::mt19937_64 random(20240612);
    for (int i = 0; i < kRandomValues; ++i) {
        const float value = i % 2 == 0 ? std::bit_cast<float>(static_cast<uint32_t>(random()))
                                       : shortDecimal<float>(random, 9, -47, 39);
        expectSameAsOracle(value);
    }
}

TEST(ShortestFloatText, SearchMatchesTheOracle) {
    std::mt19937_64 random(20240613);
    for (int i = 0; i < 20000; ++i) {
        const double value = i % 2 == 0 ? std::bit_cast<double>(random()) : shortDecimal<double>(random, 17, -330, 310);
        ASSERT_EQ(search(value), oracle(value)) << describe(value);
        const auto single = static_cast<float>(value);
        ASSERT_EQ(search(single), oracle(single)) << describe(single);
    }
}
