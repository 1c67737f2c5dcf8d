// The figure's pens (PLplot's colour map 0), its line styles, text and legends.
#pragma once

#include <plplot.h>

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "tools/log/log_columns.h"
#include "tools/log/plot_colours.h"

namespace vorlat::flightlog {

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
inline constexpr auto FLIGHT_COLOURS = static_cast<PLINT>(std::size(PLOT_FLIGHTS));
inline constexpr PLINT FIRST_FLIGHT_PEN = FIRST_SERIES_PEN + static_cast<PLINT>(COLUMN_COUNT);
inline constexpr PLINT PEN_COUNT = FIRST_FLIGHT_PEN + FLIGHT_COLOURS;

inline PLINT seriesPen(Column column) { return FIRST_SERIES_PEN + static_cast<PLINT>(column); }
inline PLINT flightPen(std::size_t flight) { return FIRST_FLIGHT_PEN + static_cast<PLINT>(flight) % FLIGHT_COLOURS; }

// Several flights: the lines of one panel differ by their dashes (PLplot's styles).
inline constexpr PLINT LINE_STYLES[] = {1, 3, 2, 5};
inline PLINT lineStyle(std::size_t position) { return LINE_STYLES[position % std::size(LINE_STYLES)]; }

inline void setPen(PLINT pen, PlotColour colour, double alpha = 1.0) { plscol0a(pen, colour.r, colour.g, colour.b, alpha); }

// PLplot treats '#' as the start of an escape sequence.
std::string plotText(std::string_view text);

inline constexpr double CHAR_MM = 4.2;  // PLplot's default character height, in millimetres

struct LegendEntry {
    PLINT pen;
    std::string label;
    bool box = false;  // a shaded area rather than a line
    PLINT style = 1;
};
// A legend box of entries at `position` (PL_POSITION_*), `offset` from the panel.
void drawLegend(const std::vector<LegendEntry>& entries, PLINT position, double offset);

}  // namespace vorlat::flightlog
