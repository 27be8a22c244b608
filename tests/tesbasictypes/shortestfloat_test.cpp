// The shortest floating-point text against a plain oracle: the precision loop
// written out with the standard stream and strtod / strtof, exactly as the
// library's rule reads.
#include "shortestfloat.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cfloat>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <iomanip>
#include <limits>
#include <sstream>
#include <stdexcept>
#include <string>

namespace {

// "text" or "throw <class>: <what>": what one shortest-text call gives.
template <class T>
std::string oracle(T value) {
    const std::string type = sizeof(T) == sizeof(double) ? "stod" : "stof";
    if (value >= -2147483648.0 && value < 2147483648.0 && static_cast<T>(static_cast<int32_t>(value)) == value) {
        return std::to_string(static_cast<int32_t>(value));
    }
    T best = std::numeric_limits<T>::max();
    std::string result;
    for (int precision = std::numeric_limits<T>::max_digits10; precision >= 0; --precision) {
        std::ostringstream stream;
        stream << std::setprecision(precision) << value;
        const std::string text = stream.str();
        errno = 0;
        const T parsed = sizeof(T) == 8 ? static_cast<T>(std::strtod(text.c_str(), nullptr))
                                        : std::strtof(text.c_str(), nullptr);
        if (errno == ERANGE && std::isinf(parsed)) return "throw range: " + type + " argument out of range";
        if (std::abs(parsed - value) > best) break;
        result = text;
        best = std::abs(parsed - value);
    }
    return result;
}

template <class T>
std::string library(T value, bool search = false) {
    char text[kTesShortestTextSize];
    std::memset(text, 'x', sizeof text);
    try {
        const int32_t length = search ? tesShortestTextSearch(value, text) : tesShortestText(value, text);
        if (length < 0 || length >= kTesShortestTextSize || text[length] != '\0') return "bad length";
        return std::string(text, static_cast<size_t>(length));
    } catch (const std::out_of_range& error) {
        return std::string("throw range: ") + error.what();
    }
}

template <class T>
void expectSameAsOracle(T value, bool search = false) {
    ASSERT_EQ(library(value, search), oracle(value)) << std::hexfloat << value;
}

TEST(ShortestFloatText, KnownTextsAndOverflows) {
    const std::string doubleRange = "throw range: stod argument out of range";
    const std::pair<std::string, std::string> rows[] = {
        {library(0.1f), "0.1"},                  {library(1.0 / 3.0), "0.3333333333333333"},
        {library(-0.0), "0"},                    {library(2147483648.0), "2147483648"},  // past int32
        {library(1.5e-5), "1.5e-05"},            {library(-std::nan("")), "-nan"},
        {library(FLT_MAX), "3.4028235e+38"},     {library(1.5e308), doubleRange},  // "2e+308" overflows
        {library(3.4028e38f), "throw range: stof argument out of range"},
        {library(DBL_MAX, true), doubleRange},
    };
    for (const auto& [text, expected] : rows) EXPECT_EQ(text, expected);
}

// Around integer, decimal and range limits, each value with its neighbours and
// their float forms; every power of two with its neighbours, every 50th power
// also through the search.
TEST(ShortestFloatText, EdgeValuesMatchTheOracle) {
    for (double value : {0.0, 0.1, 2147483647.5, -2147483648.5, 2147483648.0, 1e15, 1e16, 1e22, 1e23, DBL_MAX,
                         1.5e308, DBL_MIN, 9007199254740993.0, 9.9999e-5, HUGE_VAL, std::nan(""), 16777217.0,
                         double{FLT_MAX}, 3.4e38, double{FLT_MIN}, 1e-45, 1e10}) {
        for (double near : {value, -value, std::nextafter(value, INFINITY), std::nextafter(value, -INFINITY)}) {
            ASSERT_NO_FATAL_FAILURE(expectSameAsOracle(near));
            const auto single = static_cast<float>(near);
            for (float nearSingle : {single, std::nextafter(single, INFINITY), std::nextafter(single, -INFINITY)}) {
                ASSERT_NO_FATAL_FAILURE(expectSameAsOracle(nearSingle));
            }
        }
    }
    for (int exponent = -1074; exponent <= 1023; ++exponent) {
        const double power = std::ldexp(1.0, exponent);
        const float single = std::ldexp(1.0f, exponent);  // 0 or infinity outside the float range
        for (double value : {power, -power, std::nextafter(power, 0.0), std::nextafter(power, INFINITY)}) {
            ASSERT_NO_FATAL_FAILURE(expectSameAsOracle(value, exponent % 50 == 0));
        }
        for (float value : {single, -single, std::nextafter(single, 0.0f), std::nextafter(single, INFINITY)}) {
            ASSERT_NO_FATAL_FAILURE(expectSameAsOracle(value, exponent % 50 == 0));
        }
    }
}

}  // namespace
