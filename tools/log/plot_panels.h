// Which lines the plot draws and how they are arranged: the look of every
// column's line, the five default panels, and the panels `--columns` asks for
// (a column of a default panel joins the others of that panel; any other
// column gets a panel of its own).
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "tools/log/log_columns.h"
#include "tools/log/plot_colours.h"

namespace vorlat::flightlog {


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
