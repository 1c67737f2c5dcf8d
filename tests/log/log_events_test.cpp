// Events of small hand-written logs, each case the rows and the events expected
// as the summary's JSON gives them: bands entered and left (the peak inside),
// stalls, pauses, the recording's start and end, extremes, and a range.
#include <gtest/gtest.h>

#include <cmath>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "tests/log/log_test_support.h"
#include "tools/log/log_events.h"
#include "tools/log/log_range.h"
#include "tools/log/log_summary.h"
#include "tools/log/summary_text.h"

namespace {

using namespace log_test;
using namespace vorlat::flightlog;

struct EventCase {
    const char* what;
    std::string log;
    std::vector<std::string> events;  // one JSON object each, in order
    bool extremes = false;            // else the extreme events are left out of the comparison
    std::optional<std::string> from, to;
};

const std::string START = R"({"time_s": 0.5, "kind": "recording_start"})";
std::string endAt(const char* time, const char* ending = "end_recording") {
    return std::string(R"({"time_s": )") + time + R"(, "kind": "recording_end", "ending": ")" + ending + "\"}";
}

// clang-format off
const EventCase EVENT_CASES[] = {
    {.what = "green to red and back through the yellow",
     .log = OPENING + HEADER + row(0, {.tas = 290}) + row(1, {.tas = 310}) + row(2, {.tas = 520}) + row(3, {.tas = 400}) +
            row(4, {.tas = 290}) + END,
     .events = {START,
                R"({"time_s": 1, "kind": "band_enter", "column": "tas_kt", "band": "yellow", "value": 310})",
                R"({"time_s": 1.5, "kind": "band_enter", "column": "tas_kt", "band": "red", "value": 520})",
                R"({"time_s": 2, "kind": "band_exit", "column": "tas_kt", "band": "red", "value": 400, "peak": 520, "peak_s": 1.5})",
                R"({"time_s": 2.5, "kind": "band_exit", "column": "tas_kt", "band": "yellow", "value": 290, "peak": 520, "peak_s": 1.5})",
                endAt("2.5")}},
    {.what = "straight into the red and out: the yellow enters first and leaves last; a threshold is the milder band",
     .log = OPENING + HEADER + row(0, {.ias = 300}) + row(1, {.ias = 600}) + row(2, {.ias = 500}) + row(3, {.ias = 100}) + END,
     .events = {START,
                R"({"time_s": 1, "kind": "band_enter", "column": "ias_kt", "band": "yellow", "value": 600})",
                R"({"time_s": 1, "kind": "band_enter", "column": "ias_kt", "band": "red", "value": 600})",
                R"({"time_s": 1.5, "kind": "band_exit", "column": "ias_kt", "band": "red", "value": 500, "peak": 600, "peak_s": 1})",
                R"({"time_s": 2, "kind": "band_exit", "column": "ias_kt", "band": "yellow", "value": 100, "peak": 600, "peak_s": 1})",
                endAt("2")}},
    {.what = "g load on both sides of zero: the peak is the largest magnitude",
     .log = OPENING + HEADER + row(0, {.g = 3.0}) + row(1, {.g = 3.5}) + row(2, {.g = -9.0}) + row(3, {.g = 7.0}) +
            row(4, {.g = -2.0}) + EXIT,
     .events = {START,
                R"({"time_s": 1, "kind": "band_enter", "column": "gforce_g", "band": "yellow", "value": 3.5})",
                R"({"time_s": 1.5, "kind": "band_enter", "column": "gforce_g", "band": "red", "value": -9})",
                R"({"time_s": 2, "kind": "band_exit", "column": "gforce_g", "band": "red", "value": 7, "peak": -9, "peak_s": 1.5})",
                R"({"time_s": 2.5, "kind": "band_exit", "column": "gforce_g", "band": "yellow", "value": -2, "peak": -9, "peak_s": 1.5})",
                endAt("2.5", "exit")}},
    {.what = "a pause ends a stall and an excursion one period after the last row before it",
     .log = OPENING + HEADER + row(0, {.tas = 350, .stall = 1}) + row(1, {.tas = 350, .stall = 1}) + HEADER +
            row(5, {.tas = 100}) + END,
     .events = {START,
                R"({"time_s": 0.5, "kind": "stall", "to_s": 1.5})",
                R"({"time_s": 0.5, "kind": "band_enter", "column": "tas_kt", "band": "yellow", "value": 350})",
                R"({"time_s": 1, "kind": "pause", "to_s": 3, "length_s": 1.5})",
                R"({"time_s": 1.5, "kind": "band_exit", "column": "tas_kt", "band": "yellow", "peak": 350, "peak_s": 0.5})",
                endAt("3")}},
    {.what = "a stall ends at its first row without the flag; a cut-off log still ends what is open",
     .log = OPENING + HEADER + row(0) + row(1, {.stall = 1}) + row(2) + row(3, {.g = 4, .stall = 1}),
     .events = {START,
                R"({"time_s": 1, "kind": "stall", "to_s": 1.5})",
                R"({"time_s": 2, "kind": "stall", "to_s": 2.5})",
                R"({"time_s": 2, "kind": "band_enter", "column": "gforce_g", "band": "yellow", "value": 4})",
                endAt("2", "cut_off"),
                R"({"time_s": 2.5, "kind": "band_exit", "column": "gforce_g", "band": "yellow", "peak": 4, "peak_s": 2})"}},
    {.what = "a value that is not finite neither enters nor leaves a band",
     .log = OPENING + HEADER + row(0, {.tas = 350}) + row(1, {.tas = NAN}) + row(2, {.tas = 360}) + row(3, {.tas = 100}) + END,
     .events = {START,
                R"({"time_s": 0.5, "kind": "band_enter", "column": "tas_kt", "band": "yellow", "value": 350})",
                R"({"time_s": 2, "kind": "band_exit", "column": "tas_kt", "band": "yellow", "value": 100, "peak": 360, "peak_s": 1.5})",
                endAt("2")}},
    {.what = "extremes at the first time each is reached, in the order altitude, climb, g load, TAS, IAS",
     .log = OPENING + HEADER + row(0, {.tas = 120, .ias = 110, .alt = 900, .climb = -50, .g = 1.25}) +
            row(1, {.tas = 150, .ias = 140, .alt = 1200, .climb = 800, .g = 0.5}) +
            row(2, {.tas = 150, .ias = 140, .alt = 1200, .climb = 800, .g = 0.5}) + END,
     .events = {START,
                R"({"time_s": 0.5, "kind": "extreme", "column": "alt_ft", "value": 900, "which": "min"})",
                R"({"time_s": 0.5, "kind": "extreme", "column": "climb_ft_min", "value": -50, "which": "min"})",
                R"({"time_s": 0.5, "kind": "extreme", "column": "gforce_g", "value": 1.25, "which": "max"})",
                R"({"time_s": 1, "kind": "extreme", "column": "alt_ft", "value": 1200, "which": "max"})",
                R"({"time_s": 1, "kind": "extreme", "column": "climb_ft_min", "value": 800, "which": "max"})",
                R"({"time_s": 1, "kind": "extreme", "column": "gforce_g", "value": 0.5, "which": "min"})",
                R"({"time_s": 1, "kind": "extreme", "column": "tas_kt", "value": 150, "which": "max"})",
                R"({"time_s": 1, "kind": "extreme", "column": "ias_kt", "value": 140, "which": "max"})",
                endAt("1.5")},
     .extremes = true},
    {.what = "a range: no recording start or end inside it, and what is open closes where its rows stop",
     .log = OPENING + HEADER + row(0) + row(1, {.tas = 350, .stall = 1}) + row(2, {.tas = 360, .stall = 1}) +
            row(3, {.tas = 100}) + END,
     .events = {R"({"time_s": 1, "kind": "stall", "to_s": 2})",
                R"({"time_s": 1, "kind": "band_enter", "column": "tas_kt", "band": "yellow", "value": 350})",
                R"({"time_s": 2, "kind": "band_exit", "column": "tas_kt", "band": "yellow", "peak": 360, "peak_s": 1.5})"},
     .from = "1", .to = "1.5"},
};
// clang-format on

std::vector<std::string> eventsOf(const EventCase& c) {
    const TimeRange range = parseTimeRange(c.from, c.to);
    SummarySink summary(DEFAULT_TICK_RATE, range);
    RangeFilter filter(range, DEFAULT_TICK_RATE, summary);
    TextSource source(c.log, "f.txt");
    const Summary s = summary.finish(readLog(source, filter));
    constexpr JsonLayout ONE_LINE{.nameSeparator = ": ", .separator = ", ", .breaks = {}};
    std::vector<std::string> events;
    for (const Json& event : summary_text::eventsJson(s.events)) {
        if (!c.extremes && event["kind"] == "extreme") continue;
        events.push_back(jsonText(event, ONE_LINE));
    }
    return events;
}

TEST(LogEvents, FoundInTimeOrderFromTheRows) {
    for (const EventCase& c : EVENT_CASES) {
        SCOPED_TRACE(c.what);
        const std::vector<std::string> found = eventsOf(c);
        EXPECT_EQ(found.size(), c.events.size());
        for (std::size_t e = 0; e < std::min(found.size(), c.events.size()); ++e) EXPECT_EQ(found[e], c.events[e]);
    }
}

// A log that crosses a band on every row keeps the earliest MAX_EVENTS events
// and counts the rest, so the summary's memory stays flat.
TEST(LogEvents, KeepsTheFirstEventsOfAnEventfulLogAndCountsTheRest) {
    constexpr std::int32_t ROWS = 12'000;
    EventCollector events;
    RowText text;
    for (std::int32_t i = 0; i < ROWS; ++i) {
        Row row{};
        row.values[INDEX] = i;
        row.values[TAS] = i % 2 == 0 ? 100 : 350;
        row.values[GFORC] = 1;
        events.row(row, text, 0);
    }
    LogInfo info;
    info.firstIndex = 0;
    info.lastIndex = ROWS - 1;
    const EventList list = events.finish(info);
    ASSERT_EQ(list.events.size(), MAX_EVENTS);
    // A crossing on every row after the first, the excursion the end closes, the start, the end, eight extremes.
    const std::size_t all = (ROWS - 1) + 1 + 2 + 8;
    EXPECT_EQ(list.notListed, all - MAX_EVENTS);
    EXPECT_EQ(list.events.front().kind, EventKind::RecordingStart);
    for (std::size_t e = 1; e < list.events.size(); ++e) ASSERT_LE(list.events[e - 1].time, list.events[e].time);
    EXPECT_LT(list.events.back().time, timeOfIndex(ROWS - 1, DEFAULT_TICK_RATE));
}

}  // namespace
