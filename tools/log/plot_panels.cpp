// Panels: the default five, and those --columns asks for.
#include "tools/log/plot_panels.h"

#include <algorithm>
#include <array>
#include <cctype>

#include "common/command_error.h"

namespace vorlat::flightlog {

namespace {

struct GroupLabels {
    PlotGroup group;
    std::string_view left;  // when the panel has more than one line on the left
};
constexpr GroupLabels DEFAULT_PANELS[] = {
    {.group = PlotGroup::Airspeed, .left = "airspeed (kt)"},
    {.group = PlotGroup::Altitude, .left = "altitude (ft)"},
    {.group = PlotGroup::Attitude, .left = "attitude (deg)"},
    {.group = PlotGroup::GLoad, .left = "g load (g)"},
    {.group = PlotGroup::Engine, .left = "power (hp) and thrust"},
};

// Stall shades the attitude panel by default; named on its own it is a line.
PlotGroup panelGroup(Column column) { return column == STALL ? PlotGroup::None : COLUMNS[column].plot; }

std::string_view groupLabel(PlotGroup group) {
    for (const GroupLabels& panel : DEFAULT_PANELS)
        if (panel.group == group) return panel.left;
    return {};
}

// A second scale only beside lines on the first; the labels from what is drawn.
void settle(PanelPlan& panel) {
    if (panel.left.empty()) std::swap(panel.left, panel.right);
    panel.leftLabel = panel.left.size() > 1 ? std::string(groupLabel(panel.group))
                                            : columnLabel(panel.left.front());
    if (!panel.right.empty()) panel.rightLabel = columnLabel(panel.right.front());
}

std::string lowered(std::string_view text) {
    std::string out(text);
    for (char& c : out) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return out;
}

}  // namespace

std::vector<PanelPlan> planPanels(const std::vector<Column>& chosen) {
    std::vector<Column> columns = chosen;
    if (columns.empty()) {
        for (const GroupLabels& panel : DEFAULT_PANELS)
            for (std::size_t c = 0; c < COLUMN_COUNT; ++c)
                if (panelGroup(static_cast<Column>(c)) == panel.group) columns.push_back(static_cast<Column>(c));
    }
    std::vector<PanelPlan> panels;
    for (const Column column : columns) {
        const PlotGroup group = panelGroup(column);
        auto panel = std::find_if(panels.begin(), panels.end(),
                                  [&](const PanelPlan& p) { return group != PlotGroup::None && p.group == group; });
        if (panel == panels.end()) panel = panels.insert(panels.end(), PanelPlan{.group = group});
        std::vector<Column>& side = COLUMNS[column].secondAxis ? panel->right : panel->left;
        if (std::find(side.begin(), side.end(), column) == side.end()) side.push_back(column);
    }
    for (PanelPlan& panel : panels) settle(panel);
    return panels;
}

std::vector<Column> plottedColumns(const std::vector<PanelPlan>& panels) {
    std::vector<Column> columns;
    for (const PanelPlan& panel : panels) {
        columns.insert(columns.end(), panel.left.begin(), panel.left.end());
        columns.insert(columns.end(), panel.right.begin(), panel.right.end());
    }
    return columns;
}

std::string acceptedColumnNames() {
    std::string names;
    for (const ColumnInfo& column : COLUMNS) {
        if (!names.empty()) names += ", ";
        names += column.header;
        if (column.csvName != column.header) names += " (" + std::string(column.csvName) + ")";
    }
    return names;
}

std::vector<Column> parsePlotColumns(const std::vector<std::string>& names) {
    std::vector<Column> columns;
    for (const std::string& name : names) {
        const std::string wanted = lowered(name);
        const auto found = std::find_if(COLUMNS.begin(), COLUMNS.end(), [&](const ColumnInfo& column) {
            return lowered(column.header) == wanted || lowered(column.csvName) == wanted;
        });
        if (found == COLUMNS.end())
            throw UsageError("--columns: no column \"" + name + "\"; the columns are " + acceptedColumnNames());
        const auto column = static_cast<Column>(found - COLUMNS.begin());
        if (std::find(columns.begin(), columns.end(), column) == columns.end()) columns.push_back(column);
    }
    return columns;
}

}  // namespace vorlat::flightlog
