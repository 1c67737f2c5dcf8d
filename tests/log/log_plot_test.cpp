// Plots: the right file type and size, and the series, bands, stall shading
// and pause gaps actually drawn in them.
#include <gtest/gtest.h>

#include <cairo.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <string>

#include "tests/log/log_test_support.h"
#include "tools/log/log_plot.h"

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

// How cairo writes a stroke colour in SVG.
std::string svgStroke(PlotColour c) {
    const auto percent = [](int v) {
        char digits[32];
        std::snprintf(digits, sizeof digits, "%f", v * 100.0 / 255.0);
        std::string text = digits;
        text.erase(text.find_last_not_of('0') + 1);
        if (text.back() == '.') text.pop_back();
        return text + "%";
    };
    return "stroke:rgb(" + percent(c.r) + "," + percent(c.g) + "," + percent(c.b) + ")";
}

std::size_t occurrences(const std::string& text, const std::string& part) {
    std::size_t n = 0;
    for (std::size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) ++n;
    return n;
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
}

TEST(LogPlot, SvgDrawsOneLinePerSegmentSoPausesAreGaps) {
    ScratchFolder dir;
    const std::string svg = (dir / "hard.svg").string();
    plotLog(parseLog(hardFlight(), "hard.txt"), svg);
    const std::string text = readFile(svg);
    ASSERT_NE(text.find("<svg"), std::string::npos);
    EXPECT_NE(text.find("width=\"1400pt\" height=\"1800pt\""), std::string::npos) << text.substr(0, 300);
    // The IAS colour is used by no other series: two segments and the legend's sample line.
    EXPECT_EQ(occurrences(text, svgStroke(PLOT_IAS)), 3u) << svgStroke(PLOT_IAS);
    EXPECT_EQ(occurrences(text, svgStroke(PLOT_ALT)), 3u);

    const std::string single = (dir / "gentle.svg").string();
    plotLog(parseLog(gentleFlight(), "gentle.txt"), single);
    EXPECT_EQ(occurrences(readFile(single), svgStroke(PLOT_IAS)), 2u);
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
    try {
        plotLog(log, (dir / "missing" / "out.png").string());
        ADD_FAILURE() << "an unwritable path was accepted";
    } catch (const PlotError& e) {
        EXPECT_FALSE(e.badUsage());
    }
}

TEST(LogPlot, ThinsDenseLinesKeepingEverySlicesExtremesInOrder) {
    std::vector<double> x, y;
    for (int i = 0; i < 10000; ++i) x.push_back(i * 0.5), y.push_back(std::sin(i * 0.37) * 100);
    y[4321] = 500;  // a one-sample spike
    y[7000] = -500;
    std::vector<double> thinX = x, thinY = y;
    thinForPlot(thinX, thinY, 0, 50.0);  // 100 slices of 100 points
    EXPECT_LE(thinX.size(), 400u);
    EXPECT_EQ(thinX.front(), 0);
    EXPECT_EQ(thinX.back(), 4999.5);
    for (std::size_t i = 1; i < thinX.size(); ++i) EXPECT_LT(thinX[i - 1], thinX[i]);
    for (int slice = 0; slice < 100; ++slice) {
        double low = 1e9, high = -1e9, keptLow = 1e9, keptHigh = -1e9;
        for (int i = slice * 100; i < slice * 100 + 100; ++i) low = std::min(low, y[i]), high = std::max(high, y[i]);
        for (std::size_t i = 0; i < thinX.size(); ++i)
            if (thinX[i] >= slice * 50.0 && thinX[i] < slice * 50.0 + 50)
                keptLow = std::min(keptLow, thinY[i]), keptHigh = std::max(keptHigh, thinY[i]);
        EXPECT_EQ(keptLow, low) << "slice " << slice;
        EXPECT_EQ(keptHigh, high) << "slice " << slice;
    }
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

}  // namespace
