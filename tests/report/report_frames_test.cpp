// The report's panel pictures: the replay's fast catch-up shows exactly what
// a full one shows, Host::advanceClock drives the sampling element alone, and each
// picture is of the last row at or before the time it was asked for.
#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <vector>

#include "host/gauge_facts.h"
#include "host/host.h"
#include "tests/log/log_test_support.h"
#include "tools/log/flight_log.h"
#include "tools/replay/log_replay.h"
#include "tools/report/report_frames.h"

namespace {

using namespace vorlat;
using log_test::Values;

flightlog::Row rowOf(std::int32_t index, const Values& values = {}) {
    const flightlog::FlightLog log =
        flightlog::parseLog(log_test::OPENING + log_test::HEADER + log_test::row(index, values), "row");
    return log.rows.at(0);
}

// What every element shows.
std::vector<std::string> panelState(const Host& host) {
    std::vector<std::string> state;
    for (const ElementView& child : host.children())
        state.push_back(child.text + "|" + std::to_string(child.foreColour) + "|" + std::to_string(child.backColour) +
                        "|" + std::to_string(child.shownImage));
    return state;
}

struct ReplayCase {
    const char* name;
    std::vector<std::pair<std::int32_t, Values>> rows;
};

TEST(FastCatchUp, ShowsWhatTheFullReplayShows) {
    const ReplayCase cases[] = {
        {.name = "a long catch-up", .rows = {{75, {}}, {4000, {.tas = 250, .hdng = 120, .bank = 30}}}},
        {.name = "catch-ups around the full updates",
         .rows = {{3, {}},
                  {21, {.hdng = 100}},
                  {22, {.hdng = 110}},
                  {41, {.hdng = 130, .bank = 5}},
                  {69, {.bank = -20}},
                  {70, {.bank = -25}}}},
        {.name = "turning between far rows",
         .rows = {{10, {.hdng = 350, .bank = 10}},
                  {1000, {.hdng = 10, .bank = 40}},
                  {1033, {.hdng = 40, .bank = -40}}}},
        {.name = "an earlier index starts again", .rows = {{500, {.alt = 3000}}, {100, {.alt = 2000}}}},
    };
    for (const ReplayCase& c : cases) {
        SCOPED_TRACE(c.name);
        flightlog::Replayer full({}, flightlog::MAX_CATCH_UP_SAMPLES, flightlog::CatchUp::Full);
        flightlog::Replayer fast({}, flightlog::MAX_CATCH_UP_SAMPLES, flightlog::CatchUp::Fast);
        for (const auto& [index, values] : c.rows) {
            SCOPED_TRACE(index);
            const flightlog::Row row = rowOf(index, values);
            EXPECT_EQ(panelState(fast.show(row)), panelState(full.show(row)));
            EXPECT_TRUE(fast.indexShown());
        }
        EXPECT_EQ(fast.png(report::CURSOR_FRAME_SCALE).substr(1, 3), "PNG");
    }
}

TEST(HostAdvanceClock, CallsTheSamplingElementAloneAndMovesTheTickCount) {
    Host host(HostOptions{.modulePath = defaultModulePath()});
    EXPECT_THROW(host.advanceClock(0, gauge::TICK_VARIABLE, 9, 1), std::logic_error);
    host.setup();
    host.start();
    host.update();
    const std::size_t acel = host.textChildAt(150, 20).value();   // box (3, 2)
    const std::size_t rowIndex = host.textChildAt(6, 7).value();  // box (1, 1)
    std::vector<std::string> before = panelState(host);
    host.setVariable(gauge::HEADING.index, 200);  // the heading box would change if it were called
    host.advanceClock(acel, gauge::TICK_VARIABLE, gauge::TICKS_PER_SAMPLE, 1000);
    EXPECT_EQ(host.variable(gauge::TICK_VARIABLE), 9000);
    std::vector<std::string> after = panelState(host);
    before[acel] = after[acel] = "";
    EXPECT_EQ(after, before);  // no other element was called
    host.setVariable(gauge::TICK_VARIABLE, 9009);
    host.update();  // one more sample: 1001 samples in all
    EXPECT_EQ(host.child(rowIndex).text, " 1001");
    EXPECT_THROW(host.advanceClock(host.childCount(), gauge::TICK_VARIABLE, 9, 1), std::out_of_range);
}

TEST(FrameSink, PicturesTheLastRowAtOrBeforeEachTime) {
    // Rows every sample from index 9 (time 5 s), a pause from index 20 to 40.
    std::string text = log_test::OPENING + log_test::HEADER + log_test::rows(9, 12) + log_test::HEADER +
                       log_test::rows(40, 5, {.stall = 1});
    const flightlog::FlightLog log = flightlog::parseLog(text, "frames");
    report::FramePlan plan;
    plan.cursorTimes = {5, 7, 12, 15};     // 12 and 15 fall in the pause
    plan.eventTimes = {7.2, 20.5, 22.75};  // between rows; the last row; within its sample period
    report::FrameSink sink(plan, flightlog::DEFAULT_TICK_RATE);
    for (const flightlog::Row& row : log.rows) sink.row(row, {}, 0);
    const std::vector<report::Frame> frames = sink.finish();

    struct Expected {
        double time;
        std::int64_t index;
        bool event;
    };
    const Expected expected[] = {
        {.time = 5, .index = 9, .event = false},     {.time = 7, .index = 13, .event = true},
        {.time = 10.5, .index = 20, .event = false}, {.time = 20.5, .index = 40, .event = true},
        {.time = 22.5, .index = 44, .event = true},
    };
    ASSERT_EQ(frames.size(), std::size(expected));
    for (std::size_t i = 0; i < frames.size(); ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(frames[i].time, expected[i].time);
        EXPECT_EQ(frames[i].index, expected[i].index);
        EXPECT_EQ(frames[i].time, flightlog::timeOfIndex(double(frames[i].index), flightlog::DEFAULT_TICK_RATE));
        EXPECT_EQ(frames[i].event, expected[i].event);
        EXPECT_EQ(frames[i].scale, expected[i].event ? report::EVENT_FRAME_SCALE : report::CURSOR_FRAME_SCALE);
        EXPECT_EQ(frames[i].png.substr(1, 3), "PNG");
    }
}

}  // namespace
