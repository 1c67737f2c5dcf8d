// The tools' one number formatter, at the rounding, sign and width boundaries
// the summary, the CSV export and the replay's report depend on.
#include "tools/log/number_text.h"

#include <gtest/gtest.h>

#include <limits>
#include <string>

namespace {

using vorlat::flightlog::appendNumber;
using vorlat::flightlog::numberText;

constexpr double INF = std::numeric_limits<double>::infinity();

struct Case {
    const char* what;
    double value;
    int decimals;
    const char* text;
};
// clang-format off
const Case CASES[] = {
    {"fixed decimals pad with zeros",            2,            2, "2.00"},
    {"a binary half rounds to even",             0.125,        2, "0.12"},
    {"above the half rounds up",                 123.456,      2, "123.46"},
    {"integers: halves to even, as printf",      -2.5,         0, "-2"},
    {"a fraction in an integer column",          7.6,          0, "8"},
    {"shortest form reads back exactly",         0.1,         -1, "0.1"},
    {"shortest form of a sample period",         0.45,        -1, "0.45"},
    {"shortest form never takes an exponent",    1e20,        -1, "100000000000000000000"},
    {"a tiny value in full",                     1.5e-7,      -1, "0.00000015"},
    {"negative rounding to zero loses its sign", -0.04,        1, "0.0"},
    {"negative zero, integer",                   -0.0,         0, "0"},
    {"negative zero, shortest",                  -0.0,        -1, "0"},
    {"the last whole number of the fast path",   999999999999999.0, 0, "999999999999999"},
    {"a whole number past the fast path",        1e16,         0, "10000000000000000"},
    {"a negative whole number",                  -900,         0, "-900"},
    {"not a number",                             std::numeric_limits<double>::quiet_NaN(), 1, "nan"},
    {"infinity",                                 INF,         -1, "inf"},
    {"minus infinity",                           -INF,         0, "-inf"},
};
// clang-format on

TEST(NumberText, WritesFixedAndShortestForms) {
    for (const Case& c : CASES) EXPECT_EQ(numberText(c.value, c.decimals), c.text) << c.what;
}

// The CSV export appends to one growing text: the same digits, after what is there.
TEST(NumberText, AppendsTheSameTextItReturns) {
    for (const Case& c : CASES) {
        std::string text = "x,";
        appendNumber(text, c.value, c.decimals);
        EXPECT_EQ(text, std::string("x,") + c.text) << c.what;
    }
}

}  // namespace
