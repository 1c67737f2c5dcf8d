// Time ranges: the forms a time is written in, the rows a range lets through
// (both ends included), and what is said when a range is written wrongly or
// holds no row; and the labels of flights shown together.
#include <gtest/gtest.h>

#include <cstring>
#include <optional>
#include <string>
#include <vector>

#include "tests/log/log_test_support.h"
#include "tools/log/flight_log.h"
#include "tools/log/log_range.h"
#include "tools/log/summary_text.h"

namespace {

using namespace log_test;
using namespace vorlat::flightlog;

// Rows at 2.5 to 5.0 s (indices 4 to 9), then after a pause at 7.0 and 7.5 s (13 and 14).
const std::string RANGE_FLIGHT = OPENING + HEADER + rows(4, 6) + HEADER + rows(13, 2) + END;

struct RangeCase {
    const char* what;
    std::optional<std::string> from, to;
    std::vector<int> indices;  // the rows let through
    const char* error = "";    // else: the message, or its start
};

// clang-format off
const RangeCase RANGE_CASES[] = {
    {.what = "no range",           .indices = {4, 5, 6, 7, 8, 9, 13, 14}},
    {.what = "seconds",            .from = "3",        .to = "4",       .indices = {5, 6, 7}},
    {.what = "decimals",           .from = "3.25",     .to = "4.5",     .indices = {6, 7, 8}},
    {.what = "m:ss",               .from = "0:03",     .to = "0:04.0",  .indices = {5, 6, 7}},
    {.what = "h:mm:ss",            .from = "0:00:03",  .to = "0:00:04", .indices = {5, 6, 7}},
    {.what = "leading zeros",      .from = "003",      .to = "00:04",   .indices = {5, 6, 7}},
    {.what = "both ends included", .from = "2.5",      .to = "7.5",     .indices = {4, 5, 6, 7, 8, 9, 13, 14}},
    {.what = "one row",            .from = "7",        .to = "7",       .indices = {13}},
    {.what = "from only",          .from = "6",                         .indices = {13, 14}},
    {.what = "to only",                                .to = "2.5",     .indices = {4}},
    {.what = "across the pause",   .from = "4.75",     .to = "7.25",    .indices = {9, 13}},
    {.what = "within the pause",   .from = "5.5",      .to = "6.5",     .error =
        "f.txt: no row lies in the range from 5.5 s to 6.5 s; the recording's rows run from 2.5 s to 7.5 s"},
    {.what = "after the last row", .from = "7.51",     .error =
        "f.txt: no row lies in the range from 7.51 s to the end; the recording's rows run from 2.5 s to 7.5 s"},
    {.what = "before the first",                       .to = "2.4999",  .error =
        "f.txt: no row lies in the range from the start to 2.4999 s; the recording's rows run from 2.5 s to 7.5 s"},
    {.what = "from after to",      .from = "0:05",     .to = "4",       .error = "--from 5 s comes after --to 4 s"},
    {.what = "past an hour",       .from = "1:00:00",  .error =
        "f.txt: no row lies in the range from 1:00:00 to the end; the recording's rows run from 2.5 s to 7.5 s"},
    {.what = "after, past an hour", .from = "2:00:00", .to = "1:02:20.5", .error = "--from 2:00:00 comes after --to 1:02:20.5"},
    {.what = "60 seconds",         .from = "1:60",     .error = "--from: the time \"1:60\" has minutes or seconds of 60 or more; "
                                                                "expected seconds (140, 140.5), m:ss (2:20) or h:mm:ss (1:02:20)"},
    {.what = "60 minutes",                             .to = "1:60:00", .error = "--to: the time \"1:60:00\" has minutes or seconds of 60 or more"},
    {.what = "one digit after a colon", .from = "2:5", .error = "--from: the time \"2:5\" needs two digits after each colon"},
    {.what = "four fields",        .from = "1:00:00:00", .error = "--from: the time \"1:00:00:00\" has more than three fields"},
    {.what = "negative",           .from = "-1",       .error = "--from: the time \"-1\" is negative"},
    {.what = "a decimal point alone", .from = "140.",  .error = "--from: the time \"140.\" needs digits after its decimal point, and nothing else"},
    {.what = "decimals before a colon", .from = "1.5:00", .error = "--from: the time \"1.5:00\" needs digits after its decimal point, and nothing else"},
    {.what = "an exponent",        .from = "1e3",      .error = "--from: the time \"1e3\" has a field that is not a whole number"},
    {.what = "a space",            .to = " 4",         .error = "--to: the time \" 4\" has a field that is not a whole number"},
    {.what = "empty",              .to = "",           .error = "--to: the time \"\" is empty"},
    {.what = "too large",          .from = "1234567890123", .error = "--from: the time \"1234567890123\" is too large"},
};
// clang-format on

class CollectIndices : public RowSink {
public:
    void row(const Row& row, const RowText& /*text*/, std::size_t /*segment*/) override {
        indices.push_back(static_cast<int>(row[INDEX]));
    }
    std::vector<int> indices;
};

TEST(LogRange, LetsThroughTheRowsInsideAndSaysWhyWhenNone) {
    for (const RangeCase& c : RANGE_CASES) {
        SCOPED_TRACE(c.what);
        try {
            CollectIndices rows;
            RangeFilter filter(parseTimeRange(c.from, c.to), DEFAULT_TICK_RATE, rows);
            TextSource source(RANGE_FLIGHT, "f.txt");
            readLog(source, filter);
            filter.requireRows("f.txt");
            EXPECT_STREQ("", c.error);
            EXPECT_EQ(rows.indices, c.indices);
            EXPECT_EQ(filter.rowsPassed(), c.indices.size());
        } catch (const RangeError& e) {
            EXPECT_EQ(std::string(e.what()).substr(0, std::strlen(c.error)), c.error);
            EXPECT_NE(*c.error, '\0') << e.what();
        }
    }
}

// A time and its fraction are read as one decimal number, so every form of a
// moment is the very same double, and the first and last times are named in
// full however many digits they need.
TEST(LogRange, ReadsEveryFormOfAMomentAsTheSameNumber) {
    EXPECT_EQ(parseFlightTime("2:20.1"), 140.1);
    EXPECT_EQ(parseFlightTime("0:02:20.1"), parseFlightTime("140.1"));
    EXPECT_EQ(parseFlightTime("1:02:20"), 3740.0);
    EXPECT_EQ(parseFlightTime("10:00:00.25"), 36000.25);
    try {
        CollectIndices rows;
        RangeFilter filter(parseTimeRange("100", std::nullopt), 7.0, rows);
        TextSource source(RANGE_FLIGHT, "f.txt");
        readLog(source, filter);
        filter.requireRows("f.txt");
        ADD_FAILURE() << "a range beyond the rows accepted";
    } catch (const RangeError& e) {
        EXPECT_NE(std::string(e.what()).find("run from 6.428571428571429 s to 19.285714285714285 s"), std::string::npos)
            << e.what();
    }
}

// Below an hour a time prints as seconds; from an hour on as h:mm:ss, which
// --from and --to read back as the same moment.
TEST(LogRange, PrintsLongTimesAsAClockThatReadsBack) {
    const struct {
        double value;
        const char* text;
    } cases[] = {
        {.value = 0.5, .text = "0.5 s"},
        {.value = 3599.5, .text = "3599.5 s"},
        {.value = 3600, .text = "1:00:00"},
        {.value = 3740.25, .text = "1:02:20.25"},
        {.value = 207754, .text = "57:42:34"},
        {.value = 3599.9999, .text = "3600.0 s"},  // rounded as seconds, below an hour
        {.value = 1e13, .text = "10000000000000.0 s"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(summary_text::seconds(c.value), c.text) << c.value;
        if (c.value >= 3600 && c.value < 1e12) {
            EXPECT_EQ(parseFlightTime(c.text), c.value) << c.text;
        }
    }
}

TEST(LogRange, NamesFlightsByFolderAndFileUnlessLabelled) {
    EXPECT_EQ(flightLabel("runs/run1/data_log.txt", std::nullopt), "run1/data_log.txt");
    EXPECT_EQ(flightLabel("run1/../run2/./data_log.txt", std::nullopt), "run2/data_log.txt");
    EXPECT_EQ(flightLabel("/data_log.txt", std::nullopt), "data_log.txt");
    EXPECT_EQ(flightLabel("-", std::nullopt), "standard input");
    EXPECT_EQ(flightLabel("run1/data_log.txt", "before"), "before");
    EXPECT_EQ(flightLabels({"a/x.txt", "b/x.txt"}, {}), (std::vector<std::string>{"a/x.txt", "b/x.txt"}));
    EXPECT_EQ(flightLabels({"a/x.txt", "b/x.txt"}, {"one", "two"}), (std::vector<std::string>{"one", "two"}));
    EXPECT_THROW(flightLabels({"a/x.txt", "b/x.txt"}, {"one"}), vorlat::UsageError);
}

}  // namespace
