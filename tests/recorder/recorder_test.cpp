// The recorder through the stand-in host: its states and transitions, the
// exact bytes of its log, the Acel box, and what happens when the file fails.
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <optional>
#include <string>

#include "tests/recorder/recorder_harness.h"

namespace recorder_test {
namespace {

namespace fs = std::filesystem;

class Recorder : public ::testing::Test {
protected:
    ScratchFolder scratch;
    CurrentFolderScope inScratch{scratch.path()};
};

// ---------------------------------------------------------------------------
// The state machine, one row per transition. Each case takes one sample in
// Idle first (index 1), enters its state, applies the event, updates the panel
// once and unloads the module so that the log is complete on disk.

enum class State { Idle, Writing, Paused };
enum class Event { RecordPress, RecordPressOpenFails, PausePress, Sample, Shutdown };

struct Transition {
    State from;
    Event event;
    State to;
    std::optional<std::string> log;  // nothing: no log file
    std::int32_t index;              // the row-index box afterwards
};

const char* name(State s) { return s == State::Idle ? "Idle" : s == State::Writing ? "Writing" : "Paused"; }
const char* name(Event e) {
    switch (e) {
        case Event::RecordPress: return "record press";
        case Event::RecordPressOpenFails: return "record press, open fails";
        case Event::PausePress: return "pause press";
        case Event::Sample: return "sample";
        case Event::Shutdown: return "shut-down";
    }
    return "?";
}

const std::string STARTED = ENABLED_LINE + HEADER_LINE;

// clang-format off
const Transition TRANSITIONS[] = {
    {State::Idle,    Event::RecordPress,          State::Writing, STARTED,                             1},
    {State::Idle,    Event::RecordPressOpenFails, State::Idle,    std::nullopt,                        0},
    {State::Idle,    Event::PausePress,           State::Idle,    std::nullopt,                        1},
    {State::Idle,    Event::Sample,               State::Idle,    std::nullopt,                        2},
    {State::Idle,    Event::Shutdown,             State::Idle,    std::nullopt,                        1},
    {State::Writing, Event::Sample,               State::Writing, STARTED + SteadyFlight::row(1),      2},
    {State::Writing, Event::PausePress,           State::Paused,  STARTED,                             1},
    {State::Writing, Event::RecordPress,          State::Idle,    STARTED + END_LINE,                  1},
    {State::Writing, Event::Shutdown,             State::Idle,    STARTED + EXIT_LINE,                 1},
    {State::Paused,  Event::Sample,               State::Paused,  STARTED,                             2},
    {State::Paused,  Event::PausePress,           State::Writing, STARTED + HEADER_LINE,               1},
    {State::Paused,  Event::RecordPress,          State::Idle,    STARTED + END_LINE,                  1},
    {State::Paused,  Event::Shutdown,             State::Idle,    STARTED + EXIT_LINE,                 1},
};
// clang-format on

TEST_F(Recorder, EveryTransitionHasItsEffectOnLogIconsAndIndex) {
    for (const Transition& t : TRANSITIONS) {
        SCOPED_TRACE(std::string(name(t.from)) + ", " + name(t.event));
        const ScratchFolder directory;
        const CurrentFolderScope inDirectory(directory.path());
        Panel panel;
        panel.sample();
        if (t.from != State::Idle) panel.pressRecord();
        if (t.from == State::Paused) panel.pressPause();

        switch (t.event) {
            case Event::RecordPressOpenFails: fs::create_directory(LOG_NAME); [[fallthrough]];
            case Event::RecordPress: panel.pressRecord(); break;
            case Event::PausePress: panel.pressPause(); break;
            case Event::Sample: panel.sample(); break;
            case Event::Shutdown: panel.restart(); break;
        }
        panel.update();

        const int recordIcon = t.to == State::Idle ? RED : GREEN;
        const int pauseIcon = t.to == State::Writing ? GREEN : RED;
        EXPECT_EQ(panel.recordIcon(), recordIcon);
        EXPECT_EQ(panel.pauseIcon(), pauseIcon);
        EXPECT_EQ(panel.rowIndexText(), boxText(t.index));
        panel.host().unload();
        EXPECT_EQ(readFile(), t.log);
    }
}

// ---------------------------------------------------------------------------
// Whole files, byte for byte.

TEST_F(Recorder, FullRecordingIsEnabledHeaderRowsAndEnd) {
    Panel panel;
    panel.sample(3);  // the first row carries the samples counted since load
    panel.pressRecord();
    panel.sample(5);
    panel.pressRecord();
    EXPECT_EQ(readFile(), STARTED + SteadyFlight::rows(3, 7) + END_LINE);
}

TEST_F(Recorder, PausingTwiceWritesThreeHeadersAndIndicesJumpOverThePauses) {
    Panel panel;
    panel.pressRecord();
    panel.sample(2);  // rows 0, 1
    panel.pressPause();
    panel.sample(3);  // 2, 3, 4 counted, not written
    panel.pressPause();
    panel.sample(1);  // row 5
    panel.pressPause();
    panel.pressPause();  // resumed at once: a header, no rows between
    panel.sample(2);     // rows 6, 7
    panel.pressRecord();
    EXPECT_EQ(readFile(), STARTED + SteadyFlight::rows(0, 1) + HEADER_LINE + SteadyFlight::row(5) + HEADER_LINE +
                              SteadyFlight::rows(6, 7) + END_LINE);
}

TEST_F(Recorder, NewRecordingEmptiesTheOldLogAndIndicesContinue) {
    Panel panel;
    panel.pressRecord();
    panel.sample(4);  // rows 0..3
    panel.pressRecord();
    panel.sample(2);  // 4, 5 counted while Idle
    panel.pressRecord();
    panel.sample(2);  // rows 6, 7
    panel.pressRecord();
    EXPECT_EQ(readFile(), STARTED + SteadyFlight::rows(6, 7) + END_LINE);
}

TEST_F(Recorder, ShutdownWhilePausedWritesExit) {
    Panel panel;
    panel.pressRecord();
    panel.sample(2);
    panel.pressPause();
    panel.sample(1);
    panel.host().final();
    EXPECT_EQ(readFile(), STARTED + SteadyFlight::rows(0, 1) + EXIT_LINE);
}

TEST_F(Recorder, ShutdownWhileIdleLeavesAnEarlierLogUntouched) {
    const std::string earlier = "an earlier log\r\nkept as it is\r\n";
    writeFile(LOG_NAME, earlier);
    const auto written = fs::last_write_time(LOG_NAME);
    Panel panel;
    panel.sample(3);
    panel.pressPause();
    panel.host().final();
    EXPECT_EQ(readFile(), earlier);
    EXPECT_EQ(fs::last_write_time(LOG_NAME), written);
}

// The log is fully buffered in 4096-byte blocks: an observer sees it grow in
// steps of a whole block (a little more where the C library turns each line
// feed into CR LF as it writes the block), and the end brings the rest.
TEST_F(Recorder, LogReachesTheFileInWholeBlocks) {
    Panel panel;
    panel.pressRecord();
    const std::string expected = STARTED + SteadyFlight::rows(0, 99) + END_LINE;
    std::size_t seen = 0;
    for (int i = 0; i < 100; ++i) {
        panel.sample();
        const std::string now = *readFile();
        EXPECT_TRUE(now.size() == seen || now.size() >= seen + 4096) << "after row " << i << ": " << now.size();
        EXPECT_EQ(now, expected.substr(0, now.size()));
        seen = now.size();
    }
    EXPECT_GE(seen, 4096u);
    EXPECT_LT(seen, expected.size());
    panel.pressRecord();
    EXPECT_EQ(readFile(), expected);
}

// ---------------------------------------------------------------------------
// The module unloaded while a recording is on, without its final routine:
// everything written so far reaches the file, and no last line.

TEST_F(Recorder, UnloadWhileRecordingKeepsEverythingWritten) {
    struct Case {
        const char* what;
        bool paused;
        int rows;
    };
    const Case cases[] = {
        {"writing, less than a block", false, 3}, {"writing, several blocks", false, 150}, {"paused", true, 2}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const ScratchFolder directory;
        const CurrentFolderScope inDirectory(directory.path());
        Panel panel;
        panel.pressRecord();
        panel.sample(c.rows);
        if (c.paused) panel.pressPause();
        const std::string expected = STARTED + SteadyFlight::rows(0, c.rows - 1);
        EXPECT_LT(readFile()->size(), expected.size()) << "the tail is still in the buffer";
        panel.host().unload();
        EXPECT_EQ(readFile(), expected);
    }
}

TEST_F(Recorder, DestroyingTheHostWhileRecordingKeepsEverythingWritten) {
    {
        Panel panel;
        panel.pressRecord();
        panel.sample(4);
        EXPECT_EQ(readFile(), "") << "all of it is still in the buffer";
    }
    EXPECT_EQ(readFile(), STARTED + SteadyFlight::rows(0, 3));
}

// ---------------------------------------------------------------------------
// The Acel box and the sample clock.

TEST_F(Recorder, TicksRisingByOneTakeASampleEveryNinthCall) {
    Panel panel(0, 100);
    for (int call = 1; call <= 45; ++call) {
        panel.setSpeed(100 + call);  // +9 per sample: 9 * 20.7306 / 9 = 20.73
        panel.advance(1);
        EXPECT_EQ(panel.rowIndexText(), boxText(call / 9)) << call;
        EXPECT_EQ(panel.acelText(), call < 9 ? "    0" : "   20") << call;
    }
}

TEST_F(Recorder, AccelerationFromTheLastSample) {
    struct Case {
        const char* what;
        double speed;
        int gap;
        const char* text;
    };
    // clang-format off
    const Case cases[] = {
        {"speed truncated: (120 - 100) * 20.7306 / 9 = 46.07", 120.9, 9,  "   46"},
        {"negative result truncates toward zero: -46.07",       80.5, 9,  "  -46"},
        {"divides by the whole gap: 20 * 20.7306 / 20",         120.0, 20, "   20"},
        {"not a number counts as speed 0: -100 * 20.7306 / 9",  NAN,   9,  " -230"},
        {"beyond any range counts as speed 0",                  1e300, 9,  " -230"},
    };
    // clang-format on
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const ScratchFolder directory;
        const CurrentFolderScope inDirectory(directory.path());
        Panel panel(500, 100);
        panel.setSpeed(c.speed);
        panel.advance(c.gap);
        EXPECT_EQ(panel.acelText(), c.text);
        EXPECT_EQ(panel.rowIndexText(), boxText(1));
    }
}

TEST_F(Recorder, FallingTickCountTakesNoSampleUntilItPassesTheLastSampleByNine) {
    Panel panel(1000, 100);
    panel.setSpeed(120);
    panel.advance(9);  // sample at 1009: rate 46
    ASSERT_EQ(panel.acelText(), "   46");
    panel.setSpeed(0);
    const double ticks[] = {1000, 950, 1017, 1008};
    for (double t : ticks) {
        panel.setTicks(t);
        panel.update();
        EXPECT_EQ(panel.acelText(), "   46") << t;
        EXPECT_EQ(panel.rowIndexText(), boxText(1)) << t;
    }
    panel.setTicks(1018);  // 9 past the last sample: (0 - 120) * 20.7306 / 9
    panel.update();
    EXPECT_EQ(panel.acelText(), " -276");
    EXPECT_EQ(panel.rowIndexText(), boxText(2));
}

// The tick count is a 32-bit counter: the gap is measured across its wrap,
// and a jump of more than half its range is a fall, not a gap.
TEST_F(Recorder, TickGapWrapsAt32Bits) {
    Panel panel(2147483640.0, 100);
    panel.setSpeed(120);
    panel.setTicks(2147483649.0);  // -2147483647 as a 32-bit count: 9 past 2147483640
    panel.update();
    EXPECT_EQ(panel.acelText(), "   46");
    EXPECT_EQ(panel.rowIndexText(), boxText(1));
    panel.setTicks(2147483649.0 + 2147483648.0);  // half the range ahead reads as behind
    panel.update();
    EXPECT_EQ(panel.rowIndexText(), boxText(1));
}

TEST_F(Recorder, AcelAndRowIndexBoxesStayGreen) {
    Panel panel(0, 100);
    panel.setSpeed(-500);
    panel.sample();
    for (const std::size_t box : {*panel.host().textChildAt(150, 20), *panel.host().textChildAt(6, 7)}) {
        EXPECT_EQ(panel.host().child(box).foreColour, vorlat::COLOUR_GREEN);
    }
    EXPECT_EQ(panel.acelText(), "-1382");  // -600 * 20.7306 / 9
}

// ---------------------------------------------------------------------------
// Failures of the log file.

TEST_F(Recorder, FailedOpenLeavesIdleAtIndexZeroAndTheNextPressTriesAgain) {
    Panel panel;
    panel.sample(5);
    ASSERT_EQ(panel.rowIndexText(), boxText(5));
    fs::create_directory(LOG_NAME);  // cannot be opened as a file, even by root

    panel.pressRecord();
    panel.update();
    EXPECT_EQ(panel.rowIndexText(), boxText(0));
    EXPECT_EQ(panel.recordIcon(), RED);
    EXPECT_EQ(panel.pauseIcon(), RED);
    panel.pressPause();  // still Idle: nothing to pause
    panel.sample(2);
    EXPECT_EQ(panel.pauseIcon(), RED);
    EXPECT_EQ(panel.rowIndexText(), boxText(2));

    fs::remove(LOG_NAME);
    panel.pressRecord();
    panel.update();
    EXPECT_EQ(panel.recordIcon(), GREEN);
    panel.sample();
    panel.pressRecord();
    EXPECT_EQ(readFile(), STARTED + SteadyFlight::row(2) + END_LINE);
}

TEST_F(Recorder, FailedWriteEndsTheRecording) {
#if defined(_WIN32)
    GTEST_SKIP() << "needs a device that refuses writes";
#else
    fs::create_symlink("/dev/full", LOG_NAME);
    Panel panel;
    panel.pressRecord();
    panel.update();
    ASSERT_EQ(panel.recordIcon(), GREEN);
    int samples = 0;
    while (panel.recordIcon() == GREEN && samples < 200) {
        panel.sample();
        ++samples;
    }
    // The first block of 4096 bytes is refused when the buffer fills.
    EXPECT_EQ(panel.recordIcon(), RED);
    EXPECT_EQ(panel.pauseIcon(), RED);
    EXPECT_GT(samples, 4096 / static_cast<int>(SteadyFlight::row(0).size()) - 2);
    EXPECT_LT(samples, 4096 / static_cast<int>(SteadyFlight::row(0).size()) + 3);
    // Samples are still counted, and the buttons work as in Idle.
    EXPECT_EQ(panel.rowIndexText(), boxText(samples));
    panel.sample();
    EXPECT_EQ(panel.rowIndexText(), boxText(samples + 1));
    panel.pressPause();
    panel.update();
    EXPECT_EQ(panel.pauseIcon(), RED);
    panel.pressRecord();  // a new recording, refused again in time
    panel.update();
    EXPECT_EQ(panel.recordIcon(), GREEN);
    panel.sample(60);
    EXPECT_EQ(panel.recordIcon(), RED);
    panel.host().final();
#endif
}

}  // namespace
}  // namespace recorder_test
