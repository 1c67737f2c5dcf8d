// Replay: the real module, fed a row's values back through the stand-in host,
// shows them again in every box the log holds directly, and the stall disc.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <string>

#include "host/render/panel_renderer.h"
#include "tests/log/log_test_support.h"
#include "tools/log/flight_log.h"
#include "tools/replay/log_replay.h"

namespace {

using namespace log_test;
using namespace vorlat::flightlog;

// Boxes by (column, row) of the panel's grid, and where each one's text field starts.
constexpr int COLUMN_X[] = {4, 76, 148, 220, 292, 364};
constexpr int ROW_Y[] = {4, 17, 30, 43, 56, 69};

struct BoxOfColumn {
    Column column;
    int gridColumn, gridRow;
    const char* format;  // the panel's own format for the box
};
// clang-format off
constexpr BoxOfColumn BOXES[] = {
    {INDEX, 1, 1, "%5.0f"},
    {ALT,   2, 1, "%5.0f"},
    {TAS,   2, 2, "%5.1f"},
    {IAS,   2, 3, "%5.1f"},
    {HDNG,  2, 4, "%5.0f"},
    {BANK,  2, 5, "%5.1f"},
    {PITCH, 2, 6, "%5.2f"},
    {GFORC, 3, 1, "%5.2f"},
    {CLIMB, 3, 5, "%5.0f"},
    {AOA,   3, 6, "%5.1f"},
    {HP,    4, 2, "%5.0f"},
    {PROP,  4, 4, "%5.1f"},
    {THRST, 4, 5, "%5.0f"},
};
// clang-format on

std::string boxText(const vorlat::Host& host, int gridColumn, int gridRow) {
    const auto child = host.textChildAt(COLUMN_X[gridColumn - 1] + 2, ROW_Y[gridRow - 1] + 2);
    return child ? host.child(*child).text : "(no box)";
}

constexpr std::size_t RECORD_ICON = 0, PAUSE_ICON = 1, STALL_ICON = 2;
constexpr int STALL_ICON_X = 201, STALL_ICON_Y = 70;
constexpr int STALL_DISC_BITMAP = 8704;

// Rows that push every conversion: negative values, truncation edges, decimals that round.
// clang-format off
const std::string REPLAY_FLIGHT = OPENING + HEADER +
    row(3, {.tas = 123.4, .ias = 99.9, .alt = 1523, .pitch = -2.5, .climb = -76, .g = 1.0, .hdng = 359, .bank = -12.3,
            .prop = 28.6, .hp = 100, .thrust = 2500, .aoa = 77.0, .stall = 1}) +
    row(4, {.tas = 512.3, .ias = 300.1, .alt = -12, .pitch = 10.25, .climb = 2999, .g = -8.01, .hdng = 0, .bank = 45.5,
            .prop = 0.1, .hp = 0, .thrust = -40, .aoa = -1.23, .stall = 0}) +
    HEADER +
    row(9, {.tas = 0.0, .ias = 0.1, .alt = 0, .pitch = 0.0, .climb = 1, .g = 3.0, .hdng = 1, .bank = -0.1,
            .prop = 89.9, .hp = 2999, .thrust = 1, .aoa = 12.34, .stall = 1}) +
    END;
// clang-format on

TEST(LogReplay, ThePanelShowsEveryLoggedValueAndTheStallDisc) {
    const FlightLog log = parseLog(REPLAY_FLIGHT, "replay.txt");
    Replayer replayer;
    for (const Row& row : log.rows) {
        SCOPED_TRACE("row with index " + std::to_string(row[INDEX]));
        const vorlat::Host& host = replayer.show(row);
        for (const BoxOfColumn& box : BOXES) {
            SCOPED_TRACE(std::string(COLUMNS[box.column].header));
            // The row is shown in the update that takes its sample: the counter has counted it.
            const double shown = box.column == INDEX ? row[INDEX] + 1 : row[box.column];
            char expected[64];
            std::snprintf(expected, sizeof expected, box.format, shown);
            if (box.column == AOA) {  // the log holds one more decimal than the box
                EXPECT_NEAR(std::stod(boxText(host, box.gridColumn, box.gridRow)), row[AOA], 0.05 + 1e-9);
            } else {
                EXPECT_EQ(boxText(host, box.gridColumn, box.gridRow), expected);
            }
        }
        EXPECT_EQ(host.child(STALL_ICON).shownImage, row[STALL] != 0 ? 0 : -1);
        // Rows are written while recording: both recorder icons green (their first image).
        EXPECT_EQ(host.child(RECORD_ICON).shownImage, 0);
        EXPECT_EQ(host.child(PAUSE_ICON).shownImage, 0);
    }
    EXPECT_FALSE(std::filesystem::exists("data_log.txt"))
        << "the replay's recording must not land in the current folder";
}

TEST(LogReplay, TheRenderedPanelShowsTheStallDiscWhereStallIsSet) {
    const FlightLog log = parseLog(REPLAY_FLIGHT, "replay.txt");
    Replayer replayer;
    ScratchFolder dir;
    for (std::size_t r : {0u, 1u}) {
        const vorlat::Host& host = replayer.show(log.rows[r]);
        const vorlat::Bitmap disc = host.bitmap(STALL_DISC_BITMAP);
        const std::string png = (dir / ("row" + std::to_string(r) + ".png")).string();
        replayer.writePng(png, png);
        vorlat::render::PanelRenderer renderer(host);
        const vorlat::render::PanelImage image = renderer.render(host);
        const int scale = renderer.scale();
        const auto centre =
            image.pixel((STALL_ICON_X + disc.width / 2) * scale, (STALL_ICON_Y + disc.height / 2) * scale);
        const bool red = centre[0] > 200 && centre[1] < 80 && centre[2] < 80;
        EXPECT_EQ(red, log.rows[r][STALL] != 0) << int(centre[0]) << "," << int(centre[1]) << "," << int(centre[2]);
        EXPECT_EQ(readFile(png).substr(1, 3), "PNG");
    }
}

TEST(LogReplay, DrivesTheRowCounterOnlySoFarAndSaysSo) {
    const FlightLog log = parseLog(OPENING + HEADER + rows(3, 2) + HEADER + rows(30, 2) + END, "late.txt");
    Replayer replayer({}, 10);
    // The box counts the row's own sample too: index + 1.
    EXPECT_EQ(boxText(replayer.show(log.rows[1]), 1, 1), "    5");
    EXPECT_TRUE(replayer.indexShown());
    EXPECT_EQ(boxText(replayer.show(log.rows[1]), 1, 1), "    5");  // the same row again: no second sample
    EXPECT_EQ(boxText(replayer.show(log.rows[2]), 1, 1), "   16");  // 25 samples ahead, 10 driven
    EXPECT_FALSE(replayer.indexShown());
    EXPECT_EQ(boxText(replayer.show(log.rows[3]), 1, 1), "   17");  // behind by the same 15 from here on
    EXPECT_EQ(boxText(replayer.show(log.rows[0]), 1, 1), "    4");  // back to the start: a fresh module
    EXPECT_TRUE(replayer.indexShown());
}

// A damaged or far-jumping index costs what a pause costs: the samples driven
// are bounded by the rows shown, never by the index values.
TEST(LogReplay, AnIndexJumpCostsNoMoreThanAPause) {
    struct Case {
        const char* name;
        std::vector<std::int32_t> indexes;
        std::int64_t hosts;       // an earlier index starts a fresh module
        bool lastIndexShown;
    };
    // Each row after a header: a pause before it, so the reader keeps any later index.
    const Case cases[] = {
        {.name = "forward to two billion", .indexes = {3, 2'000'000'000, 2'000'000'005}, .hosts = 1,
         .lastIndexShown = false},
        {.name = "negative first", .indexes = {-2'147'483'647, 2'147'483'647}, .hosts = 1, .lastIndexShown = false},
        {.name = "negative, then small", .indexes = {-2'000'000'000, 5}, .hosts = 1, .lastIndexShown = true},
        {.name = "negative alone", .indexes = {-5}, .hosts = 1, .lastIndexShown = false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::string text = OPENING;
        for (const std::int32_t index : c.indexes) text += HEADER + row(index);
        const FlightLog log = parseLog(text + END, "jump.txt");
        ASSERT_EQ(log.rows.size(), c.indexes.size());
        Replayer replayer;
        for (const Row& r : log.rows) replayer.show(r);
        const auto rows = static_cast<std::int64_t>(c.indexes.size());
        EXPECT_LE(replayer.samplesDriven(), rows * (MAX_CATCH_UP_SAMPLES + 1));
        EXPECT_EQ(replayer.hostsStarted(), c.hosts);
        EXPECT_EQ(replayer.indexShown(), c.lastIndexShown);
    }
}

// Rows at 1.5, 2.0 and 4.5 s (a pause between the last two), a sample every 0.5 s:
// each picture shows the last row at or before its time, decided as the rows pass.
TEST(LogReplay, ShowsTheRowAtATimeAndFindsTimesOutsideTheRecording) {
    const std::vector<double> times{1.5, 2.49, 3.0, 4.99, 1.49, 5.0, 2.0};
    ShotSchedule schedule(times);
    using Shots = std::vector<std::size_t>;
    EXPECT_EQ(schedule.dueBefore(1.5), Shots{});           // 1.49 lies before the first row
    EXPECT_EQ(schedule.dueBefore(2.0), Shots{0});          // 1.5 shows the row at 1.5
    EXPECT_EQ(schedule.dueBefore(4.5), (Shots{6, 1, 2}));  // 2.0, 2.49, and 3.0 in the pause: the row at 2.0
    EXPECT_EQ(schedule.dueAtEnd(4.5, 0.5), Shots{3});      // 4.99 still within the last row's sample
    EXPECT_EQ(schedule.outside(), (Shots{4, 5}));
}

// The value is read as `vorlat fly --png-at` reads its own, and must name a PNG.
TEST(LogReplay, ReadsTimedPicturesAndSaysWhatIsWrongWithOne) {
    EXPECT_EQ(parseReplayShot("12.5:out.png").time, 12.5);
    EXPECT_EQ(parseReplayShot("12.5:dir/out.png").file, "dir/out.png");
    const struct {
        const char* argument;
        const char* message;
    } cases[] = {
        {"12.5", "--png-at \"12.5\": no colon; expected TIME:OUT.png, TIME as seconds (140, 140.5), m:ss (2:20) or h:mm:ss (1:02:20)"},
        {"12.5:", "--png-at \"12.5:\": nothing after the time; expected TIME:OUT.png, TIME as seconds (140, 140.5), m:ss (2:20) or h:mm:ss (1:02:20)"},
        {"abc:out.png", "--png-at \"abc:out.png\": the time \"abc\" has a field that is not a whole number; expected seconds (140, 140.5), m:ss (2:20) or h:mm:ss (1:02:20)"},
        {":out.png", "--png-at \":out.png\": the time \"\" is empty; expected seconds (140, 140.5), m:ss (2:20) or h:mm:ss (1:02:20)"},
        {"nan:out.png", "--png-at \"nan:out.png\": the time \"nan\" has a field that is not a whole number; expected seconds (140, 140.5), m:ss (2:20) or h:mm:ss (1:02:20)"},
        {"12.5:out.jpg", "--png-at \"12.5:out.jpg\": the picture's name must end in .png"},
    };
    for (const auto& c : cases) {
        try {
            parseReplayShot(c.argument);
            ADD_FAILURE() << c.argument << " accepted";
        } catch (const ReplayError& error) {
            EXPECT_STREQ(error.what(), c.message);
            EXPECT_TRUE(error.badUsage()) << c.argument;
        }
    }
}

}  // namespace
