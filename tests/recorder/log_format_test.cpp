// The log's header line and rows, checked against the C library's printf with
// the row format written out in full.
#include "recorder/log_format.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <limits>
#include <string>

#include "schema/log_schema.h"

namespace {

constexpr char HEADER[] =
    "index\tTAS\tIAS\talt\tpitch\tclimb\tgforc\thdng\tturn\tbank\troll\tprop\thp\tthrst\tAoA\tStall";
constexpr char ROW_FORMAT[] =
    "%5d\t%5.1f\t%5.1f\t%5d\t%5.2f\t%5d\t%5.2f\t%5d\t%5d\t%5.1f\t%5d\t%5.1f\t%5d\t%5d\t%5.2f\t%1d";

std::string row(std::int32_t index, const LatestValuesRecord& v) {
    char out[LOG_LINE_BUFFER_SIZE];
    const std::size_t length = formatLogRow(out, sizeof out, index, v);
    EXPECT_EQ(length, std::char_traits<char>::length(out));
    return {out, length};
}

// printf's row; integer columns truncated as a C cast does for in-range values.
std::string printfRow(std::int32_t index, const LatestValuesRecord& v) {
    char out[LOG_LINE_BUFFER_SIZE];
    std::snprintf(out, sizeof out, ROW_FORMAT, index, v.tas, v.ias, static_cast<int>(v.alt), v.pitch,
                  static_cast<int>(v.climb), v.gforc, static_cast<int>(v.hdng), static_cast<int>(v.turn), v.bank,
                  static_cast<int>(v.roll), v.prop, static_cast<int>(v.hp), static_cast<int>(v.thrst), v.aoa, v.stall);
    return out;
}

// The recorder writes its header from the schema's columns; the log tools
// compare lines with the schema's own header line: the two must be one text.
TEST(LogFormat, HeaderNamesEveryColumnInOrder) {
    char out[LOG_LINE_BUFFER_SIZE];
    const std::string written(out, formatLogHeader(out, sizeof out));
    EXPECT_EQ(written, HEADER);
    EXPECT_EQ(written, LOG_HEADER_LINE);
}

TEST(LogFormat, RowsMatchPrintf) {
    struct Case {
        const char* what;
        std::int32_t index;
        LatestValuesRecord values;
    };
    // clang-format off
    const Case cases[] = {
        {"all zero", 0, {}},
        {"worked example: truncation and exact widths", 7,
         {.tas = 123.44, .alt = 1523.9, .pitch = -2.5, .turn = -3.4, .stall = 1}},
        {"rounding at each precision", 12345,
         {.tas = 2.25, .ias = 99.95, .pitch = 0.125, .gforc = -0.005, .bank = -179.95, .prop = 28.62595, .aoa = 1.005}},
        {"integer columns truncate toward zero", -1,
         {.alt = -0.99, .climb = -76.875, .hdng = 359.99, .turn = 2.96, .roll = -1.5, .hp = 0.99, .thrst = 2500.9}},
        {"wide values shift the line", 2147483647,
         {.tas = 123456.78, .alt = 100000.0, .pitch = -10.0, .climb = -2147483648.0, .aoa = 154.0, .stall = -7}},
    };
    // clang-format on
    for (const Case& c : cases) {
        EXPECT_EQ(row(c.index, c.values), printfRow(c.index, c.values)) << c.what;
    }
}

TEST(LogFormat, WorkedExampleFieldsAreExact) {
    const std::string text = row(7, {.tas = 123.44, .alt = 1523.9, .pitch = -2.5, .turn = -3.4, .stall = 1});
    EXPECT_EQ(
        text,
        "    7\t123.4\t  0.0\t 1523\t-2.50\t    0\t 0.00\t    0\t   -3\t  0.0\t    0\t  0.0\t    0\t    0\t 0.00\t1");
}

// A double of any size is written in full: the row never cuts a number short.
TEST(LogFormat, LargestDoublesAreWrittenWhole) {
    const double big = std::numeric_limits<double>::max();
    const LatestValuesRecord values{
        .tas = big, .ias = -big, .pitch = big, .gforc = -big, .bank = big, .prop = -big, .aoa = big};
    EXPECT_EQ(row(1, values), printfRow(1, values));
}

// Values outside the 32-bit range or not finite still give one bounded,
// well-formed row with sixteen fields.
TEST(LogFormat, UnexpectedValuesKeepTheRowWellFormed) {
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double inf = std::numeric_limits<double>::infinity();
    const std::string text = row(0, {.tas = nan,
                                     .ias = inf,
                                     .alt = nan,
                                     .pitch = -inf,
                                     .climb = 1e300,
                                     .hdng = -inf,
                                     .turn = 4294967297.0,
                                     .roll = -1e19});
    EXPECT_EQ(
        text,
        "    0\t  nan\t  inf\t    0\t -inf\t    0\t 0.00\t    0\t    1\t  0.0\t    0\t  0.0\t    0\t    0\t 0.00\t0");
}

TEST(LogFormat, SmallBuffersAreNeverOverrun) {
    const LatestValuesRecord values{.tas = 123.44, .alt = 1523.9};
    const std::string whole = row(5, values);
    for (std::size_t size = 0; size <= whole.size() + 1; ++size) {
        char out[LOG_LINE_BUFFER_SIZE + 1];
        std::fill(std::begin(out), std::end(out), '#');
        const std::size_t length = formatLogRow(out, size, 5, values);
        ASSERT_EQ(length, size == 0 ? 0 : std::min(size - 1, whole.size())) << size;
        if (size > 0) {
            EXPECT_EQ(std::string(out, length), whole.substr(0, length)) << size;
            EXPECT_EQ(out[length], '\0');
        }
        EXPECT_EQ(out[size], '#') << "wrote past a buffer of " << size;
    }
}

}  // namespace
