// Where the figure's parts go: the strip's lanes, the heights of the header,
// the panels and the strip, and a panel's value range.
#pragma once

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <limits>
#include <string>
#include <vector>

#include "tools/log/log_bands.h"
#include "tools/log/plot_sink.h"
#include "tools/plot/plot_pens.h"

namespace vorlat::flightlog {

// The strip's lanes, top to bottom: pauses, stalls, then one per band of
// BANDS, named by its column's label, red drawn over yellow.
struct StripLane {
    std::string name;
    MarkLane marks;
    MarkLane red = MARK_LANE_COUNT;  // none
    PLINT pen = YELLOW_MARK;
};
inline std::vector<StripLane> stripLanes() {
    std::vector<StripLane> lanes{{.name = "pause", .marks = PAUSE_LANE, .pen = PAUSE_MARK},
                                 {.name = "stall", .marks = STALL_LANE, .pen = STALL_MARK}};
    for (std::size_t b = 0; b < BAND_COUNT; ++b)
        lanes.push_back({.name = std::string(COLUMNS[BANDS[b].column].label),
                         .marks = bandLane(b, BandLevel::Yellow),
                         .red = bandLane(b, BandLevel::Red)});
    return lanes;
}
inline constexpr auto LANES = static_cast<int>(2 + BAND_COUNT);

// Heights in pixels of a page 1400 wide, scaled to the page height.
inline constexpr double HEADER = 120, FLIGHT_LEGEND_ROW = 22, PANEL = 283, GAP = 18, LANE_ROW = 20, BOTTOM = 75;
inline constexpr double LEFT = 0.085, RIGHT = 0.78;           // of the page width: the panels' left and right edges

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

}  // namespace vorlat::flightlog
