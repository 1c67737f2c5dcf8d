// The figure: a title over panels that share one time axis, each drawing its
// lines from the pixel columns of every flight, and at the bottom a strip with
// a lane per kind of mark (pause, stall, the bands of TAS, IAS and g load) and
// a row per flight in each lane. One flight draws each line in its own colour;
// several draw each flight in its colour and tell the lines apart by dashes.
#include "tools/plot/plot_draw.h"

#include <plplot.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <limits>
#include <optional>
#include <string>

#include "tools/log/log_bands.h"
#include "tools/plot/column_line.h"
#include "tools/plot/plot_layout.h"
#include "tools/plot/plot_pens.h"
#include "tools/log/number_text.h"

namespace vorlat::flightlog {

namespace {

constexpr double TITLE_LINE = 50, SUBTITLE_LINE = 84;  // their baselines, from the top
constexpr double LINE_WIDTH = 1.6;
constexpr double THICK_COLUMN_PIXELS = 3;   // a column going back and forth over more is filled, not stroked

std::string rowsText(const FlightSeries& series) {
    return countedText(series.rows(), "row", "rows") + " in " + countedText(series.segments(), "segment", "segments");
}

// One flight on the figure's time axis: its offset (several flights are timed
// from each recording's start) and its series as pixel columns.
struct FlightView {
    const PlottedFlight* flight;
    std::size_t number;
    double offset;
    PixelGrid pixels;
    std::vector<std::vector<PixelColumn>> series;  // as flight->series->columns()
};

class Plotter {
public:
    Plotter(const std::vector<PlottedFlight>& flights, const PlotRequest& request, int width, int height)
        : request_(request),
          pageHeight_(height),
          panels_(planPanels(request.columns)),
          geometry_(panels_.size(), flights.size()),
          period_(samplePeriod(request.tickRate)),
          several_(flights.size() > 1) {
        timeAxis(flights);
        const int columns = std::max(1, static_cast<int>(std::lround(width * (RIGHT - LEFT))));
        const double columnWidth = (t1_ - t0_) / columns;
        for (std::size_t f = 0; f < flights.size(); ++f) {
            const FlightSeries& series = *flights[f].series;
            FlightView view{.flight = &flights[f],
                            .number = f,
                            .offset = offsets_[f],
                            .pixels = {.start = t0_ + offsets_[f], .width = columnWidth, .columns = columns},
                            .series = {}};
            for (std::size_t s = 0; s < series.columns().size(); ++s)
                view.series.push_back(pixelColumns(series.grid(), s, view.pixels));
            views_.push_back(std::move(view));
        }
    }

    void draw() {
        pladv(0);
        plsmaj(0, 0.6);
        plsmin(0, 0.6);
        plsyax(7, 0);  // whole numbers up to 7 digits, no "x10^n" scale
        plsxax(7, 0);
        header();
        for (std::size_t i = 0; i < panels_.size(); ++i) panel(panels_[i], geometry_.panel(i));
        strip(geometry_.strip());
    }

private:
    void timeAxis(const std::vector<PlottedFlight>& flights) {
        double first = std::numeric_limits<double>::infinity(), last = -first;
        for (const PlottedFlight& flight : flights) {
            const FlightSeries& series = *flight.series;
            const double offset = several_ && flight.info.firstIndex
                                      ? timeOfIndex(static_cast<double>(*flight.info.firstIndex), request_.tickRate)
                                      : 0.0;
            offsets_.push_back(offset);
            if (!series.firstTime()) continue;
            first = std::min(first, *series.firstTime() - offset);
            last = std::max(last, *series.lastTime() + period_ - offset);
        }
        if (first < last) t0_ = first, t1_ = last;
        // Long flights read better in minutes or hours than in thousands of seconds.
        const double span = t1_ - t0_;
        if (span > 3 * 3600) unit_ = {3600, "time (h)"};
        else if (span > 20 * 60) unit_ = {60, "time (min)"};
        if (several_)
            unit_.label = unit_.seconds == 1    ? "time from each recording's start (s)"
                          : unit_.seconds == 60 ? "time from each recording's start (min)"
                                                : "time from each recording's start (h)";
    }

    // Axis coordinates of a flight's own time.
    double axis(double time, const FlightView& view) const { return (time - view.offset) / unit_.seconds; }
    double axisStart() const { return t0_ / unit_.seconds; }
    double axisEnd() const { return t1_ / unit_.seconds; }
    double columnStart(const FlightView& view, int column) const {
        return (t0_ + column * view.pixels.width) / unit_.seconds;
    }

    std::string title() const {
        if (request_.title) return *request_.title;
        if (!several_) {
            const PlottedFlight& flight = *views_.front().flight;
            return std::filesystem::path(flight.info.file).filename().string() + ": " +
                   std::string(endingName(flight.info.ending));
        }
        std::string names;
        for (std::size_t f = 0; f < views_.size(); ++f) {
            if (f > 0) names += f + 1 == views_.size() ? " and " : ", ";
            names += views_[f].flight->label;
        }
        return names;
    }

    std::string subtitle() const {
        const std::string sample = "a sample every " + numberText(period_, -1) + " s";
        std::string text;
        if (several_) {
            text =
                countedText(views_.size(), "flight", "flights") + ", each timed from its recording's start; " + sample;
        } else {
            const PlottedFlight& flight = *views_.front().flight;
            text = rowsText(*flight.series) + "; " + sample;
            if (flight.info.dropped) text += "; partial line " + std::to_string(flight.info.dropped->line) + " dropped";
            if (flight.series->rows() == 0) text += "; no rows to plot";
        }
        if (request_.range.limited()) text += "; the rows " + rangeText(request_.range);
        return text;
    }

    std::string flightLegendText(const PlottedFlight& flight) const {
        std::string text =
            flight.label + ": " + rowsText(*flight.series) + ", " + std::string(endingName(flight.info.ending));
        if (flight.info.dropped) text += ", partial line " + std::to_string(flight.info.dropped->line) + " dropped";
        return text;
    }

    void header() {
        plvpor(0, 1, 0, 1);
        plwind(0, 1, 0, 1);
        plcol0(INK);
        plschr(CHAR_MM, 1.4);
        plptex(0.5, geometry_.fromTop(TITLE_LINE), 1, 0, 0.5, plotText(title()).c_str());
        plschr(CHAR_MM, 1.0);
        plptex(0.5, geometry_.fromTop(SUBTITLE_LINE), 1, 0, 0.5, plotText(subtitle()).c_str());
        if (!several_) return;
        std::vector<LegendEntry> entries;
        for (const FlightView& view : views_)
            entries.push_back({.pen = flightPen(view.number), .label = flightLegendText(*view.flight)});
        plvpor(LEFT, RIGHT, geometry_.fromTop(HEADER - 12 + static_cast<double>(views_.size()) * FLIGHT_LEGEND_ROW),
               geometry_.fromTop(HEADER - 16));
        drawLegend(entries, PL_POSITION_TOP | PL_POSITION_INSIDE, 0);
    }

    void frame(Box where, Range range, const std::string& yLabel) {
        plvpor(LEFT, RIGHT, where.bottom, where.top);
        plwind(axisStart(), axisEnd(), range.low, range.high);
        plschr(CHAR_MM, 1.0);
        plcol0(GRID);
        plwidth(0.5);
        plbox("g", 0, 0, "g", 0, 0);
        plwidth(1);
        plcol0(INK);
        plbox("bcst", 0, 0, "bcnstv", 0, 0);
        plmtex("l", 5.2, 0.5, 0.5, plotText(yLabel).c_str());
    }

    // The right-hand axis of a panel's second scale.
    void secondAxis(Range range, const std::string& label) {
        plwind(axisStart(), axisEnd(), range.low, range.high);
        plcol0(INK);
        plbox("", 0, 0, "cmstv", 0, 0);
        plmtex("r", 5.2, 0.5, 0.5, plotText(label).c_str());
    }

    Range rangeOf(const std::vector<Column>& columns) const {
        Range range;
        for (const FlightView& view : views_)
            for (Column column : columns)
                if (const auto s = view.flight->series->seriesOf(column))
                    for (const PixelColumn& pixel : view.series[*s]) {
                        range.include(pixel.extent.low.value);
                        range.include(pixel.extent.high.value);
                    }
        return range;
    }

    // Each flight's series through its pixel columns (see ColumnLine).
    void line(const FlightView& view, Column column, PLINT pen, PLINT style) {
        const auto s = view.flight->series->seriesOf(column);
        if (!s) return;
        plcol0(pen);
        pllsty(style);
        plwidth(LINE_WIDTH);
        PLFLT left = 0, right = 0, bottom = 0, top = 0, low = 0, high = 0;
        plgvpd(&left, &right, &bottom, &top);
        plgvpw(&left, &right, &low, &high);
        const double pixelsPerUnit = (top - bottom) * pageHeight_ / (high - low);
        ColumnLine drawer({.offset = view.offset,
                           .unit = unit_.seconds,
                           .start = t0_,
                           .columnWidth = view.pixels.width,
                           .thick = THICK_COLUMN_PIXELS / pixelsPerUnit});
        for (const PixelColumn& pixel : view.series[*s]) drawer.add(pixel);
        drawer.finish();
        pllsty(1);
        plwidth(1);
    }

    // Every flight's lines of one scale; returns their legend entries.
    std::vector<LegendEntry> lines(const std::vector<Column>& columns, std::size_t firstPosition) {
        std::vector<LegendEntry> entries;
        for (std::size_t i = 0; i < columns.size(); ++i) {
            const Column column = columns[i];
            const PLINT style = several_ ? lineStyle(firstPosition + i) : 1;
            for (const FlightView& view : views_)
                line(view, column, several_ ? flightPen(view.number) : seriesPen(column), style);
            entries.push_back({.pen = several_ ? INK : seriesPen(column),
                               .label = columnLabel(column),
                               .style = style});
        }
        return entries;
    }

    void panel(const PanelPlan& plan, Box where) {
        const Range left = rangeOf(plan.left).padded();
        frame(where, left, plan.leftLabel);
        std::vector<LegendEntry> entries = underlay(plan.group, left);
        std::vector<LegendEntry> drawn = lines(plan.left, 0);
        bool hasSecondAxis = false;
        if (!plan.right.empty()) {
            secondAxis(rangeOf(plan.right).padded(), plan.rightLabel);
            const std::vector<LegendEntry> right = lines(plan.right, plan.left.size());
            drawn.insert(drawn.end(), right.begin(), right.end());
            hasSecondAxis = true;
        }
        drawn.insert(drawn.end(), entries.begin(), entries.end());
        // Beyond a second axis' numbers and label when the panel has one.
        drawLegend(drawn, PL_POSITION_RIGHT | PL_POSITION_OUTSIDE, hasSecondAxis ? 0.11 : 0.015);
    }

    // What a default panel draws under its lines: the bands, or the stalls.
    std::vector<LegendEntry> underlay(PlotGroup group, Range range) {
        if (const std::vector<const Band*> bands = panelBands(group); !bands.empty()) {
            std::vector<LegendEntry> entries;
            for (const Band* band : bands) {
                for (const BandInterval& interval : bandIntervals(*band))
                    horizontalBand(interval.from, interval.to, bandPen(interval.level), range);
                for (const BandLevel level : BAND_LEVELS)
                    entries.push_back({.pen = bandPen(level),
                                       .label = std::string(lookOf(level).keyword) + ": " +
                                                limitText(*band, level, LimitWords::Sign),
                                       .box = true});
            }
            return entries;
        }
        if (group == PlotGroup::Attitude) {
            for (const FlightView& view : views_) marks(view, STALL_LANE, STALL_SHADE, range.low, range.high);
            return {{.pen = STALL_SHADE, .label = "stall", .box = true}};
        }
        return {};
    }

    static PLINT bandPen(BandLevel level) { return level == BandLevel::Red ? RED_BAND : YELLOW_BAND; }

    void horizontalBand(double from, double to, PLINT pen, Range range) {
        const double low = std::max(from, range.low), high = std::min(to, range.high);
        if (low >= high) return;
        const PLFLT x[4] = {axisStart(), axisEnd(), axisEnd(), axisStart()};
        const PLFLT y[4] = {low, low, high, high};
        plcol0(pen);
        plfill(4, x, y);
    }

    // A lane's stretches of one flight, whole columns wide, between two heights.
    void marks(const FlightView& view, MarkLane lane, PLINT pen, double low, double high) {
        plcol0(pen);
        for (const ColumnRun& run : columnRuns(view.flight->series->lane(lane).spans(), view.pixels)) {
            const double from = columnStart(view, run.first), to = columnStart(view, run.last + 1);
            const PLFLT x[4] = {from, to, to, from};
            const PLFLT y[4] = {low, low, high, high};
            plfill(4, x, y);
        }
    }

    // A lane per kind of mark, a row per flight in each, over a line showing
    // when the flight was recorded (in its colour when there are several).
    void strip(Box where) {
        const int flights = static_cast<int>(views_.size());
        const double rows = LANES * flights;
        plvpor(LEFT, RIGHT, where.bottom, where.top);
        plwind(axisStart(), axisEnd(), 0, rows);
        plschr(CHAR_MM, 1.0);
        plcol0(GRID);
        plwidth(0.5);
        plbox("g", 0, 0, "", 0, 0);
        const std::vector<StripLane> lanes = stripLanes();
        for (int lane = 0; lane < LANES; ++lane) {
            const StripLane& kind = lanes[static_cast<std::size_t>(lane)];
            for (const FlightView& view : views_) {
                const double top = rows - lane * flights - static_cast<double>(view.number), bottom = top - 1;
                recorded(view, bottom + 0.5);
                marks(view, kind.marks, kind.pen, bottom + 0.15, top - 0.15);
                if (kind.red != MARK_LANE_COUNT) marks(view, kind.red, RED_MARK, bottom + 0.15, top - 0.15);
            }
            plcol0(INK);
            plmtex("lv", 0.8, (rows - (lane + 0.5) * flights) / rows, 1.0, kind.name.c_str());
            if (lane == 0) continue;
            const PLFLT x[2] = {axisStart(), axisEnd()}, y[2] = {rows - lane * flights, rows - lane * flights};
            plcol0(GRID);
            plline(2, x, y);
        }
        plcol0(INK);
        plwidth(1);
        plbox("bcnst", 0, 0, "bc", 0, 0);
        plmtex("b", 3.0, 0.5, 0.5, unit_.label);
        drawLegend({{.pen = PAUSE_MARK, .label = "pause", .box = true},
                {.pen = STALL_MARK, .label = "stall", .box = true},
                {.pen = YELLOW_MARK, .label = "yellow band", .box = true},
                {.pen = RED_MARK, .label = "red band", .box = true}},
               PL_POSITION_RIGHT | PL_POSITION_OUTSIDE, 0.015);
    }

    void recorded(const FlightView& view, double height) {
        const FlightSeries& series = *view.flight->series;
        if (!series.firstTime()) return;
        const PLFLT x[2] = {axis(*series.firstTime(), view), axis(*series.lastTime() + period_, view)};
        const PLFLT y[2] = {height, height};
        plcol0(several_ ? flightPen(view.number) : GRID);
        plwidth(several_ ? 1.5 : 1.0);
        plline(2, x, y);
        plwidth(0.5);
    }

    const PlotRequest& request_;
    double pageHeight_;
    std::vector<PanelPlan> panels_;
    Geometry geometry_;
    double period_;
    bool several_;
    std::vector<double> offsets_;
    std::vector<FlightView> views_;
    double t0_ = 0, t1_ = 1;
    struct TimeUnit {
        double seconds;
        const char* label;
    } unit_{1, "time (s)"};
};

}  // namespace

int figureHeight(const PlotRequest& request, std::size_t flights) {
    return static_cast<int>(std::lround(Geometry(planPanels(request.columns).size(), flights).total()));
}

void drawFigure(const std::vector<PlottedFlight>& flights, const PlotRequest& request, int width, int height) {
    Plotter(flights, request, width, height).draw();
}

}  // namespace vorlat::flightlog
