// The number formatter: exact texts at every width the panel uses, at the
// rounding and cutting boundaries, and agreement with the C library's printf.
#include <gtest/gtest.h>

#include <array>
#include <bit>
#include <clocale>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <limits>
#include <random>
#include <string>

#include "readouts/format.h"

namespace {

constexpr double INF = std::numeric_limits<double>::infinity();
constexpr double NaN = std::numeric_limits<double>::quiet_NaN();

std::string decimal(double value, Decimal format, std::size_t size = FORMAT_BUFFER_SIZE) {
    std::array<char, 512> out;
    out.fill('\x7f');  // anything written past the terminator would show
    const std::size_t length = formatDecimal(out.data(), size, value, format);
    if (size == 0) {
        EXPECT_EQ(length, 0u);
        EXPECT_EQ(out[0], '\x7f');
        return {};
    }
    EXPECT_LT(length, size);
    EXPECT_EQ(out[length], '\0');
    EXPECT_EQ(std::strlen(out.data()), length);
    EXPECT_EQ(out[size], '\x7f') << "wrote past the buffer";
    return out.data();
}

std::string integer(std::int32_t value, int width, bool zeroPad = false, std::size_t size = FORMAT_BUFFER_SIZE) {
    std::array<char, 64> out;
    out.fill('\x7f');
    const std::size_t length = zeroPad ? formatZeroPaddedInteger(out.data(), size, value, width)
                                       : formatInteger(out.data(), size, value, width);
    EXPECT_EQ(out[length], '\0');
    EXPECT_EQ(out[size], '\x7f') << "wrote past the buffer";
    return out.data();
}

std::string printed(const char* format, double value) {
    char out[512];
    std::snprintf(out, sizeof out, format, value);
    return out;
}

struct DecimalCase {
    double value;
    Decimal format;
    const char* expected;
};

TEST(FormatDecimal, PrintsWhatPrintfPrintsAtEveryPanelWidth) {
    const DecimalCase cases[] = {
        // "%5.1f"
        {0.0, {5, 1}, "  0.0"},
        {2.26, {5, 1}, "  2.3"},
        {-2.26, {5, 1}, " -2.3"},
        {36.5, {5, 1}, " 36.5"},
        {499.995, {5, 1}, "500.0"},
        {-999.94, {5, 1}, "-999.9"},
        {123456.789, {5, 1}, "123456.8"},
        // "%5.2f"
        {-2.5, {5, 2}, "-2.50"},
        {-10.0, {5, 2}, "-10.00"},
        {7.99999960, {5, 2}, " 8.00"},
        {0.005, {5, 2}, " 0.01"},  // the double is a hair above 0.005
        // "%4.1f" (followed by a unit in the panel)
        {147.0, {4, 1}, "147.0"},
        {1.0, {4, 1}, " 1.0"},
        {-1.0, {4, 1}, "-1.0"},
        // "%05.2f": the position minutes
        {0.0, {5, 2, true}, "00.00"},
        {5.5, {5, 2, true}, "05.50"},
        {59.9994, {5, 2, true}, "60.00"},
        {0.06, {5, 2, true}, "00.06"},
        {-5.5, {5, 2, true}, "-5.50"},
        {-0.5, {6, 2, true}, "-00.50"},
        {123.456, {5, 2, true}, "123.46"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(decimal(c.value, c.format), c.expected) << c.value;
    }
}

TEST(FormatDecimal, RoundsTheExactBinaryValueHalfToEven) {
    // clang-format off
    const DecimalCase cases[] = {
        {0.25, {5, 1}, "  0.2"},   // exactly halfway: to even
        {0.75, {5, 1}, "  0.8"},   // exactly halfway: to even
        {2.25, {5, 1}, "  2.2"},
        {0.125, {5, 2}, " 0.12"},
        {0.375, {5, 2}, " 0.38"},
        {0.15, {5, 1}, "  0.1"},   // stored just below 0.15
        {0.35, {5, 1}, "  0.3"},   // stored just below 0.35
        {2.675, {5, 2}, " 2.67"},  // stored just below 2.675
        {1.005, {5, 2}, " 1.00"},  // stored just below 1.005
        {0.45, {5, 1}, "  0.5"},   // stored just above 0.45
        {99.95, {5, 1}, "100.0"},  // stored just above: grows a digit
        {9.995, {5, 2}, " 9.99"},  // stored just below
        {0.5, {1, 0}, "0"},
        {1.5, {1, 0}, "2"},
        {2.5, {1, 0}, "2"},
    };
    // clang-format on
    for (const auto& c : cases) {
        EXPECT_EQ(decimal(c.value, c.format), c.expected) << c.value;
    }
}

TEST(FormatDecimal, KeepsTheSignOfNegativeZeroAsPrintfDoes) {
    EXPECT_EQ(decimal(-0.0, {5, 1}), " -0.0");
    EXPECT_EQ(decimal(-0.04, {5, 1}), " -0.0");
    EXPECT_EQ(decimal(-0.0, {5, 2, true}), "-0.00");
    EXPECT_EQ(decimal(-1e-300, {5, 2}), "-0.00");
    EXPECT_EQ(decimal(-std::numeric_limits<double>::denorm_min(), {5, 1}), " -0.0");
}

TEST(FormatDecimal, WritesNotFiniteValuesPaddedWithSpaces) {
    // clang-format off
    const DecimalCase cases[] = {
        {NaN, {5, 1}, "  nan"},
        {-NaN, {5, 1}, "  nan"},
        {NaN, {5, 2, true}, "  nan"},  // zero padding does not apply
        {INF, {5, 2}, "  inf"},
        {-INF, {5, 2}, " -inf"},
        {-INF, {5, 2, true}, " -inf"},
        {INF, {2, 1}, "inf"},
        {-INF, {0, 1}, "-inf"},
    };
    // clang-format on
    for (const auto& c : cases) {
        EXPECT_EQ(decimal(c.value, c.format), c.expected) << c.value;
    }
}

TEST(FormatDecimal, CutsLongTextsAtTheBufferAndNeverWritesPastIt) {
    // 1e26 still fits in 31 characters; from 1e29 on the text is cut.
    EXPECT_EQ(decimal(1e26, {5, 1}), "100000000000000004764729344.0");
    EXPECT_EQ(decimal(1e29, {5, 1}), printed("%5.1f", 1e29).substr(0, 31));
    EXPECT_EQ(decimal(-1e308, {5, 2}), printed("%5.2f", -1e308).substr(0, 31));
    EXPECT_EQ(decimal(std::numeric_limits<double>::max(), {5, 2, true}).size(), 31u);
    EXPECT_EQ(decimal(-std::numeric_limits<double>::max(), {5, 1}).substr(0, 4), "-179");

    // Smaller buffers: the text is cut to size - 1, the terminator always written.
    EXPECT_EQ(decimal(2.26, {5, 1}, 4), "  2");
    EXPECT_EQ(decimal(-5.5, {5, 2, true}, 2), "-");
    EXPECT_EQ(decimal(2.26, {5, 1}, 1), "");
    EXPECT_EQ(decimal(2.26, {5, 1}, 0), "");
    EXPECT_EQ(decimal(-INF, {8, 1}, 6), "    -");

    // A width beyond the buffer pads only as far as the buffer reaches.
    EXPECT_EQ(decimal(1.0, {1000, 1}), std::string(31, ' '));
}

TEST(FormatDecimal, AgreesWithTheCLibraryOnOrdinaryValues) {
    ASSERT_NE(std::setlocale(LC_NUMERIC, "C"), nullptr);
    struct Conversion {
        Decimal format;
        const char* printf;
    };
    const Conversion conversions[] = {
        {{5, 1}, "%5.1f"}, {{5, 2}, "%5.2f"}, {{4, 1}, "%4.1f"}, {{5, 2, true}, "%05.2f"}};
    std::mt19937_64 random(20260609);
    std::uniform_real_distribution<double> mantissa(-1.0, 1.0);
    std::uniform_int_distribution<int> exponent(-12, 60);
    for (int i = 0; i < 200000; ++i) {
        // Half spread over magnitudes, half on two-decimal grid points where rounding is tight.
        const double value = i % 2 == 0 ? std::ldexp(mantissa(random), exponent(random))
                                        : std::round(mantissa(random) * 1e6) / 100.0 + 0.005;
        for (const auto& conversion : conversions) {
            ASSERT_EQ(decimal(value, conversion.format), printed(conversion.printf, value).substr(0, 31))
                << conversion.printf << " of " << value;
        }
    }
}

TEST(FormatInteger, PrintsWhatPrintfPrints) {
    struct Case {
        std::int32_t value;
        int width;
        bool zeroPad;
        const char* expected;
    };
    const Case cases[] = {
        {0, 5, false, "    0"},
        {-1, 5, false, "   -1"},
        {359, 5, false, "  359"},
        {100000, 5, false, "100000"},
        {-459, 4, false, "-459"},
        {100, 4, false, " 100"},
        {std::numeric_limits<std::int32_t>::min(), 5, false, "-2147483648"},
        {std::numeric_limits<std::int32_t>::max(), 4, false, "2147483647"},
        // "%02d" and "%03d": the position degrees
        {0, 2, true, "00"},
        {7, 2, true, "07"},
        {47, 2, true, "47"},
        {5, 3, true, "005"},
        {180, 3, true, "180"},
        {-5, 3, true, "-05"},
        {-123, 3, true, "-123"},
        {std::numeric_limits<std::int32_t>::min(), 3, true, "-2147483648"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(integer(c.value, c.width, c.zeroPad), c.expected) << c.value;
        char printedText[32];
        std::snprintf(printedText, sizeof printedText, c.zeroPad ? "%0*d" : "%*d", c.width, c.value);
        EXPECT_EQ(integer(c.value, c.width, c.zeroPad), printedText);
    }
    EXPECT_EQ(integer(-2147483647 - 1, 5, false, 6), "-2147");
    EXPECT_EQ(integer(12, 5, true, 4), "000");
}

TEST(BoundedText, ComposesPiecesAndCutsAtThirtyOneCharacters) {
    BoundedText position;
    position.put('S').put(' ').zeroPadded(33, 2).put(' ').decimal(30.0, {5, 2, true});
    EXPECT_STREQ(position.c_str(), "S 33 30.00");
    EXPECT_EQ(position.length(), 10u);

    BoundedText huge;
    huge.put('W').zeroPadded(0, 3).put(' ').decimal(-1e300, {5, 2, true}).put('#');
    EXPECT_EQ(huge.length(), 31u);
    EXPECT_EQ(std::strlen(huge.c_str()), 31u);
    EXPECT_EQ(std::string(huge.c_str()).substr(0, 6), "W000 -");

    BoundedText full;
    for (int i = 0; i < 40; ++i) full.put('x');
    EXPECT_EQ(full.length(), 31u);
    EXPECT_EQ(std::string(full.c_str()), std::string(31, 'x'));
}

}  // namespace
