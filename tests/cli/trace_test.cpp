// Trace files: what a good file means, and the exact complaint for each kind of bad one.
#include <gtest/gtest.h>

#include <cmath>
#include <sstream>
#include <string>

#include "host/flight/trace.h"
#include "tests/cli/work_dir.h"

namespace vorlat::flight {
namespace {

Trace parse(const std::string& text) {
    std::istringstream input(text);
    return parseTrace(input, "t.csv");
}

TEST(TraceParse, ColumnsMapToTheirChannels) {
    const Trace trace = parse("time,altitude_m,80,data174,ias_word,throttle_word\n0,1,2,3,4,5\n");
    ASSERT_EQ(trace.channels.size(), 5u);
    EXPECT_EQ(trace.channels[0], (Channel{Channel::Kind::Variable, 73}));
    EXPECT_EQ(trace.channels[1], (Channel{Channel::Kind::Variable, 80}));
    EXPECT_EQ(trace.channels[2], (Channel{Channel::Kind::DataWord, 174}));
    EXPECT_EQ(trace.channels[3], (Channel{Channel::Kind::DataWord, 175}));
    EXPECT_EQ(trace.channels[4], (Channel{Channel::Kind::ThrottleWord, 127}));
    EXPECT_EQ(trace.columnNames[1], "80");
}

TEST(TraceParse, EmptyCellsHoldAndLayoutIsForgiving) {
    const Trace trace = parse(
        "# a comment before the header\r\n"
        " time , altitude_m , heading_deg \r\n"
        "\r\n"
        "0, 100, \r\n"
        "0.5,,+90\r\n"
        "# a comment between rows\n"
        "1.25, 1.5e2 ,\n");
    ASSERT_EQ(trace.rowCount(), 3u);
    EXPECT_EQ(trace.times[2], 1.25);
    EXPECT_EQ(trace.value(0, 0), 100);
    EXPECT_TRUE(std::isnan(trace.value(0, 1))) << "no value yet: the host keeps its own";
    EXPECT_EQ(trace.value(1, 0), 100) << "an empty cell holds the previous value";
    EXPECT_EQ(trace.value(1, 1), 90);
    EXPECT_EQ(trace.value(2, 0), 150);
    EXPECT_EQ(trace.value(2, 1), 90);
}

TEST(TraceParse, TimeMayStandInAnyColumn) {
    const Trace trace = parse("bank_deg,time\n5,0\n6,2\n");
    EXPECT_EQ(trace.times[1], 2);
    EXPECT_EQ(trace.value(1, 0), 6);
}

struct BadTrace {
    const char* name;
    const char* text;
    const char* message;  // what() in full
};

class TraceRejects : public ::testing::TestWithParam<BadTrace> {};

TEST_P(TraceRejects, WithFileLineAndColumn) {
    const BadTrace& bad = GetParam();
    try {
        parse(bad.text);
        FAIL() << "accepted";
    } catch (const TraceError& error) {
        EXPECT_EQ(std::string(error.what()), bad.message);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, TraceRejects,
    ::testing::Values(
        BadTrace{"Empty", "", "t.csv:1: the trace is empty: it needs a header line and at least one row"},
        BadTrace{"OnlyComments", "# nothing\n\n",
                 "t.csv:2: the trace is empty: it needs a header line and at least one row"},
        BadTrace{"HeaderOnly", "time,altitude_m\n", "t.csv:1: the trace has a header but no rows"},
        BadTrace{"NoTime", "altitude_m\n5\n", "t.csv:1: the header has no \"time\" column"},
        BadTrace{"UnknownName", "time,altitude\n0,1\n",
                 "t.csv:1: column 2 (altitude): unknown column \"altitude\": use a host variable identifier, dataN, "
                 "or a name from docs/trace-format.md"},
        BadTrace{"DataWordBeyondBlock", "time,data256\n0,1\n",
                 "t.csv:1: column 2 (data256): unknown column \"data256\": use a host variable identifier, dataN, "
                 "or a name from docs/trace-format.md"},
        BadTrace{"EmptyName", "time,,bank_deg\n0,1,2\n", "t.csv:1: column 2: empty column name"},
        BadTrace{"TwiceByName", "time,bank_deg,bank_deg\n0,1,2\n",
                 "t.csv:1: column 3 (bank_deg): column \"bank_deg\" appears twice"},
        BadTrace{"TwiceByIdentifier", "time,altitude_m,73\n0,1,2\n",
                 "t.csv:1: column 3 (73): \"73\" feeds host variable 73, as column \"altitude_m\" does already"},
        BadTrace{"TickCount", "time,1\n0,5\n",
                 "t.csv:1: column 2 (1): host variable 1 is the tick count, which the program drives itself"},
        BadTrace{"NotANumber", "time,altitude_m\n0,1\n1,12x\n",
                 "t.csv:3: column 2 (altitude_m): \"12x\" is not a number"},
        BadTrace{"CommaDecimal", "time,altitude_m\n0,\"1,5\"\n",
                 "t.csv:2: column 3: 3 fields, but the header names 2 columns"},
        BadTrace{"TimeNotANumber", "time,altitude_m\nzero,1\n", "t.csv:2: column 1 (time): \"zero\" is not a number"},
        BadTrace{"TimeMissing", "time,altitude_m\n0,1\n,2\n", "t.csv:3: column 1 (time): the time is missing"},
        BadTrace{"TimeRepeated", "time,altitude_m\n0,1\n1,2\n1,3\n",
                 "t.csv:4: column 1 (time): the time 1 does not increase (the row before is at 1)"},
        BadTrace{"TimeFalling", "time,altitude_m\n0,1\n2.5,2\n# x\n2,3\n",
                 "t.csv:5: column 1 (time): the time 2 does not increase (the row before is at 2.5)"},
        BadTrace{"TimeNegative", "time,altitude_m\n-1,1\n", "t.csv:2: column 1 (time): the time -1 is negative"},
        BadTrace{"TimeInfinite", "time,altitude_m\ninf,1\n",
                 "t.csv:2: column 1 (time): the time is not a finite number"},
        BadTrace{"ValueNaN", "time,altitude_m\n0,nan\n", "t.csv:2: column 2 (altitude_m): nan is not a finite number"},
        BadTrace{"TooFewFields", "time,altitude_m,bank_deg\n0,1\n",
                 "t.csv:2: column 3 (bank_deg): 2 fields, but the header names 3 columns"},
        BadTrace{"ThrottleOutOfRange", "time,throttle_word\n0,40000\n",
                 "t.csv:2: column 2 (throttle_word): 40000 is outside -32768..32767 (the 16-bit throttle word)"},
        BadTrace{"ThrottleFraction", "time,127\n0,0.5\n",
                 "t.csv:2: column 2 (127): 0.5 is not a whole number (the 16-bit throttle word)"},
        BadTrace{"DataWordFraction", "time,tas_word\n0,1.5\n",
                 "t.csv:2: column 2 (tas_word): 1.5 is not a whole number (a 32-bit data word)"},
        BadTrace{"DataWordOutOfRange", "time,data174\n0,3e9\n",
                 "t.csv:2: column 2 (data174): 3e9 is outside the 32-bit range of a data word"}),
    [](const ::testing::TestParamInfo<BadTrace>& param) { return std::string(param.param.name); });

TEST(TraceDocs, EveryNameIsDocumentedAndTheExampleParses) {
    const std::string docs = test::readFile(std::string(VORLAT_SOURCE_DIR) + "/docs/trace-format.md");
    for (const auto& name : channelNames())
        EXPECT_NE(docs.find(std::string("| `") + name.name + "` |"), std::string::npos) << name.name;
    const Trace example = loadTrace(std::string(VORLAT_SOURCE_DIR) + "/docs/example-trace.csv");
    EXPECT_GT(example.rowCount(), 10u);
}

TEST(TraceLoad, MissingFileNamesTheFile) {
    try {
        loadTrace("/nonexistent/flight.csv");
        FAIL() << "accepted";
    } catch (const TraceError& error) {
        EXPECT_EQ(std::string(error.what()), "/nonexistent/flight.csv: cannot open the file");
    }
}

TEST(TraceSourceReplay, ValuesHoldBetweenRowsAndTheFirstRowLeads) {
    Host host(
        HostOptions{.modulePath = defaultModulePath(), .privateCopy = true, .resourceScript = {}, .logFolder = {}});
    TraceSource source(parse("time,altitude_m,tas_word,throttle_word\n2,100,1000,16383\n4,200,,-1\n"));
    EXPECT_EQ(source.duration(), 4);
    const struct {
        double time;
        double altitude;
    } moments[] = {{0, 100}, {1.99, 100}, {2, 100}, {3.9, 100}, {4, 200}, {10, 200}, {3, 100}};
    for (const auto& moment : moments) {
        source.apply(host, moment.time);
        EXPECT_EQ(host.variable(73), moment.altitude) << moment.time;
    }
    source.apply(host, 5);
    EXPECT_EQ(host.variable(127), -1) << "the throttle word's double follows the word";
}

}  // namespace
}  // namespace vorlat::flight
