// The flight log's columns as the tools see them. Names, kinds and decimals
// come from the recorder's own schema (schema/log_schema.h); beside it, in
// the same order, stands every fact the tools add (COLUMN_FACTS). Everything
// that reads, exports, plots or reports a log walks COLUMNS.
#pragma once

#include <array>
#include <cstddef>
#include <string>
#include <string_view>

#include "host/gauge_facts.h"
#include "schema/log_schema.h"
#include "tools/log/plot_colours.h"

namespace vorlat::flightlog {

enum Column : std::size_t {
    INDEX,
    TAS,
    IAS,
    ALT,
    PITCH,
    CLIMB,
    GFORC,
    HDNG,
    TURN,
    BANK,
    ROLL,
    PROP,
    HP,
    THRST,
    AOA,
    STALL,
};
inline constexpr std::size_t COLUMN_COUNT = LOG_COLUMN_COUNT;
static_assert(COLUMN_COUNT == STALL + 1, "one Column name per column of the schema");

// The five panels of `vorlat log plot`, top to bottom.
enum class PlotGroup { None, Airspeed, Altitude, Attitude, GLoad, Engine };

// An angle that wraps around the circle takes a circular mean, reported in its column's range.
enum class Wrap {
    None,
    From0To360,  // a heading: [0, 360)
    Within180,   // a bank: (-180, 180]
};

// Every fact the tools add to a column of the schema, in one row: the name and
// unit under which it is exported and printed, the words that name it in the
// plot, the report and the events, and how the plot draws it.
struct ColumnFacts {
    std::string_view header;   // the schema's name of the column this row is about
    std::string_view csvName;  // exported name; the suffix is the unit
    std::string_view unit;     // as the tools print it; empty: no unit known
    std::string_view label;    // the plot's and the report's name; they add " (unit)"
    PlotGroup plot;            // the panel that draws it (Stall: the shading of the attitude panel)
    PlotColour colour;         // its line
    std::string_view eventName = {};  // in the events' lines and the bands' table; empty: the header
    bool secondAxis = false;          // on the right-hand scale of a default panel that has others on the left
    Wrap wrap = Wrap::None;
    std::string_view unitNote = {};  // a unit the label names but the tables leave blank
    // The host input whose value the column holds (as the panel shows it), so
    // a replay can give it back; null for the index and for what the module
    // computes from its inputs (turn and roll rates).
    const gauge::HostInput* input = nullptr;
};

// clang-format off
inline constexpr std::array<ColumnFacts, COLUMN_COUNT> COLUMN_FACTS{{
    {.header = "index", .csvName = "index",        .unit = "",       .label = "row index",  .plot = PlotGroup::None,     .colour = PLOT_INDEX},
    {.header = "TAS",   .csvName = "tas_kt",       .unit = "kt",     .label = "TAS",        .plot = PlotGroup::Airspeed, .colour = PLOT_TAS,        .eventName = "TAS", .input = &gauge::TAS_WORD},
    {.header = "IAS",   .csvName = "ias_kt",       .unit = "kt",     .label = "IAS",        .plot = PlotGroup::Airspeed, .colour = PLOT_IAS,        .eventName = "IAS", .input = &gauge::IAS_WORD},
    {.header = "alt",   .csvName = "alt_ft",       .unit = "ft",     .label = "altitude",   .plot = PlotGroup::Altitude, .colour = PLOT_ALT,        .eventName = "Altitude", .input = &gauge::ALTITUDE},
    {.header = "pitch", .csvName = "pitch_deg",    .unit = "deg",    .label = "pitch",      .plot = PlotGroup::Attitude, .colour = PLOT_PITCH, .input = &gauge::PITCH},
    {.header = "climb", .csvName = "climb_ft_min", .unit = "ft/min", .label = "climb",      .plot = PlotGroup::Altitude, .colour = PLOT_CLIMB,      .eventName = "Climb", .secondAxis = true, .input = &gauge::CLIMB},
    {.header = "gforc", .csvName = "gforce_g",     .unit = "g",      .label = "g load",     .plot = PlotGroup::GLoad,    .colour = PLOT_G,          .eventName = "G load", .input = &gauge::G_LOAD},
    {.header = "hdng",  .csvName = "hdng_deg",     .unit = "deg",    .label = "heading",    .plot = PlotGroup::None,     .colour = PLOT_HEADING,    .wrap = Wrap::From0To360, .input = &gauge::HEADING},
    {.header = "turn",  .csvName = "turn_rate",    .unit = "",       .label = "turn rate",  .plot = PlotGroup::None,     .colour = PLOT_TURN},
    {.header = "bank",  .csvName = "bank_deg",     .unit = "deg",    .label = "bank",       .plot = PlotGroup::Attitude, .colour = PLOT_BANK,       .wrap = Wrap::Within180, .input = &gauge::BANK},
    {.header = "roll",  .csvName = "roll_rate",    .unit = "",       .label = "roll rate",  .plot = PlotGroup::None,     .colour = PLOT_ROLL},
    {.header = "prop",  .csvName = "prop_deg",     .unit = "deg",    .label = "prop",       .plot = PlotGroup::Engine,   .colour = PLOT_PROP,       .secondAxis = true, .input = &gauge::PROP},
    {.header = "hp",    .csvName = "power_hp",     .unit = "hp",     .label = "power",      .plot = PlotGroup::Engine,   .colour = PLOT_HP, .input = &gauge::POWER},
    {.header = "thrst", .csvName = "thrust",       .unit = "",       .label = "thrust",     .plot = PlotGroup::Engine,   .colour = PLOT_THRUST,     .unitNote = "host unit", .input = &gauge::THRUST},
    {.header = "AoA",   .csvName = "aoa_deg",      .unit = "deg",    .label = "AoA",        .plot = PlotGroup::Attitude, .colour = PLOT_AOA, .input = &gauge::AOA},
    {.header = "Stall", .csvName = "stall",        .unit = "",       .label = "stall flag", .plot = PlotGroup::Attitude, .colour = PLOT_STALL_FLAG, .input = &gauge::STALL},
}};
// clang-format on

// Row by row, the facts speak of the schema's column of the same place.
constexpr bool factsFollowTheSchema() {
    for (std::size_t c = 0; c < COLUMN_COUNT; ++c) {
        if (COLUMN_FACTS[c].header != LOG_COLUMNS[c].name) return false;
    }
    return true;
}
static_assert(COLUMN_FACTS.size() == std::size(LOG_COLUMNS));
static_assert(factsFollowTheSchema(), "COLUMN_FACTS must follow LOG_COLUMNS row by row");

// A column with everything the tools know of it, joined from the schema and the facts.
struct ColumnInfo : ColumnFacts {
    int decimals;  // 0: an integer column ("%5d", "%1d")
};
inline constexpr std::array<ColumnInfo, COLUMN_COUNT> COLUMNS = [] {
    std::array<ColumnInfo, COLUMN_COUNT> joined{};
    for (std::size_t c = 0; c < COLUMN_COUNT; ++c) joined[c] = {COLUMN_FACTS[c], LOG_COLUMNS[c].decimals};
    return joined;
}();

// "TAS (kt)", "thrust (host unit)", "turn rate": the label with the unit it names.
inline std::string columnLabel(Column column) {
    const ColumnInfo& info = COLUMNS[column];
    const std::string_view unit = info.unit.empty() ? info.unitNote : info.unit;
    return std::string(info.label) + (unit.empty() ? "" : " (" + std::string(unit) + ")");
}

// "TAS", "G load", "pitch": how the events and the bands' table name the column.
inline std::string_view eventName(Column column) {
    return COLUMNS[column].eventName.empty() ? COLUMNS[column].header : COLUMNS[column].eventName;
}

inline constexpr std::string_view FIRST_LINE = LOG_RECORDING_ENABLED_LINE;
inline constexpr std::string_view END_RECORDING_LINE = LOG_END_RECORDING_LINE;
inline constexpr std::string_view EXIT_LINE = LOG_EXIT_LINE;
inline constexpr std::string_view HEADER_LINE = LOG_HEADER_LINE;

}  // namespace vorlat::flightlog
