// The built-in flight end to end through the real module: the log it records,
// the colour bands it crosses, and that every box moves.
#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "host/flight/builtin_flight.h"
#include "host/flight/run.h"
#include "host/fly/transcript.h"
#include "host/gauge_facts.h"
#include "tests/cli/work_dir.h"

namespace vorlat {
namespace {

using flight::BuiltinFlight;
namespace script = flight::script;

constexpr const char* LOG_HEADER =
    "index\tTAS\tIAS\talt\tpitch\tclimb\tgforc\thdng\tturn\tbank\troll\tprop\thp\tthrst\tAoA\tStall";

// What one flight of the built-in script showed, update by update.
struct Flown {
    std::string log;
    std::map<std::string, std::set<std::string>> colours;  // label -> colours seen
    std::map<std::string, std::set<std::string>> texts;    // label -> texts seen
    std::vector<double> times;
    std::vector<std::int64_t> ticks;  // the tick variable at each update
    std::vector<int> recordIcon, pauseIcon, stallIcon;
    std::vector<std::string> aoaColour;
    std::vector<flight::PressOutcome> presses;
    double minAltitudeText = 1e9;
};

Flown flyBuiltin() {
    const test::ScratchFolder work;
    const test::CurrentFolderScope inWork(work.path());
    Host host(
        HostOptions{.modulePath = defaultModulePath(), .privateCopy = true, .resourceScript = {}, .logFolder = {}});
    BuiltinFlight source;
    flight::RunOptions options;
    options.duration = source.duration();
    options.presses = source.ownPresses();
    Flown flown;
    const auto observe = [&flown](const Host& h, const flight::UpdateInfo& info) {
        flown.times.push_back(info.time);
        flown.ticks.push_back(info.tick);
        for (const ElementView& element : h.children()) {
            const std::string label = cli::elementLabel(element);
            if (element.kind == gauge::ICON_KIND) {
                if (label == "record_icon") flown.recordIcon.push_back(element.shownImage);
                if (label == "pause_icon") flown.pauseIcon.push_back(element.shownImage);
                if (label == "stall_icon") flown.stallIcon.push_back(element.shownImage);
                continue;
            }
            flown.colours[label].insert(cli::colourName(element.foreColour));
            flown.texts[label].insert(element.text);
            if (label == "AoA") flown.aoaColour.push_back(cli::colourName(element.foreColour));
            if (label == "Ft") flown.minAltitudeText = std::min(flown.minAltitudeText, std::stod(element.text));
        }
    };
    flown.presses = flight::runFlight(host, source, options, observe).presses;
    host.unload();
    flown.log = test::readFile("data_log.txt");
    return flown;
}

class BuiltinFlightTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { flown_ = new Flown(flyBuiltin()); }
    static void TearDownTestSuite() { delete flown_; }
    static const Flown& flown() { return *flown_; }

private:
    static Flown* flown_;
};
Flown* BuiltinFlightTest::flown_ = nullptr;

std::vector<std::string> fields(const std::string& row) {
    std::vector<std::string> out;
    std::stringstream stream(row);
    for (std::string field; std::getline(stream, field, '\t');) out.push_back(field);
    return out;
}

TEST_F(BuiltinFlightTest, EveryPressReachesItsButton) {
    ASSERT_EQ(flown().presses.size(), 4u);
    for (const auto& outcome : flown().presses) EXPECT_TRUE(outcome.handled) << outcome.press.time;
}

TEST_F(BuiltinFlightTest, LogHoldsOneRecordingWithOnePauseAndResume) {
    bool allCrLf = false;
    const std::vector<std::string> lines = test::splitCrLfLines(flown().log, allCrLf);
    EXPECT_TRUE(allCrLf);
    ASSERT_GE(lines.size(), 4u);
    EXPECT_EQ(lines.front(), "Recording Enabled");
    EXPECT_EQ(lines[1], LOG_HEADER);
    EXPECT_EQ(lines.back(), "End recording");

    std::vector<std::size_t> headers;
    for (std::size_t i = 0; i < lines.size(); ++i)
        if (lines[i] == LOG_HEADER) headers.push_back(i);
    ASSERT_EQ(headers.size(), 2u) << "the first header and one after the resume";

    // Rows: every 9 ticks at 18 ticks a second from 38 s to 218 s, less the 10 s pause.
    const double recordedSeconds = (script::RECORD_OFF - script::RECORD_ON) - (script::RESUME - script::PAUSE);
    const auto expectedRows = static_cast<std::size_t>(recordedSeconds * 18 / 9);
    const std::size_t rows = lines.size() - 4;
    EXPECT_NEAR(static_cast<double>(rows), static_cast<double>(expectedRows), 2.0);
    for (std::size_t i = 2; i + 1 < lines.size(); ++i) {
        if (i == headers[1]) continue;
        EXPECT_EQ(fields(lines[i]).size(), 16u) << "line " << i + 1 << ": " << lines[i];
    }

    // The index counts samples, so it jumps over the ones taken while paused.
    const int lastBefore = std::stoi(fields(lines[headers[1] - 1])[0]);
    const int firstAfter = std::stoi(fields(lines[headers[1] + 1])[0]);
    EXPECT_NEAR(firstAfter - lastBefore, (script::RESUME - script::PAUSE) * 2, 1.5);
}

// One time axis: the tick count is the update count (0 at the first update),
// and the row with index n was sampled at tick 9 (n + 1). So the first row is
// the record press's own update, the first after the resume that of the
// resume, and the last the last sample before the press that ended it.
TEST_F(BuiltinFlightTest, RowTimesAreTheMomentsTheirSamplesWereTaken) {
    const Flown& f = flown();
    for (std::size_t i = 0; i < f.ticks.size(); ++i) ASSERT_EQ(f.ticks[i], static_cast<std::int64_t>(i));
    bool allCrLf = false;
    std::vector<double> rowTimes;
    for (const std::string& line : test::splitCrLfLines(f.log, allCrLf)) {
        const auto row = fields(line);
        if (row.size() == 16 && row[0] != "index") rowTimes.push_back((std::stoi(row[0]) + 1) * 9 / 18.0);
    }
    ASSERT_FALSE(rowTimes.empty());
    EXPECT_EQ(rowTimes.front(), script::RECORD_ON);
    EXPECT_EQ(rowTimes.back(), script::RECORD_OFF - 0.5);
    EXPECT_NE(std::find(rowTimes.begin(), rowTimes.end(), script::RESUME), rowTimes.end());
    EXPECT_NE(std::find(rowTimes.begin(), rowTimes.end(), script::PAUSE - 0.5), rowTimes.end());
    EXPECT_EQ(std::find(rowTimes.begin(), rowTimes.end(), script::PAUSE), rowTimes.end()) << "paused in that update";
}

TEST_F(BuiltinFlightTest, StallShowsInTheLogWithAHighAngleOfAttack) {
    bool allCrLf = false;
    int stalledRows = 0;
    for (const std::string& line : test::splitCrLfLines(flown().log, allCrLf)) {
        const auto row = fields(line);
        if (row.size() != 16 || row[15] == "Stall") continue;
        if (row[15] != "0") {
            ++stalledRows;
            EXPECT_EQ(row[15], "1");
        }
    }
    const double stallSeconds = script::STALL_END - script::STALL;
    EXPECT_NEAR(stalledRows, stallSeconds * 2, 1.5);
}

TEST_F(BuiltinFlightTest, EveryColourBandIsReached) {
    const std::set<std::string> threeBands{"green", "yellow", "red"};
    for (const char* label : {"Ft", "TAS", "IAS", "G's"}) EXPECT_EQ(flown().colours.at(label), threeBands) << label;
    EXPECT_EQ(flown().colours.at("AoA"), (std::set<std::string>{"green", "red"}));
    for (const auto& [label, colours] : flown().colours) {
        if (label == "Ft" || label == "TAS" || label == "IAS" || label == "G's" || label == "AoA") continue;
        EXPECT_EQ(colours, std::set<std::string>{"green"}) << label;
    }
}

TEST_F(BuiltinFlightTest, AoaIsRedExactlyWhileTheStallDiscShows) {
    const Flown& f = flown();
    ASSERT_EQ(f.aoaColour.size(), f.stallIcon.size());
    int stalledUpdates = 0;
    for (std::size_t i = 0; i < f.times.size(); ++i) {
        const bool stalled = f.times[i] >= script::STALL && f.times[i] < script::STALL_END;
        EXPECT_EQ(f.stallIcon[i], stalled ? 0 : -1) << f.times[i];
        EXPECT_EQ(f.aoaColour[i], stalled ? "red" : "green") << f.times[i];
        stalledUpdates += stalled;
    }
    EXPECT_GT(stalledUpdates, 0);
}

TEST_F(BuiltinFlightTest, IconsFollowTheRecorder) {
    const Flown& f = flown();
    for (std::size_t i = 0; i < f.times.size(); ++i) {
        const double t = f.times[i];
        const bool recording = t >= script::RECORD_ON && t < script::RECORD_OFF;
        const bool writing = recording && !(t >= script::PAUSE && t < script::RESUME);
        EXPECT_EQ(f.recordIcon[i], recording ? 0 : 1) << t;
        EXPECT_EQ(f.pauseIcon[i], writing ? 0 : 1) << t;
    }
}

TEST_F(BuiltinFlightTest, EveryBoxShowsAChangingValue) {
    ASSERT_EQ(flown().texts.size(), 36u);
    for (const auto& [label, texts] : flown().texts) EXPECT_GE(texts.size(), 3u) << label;
    EXPECT_GE(flown().minAltitudeText, 850) << "never below the airfield";
}

TEST(UpdateCount, CountsUpdatesUpToAndIncludingTheDuration) {
    // clang-format off
    const struct {
        double duration, rate;
        std::int64_t updates;
    } cases[] = {
        {3600, 18, 64801},      {3599.9444, 18, 64800},  // four decimals still reach the last update
        {3599.94, 18, 64799},   {1, 18, 19},
        {0, 18, 1},             {-5, 18, 1},
        {1e300, 18, flight::MAX_UPDATE_COUNT},
    };
    // clang-format on
    for (const auto& c : cases) EXPECT_EQ(flight::updateCount(c.duration, c.rate), c.updates) << c.duration;
}

TEST(BuiltinFlight, SameScriptSameLog) { EXPECT_EQ(flyBuiltin().log, flyBuiltin().log); }

TEST(BuiltinFlight, StateIsTheSameWhetherReachedInOneStepOrMany) {
    BuiltinFlight stepwise, direct;
    for (double t = 0; t < 150; t += 0.5) stepwise.stateAt(t);
    const auto a = stepwise.stateAt(150), b = direct.stateAt(150);
    EXPECT_DOUBLE_EQ(a.fuelGal, b.fuelGal);
    EXPECT_DOUBLE_EQ(a.chtF, b.chtF);
    EXPECT_DOUBLE_EQ(a.latitudeDeg, b.latitudeDeg);
    // And an earlier time starts the integration again.
    const auto again = stepwise.stateAt(150);
    EXPECT_DOUBLE_EQ(again.longitudeDeg, b.longitudeDeg);
    EXPECT_DOUBLE_EQ(stepwise.stateAt(0).fuelGal, BuiltinFlight().stateAt(0).fuelGal);
}

}  // namespace
}  // namespace vorlat
