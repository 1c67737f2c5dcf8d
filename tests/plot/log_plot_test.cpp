// Plots: the reduced series keep every extreme and break only where a gap
// shows; the marks agree with the summary's events; the pictures hold the
// series, bands, marks, legends and titles asked for; the command overlays
// flights, chooses columns and never leaves a partial file.
#include <gtest/gtest.h>

#include <cairo.h>
#include <sys/mount.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <limits>
#include <random>
#include <string>
#include <vector>

#include "common/output_files.h"
#include "tests/log/log_test_support.h"
#include "tools/log/log_events.h"
#include "tools/plot/log_plot.h"

namespace {

using namespace log_test;
using namespace vorlat::flightlog;

// A gentle flight: nothing reaches a band, nothing stalls.
std::string gentleFlight() {
    std::string text = OPENING + HEADER;
    for (int i = 0; i < 40; ++i)
        text += row(i, {.tas = 120.0 + i,
                        .ias = 110.0 + i,
                        .alt = 1000 + 5 * i,
                        .g = 1.0 + 0.02 * i,
                        .thrust = 1000 + i,
                        .aoa = 3 + 0.05 * i});
    return text + END;
}

// A fast, hard flight with a stall and a pause: every band and the stall shading appear.
std::string hardFlight() {
    std::string text = OPENING + HEADER;
    for (int i = 0; i < 40; ++i)
        text += row(i, {.tas = 200.0 + 10 * i,
                        .ias = 180.0 + 9 * i,
                        .alt = 1000 + 20 * i,
                        .g = 1.0 + 0.25 * i,
                        .aoa = 3,
                        .stall = i > 30});
    text += HEADER;
    for (int i = 50; i < 80; ++i) text += row(i, {.tas = 300, .ias = 250, .g = 1.0});
    return text + EXIT;
}

struct Pixels {
    int width = 0, height = 0;
    std::size_t exactly(PlotColour c) const { return count(c, 0); }
    std::size_t near(PlotColour c, int tolerance) const { return count(c, tolerance); }

    std::vector<std::uint32_t> argb;

private:
    std::size_t count(PlotColour c, int tolerance) const {
        std::size_t n = 0;
        for (std::uint32_t p : argb) {
            const int r = (p >> 16) & 0xFF, g = (p >> 8) & 0xFF, b = p & 0xFF;
            if (std::abs(r - c.r) <= tolerance && std::abs(g - c.g) <= tolerance && std::abs(b - c.b) <= tolerance) ++n;
        }
        return n;
    }
};

Pixels readPng(const std::string& path) {
    cairo_surface_t* surface = cairo_image_surface_create_from_png(path.c_str());
    Pixels pixels;
    if (cairo_surface_status(surface) == CAIRO_STATUS_SUCCESS) {
        cairo_surface_flush(surface);
        pixels.width = cairo_image_surface_get_width(surface);
        pixels.height = cairo_image_surface_get_height(surface);
        const int stride = cairo_image_surface_get_stride(surface);
        const unsigned char* data = cairo_image_surface_get_data(surface);
        for (int y = 0; y < pixels.height; ++y)
            for (int x = 0; x < pixels.width; ++x)
                pixels.argb.push_back(*reinterpret_cast<const std::uint32_t*>(data + y * stride + x * 4));
    }
    cairo_surface_destroy(surface);
    return pixels;
}

// A band colour at PLOT_BAND_ALPHA over the white page.
PlotColour overWhite(PlotColour c) {
    const auto blend = [](int v) { return static_cast<int>(std::lround(255 + (v - 255) * PLOT_BAND_ALPHA)); };
    return {blend(c.r), blend(c.g), blend(c.b)};
}

// How the SVG device writes a stroke colour.
std::string svgStroke(PlotColour c) {
    char text[32];
    std::snprintf(text, sizeof text, "stroke=\"#%02X%02X%02X\"", c.r, c.g, c.b);
    return text;
}

std::size_t occurrences(const std::string& text, const std::string& part) {
    std::size_t n = 0;
    for (std::size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) ++n;
    return n;
}

// The texts of an SVG, one per <tspan>, its character references decoded (ASCII only).
std::string svgTexts(const std::string& svg) {
    std::string texts;
    for (std::size_t at = svg.find("<tspan"); at != std::string::npos; at = svg.find("<tspan", at + 1)) {
        const std::size_t start = svg.find('>', at) + 1, end = svg.find("</tspan>", start);
        for (std::size_t i = start; i < end; ++i) {
            if (svg.compare(i, 3, "&#x") != 0) {
                texts += svg[i];
                continue;
            }
            const std::size_t semicolon = svg.find(';', i);
            texts += static_cast<char>(std::stoi(svg.substr(i + 3, semicolon - i - 3), nullptr, 16));
            i = semicolon;
        }
        texts += '\n';
    }
    return texts;
}

TEST(LogPlot, PngHasItsSizeTheSeriesTheBandsAndTheStalls) {
    ScratchFolder dir;
    const std::string hard = (dir / "hard.png").string(), gentle = (dir / "gentle.png").string();
    plotLog(parseLog(hardFlight(), "hard.txt"), hard, DEFAULT_TICK_RATE, {.width = 1000, .height = 1300});
    plotLog(parseLog(gentleFlight(), "gentle.txt"), gentle, DEFAULT_TICK_RATE, {.width = 1000, .height = 1300});
    EXPECT_EQ(readFile(hard).substr(0, 8), "\x89PNG\r\n\x1a\n");

    const Pixels h = readPng(hard), g = readPng(gentle);
    EXPECT_EQ(h.width, 1000);
    EXPECT_EQ(h.height, 1300);
    // The series lines are drawn in their own colours.
    for (PlotColour series : {PLOT_TAS, PLOT_IAS, PLOT_ALT, PLOT_G, PLOT_THRUST, PLOT_AOA}) {
        EXPECT_GT(h.exactly(series), 100u) << series.r << "," << series.g << "," << series.b;
        EXPECT_GT(g.exactly(series), 100u) << series.r << "," << series.g << "," << series.b;
    }
    // Bands and stall shading only where the flight reaches them (the legend's swatches aside).
    const PlotColour yellow = overWhite(PLOT_YELLOW_BAND), stall = overWhite(PLOT_STALL);
    EXPECT_GT(h.near(yellow, 3), 20 * g.near(yellow, 3) + 5000);
    EXPECT_GT(h.near(stall, 3), 20 * g.near(stall, 3) + 2000);
    // The strip's marks: the pause in grey, the stall and the bands in their colours.
    EXPECT_GT(h.exactly(PLOT_PAUSE), g.exactly(PLOT_PAUSE) + 500);
    EXPECT_GT(h.exactly(PLOT_RED_BAND), g.exactly(PLOT_RED_BAND) + 500);
}

TEST(LogPlot, SvgDrawsOneLinePerSegmentSoPausesAreGaps) {
    ScratchFolder dir;
    const std::string svg = (dir / "hard.svg").string();
    plotLog(parseLog(hardFlight(), "hard.txt"), svg);
    const std::string text = readFile(svg);
    ASSERT_NE(text.find("<svg"), std::string::npos);
    EXPECT_NE(text.find("width=\"1400pt\""), std::string::npos) << text.substr(0, 300);
    // The IAS colour is used by no other series: two segments and the legend's sample line.
    EXPECT_EQ(occurrences(text, svgStroke(PLOT_IAS)), 3u) << svgStroke(PLOT_IAS);
    EXPECT_EQ(occurrences(text, svgStroke(PLOT_ALT)), 3u);
    const std::string texts = svgTexts(text);
    EXPECT_NE(texts.find("hard.txt: ended by the gauge's shutdown"), std::string::npos) << texts;
    EXPECT_NE(texts.find("70 rows in 2 segments; a sample every 0.5 s"), std::string::npos) << texts;

    const std::string single = (dir / "gentle.svg").string();
    plotLog(parseLog(gentleFlight(), "gentle.txt"), single);
    EXPECT_EQ(occurrences(readFile(single), svgStroke(PLOT_IAS)), 2u);
    EXPECT_NE(svgTexts(readFile(single)).find("40 rows in 1 segment;"), std::string::npos);
}

TEST(LogPlot, PdfAndTheRefusals) {
    ScratchFolder dir;
    const std::string pdf = (dir / "hard.pdf").string();
    plotLog(parseLog(hardFlight(), "hard.txt"), pdf);
    const std::string text = readFile(pdf);
    EXPECT_EQ(text.substr(0, 5), "%PDF-");
    EXPECT_GT(text.size(), 5000u);

    const FlightLog log = parseLog(gentleFlight(), "gentle.txt");
    try {
        plotLog(log, (dir / "out.jpg").string());
        ADD_FAILURE() << "a .jpg was accepted";
    } catch (const PlotError& e) {
        EXPECT_TRUE(e.badUsage());
    }
    EXPECT_THROW(plotLog(log, (dir / "missing" / "out.png").string()), vorlat::files::OutputError);
}

// The reader refuses a log without rows; the plot still draws one made by hand.
TEST(LogPlot, DrawsALogWithoutRows) {
    ScratchFolder dir;
    const std::string png = (dir / "empty.png").string();
    const FlightLog empty{.file = "empty.txt",
                          .segments = {{.headerLine = 2, .firstRow = 0, .rowCount = 0}},
                          .ending = Ending::EndRecording};
    plotLog(empty, png, DEFAULT_TICK_RATE, {.width = 600, .height = 800});
    EXPECT_EQ(readPng(png).width, 600);
}

// Rows made in memory, handed to the plot's sink as the reader hands them.
class RowFeed {
public:
    explicit RowFeed(RowSink& sink) : sink_(sink) {}
    void add(const Row& row) {
        if (!open_) sink_.segmentStarted({.segment = segment_, .line = 0, .recovered = false});
        open_ = true;
        sink_.row(row, RowText{}, segment_);
    }
    void pause() {
        segment_ += open_ ? 1 : 0;
        open_ = false;
    }

private:
    RowSink& sink_;
    std::size_t segment_ = 0;
    bool open_ = false;
};

constexpr int PICTURE_COLUMNS = 973;  // the panels' width on the default page

PixelGrid picture(const FlightSeries& series) {
    const double start = *series.firstTime(), end = *series.lastTime() + series.period();
    return {.start = start, .width = (end - start) / PICTURE_COLUMNS, .columns = PICTURE_COLUMNS};
}

std::vector<Column> allColumns() {
    std::vector<Column> columns;
    for (std::size_t c = 0; c < COLUMN_COUNT; ++c) columns.push_back(static_cast<Column>(c));
    return columns;
}

// The first lowest and highest finite value of a column, and when they came.
struct Extremes {
    TimedValue low{0, std::numeric_limits<double>::infinity()}, high{0, -std::numeric_limits<double>::infinity()};
    void include(TimedValue point) {
        if (!std::isfinite(point.value)) return;
        if (point.value < low.value) low = point;
        if (point.value > high.value) high = point;
    }
};

struct ReductionCase {
    const char* name;
    int segments, rowsPerSegment, pauseSamples;
    double spikeChance, nanChance;
};

TEST(PlotSeries, KeepsEveryColumnsExtremesAtTheirTimes) {
    // clang-format off
    const ReductionCase cases[] = {
        {.name = "long, paused, spiky", .segments = 3, .rowsPerSegment = 100'000, .pauseSamples = 40, .spikeChance = 1e-4, .nanChance = 1e-3},
        {.name = "one-row segments",    .segments = 20'000, .rowsPerSegment = 1, .pauseSamples = 1, .spikeChance = 1e-3, .nanChance = 0},
        {.name = "short",               .segments = 1, .rowsPerSegment = 80, .pauseSamples = 0, .spikeChance = 0.05, .nanChance = 0.05},
    };
    // clang-format on
    for (const ReductionCase& shape : cases) {
        SCOPED_TRACE(shape.name);
        FlightSeries series(allColumns(), DEFAULT_TICK_RATE);
        RowFeed feed(series);
        std::array<Extremes, COLUMN_COUNT> truth{};
        std::vector<TimedValue> tas;  // every TAS point, for the short log
        std::mt19937 random(13);
        std::uniform_real_distribution<double> unit(0, 1);
        std::array<double, COLUMN_COUNT> walk{};
        Row row{};
        std::int64_t index = 0;
        for (int s = 0; s < shape.segments; ++s, index += shape.pauseSamples, feed.pause()) {
            for (int r = 0; r < shape.rowsPerSegment; ++r, ++index) {
                const double time = timeOfIndex(static_cast<double>(index), DEFAULT_TICK_RATE);
                row.values[INDEX] = static_cast<double>(index);
                for (std::size_t c = 1; c < COLUMN_COUNT; ++c) {
                    walk[c] = std::clamp(walk[c] + unit(random) - 0.5, -100.0, 100.0);
                    double value = walk[c];
                    if (unit(random) < shape.spikeChance) value = (unit(random) - 0.5) * 2000;
                    if (unit(random) < shape.nanChance) value = std::nan("");
                    row.values[c] = value;
                }
                for (std::size_t c = 0; c < COLUMN_COUNT; ++c) truth[c].include({time, row.values[c]});
                if (std::isfinite(row.values[TAS])) tas.push_back({time, row.values[TAS]});
                feed.add(row);
            }
        }
        const PixelGrid pixels = picture(series);
        for (std::size_t c = 0; c < COLUMN_COUNT; ++c) {
            SCOPED_TRACE(COLUMNS[c].header);
            const std::vector<PixelColumn> columns = pixelColumns(series.grid(), c, pixels);
            ASSERT_FALSE(columns.empty());
            ASSERT_LE(columns.size(), static_cast<std::size_t>(PICTURE_COLUMNS));
            const PixelColumn *lowest = &columns.front(), *highest = &columns.front();
            for (const PixelColumn& column : columns) {
                if (column.extent.low.value < lowest->extent.low.value) lowest = &column;
                if (column.extent.high.value > highest->extent.high.value) highest = &column;
            }
            EXPECT_EQ(lowest->extent.low.value, truth[c].low.value);
            EXPECT_EQ(lowest->extent.low.time, truth[c].low.time);
            EXPECT_EQ(lowest->column, pixels.columnOf(truth[c].low.time));
            EXPECT_EQ(highest->extent.high.value, truth[c].high.value);
            EXPECT_EQ(highest->extent.high.time, truth[c].high.time);
            EXPECT_EQ(highest->column, pixels.columnOf(truth[c].high.time));
        }
        if (shape.rowsPerSegment * shape.segments > PICTURE_COLUMNS) continue;
        // Fewer rows than columns: every point is drawn where it is.
        std::vector<TimedValue> drawn;
        for (const PixelColumn& column : pixelColumns(series.grid(), TAS, pixels)) {
            TimedValue points[4];
            drawn.insert(drawn.end(), points, points + column.extent.points(points));
        }
        ASSERT_EQ(drawn.size(), tas.size());
        for (std::size_t i = 0; i < tas.size(); ++i) {
            EXPECT_EQ(drawn[i].time, tas[i].time);
            EXPECT_EQ(drawn[i].value, tas[i].value);
        }
    }
}

// A line breaks where a gap is wider than a column, never inside one, and
// where an angle wraps around.
TEST(PlotSeries, LinesBreakOnlyWhereAGapShows) {
    FlightSeries series({TAS, HDNG}, DEFAULT_TICK_RATE);
    RowFeed feed(series);
    Row row{};
    std::int64_t index = 0;
    const auto segment = [&](int rows, std::int64_t nanAt) {
        for (int r = 0; r < rows; ++r, ++index) {
            row.values[INDEX] = static_cast<double>(index);
            row.values[TAS] = index == nanAt ? std::nan("") : 100.0 + static_cast<double>(index % 7);
            row.values[HDNG] = 100;
            feed.add(row);
        }
        feed.pause();
    };
    segment(10'000, -1);
    index += 2;  // one second: far narrower than a column of about 17 s
    segment(10'000, 15'000);
    index += 4'000;  // 2,000 s
    const double afterLongPause = timeOfIndex(static_cast<double>(index), DEFAULT_TICK_RATE);
    segment(10'000, -1);

    const PixelGrid pixels = picture(series);
    std::vector<int> breaks;
    for (const PixelColumn& column : pixelColumns(series.grid(), 0, pixels))
        if (!column.joined) breaks.push_back(column.column);
    EXPECT_EQ(breaks, (std::vector<int>{0, pixels.columnOf(afterLongPause)}));

    // Pauses of a sample between one-row segments, many to a column: no break shows.
    FlightSeries dotted({TAS}, DEFAULT_TICK_RATE);
    RowFeed dottedFeed(dotted);
    for (int i = 0; i < 20'000; ++i) {
        row.values[INDEX] = 2 * i;
        dottedFeed.add(row);
        dottedFeed.pause();
    }
    breaks.clear();
    for (const PixelColumn& column : pixelColumns(dotted.grid(), 0, picture(dotted)))
        if (!column.joined) breaks.push_back(column.column);
    EXPECT_EQ(breaks, std::vector<int>{0});

    // Sparse points: each is its own column, joined but where the heading wraps.
    FlightSeries heading({HDNG}, DEFAULT_TICK_RATE);
    RowFeed headingFeed(heading);
    for (int i = 0; i < 40; ++i) {
        row.values[INDEX] = i;
        row.values[HDNG] = std::fmod(300 + 5 * i, 360);  // 355 to 0 at i = 12
        headingFeed.add(row);
    }
    breaks.clear();
    std::size_t columns = 0;
    for (const PixelColumn& column : pixelColumns(heading.grid(), 0, picture(heading))) {
        ++columns;
        if (!column.joined) breaks.push_back(static_cast<int>(columns - 1));
    }
    EXPECT_EQ(columns, 40u);
    EXPECT_EQ(breaks, (std::vector<int>{0, 12}));
}

// The strip's marks and the summary's events say the same of a flight.
TEST(PlotMarks, AgreeWithTheSummarysEvents) {
    const double nan = std::nan("");
    std::string text = OPENING + HEADER;
    const double tas[] = {250, 250, 350, 350, 550, 550, 350, nan, 350, 250, 250, 350};
    for (int i = 0; i < 12; ++i)
        text += row(i, {.tas = tas[i], .ias = i == 5 ? 520.0 : 90.0, .g = i == 3 ? -4.0 : 1.0, .stall = i >= 9});
    text += HEADER;  // a pause of 8 samples; the stall goes on after it
    for (int i = 20; i < 26; ++i) text += row(i, {.g = i == 22 ? 9.5 : 1.0, .stall = i < 22});
    text += END;

    FlightSeries series(seriesFor({}));
    EventCollector collector;
    TextSource forPlot(text, "marks.txt"), forEvents(text, "marks.txt");
    readLog(forPlot, series);
    const EventList events = collector.finish(readLog(forEvents, collector));

    std::array<std::vector<Span>, MARK_LANE_COUNT> expected;
    std::array<std::optional<double>, MARK_LANE_COUNT> entered;
    const auto laneOf = [](Column column, BandLevel level) {
        std::size_t b = 0;
        while (BANDS[b].column != column) ++b;
        return bandLane(b, level);
    };
    for (const Event& event : events.events) {
        if (event.kind == EventKind::Pause) expected[PAUSE_LANE].push_back({event.time, *event.to});
        if (event.kind == EventKind::Stall) expected[STALL_LANE].push_back({event.time, *event.to});
        if (event.kind == EventKind::BandEnter) entered[laneOf(*event.column, *event.band)] = event.time;
        if (event.kind != EventKind::BandExit) continue;
        const MarkLane lane = laneOf(*event.column, *event.band);
        expected[lane].push_back({*entered[lane], event.time});
    }
    EXPECT_EQ(expected[STALL_LANE].size(), 2u);  // a pause ends a stall
    for (std::size_t lane = 0; lane < MARK_LANE_COUNT; ++lane) {
        SCOPED_TRACE("lane " + std::to_string(lane));
        const std::vector<Span>& marks = series.lane(static_cast<MarkLane>(lane)).spans();
        ASSERT_EQ(marks.size(), expected[lane].size());
        for (std::size_t i = 0; i < marks.size(); ++i) {
            EXPECT_DOUBLE_EQ(marks[i].from, expected[lane][i].from);
            EXPECT_DOUBLE_EQ(marks[i].to, expected[lane][i].to);
        }
    }
}

// Read and plotted as the command does; the series the picture was drawn from.
FlightSeries plotted(const std::string& text, const std::string& output) {
    FlightSeries series = seriesFor({});
    TextSource source(text, "counted.txt");
    LogInfo info = readLog(source, series);
    plotFlights({{.label = "counted.txt", .info = std::move(info), .series = &series}}, {}, output);
    return series;
}

// 30,000 one-row segments leave what one segment of 30,000 rows leaves: gaps
// and marks are merged to the bucket, so the picture draws at most one mark per
// bucket in each lane (one point and one mark per row, drawn one by one, took
// seconds).
TEST(LogPlot, ManySegmentsDrawAtMostOneMarkPerBucket) {
    constexpr int ROWS = 30'000;
    std::string oneSegment = OPENING + HEADER, oneRowSegments = OPENING;
    for (int i = 0; i < ROWS; ++i) {
        const Values values{.tas = 200 + 100 * std::sin(i / 300.0), .stall = i % 100 == 0};
        oneSegment += row(i, values);
        oneRowSegments += HEADER + row(2 * i, values);
    }
    ScratchFolder dir;
    const FlightSeries single = plotted(oneSegment + END, (dir / "one.png").string());
    const FlightSeries many = plotted(oneRowSegments + END, (dir / "many.png").string());
    ASSERT_EQ(many.segments(), std::size_t(ROWS));
    for (std::size_t lane = 0; lane < MARK_LANE_COUNT; ++lane) {
        SCOPED_TRACE("lane " + std::to_string(lane));
        const std::size_t marks = many.lane(static_cast<MarkLane>(lane)).spans().size();
        EXPECT_LE(marks, many.grid().bucketCount());
        EXPECT_LE(single.lane(static_cast<MarkLane>(lane)).spans().size(), single.grid().bucketCount());
    }
    const Pixels picture = readPng((dir / "many.png").string());
    EXPECT_GT(picture.exactly(PLOT_TAS), 1000u);
    EXPECT_GT(picture.exactly(PLOT_PAUSE), 1000u);
}

struct Outcome {
    int code;
    std::string err;
};

// `vorlat log ARGUMENTS` run in `dir`, as a user runs it.
Outcome runLog(const ScratchFolder& dir, const std::string& arguments) {
    const std::string err = (dir / "stderr").string();
    const std::string command =
        "cd '" + dir.path().string() + "' && '" LOG_COMMAND_DRIVER "' log " + arguments + " >/dev/null 2>'" + err + "'";
    const int status = std::system(command.c_str());
    return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, readFile(err)};
}

class PlotCommand : public ::testing::Test {
protected:
    void SetUp() override {
        std::filesystem::create_directories(dir / "run1");
        std::filesystem::create_directories(dir / "run2");
        writeFile(dir / "run1" / "data_log.txt", hardFlight());
        writeFile(dir / "run2" / "data_log.txt", gentleFlight());
    }
    std::string svgTextsOf(const char* name) const { return svgTexts(readFile(dir / name)); }
    ScratchFolder dir;
};

TEST_F(PlotCommand, OverlaysSeveralFlightsWithALegendNamingThem) {
    ASSERT_EQ(runLog(dir, "plot run1/data_log.txt run2/data_log.txt -o both.svg").code, 0);
    const std::string texts = svgTextsOf("both.svg");
    EXPECT_NE(texts.find("run1/data_log.txt and run2/data_log.txt\n"), std::string::npos) << texts;
    EXPECT_NE(texts.find("2 flights, each timed from its recording's start"), std::string::npos);
    EXPECT_NE(texts.find("run1/data_log.txt: 70 rows in 2 segments, ended by the gauge's shutdown"), std::string::npos);
    EXPECT_NE(texts.find("run2/data_log.txt: 40 rows in 1 segment, ended normally"), std::string::npos);
    const std::string svg = readFile(dir / "both.svg");
    for (const PlotColour& flight : {PLOT_FLIGHTS[0], PLOT_FLIGHTS[1]})
        EXPECT_GE(occurrences(svg, svgStroke(flight)), 10u) << svgStroke(flight);

    ASSERT_EQ(runLog(dir,
                     "plot run1/data_log.txt run2/data_log.txt --label hard --label gentle --title 'Two ways' "
                     "-o named.svg")
                  .code,
              0);
    const std::string named = svgTextsOf("named.svg");
    EXPECT_NE(named.find("Two ways\n"), std::string::npos) << named;
    EXPECT_NE(named.find("hard: 70 rows"), std::string::npos);
    EXPECT_NE(named.find("gentle: 40 rows"), std::string::npos);
}

TEST_F(PlotCommand, ChoosesColumnsByEitherNameAndRefusesOthers) {
    ASSERT_EQ(runLog(dir, "plot run1/data_log.txt --columns TAS,hdng_deg,ROLL --from 5 --to 30 -o some.svg").code, 0);
    const std::string texts = svgTextsOf("some.svg");
    for (const char* label : {"TAS (kt)\n", "heading (deg)\n", "roll rate\n", "the rows from 5 s to 30 s"})
        EXPECT_NE(texts.find(label), std::string::npos) << label << " in\n" << texts;
    for (const char* label : {"IAS (kt)", "altitude (ft)", "g load (g)"})
        EXPECT_EQ(texts.find(label), std::string::npos) << label;

    const Outcome bad = runLog(dir, "plot run1/data_log.txt --columns TAS,speed -o bad.svg");
    EXPECT_EQ(bad.code, 2);
    EXPECT_NE(bad.err.find("vorlat log plot: --columns: no column \"speed\"; the columns are index, TAS (tas_kt), "
                           "IAS (ias_kt), alt (alt_ft)"),
              std::string::npos)
        << bad.err;
    EXPECT_FALSE(std::filesystem::exists(dir / "bad.svg"));
}

// A full disk (a tiny tmpfs, which needs root) or a missing folder fails with
// the file's name and leaves the old file, and no partial one.
TEST_F(PlotCommand, AFullDiskOrAMissingFolderLeavesNoPartialFile) {
    const Outcome missing = runLog(dir, "plot run1/data_log.txt -o gone/plot.png");
    EXPECT_EQ(missing.code, 1);
    EXPECT_NE(missing.err.find("gone/plot.png: cannot write into the folder gone"), std::string::npos) << missing.err;

    std::filesystem::create_directory(dir / "full");
    if (::geteuid() != 0) GTEST_SKIP() << "mounting a small tmpfs for the full disk needs root";
    if (::mount("tmpfs", (dir / "full").c_str(), "tmpfs", 0, "size=64k") != 0)
        GTEST_SKIP() << "cannot mount a tmpfs here: " << std::strerror(errno);
    writeFile(dir / "full" / "plot.png", "the old picture");
    const Outcome full = runLog(dir, "plot run1/data_log.txt -o full/plot.png");
    std::vector<std::string> left;
    for (const auto& entry : std::filesystem::directory_iterator(dir / "full"))
        left.push_back(entry.path().filename().string());
    const std::string old = readFile(dir / "full" / "plot.png");
    ::umount2((dir / "full").c_str(), MNT_DETACH);
    EXPECT_EQ(full.code, 1);
    EXPECT_NE(full.err.find("vorlat log plot: full/plot.png: cannot write (No space left on device)"), std::string::npos)
        << full.err;
    EXPECT_EQ(left, std::vector<std::string>{"plot.png"});
    EXPECT_EQ(old, "the old picture");
}

}  // namespace
