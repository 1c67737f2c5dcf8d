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

#include "schema/colour_bands.h"
#include "tools/log/number_text.h"

namespace vorlat::flightlog {

namespace {

// cmap0 slots: fixed pens, then one per column, then one per flight colour.
enum Pen : PLINT {
    BACKGROUND,
    INK,
    GRID,
    YELLOW_BAND,
    RED_BAND,
    STALL_SHADE,
    PAUSE_MARK,
    YELLOW_MARK,
    RED_MARK,
    STALL_MARK,
    FIRST_SERIES_PEN,
};
constexpr auto FLIGHT_COLOURS = static_cast<PLINT>(std::size(PLOT_FLIGHTS));
constexpr PLINT FIRST_FLIGHT_PEN = FIRST_SERIES_PEN + static_cast<PLINT>(COLUMN_COUNT);
constexpr PLINT PEN_COUNT = FIRST_FLIGHT_PEN + FLIGHT_COLOURS;

PLINT seriesPen(Column column) { return FIRST_SERIES_PEN + static_cast<PLINT>(column); }
PLINT flightPen(std::size_t flight) { return FIRST_FLIGHT_PEN + static_cast<PLINT>(flight) % FLIGHT_COLOURS; }

// Several flights: the lines of one panel differ by their dashes (PLplot's styles).
constexpr PLINT LINE_STYLES[] = {1, 3, 2, 5};
PLINT lineStyle(std::size_t position) { return LINE_STYLES[position % std::size(LINE_STYLES)]; }

void setPen(PLINT pen, PlotColour colour, double alpha = 1.0) { plscol0a(pen, colour.r, colour.g, colour.b, alpha); }

// The strip's lanes, top to bottom; a band lane draws red over yellow.
struct StripLane {
    const char* name;
    MarkLane marks;
    MarkLane red = MARK_LANE_COUNT;  // none
    PLINT pen = YELLOW_MARK;
};
constexpr StripLane STRIP_LANES[] = {
    {.name = "pause", .marks = PAUSE_LANE, .pen = PAUSE_MARK},
    {.name = "stall", .marks = STALL_LANE, .pen = STALL_MARK},
    {.name = "TAS", .marks = TAS_YELLOW_LANE, .red = TAS_RED_LANE},
    {.name = "IAS", .marks = IAS_YELLOW_LANE, .red = IAS_RED_LANE},
    {.name = "g load", .marks = G_YELLOW_LANE, .red = G_RED_LANE},
};
constexpr auto LANES = static_cast<int>(std::size(STRIP_LANES));

// Heights in pixels of a page 1400 wide, scaled to the page height.
constexpr double HEADER = 120, FLIGHT_LEGEND_ROW = 22, PANEL = 283, GAP = 18, LANE_ROW = 20, BOTTOM = 75;
constexpr double TITLE_LINE = 50, SUBTITLE_LINE = 84;  // their baselines, from the top
constexpr double LEFT = 0.085, RIGHT = 0.78;           // of the page width: the panels' left and right edges
constexpr double CHAR_MM = 4.2;                        // PLplot's default character height, in millimetres
constexpr double LINE_WIDTH = 1.6;
constexpr double LONE_POINT_COLUMNS = 1.5;  // a lone point draws as a dash this many columns to each side
constexpr double THICK_COLUMN_PIXELS = 3;   // a column going back and forth over more is filled, not stroked

// Bottom and top of a box, as fractions of the page height.
struct Box {
    double bottom, top;
};

class Geometry {
public:
    Geometry(std::size_t panels, std::size_t flights)
        : panels_(static_cast<double>(panels)),
          flights_(static_cast<double>(flights)),
          header_(HEADER + (flights > 1 ? flights_ * FLIGHT_LEGEND_ROW : 0)) {}

    double total() const { return header_ + panels_ * (PANEL + GAP) + LANES * flights_ * LANE_ROW + BOTTOM; }
    Box panel(std::size_t i) const {
        const double top = header_ + static_cast<double>(i) * (PANEL + GAP);
        return box(top, top + PANEL);
    }
    Box strip() const {
        const double top = header_ + panels_ * (PANEL + GAP);
        return box(top, top + LANES * flights_ * LANE_ROW);
    }
    double fromTop(double pixels) const { return 1 - pixels / total(); }

private:
    Box box(double top, double bottom) const { return {fromTop(bottom), fromTop(top)}; }
    double panels_, flights_, header_;
};

struct Range {
    double low = std::numeric_limits<double>::infinity();
    double high = -std::numeric_limits<double>::infinity();
    void include(double value) {
        low = std::min(low, value);
        high = std::max(high, value);
    }
    // A little room above and below, and never an empty range.
    Range padded() const {
        if (!std::isfinite(low)) return {-1, 1};
        if (high - low < 1e-9) return {low - 1, high + 1};
        const double margin = (high - low) * 0.06;
        return {low - margin, high + margin};
    }
};

// PLplot treats '#' as the start of an escape sequence.
std::string plotText(std::string_view text) {
    std::string out;
    for (char c : text) {
        out += c;
        if (c == '#') out += '#';
    }
    return out;
}

std::string rowsText(const FlightSeries& series) {
    return countedText(series.rows(), "row", "rows") + " in " + countedText(series.segments(), "segment", "segments");
}

struct LegendEntry {
    PLINT pen;
    std::string label;
    bool box = false;  // a shaded area rather than a line
    PLINT style = 1;
};

// One flight on the figure's time axis: its offset (several flights are timed
// from each recording's start) and its series as pixel columns.
struct FlightView {
    const PlottedFlight* flight;
    std::size_t number;
    double offset;
    PixelGrid pixels;
    std::vector<std::vector<PixelColumn>> series;  // as flight->series->columns()
};

// How a series' pixel columns map onto the panel.
struct ColumnScale {
    double offset, unit;  // axis = (time - offset) / unit
    double start;         // of column 0, on the figure's time axis (seconds)
    double columnWidth;   // seconds
    double thick;         // a column going back and forth over more than this is drawn as a bar
};

// One series through its pixel columns. Runs of joined columns are drawn as
// a polyline through each column's first, lowest, highest and last point,
// except where a column's values go back and forth over more than a few
// pixels: those columns are filled as bars from their lowest to their highest
// value (widened to the point before), one stepped polygon per run of them.
// That covers the pixels the polyline would, without anti-aliasing thousands
// of overlapping strokes. A run within one column (a lone point) draws as a
// short dash.
class ColumnLine {
public:
    explicit ColumnLine(ColumnScale scale) : scale_(scale) {}

    void add(const PixelColumn& pixel) {
        if (!pixel.joined) {
            finish();
            previous_.reset();
        }
        const Extent& extent = pixel.extent;
        if (backAndForth(extent) > scale_.thick) {
            if (!lineX_.empty()) point(extent.first, pixel.column);  // the line runs into the bar
            flushLine();
            bar(pixel);
        } else {
            if (!barLow_.empty()) {
                flushBar();
                point(*previous_, barColumn_);  // and leaves it from its last point
            }
            TimedValue points[4];
            const int count = extent.points(points);
            for (int i = 0; i < count; ++i) point(points[i], pixel.column);
        }
        previous_ = extent.last;
    }

    void finish() {
        flushLine();
        flushBar();
    }

private:
    // How far a column's values stray beyond the way from its first to its last:
    // a steep but steady column strays nowhere, a noisy one by nearly its span.
    static double backAndForth(const Extent& extent) {
        return extent.high.value - extent.low.value - std::abs(extent.last.value - extent.first.value);
    }
    double x(double time) const { return (time - scale_.offset) / scale_.unit; }
    double columnX(int column) const { return (scale_.start + column * scale_.columnWidth) / scale_.unit; }

    void point(TimedValue at, int column) {
        if (lineX_.empty() || column != lineColumn_) ++lineColumns_;
        lineColumn_ = column;
        lineX_.push_back(x(at.time));
        lineY_.push_back(at.value);
    }

    void bar(const PixelColumn& pixel) {
        if (!barLow_.empty() && pixel.column != barColumn_ + 1) flushBar();
        double low = pixel.extent.low.value, high = pixel.extent.high.value;
        if (previous_) low = std::min(low, previous_->value), high = std::max(high, previous_->value);
        for (const double edge : {columnX(pixel.column), columnX(pixel.column + 1)}) {
            barX_.push_back(edge);
            barLow_.push_back(low);
            barHigh_.push_back(high);
        }
        barColumn_ = pixel.column;
    }

    void flushLine() {
        if (lineColumns_ == 1) {
            const double dash = LONE_POINT_COLUMNS * scale_.columnWidth / scale_.unit;
            lineX_.insert(lineX_.begin(), lineX_.front() - dash);
            lineY_.insert(lineY_.begin(), lineY_.front());
            lineX_.push_back(lineX_.back() + dash);
            lineY_.push_back(lineY_.back());
        }
        if (lineX_.size() > 1) plline(static_cast<PLINT>(lineX_.size()), lineX_.data(), lineY_.data());
        lineX_.clear();
        lineY_.clear();
        lineColumns_ = 0;
    }

    void flushBar() {
        if (barLow_.empty()) return;
        std::vector<PLFLT> x(barX_), y(barHigh_);
        x.insert(x.end(), barX_.rbegin(), barX_.rend());
        y.insert(y.end(), barLow_.rbegin(), barLow_.rend());
        plfill(static_cast<PLINT>(x.size()), x.data(), y.data());
        barX_.clear();
        barLow_.clear();
        barHigh_.clear();
    }

    ColumnScale scale_;
    std::optional<TimedValue> previous_;  // the last point of the column before, in this run
    std::vector<PLFLT> lineX_, lineY_;
    int lineColumn_ = 0, lineColumns_ = 0;
    std::vector<PLFLT> barX_, barLow_, barHigh_;
    int barColumn_ = 0;
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
        legend(entries, PL_POSITION_TOP | PL_POSITION_INSIDE, 0);
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
                               .label = std::string(seriesStyle(column).label),
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
        legend(drawn, PL_POSITION_RIGHT | PL_POSITION_OUTSIDE, hasSecondAxis ? 0.11 : 0.015);
    }

    // What a default panel draws under its lines: the bands, or the stalls.
    std::vector<LegendEntry> underlay(PlotGroup group, Range range) {
        if (group == PlotGroup::Airspeed) {
            horizontalBand(AIRSPEED_YELLOW, AIRSPEED_RED, YELLOW_BAND, range);
            horizontalBand(AIRSPEED_RED, range.high, RED_BAND, range);
            return bandEntries("> " + numberText(AIRSPEED_YELLOW, -1) + " kt",
                               "> " + numberText(AIRSPEED_RED, -1) + " kt");
        }
        if (group == PlotGroup::GLoad) {
            horizontalBand(G_YELLOW, G_RED, YELLOW_BAND, range);
            horizontalBand(-G_RED, -G_YELLOW, YELLOW_BAND, range);
            horizontalBand(G_RED, range.high, RED_BAND, range);
            horizontalBand(range.low, -G_RED, RED_BAND, range);
            return bandEntries("beyond +-" + numberText(G_YELLOW, -1) + " g",
                               "beyond +-" + numberText(G_RED, -1) + " g");
        }
        if (group == PlotGroup::Attitude) {
            for (const FlightView& view : views_) marks(view, STALL_LANE, STALL_SHADE, range.low, range.high);
            return {{.pen = STALL_SHADE, .label = "stall", .box = true}};
        }
        return {};
    }

    static std::vector<LegendEntry> bandEntries(const std::string& yellow, const std::string& red) {
        return {{.pen = YELLOW_BAND, .label = "yellow: " + yellow, .box = true},
                {.pen = RED_BAND, .label = "red: " + red, .box = true}};
    }

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
        for (int lane = 0; lane < LANES; ++lane) {
            const StripLane& kind = STRIP_LANES[lane];
            for (const FlightView& view : views_) {
                const double top = rows - lane * flights - static_cast<double>(view.number), bottom = top - 1;
                recorded(view, bottom + 0.5);
                marks(view, kind.marks, kind.pen, bottom + 0.15, top - 0.15);
                if (kind.red != MARK_LANE_COUNT) marks(view, kind.red, RED_MARK, bottom + 0.15, top - 0.15);
            }
            plcol0(INK);
            plmtex("lv", 0.8, (rows - (lane + 0.5) * flights) / rows, 1.0, kind.name);
            if (lane == 0) continue;
            const PLFLT x[2] = {axisStart(), axisEnd()}, y[2] = {rows - lane * flights, rows - lane * flights};
            plcol0(GRID);
            plline(2, x, y);
        }
        plcol0(INK);
        plwidth(1);
        plbox("bcnst", 0, 0, "bc", 0, 0);
        plmtex("b", 3.0, 0.5, 0.5, unit_.label);
        legend({{.pen = PAUSE_MARK, .label = "pause", .box = true},
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

    void legend(const std::vector<LegendEntry>& entries, PLINT position, double offset) {
        std::vector<PLINT> options, pens, styles, patterns;
        std::vector<PLFLT> widths, scales;
        std::vector<const char*> texts;
        std::vector<std::string> escaped;
        for (const LegendEntry& e : entries) escaped.push_back(plotText(e.label));
        for (std::size_t i = 0; i < entries.size(); ++i) {
            const LegendEntry& e = entries[i];
            options.push_back(e.box ? PL_LEGEND_COLOR_BOX : PL_LEGEND_LINE);
            pens.push_back(e.pen);
            styles.push_back(e.style);
            patterns.push_back(0);
            widths.push_back(2.0);
            scales.push_back(0.8);
            texts.push_back(escaped[i].c_str());
        }
        const auto n = static_cast<PLINT>(entries.size());
        std::vector<PLINT> inks(entries.size(), INK);
        PLFLT legendWidth = 0, legendHeight = 0;
        plschr(CHAR_MM, 0.9);
        pllegend(&legendWidth, &legendHeight, PL_LEGEND_BACKGROUND, position, offset, 0.0, 0.05, BACKGROUND, INK, 1, n,
                 1, n, options.data(), 0.8, 1.0, 2.0, 0.0, inks.data(), texts.data(), pens.data(), patterns.data(),
                 scales.data(), widths.data(), pens.data(), styles.data(), widths.data(), nullptr, nullptr, nullptr,
                 nullptr);
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

void definePlotPens() {
    plscmap0n(PEN_COUNT);
    setPen(BACKGROUND, {255, 255, 255});
    setPen(INK, {0, 0, 0});
    setPen(GRID, {200, 200, 200});
    setPen(YELLOW_BAND, PLOT_YELLOW_BAND, PLOT_BAND_ALPHA);
    setPen(RED_BAND, PLOT_RED_BAND, PLOT_BAND_ALPHA);
    setPen(STALL_SHADE, PLOT_STALL, PLOT_BAND_ALPHA);
    setPen(PAUSE_MARK, PLOT_PAUSE);
    setPen(YELLOW_MARK, PLOT_YELLOW_BAND);
    setPen(RED_MARK, PLOT_RED_BAND);
    setPen(STALL_MARK, PLOT_STALL);
    for (std::size_t c = 0; c < COLUMN_COUNT; ++c)
        setPen(seriesPen(static_cast<Column>(c)), seriesStyle(static_cast<Column>(c)).colour);
    for (std::size_t f = 0; f < std::size(PLOT_FLIGHTS); ++f) setPen(flightPen(f), PLOT_FLIGHTS[f]);
}

void drawFigure(const std::vector<PlottedFlight>& flights, const PlotRequest& request, int width, int height) {
    Plotter(flights, request, width, height).draw();
}

}  // namespace vorlat::flightlog
