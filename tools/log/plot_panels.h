// Which lines the plot draws and how they are arranged: the look of every
// column's line, the five default panels, and the panels `--columns` asks for
// (a column of a default panel joins the others of that panel; any other
// column gets a panel of its own).
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "tools/log/log_columns.h"

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

// How a column's line looks.
struct SeriesStyle {
    PlotColour colour;
    std::string_view label;
    bool secondAxis = false;  // on the right-hand scale of a default panel that has others on the left
};
const SeriesStyle& seriesStyle(Column column);

// One panel: its lines on the left-hand and right-hand scales.
struct PanelPlan {
    PlotGroup group = PlotGroup::None;  // None: a column of its own
    std::vector<Column> left{}, right{};
    std::string leftLabel{}, rightLabel{};
};

// The default panels for no column, else those holding the columns chosen,
// in the order they were first named.
std::vector<PanelPlan> planPanels(const std::vector<Column>& chosen);
std::vector<Column> plottedColumns(const std::vector<PanelPlan>& panels);

// "TAS,alt,..." as given to --columns, each by its header name or CSV name,
// in any case. Throws UsageError naming the accepted names.
std::vector<Column> parsePlotColumns(const std::vector<std::string>& names);
std::string acceptedColumnNames();

}  // namespace vorlat::flightlog
