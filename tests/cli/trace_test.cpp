// Trace files: what a good file means, and the exact complaint for each kind of bad one.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstdlib>
#include <new>
#include <iostream>
#include <sstream>
#include <string>
#include <string_view>

#include "common/printable.h"
#include "host/flight/trace.h"
#include "tests/cli/work_dir.h"

namespace vorlat::flight {
namespace {

using namespace std::string_view_literals;

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
    std::string_view text;  // may hold NUL bytes
    const char* message;    // what() in full
};

class TraceRejects : public ::testing::TestWithParam<BadTrace> {};

TEST_P(TraceRejects, WithFileLineAndColumn) {
    const BadTrace& bad = GetParam();
    try {
        parse(std::string(bad.text));
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
                 "t.csv:1: column 2 (altitude): unknown column \"altitude\"; did you mean \"altitude_m\"? A column "
                 "is a name from docs/trace-format.md, a host variable identifier, or dataN with N from 0 to 255"},
        BadTrace{"DataWordBeyondBlock", "time,data256\n0,1\n",
                 "t.csv:1: column 2 (data256): unknown column \"data256\": the data block's words are data0 to "
                 "data255"},
        BadTrace{"VariableZero", "time,0\n0,1\n",
                 "t.csv:1: column 2 (0): unknown column \"0\": host variable identifiers are whole numbers from 1 to "
                 "4294967295"},
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

// Files from other programs, in other encodings, or not text at all: the
// message says what the file is and shows its bytes escaped.
INSTANTIATE_TEST_SUITE_P(
    ForeignInput, TraceRejects,
    ::testing::Values(
        BadTrace{"Semicolons", "time;altitude_m\n0;1\n",
                 "t.csv:1: the header \"time;altitude_m\" is separated by semicolons: a trace separates its fields by "
                 "commas, with a full stop as the decimal separator (docs/trace-format.md)"},
        BadTrace{"Tabs", "time\taltitude_m\n0\t1\n",
                 "t.csv:1: the header \"time\\taltitude_m\" is separated by tabs: a trace separates its fields by "
                 "commas, with a full stop as the decimal separator (docs/trace-format.md)"},
        BadTrace{"NameWithoutItsUnit", "time,pitch\n0,1\n",
                 "t.csv:1: column 2 (pitch): unknown column \"pitch\"; did you mean \"pitch_deg\"? A column is a name "
                 "from docs/trace-format.md, a host variable identifier, or dataN with N from 0 to 255"},
        BadTrace{"NameInCapitals", "TIME,altitude_m\n0,1\n",
                 "t.csv:1: column 1 (TIME): unknown column \"TIME\"; did you mean \"time\"? A column is a name from "
                 "docs/trace-format.md, a host variable identifier, or dataN with N from 0 to 255"},
        BadTrace{"NoNameNearEnough", "time,alt\n0,1\n",
                 "t.csv:1: column 2 (alt): unknown column \"alt\": a column is a name from docs/trace-format.md (the "
                 "closest: altitude_m, aoa_raw, rpm, wsgt, ...), a host variable identifier, or dataN with N from 0 "
                 "to 255"},
        BadTrace{"QuotedNames", "\"time\",\"altitude_m\"\n0,1\n",
                 "t.csv:1: the header \"\\\"time\\\",\\\"altitude_m\\\"\" quotes its names: a trace's names and "
                 "numbers are written without quotes"},
        BadTrace{"EscapeBytesInTheHeader", "time,\x1b[2Jx\n0,1\n",
                 "t.csv:1: the header \"time,\\x1b[2Jx\" is not text (a binary or UTF-16 file?): a trace is plain "
                 "ASCII text"},
        BadTrace{"LongName", "time,the_altitude_above_mean_sea_level_in_metres\n0,1\n",
                 "t.csv:1: column 2 (\"the_altitude_above_mean_sea_level_in_met...\"): unknown column "
                 "\"the_altitude_above_mean_sea_level_in_met...\": a column is a name from docs/trace-format.md (the "
                 "closest: altitude_m, ground_elevation_raw, latitude_raw, oil_temp_rankine, ...), a host variable "
                 "identifier, or dataN with N from 0 to 255"},
        BadTrace{"NulInTheHeader", "time,alt\0x\n0,1\n"sv,
                 "t.csv:1: the header \"time,alt\\0x\" is not text (a binary or UTF-16 file?): a trace is "
                 "plain ASCII text"},
        BadTrace{"Picture", "\x89PNG\r\n\x1a\n\0\0\0\rIHDR"sv,
                 "t.csv:1: the header \"\\x89PNG\" is not text (a binary or UTF-16 file?): a trace is plain ASCII "
                 "text"},
        BadTrace{"NulInAValue", "time,altitude_m\n0,1\0zz\n"sv,
                 "t.csv:2: column 2 (altitude_m): \"1\\0zz\" is not a number"}),
    [](const ::testing::TestParamInfo<BadTrace>& param) { return std::string(param.param.name); });

TEST(TraceParse, SkipsAByteOrderMark) {
    const Trace trace = parse("\xEF\xBB\xBFtime,altitude_m\r\n0,1\r\n");
    EXPECT_EQ(trace.value(0, 0), 1);
    try {
        parse(
            "\xEF\xBB\xBF# comment\ntime,altitude_m\n0,1\n\xEF\xBB\xBF"
            "1,2\n");
        FAIL() << "a mark inside the file is no mark";
    } catch (const TraceError& error) {
        EXPECT_EQ(std::string(error.what()), "t.csv:4: column 1 (time): \"\\xef\\xbb\\xbf1\" is not a number");
    }
}

// Bytes allocated by this test program, for the work a parse does on a huge
// input: each copy of the input the parser makes shows up here in full.
std::atomic<std::size_t> allocatedBytes{0};

}  // namespace
}  // namespace vorlat::flight

void* operator new(std::size_t size) {
    vorlat::flight::allocatedBytes.fetch_add(size, std::memory_order_relaxed);
    if (void* block = std::malloc(size == 0 ? 1 : size)) return block;
    throw std::bad_alloc();
}
// Every form is replaced, so that no block a sanitizer's own operator new
// allocated reaches the free below (and none of ours reaches its delete).
void* operator new[](std::size_t size) { return operator new(size); }
void* operator new(std::size_t size, const std::nothrow_t&) noexcept {
    try {
        return operator new(size);
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
}
void* operator new[](std::size_t size, const std::nothrow_t& tag) noexcept { return operator new(size, tag); }
// The replacement pair is malloc and free; GCC takes the free in a replaced
// operator delete for a mismatch with operator new (a false warning).
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"
void operator delete(void* block) noexcept { std::free(block); }
void operator delete(void* block, std::size_t) noexcept { std::free(block); }
void operator delete[](void* block) noexcept { std::free(block); }
void operator delete[](void* block, std::size_t) noexcept { std::free(block); }
void operator delete(void* block, const std::nothrow_t&) noexcept { std::free(block); }
void operator delete[](void* block, const std::nothrow_t&) noexcept { std::free(block); }
#pragma GCC diagnostic pop

namespace vorlat::flight {
namespace {

// What the message says when a file is huge or binary: short, one line, no raw bytes.
std::string messageFor(const std::string& text, TraceWork* work = nullptr) {
    try {
        std::istringstream input(text);
        parseTrace(input, "t.csv", work);
    } catch (const TraceError& error) {
        return error.what();
    }
    return "accepted";
}

bool plainLine(const std::string& message) {
    return std::all_of(message.begin(), message.end(), [](char c) { return c >= 0x20 && c <= 0x7E; });
}

// Reading a line grows one string (up to twice the line), the header keeps
// each name once and the search for a near name takes one more copy: about
// four times the input. A message built from the whole input, escaped and then
// cut, would add four times the input more.
TEST(TraceParse, HugeOrBinaryInputIsNeverCopiedIntoTheMessage) {
    constexpr std::size_t TEN_MEGABYTES = 10u << 20;
    constexpr std::size_t ALLOCATED_PER_INPUT_BYTE = 6;
    std::string binary;
    for (std::size_t i = 0; i < TEN_MEGABYTES; ++i) binary += static_cast<char>((i * 7 + 3) % 256);
    const std::string hugeValue = "time,altitude_m\n0," + std::string(TEN_MEGABYTES, '9') + "x\n";
    const std::string hugeName = "time," + std::string(TEN_MEGABYTES, 'a') + "\n0,1\n";
    for (const std::string& text : {binary, hugeValue, hugeName}) {
        std::istringstream input(text);  // its own copy of the text is not the parser's work
        const std::size_t before = allocatedBytes.load();
        std::string message = "accepted";
        try {
            parseTrace(input, "t.csv");
        } catch (const TraceError& error) {
            message = error.what();
        }
        EXPECT_LT(allocatedBytes.load() - before, ALLOCATED_PER_INPUT_BYTE * text.size()) << message;
        EXPECT_LT(message.size(), 400u) << message;
        EXPECT_TRUE(plainLine(message)) << message;
    }
    EXPECT_EQ(messageFor(hugeValue),
              "t.csv:2: the line is longer than 65536 bytes: a trace's line is a header or a row of numbers");
    const std::string longValue = "time,altitude_m\n0," + std::string(1000, '9') + "x\n";
    EXPECT_EQ(messageFor(longValue),
              "t.csv:2: column 2 (altitude_m): \"" + std::string(SHOWN_BYTES, '9') + "...\" is not a number");
}

// A line is kept only up to the cap, comments too: memory stays flat however
// long the line, and the message says where it is.
TEST(TraceParse, ALineLongerThanTheCapIsRefusedWhereItIs) {
    constexpr std::size_t CAP = 64 * 1024;
    const std::string header = "time,altitude_m\n";
    EXPECT_EQ(messageFor(header + "0,1\n# " + std::string(CAP - 2, 'c') + "\n1,2\n"), "accepted");
    EXPECT_EQ(messageFor(header + "0,1\n# " + std::string(CAP - 1, 'c') + "\n1,2\n"),
              "t.csv:3: the line is longer than 65536 bytes: a trace's line is a header or a row of numbers");
    EXPECT_EQ(parse(header + "0,1\n1,2").times.size(), 2u);  // a last line without its line break
}

// Duplicate names and channels are found with one pass over the header: a
// few comparisons per column, where comparing each column with every other
// one would take COLUMNS * COLUMNS / 2.
TEST(TraceParse, WideHeadersAreCheckedInLinearTime) {
    constexpr int COLUMNS = 10000;  // about the widest header under the line cap (64 KB)
    constexpr std::size_t COMPARISONS_PER_COLUMN = 4;
    std::string header = "time", row = "0";
    for (int id = 2; id < COLUMNS; ++id) {
        header += ',';  // appended, not "," + number: GCC 12 -O3 gives a false -Wrestrict warning on that
        header += std::to_string(id);
        row += ",1";
    }
    TraceWork accepted, repeatedName, repeatedChannel;
    std::istringstream input(header + "\n" + row + "\n");
    EXPECT_EQ(parseTrace(input, "t.csv", &accepted).channels.size(), std::size_t(COLUMNS - 2));
    EXPECT_EQ(messageFor(header + ",2\n" + row + ",1\n", &repeatedName),
              "t.csv:1: column " + std::to_string(COLUMNS) + " (2): column \"2\" appears twice");
    EXPECT_EQ(messageFor(header + ",altitude_m\n" + row + ",1\n", &repeatedChannel),
              "t.csv:1: column " + std::to_string(COLUMNS) +
                  " (altitude_m): \"altitude_m\" feeds host variable 73, as column \"73\" does already");
    EXPECT_GT(repeatedName.headerComparisons, 0u);  // the repeat itself was found by a counted comparison
    EXPECT_GT(repeatedChannel.headerComparisons, 0u);
    for (const TraceWork& work : {accepted, repeatedName, repeatedChannel})
        EXPECT_LT(work.headerComparisons, COMPARISONS_PER_COLUMN * COLUMNS);
}

TEST(TraceLoad, DashReadsStandardInput) {
    std::istringstream input("time,altitude_m\n0,12\n1,x\n");
    std::streambuf* const saved = std::cin.rdbuf(input.rdbuf());
    try {
        loadTrace("-");
        ADD_FAILURE() << "accepted";
    } catch (const TraceError& error) {
        EXPECT_EQ(std::string(error.what()), "standard input:3: column 2 (altitude_m): \"x\" is not a number");
    }
    std::cin.rdbuf(saved);
}

TEST(TraceDocs, EveryNameIsDocumentedAndTheExampleParses) {
    const std::string docs = test::readFile(std::string(VORLAT_SOURCE_DIR) + "/docs/trace-format.md");
    for (const auto& name : channelNames())
        EXPECT_NE(docs.find(std::string("| `") + name.name + "` |"), std::string::npos) << name.name;
    const Trace example = loadTrace(std::string(VORLAT_SOURCE_DIR) + "/docs/example-trace.csv");
    EXPECT_GT(example.rowCount(), 10u);
}

TEST(TraceLoad, MissingFileOrAFolderNamesTheFile) {
    const struct {
        std::string path;
        std::string message;
    } cases[] = {
        {"/nonexistent/flight.csv", "/nonexistent/flight.csv: cannot open the file"},
        {VORLAT_SOURCE_DIR, std::string(VORLAT_SOURCE_DIR) + ": a folder, not a trace file"},
    };
    for (const auto& c : cases) {
        try {
            loadTrace(c.path);
            ADD_FAILURE() << c.path << " accepted";
        } catch (const TraceError& error) {
            EXPECT_EQ(std::string(error.what()), c.message);
            EXPECT_EQ(error.cause(), TraceError::Cause::BadInput);
        }
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
