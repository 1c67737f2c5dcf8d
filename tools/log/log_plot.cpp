#include "tools/log/log_plot.h"

#include <plplot.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <limits>
#include <optional>
#include <vector>

#include "readouts/constants.h"
#include "tools/log/number_text.h"

namespace vorlat::flightlog {

namespace {

// cmap0 slots
enum Pen : PLINT {
    BACKGROUND,
    INK,
    GRID,
    YELLOW_BAND,
    RED_BAND,
    STALL_SHADE,
    TAS_PEN,
    IAS_PEN,
    ALT_PEN,
    CLIMB_PEN,
    PITCH_PEN,
    BANK_PEN,
    AOA_PEN,
    G_PEN,
    HP_PEN,
    THRUST_PEN,
    PROP_PEN,
    PEN_COUNT,
};

void setPen(Pen pen, PlotColour colour, double alpha = 1.0) { plscol0a(pen, colour.r, colour.g, colour.b, alpha); }

void definePens() {
    plscmap0n(PEN_COUNT);
    setPen(BACKGROUND, {255, 255, 255});
    setPen(INK, {0, 0, 0});
    setPen(GRID, {200, 200, 200});
    setPen(YELLOW_BAND, PLOT_YELLOW_BAND, PLOT_BAND_ALPHA);
    setPen(RED_BAND, PLOT_RED_BAND, PLOT_BAND_ALPHA);
    setPen(STALL_SHADE, PLOT_STALL, PLOT_BAND_ALPHA);
    setPen(TAS_PEN, PLOT_TAS);
    setPen(IAS_PEN, PLOT_IAS);
    setPen(ALT_PEN, PLOT_ALT);
    setPen(CLIMB_PEN, PLOT_CLIMB);
    setPen(PITCH_PEN, PLOT_PITCH);
    setPen(BANK_PEN, PLOT_BANK);
    setPen(AOA_PEN, PLOT_AOA);
    setPen(G_PEN, PLOT_G);
    setPen(HP_PEN, PLOT_HP);
    setPen(THRUST_PEN, PLOT_THRUST);
    setPen(PROP_PEN, PLOT_PROP);
}

struct Series {
    Column column;
    Pen pen;
    const char* label;
    bool secondAxis = false;  // drawn on the panel's right-hand scale
};

// Every line of the plot, in drawing order. Each panel draws the lines whose
// column's plot group (tools/log/log_columns.h) names it.
// clang-format off
constexpr Series PLOT_LINES[] = {
    {.column = TAS,   .pen = TAS_PEN,    .label = "TAS (kt)"},
    {.column = IAS,   .pen = IAS_PEN,    .label = "IAS (kt)"},
    {.column = ALT,   .pen = ALT_PEN,    .label = "altitude (ft)"},
    {.column = CLIMB, .pen = CLIMB_PEN,  .label = "climb (ft/min)", .secondAxis = true},
    {.column = PITCH, .pen = PITCH_PEN,  .label = "pitch (deg)"},
    {.column = BANK,  .pen = BANK_PEN,   .label = "bank (deg)"},
    {.column = AOA,   .pen = AOA_PEN,    .label = "AoA (deg)"},
    {.column = GFORC, .pen = G_PEN,      .label = "g load (g)"},
    {.column = HP,    .pen = HP_PEN,     .label = "power (hp)"},
    {.column = THRST, .pen = THRUST_PEN, .label = "thrust (host unit)"},
    {.column = PROP,  .pen = PROP_PEN,   .label = "prop (deg)", .secondAxis = true},
};
// clang-format on

// Every column with a plot group is drawn, once, and only those; Stall shades
// the attitude panel instead of drawing a line.
constexpr bool everyGroupedColumnIsDrawn() {
    for (std::size_t c = 0; c < COLUMN_COUNT; ++c) {
        int lines = 0;
        for (const Series& series : PLOT_LINES) lines += series.column == c ? 1 : 0;
        const bool drawn = COLUMNS[c].plot != PlotGroup::None && c != STALL;
        if (lines != (drawn ? 1 : 0)) return false;
    }
    return COLUMNS[STALL].plot == PlotGroup::Attitude;
}
static_assert(everyGroupedColumnIsDrawn());

// A panel's lines on one of its scales, in drawing order.
std::vector<Series> linesOf(PlotGroup group, bool secondAxis) {
    std::vector<Series> lines;
    for (const Series& series : PLOT_LINES)
        if (COLUMNS[series.column].plot == group && series.secondAxis == secondAxis) lines.push_back(series);
    return lines;
}

struct Range {
    double low = std::numeric_limits<double>::infinity();
    double high = -std::numeric_limits<double>::infinity();
    void include(double value) {
        if (!std::isfinite(value)) return;
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

Range rangeOf(const FlightLog& log, const std::vector<Series>& series) {
    Range range;
    for (const Row& row : log.rows)
        for (const Series& s : series) range.include(row[s.column]);
    return range;
}

// PLplot treats '#' as the start of an escape sequence.
std::string plotText(std::string_view text) {
    std::string out;
    for (char c : text) {
        out += c;
        if (c == '#') out += '#';
    }
    return out;
}

class Plotter {
public:
    Plotter(const FlightLog& log, double tickRate, int width)
        : log_(log), tickRate_(tickRate), period_(samplePeriod(tickRate)), width_(width) {
        if (!log.rows.empty()) {
            // Long flights read better in minutes or hours than in thousands of seconds.
            const double span = timeOfIndex(log.rows.back()[INDEX] - log.rows.front()[INDEX], tickRate);
            if (span > 3 * 3600) unit_ = {3600, "time (h)"};
            else if (span > 20 * 60) unit_ = {60, "time (min)"};
            t0_ = time(log.rows.front());
            t1_ = time(log.rows.back()) + step();
        }
    }

    void draw() {
        const std::string title = plotText(std::filesystem::path(log_.file).filename().string() + ": " +
                                           std::string(endingName(log_.ending)));
        pladv(0);
        plsmaj(0, 0.6);
        plsmin(0, 0.6);
        plsyax(7, 0);  // whole numbers up to 7 digits, no "x10^n" scale
        plsxax(7, 0);
        plvpor(0, 1, 0, 1);
        plwind(0, 1, 0, 1);
        plcol0(INK);
        plschr(CHAR_MM, 1.4);
        plptex(0.5, 0.975, 1, 0, 0.5, title.c_str());
        plschr(CHAR_MM, 1.0);
        plptex(0.5, 0.953, 1, 0, 0.5, plotText(subtitle()).c_str());

        airspeeds(panel(0));
        altitude(panel(1));
        attitude(panel(2));
        gLoad(panel(3));
        engine(panel(4));
    }

private:
    static constexpr int PANELS = 5;
    static constexpr double LEFT = 0.085, RIGHT = 0.78, TOP = 0.93, BOTTOM = 0.05, GAP = 0.014;
    static constexpr double CHAR_MM = 4.2;  // PLplot's default character height, in millimetres

    // Plot coordinates along the time axis, in the axis' unit.
    double time(const Row& row) const { return timeOfIndex(row[INDEX], tickRate_) / unit_.seconds; }
    double step() const { return period_ / unit_.seconds; }

    std::string subtitle() const {
        std::string text = std::to_string(log_.rows.size()) + " rows in " + std::to_string(log_.segments.size()) +
                           " segments; a sample every " + numberText(period_, -1) + " s";
        if (log_.dropped) text += "; partial line " + std::to_string(log_.dropped->line) + " dropped";
        if (log_.rows.empty()) text += "; no rows to plot";
        return text;
    }

    // Bottom and top of panel i, counted from the top.
    std::pair<double, double> panel(int i) const {
        const double height = (TOP - BOTTOM - GAP * (PANELS - 1)) / PANELS;
        const double top = TOP - i * (height + GAP);
        return {top - height, top};
    }
    bool isLast(std::pair<double, double> where) const { return where.first <= BOTTOM + 1e-9; }

    void frame(std::pair<double, double> where, Range range, const char* yLabel) {
        plvpor(LEFT, RIGHT, where.first, where.second);
        plwind(t0_, t1_, range.low, range.high);
        plschr(CHAR_MM, 1.0);
        plcol0(GRID);
        plwidth(0.5);
        plbox("g", 0, 0, "g", 0, 0);
        plwidth(1);
        plcol0(INK);
        plbox(isLast(where) ? "bcnst" : "bcst", 0, 0, "bcnstv", 0, 0);
        plmtex("l", 5.2, 0.5, 0.5, yLabel);
        if (isLast(where)) plmtex("b", 3.0, 0.5, 0.5, unit_.label);
    }

    // The right-hand axis of a panel's second scale.
    void secondAxis(Range range, const char* label) {
        plwind(t0_, t1_, range.low, range.high);
        plcol0(INK);
        plbox("", 0, 0, "cmstv", 0, 0);
        plmtex("r", 5.2, 0.5, 0.5, label);
        secondAxis_ = true;
    }

    void horizontalBand(double from, double to, Pen pen, Range range) {
        const double low = std::max(from, range.low), high = std::min(to, range.high);
        if (low >= high) return;
        const PLFLT x[4] = {t0_, t1_, t1_, t0_};
        const PLFLT y[4] = {low, low, high, high};
        plcol0(pen);
        plfill(4, x, y);
    }

    // A line per segment and per run of finite values: a pause leaves a gap.
    void line(const Series& series) {
        plcol0(series.pen);
        plwidth(1.6);
        std::vector<PLFLT> x, y;
        const auto flush = [&] {
            thin(x, y);
            if (x.size() == 1) plsym(1, x.data(), y.data(), 1);  // a lone sample still shows
            else if (x.size() > 1) plline(static_cast<PLINT>(x.size()), x.data(), y.data());
            x.clear();
            y.clear();
        };
        for (const Segment& segment : log_.segments) {
            for (std::size_t r = segment.firstRow; r < segment.firstRow + segment.rowCount; ++r) {
                const Row& row = log_.rows[r];
                if (!std::isfinite(row[series.column])) {
                    flush();
                    continue;
                }
                x.push_back(time(row));
                y.push_back(row[series.column]);
            }
            flush();
        }
        plwidth(1);
    }

    // More points than the page has pixels across: thin them to what shows.
    void thin(std::vector<PLFLT>& x, std::vector<PLFLT>& y) const {
        const double slices = width_ * SLICES_PER_PIXEL;
        if (x.size() >= 4 * static_cast<std::size_t>(slices)) thinForPlot(x, y, t0_, (t1_ - t0_) / slices);
    }

    struct LegendEntry {
        Pen pen;
        std::string label;
        bool box = false;  // a shaded area rather than a line
    };
    static LegendEntry lineEntry(const Series& s) { return {s.pen, s.label}; }

    void legend(const std::vector<LegendEntry>& entries) {
        std::vector<PLINT> options, colours, styles, patterns;
        std::vector<PLFLT> widths, scales;
        std::vector<const char*> texts;
        for (const LegendEntry& e : entries) {
            options.push_back(e.box ? PL_LEGEND_COLOR_BOX : PL_LEGEND_LINE);
            colours.push_back(e.pen);
            styles.push_back(1);
            patterns.push_back(0);
            widths.push_back(2.0);
            scales.push_back(0.8);
            texts.push_back(e.label.c_str());
        }
        const auto n = static_cast<PLINT>(entries.size());
        std::vector<PLINT> inks(entries.size(), INK);
        PLFLT legendWidth = 0, legendHeight = 0;
        plschr(CHAR_MM, 0.9);
        // Beyond a second axis' numbers and label when the panel has one.
        const double offset = secondAxis_ ? 0.11 : 0.015;
        secondAxis_ = false;
        pllegend(&legendWidth, &legendHeight, PL_LEGEND_BACKGROUND, PL_POSITION_RIGHT | PL_POSITION_OUTSIDE, offset,
                 0.0, 0.05, BACKGROUND, INK, 1, n, 1, n, options.data(), 0.8, 1.0, 2.0, 0.0, inks.data(), texts.data(),
                 colours.data(), patterns.data(), scales.data(), widths.data(), colours.data(), styles.data(),
                 widths.data(), nullptr, nullptr, nullptr, nullptr);
    }

    static std::vector<LegendEntry> bandEntries(const std::string& yellow, const std::string& red) {
        return {{YELLOW_BAND, "yellow: " + yellow, true}, {RED_BAND, "red: " + red, true}};
    }

    // The panel of a plot group: its lines on the left-hand scale over what
    // `under` draws, then those of the right-hand scale on their own. Returns
    // the legend's entries for the lines.
    template <typename Under>
    std::vector<LegendEntry> groupPanel(std::pair<double, double> where, PlotGroup group, const char* yLabel,
                                        const char* secondLabel, Under under) {
        const std::vector<Series> left = linesOf(group, false), right = linesOf(group, true);
        const Range range = rangeOf(log_, left).padded();
        frame(where, range, yLabel);
        under(range);
        for (const Series& series : left) line(series);
        if (!right.empty()) {
            secondAxis(rangeOf(log_, right).padded(), secondLabel);
            for (const Series& series : right) line(series);
        }
        std::vector<LegendEntry> entries;
        for (const Series& series : left) entries.push_back(lineEntry(series));
        for (const Series& series : right) entries.push_back(lineEntry(series));
        return entries;
    }

    void airspeeds(std::pair<double, double> where) {
        std::vector<LegendEntry> entries =
            groupPanel(where, PlotGroup::Airspeed, "airspeed (kt)", nullptr, [&](Range range) {
                horizontalBand(AIRSPEED_YELLOW, AIRSPEED_RED, YELLOW_BAND, range);
                horizontalBand(AIRSPEED_RED, range.high, RED_BAND, range);
            });
        for (LegendEntry& band :
             bandEntries("> " + numberText(AIRSPEED_YELLOW, -1) + " kt", "> " + numberText(AIRSPEED_RED, -1) + " kt"))
            entries.push_back(band);
        legend(entries);
    }

    void altitude(std::pair<double, double> where) {
        legend(groupPanel(where, PlotGroup::Altitude, "altitude (ft)", "climb (ft/min)", [](Range) {}));
    }

    void attitude(std::pair<double, double> where) {
        std::vector<LegendEntry> entries = groupPanel(where, PlotGroup::Attitude, "attitude (deg)", nullptr,
                                                      [&](Range range) { stallShading(range); });
        entries.push_back({STALL_SHADE, "stall", true});
        legend(entries);
    }

    // Each row with Stall set shades its sample period.
    void stallShading(Range range) {
        plcol0(STALL_SHADE);
        for (const Segment& segment : log_.segments) {
            bool inRun = false;
            double runStart = 0, runEnd = 0;
            const auto flush = [&] {
                if (!inRun) return;
                const PLFLT x[4] = {runStart, runEnd, runEnd, runStart};
                const PLFLT y[4] = {range.low, range.low, range.high, range.high};
                plfill(4, x, y);
                inRun = false;
            };
            for (std::size_t r = segment.firstRow; r < segment.firstRow + segment.rowCount; ++r) {
                const Row& row = log_.rows[r];
                if (row[STALL] == 0) {
                    flush();
                    continue;
                }
                if (!inRun) runStart = time(row), inRun = true;
                runEnd = time(row) + step();
            }
            flush();
        }
    }

    void gLoad(std::pair<double, double> where) {
        std::vector<LegendEntry> entries = groupPanel(where, PlotGroup::GLoad, "g load (g)", nullptr, [&](Range range) {
            horizontalBand(G_YELLOW, G_RED, YELLOW_BAND, range);
            horizontalBand(-G_RED, -G_YELLOW, YELLOW_BAND, range);
            horizontalBand(G_RED, range.high, RED_BAND, range);
            horizontalBand(range.low, -G_RED, RED_BAND, range);
        });
        for (LegendEntry& band :
             bandEntries("beyond +-" + numberText(G_YELLOW, -1) + " g", "beyond +-" + numberText(G_RED, -1) + " g"))
            entries.push_back(band);
        legend(entries);
    }

    void engine(std::pair<double, double> where) {
        legend(groupPanel(where, PlotGroup::Engine, "power (hp) and thrust", "propeller (deg)", [](Range) {}));
    }

    const FlightLog& log_;
    double tickRate_, period_;
    double width_;
    static constexpr double SLICES_PER_PIXEL = 2;
    double t0_ = 0, t1_ = 1;
    struct TimeUnit {
        double seconds;
        const char* label;
    } unit_{1, "time (s)"};
    bool secondAxis_ = false;
};

const char* deviceFor(const std::string& output) {
    const std::string extension = std::filesystem::path(output).extension().string();
    if (extension == ".png") return "pngcairo";
    if (extension == ".svg") return "svgcairo";
    if (extension == ".pdf") return "pdfcairo";
    return nullptr;
}

}  // namespace

void thinForPlot(std::vector<double>& x, std::vector<double>& y, double start, double slice) {
    if (!(slice > 0) || x.size() != y.size()) return;
    std::size_t kept = 0, first = 0;
    const auto keep = [&](std::size_t i) {
        if (kept != 0 && x[kept - 1] == x[i] && y[kept - 1] == y[i]) return;
        x[kept] = x[i], y[kept] = y[i], ++kept;
    };
    while (first < x.size()) {
        const double sliceNumber = std::floor((x[first] - start) / slice);
        std::size_t last = first, low = first, high = first;
        while (last + 1 < x.size() && std::floor((x[last + 1] - start) / slice) == sliceNumber) {
            ++last;
            if (y[last] < y[low]) low = last;
            if (y[last] > y[high]) high = last;
        }
        keep(first);
        keep(std::min(low, high));
        keep(std::max(low, high));
        keep(last);
        first = last + 1;
    }
    x.resize(kept);
    y.resize(kept);
}

void plotLog(const FlightLog& log, const std::string& output, double tickRate, PlotSize size) {
    const char* device = deviceFor(output);
    if (device == nullptr)
        throw PlotError(output + ": unknown output type; the name must end in .png, .svg or .pdf", true);
    if (std::FILE* probe = std::fopen(output.c_str(), "wb")) std::fclose(probe);
    else throw PlotError(output + ": cannot write the file", false);

    // PLplot draws in a child process: it ends the process on its own errors,
    // and its cairo driver leaves font caches that the program's own cairo
    // clean-up at exit must not meet.
    std::fflush(nullptr);
    const pid_t child = ::fork();
    if (child < 0) throw PlotError(output + ": cannot start the plotter: " + std::strerror(errno), false);
    if (child == 0) {
        int status = 0;
        try {
            PLINT stream = 0;
            plmkstrm(&stream);
            plsdev(device);
            plsfnam(output.c_str());
            plspage(0, 0, size.width, size.height, 0, 0);
            definePens();
            plinit();
            Plotter(log, tickRate, size.width).draw();
            plend1();
        } catch (...) {
            status = 1;
        }
        ::_exit(status);
    }
    int status = 0;
    while (::waitpid(child, &status, 0) < 0 && errno == EINTR) {
    }
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) throw PlotError(output + ": the plotter failed", false);
}

}  // namespace vorlat::flightlog
