// The colours of the plot and the report: a line per column, the bands, the
// marks, and one per flight when several are drawn together.
#pragma once

namespace vorlat::flightlog {

// The series' colours as (red, green, blue), so that tests can find them.
struct PlotColour {
    int r, g, b;
};
inline constexpr PlotColour PLOT_TAS{31, 119, 180};
inline constexpr PlotColour PLOT_IAS{255, 127, 14};
inline constexpr PlotColour PLOT_ALT{44, 160, 44};
inline constexpr PlotColour PLOT_CLIMB{148, 103, 189};
inline constexpr PlotColour PLOT_PITCH{31, 119, 180};
inline constexpr PlotColour PLOT_BANK{140, 86, 75};
inline constexpr PlotColour PLOT_AOA{227, 119, 194};
inline constexpr PlotColour PLOT_G{23, 100, 190};
inline constexpr PlotColour PLOT_HP{31, 119, 180};
inline constexpr PlotColour PLOT_THRUST{160, 160, 20};
inline constexpr PlotColour PLOT_PROP{148, 103, 189};
inline constexpr PlotColour PLOT_HEADING{23, 190, 207};
inline constexpr PlotColour PLOT_TURN{188, 100, 34};
inline constexpr PlotColour PLOT_ROLL{127, 127, 127};
inline constexpr PlotColour PLOT_INDEX{60, 60, 60};
inline constexpr PlotColour PLOT_STALL_FLAG{214, 39, 40};
inline constexpr PlotColour PLOT_YELLOW_BAND{255, 215, 0};  // drawn at 30 % opacity over the panels
inline constexpr PlotColour PLOT_RED_BAND{230, 30, 30};
inline constexpr PlotColour PLOT_STALL{230, 30, 30};
inline constexpr PlotColour PLOT_PAUSE{150, 150, 150};
inline constexpr double PLOT_BAND_ALPHA = 0.3;

// Several flights: each its own colour, in this order (and round again).
inline constexpr PlotColour PLOT_FLIGHTS[] = {
    {31, 119, 180}, {255, 127, 14}, {44, 160, 44}, {214, 39, 40}, {148, 103, 189}, {140, 86, 75}, {23, 190, 207},
};

}  // namespace vorlat::flightlog
