// The flight log's columns as the tools see them. Names, kinds and decimals
// come from the recorder's own schema (schema/log_schema.h); beside it, in
// the same order, stands only what the tools add: the name and unit under
// which a column is exported, and the plot panel it is drawn in. Everything
// that reads, exports or plots a log walks COLUMNS.
#pragma once

#include <array>
#include <cstddef>
#include <string_view>

#include "schema/log_schema.h"

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

// What the tools add to a column of the schema.
struct ColumnExtras {
    std::string_view header;   // the schema's name of the column this row is about
    std::string_view csvName;  // exported name; the suffix is the unit
    std::string_view unit;     // as the tools print it; empty: no unit known
    PlotGroup plot;            // the panel that draws it (Stall: the shading of the attitude panel)
    Wrap wrap = Wrap::None;
};

// clang-format off
inline constexpr std::array<ColumnExtras, COLUMN_COUNT> COLUMN_EXTRAS{{
    {.header = "index", .csvName = "index",        .unit = "",       .plot = PlotGroup::None},
    {.header = "TAS",   .csvName = "tas_kt",       .unit = "kt",     .plot = PlotGroup::Airspeed},
    {.header = "IAS",   .csvName = "ias_kt",       .unit = "kt",     .plot = PlotGroup::Airspeed},
    {.header = "alt",   .csvName = "alt_ft",       .unit = "ft",     .plot = PlotGroup::Altitude},
    {.header = "pitch", .csvName = "pitch_deg",    .unit = "deg",    .plot = PlotGroup::Attitude},
    {.header = "climb", .csvName = "climb_ft_min", .unit = "ft/min", .plot = PlotGroup::Altitude},
    {.header = "gforc", .csvName = "gforce_g",     .unit = "g",      .plot = PlotGroup::GLoad},
    {.header = "hdng",  .csvName = "hdng_deg",     .unit = "deg",    .plot = PlotGroup::None,     .wrap = Wrap::From0To360},
    {.header = "turn",  .csvName = "turn_rate",    .unit = "",       .plot = PlotGroup::None},
    {.header = "bank",  .csvName = "bank_deg",     .unit = "deg",    .plot = PlotGroup::Attitude, .wrap = Wrap::Within180},
    {.header = "roll",  .csvName = "roll_rate",    .unit = "",       .plot = PlotGroup::None},
    {.header = "prop",  .csvName = "prop_deg",     .unit = "deg",    .plot = PlotGroup::Engine},
    {.header = "hp",    .csvName = "power_hp",     .unit = "hp",     .plot = PlotGroup::Engine},
    {.header = "thrst", .csvName = "thrust",       .unit = "",       .plot = PlotGroup::Engine},
    {.header = "AoA",   .csvName = "aoa_deg",      .unit = "deg",    .plot = PlotGroup::Attitude},
    {.header = "Stall", .csvName = "stall",        .unit = "",       .plot = PlotGroup::Attitude},
}};
// clang-format on

// Row by row, the extras speak of the schema's column of the same place.
constexpr bool extrasFollowTheSchema() {
    for (std::size_t c = 0; c < COLUMN_COUNT; ++c) {
        if (COLUMN_EXTRAS[c].header != LOG_COLUMNS[c].name) return false;
    }
    return true;
}
static_assert(COLUMN_EXTRAS.size() == std::size(LOG_COLUMNS));
static_assert(extrasFollowTheSchema(), "COLUMN_EXTRAS must follow LOG_COLUMNS row by row");

// A column with everything the tools know of it, joined from the two tables.
struct ColumnInfo {
    std::string_view header;  // as in the log's header line
    int decimals;             // 0: an integer column ("%5d", "%1d")
    std::string_view csvName;
    std::string_view unit;
    PlotGroup plot;
    Wrap wrap;
};
inline constexpr std::array<ColumnInfo, COLUMN_COUNT> COLUMNS = [] {
    std::array<ColumnInfo, COLUMN_COUNT> joined{};
    for (std::size_t c = 0; c < COLUMN_COUNT; ++c) {
        const ColumnExtras& extras = COLUMN_EXTRAS[c];
        joined[c] = {.header = LOG_COLUMNS[c].name,
                     .decimals = LOG_COLUMNS[c].decimals,
                     .csvName = extras.csvName,
                     .unit = extras.unit,
                     .plot = extras.plot,
                     .wrap = extras.wrap};
    }
    return joined;
}();

inline constexpr std::string_view FIRST_LINE = LOG_RECORDING_ENABLED_LINE;
inline constexpr std::string_view END_RECORDING_LINE = LOG_END_RECORDING_LINE;
inline constexpr std::string_view EXIT_LINE = LOG_EXIT_LINE;
inline constexpr std::string_view HEADER_LINE = LOG_HEADER_LINE;

}  // namespace vorlat::flightlog
