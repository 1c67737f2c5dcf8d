// The sixteen columns of the flight log, declared once: the header name the
// recorder writes, the decimals of its row format, and the name and unit under
// which the tools export it. Everything that reads, exports or plots a log
// walks this table.
#pragma once

#include <array>
#include <cstddef>
#include <string_view>

namespace vorlat::flightlog {

enum Column : std::size_t {
    INDEX, TAS, IAS, ALT, PITCH, CLIMB, GFORC, HDNG, TURN, BANK, ROLL, PROP, HP, THRST, AOA, STALL,
};
inline constexpr std::size_t COLUMN_COUNT = 16;

struct ColumnInfo {
    std::string_view header;   // as in the log's header line
    int decimals;              // 0: an integer column ("%5d", "%1d")
    std::string_view csvName;  // exported name; the suffix is the unit
    std::string_view unit;     // as the tools print it; empty: no unit known
};

inline constexpr std::array<ColumnInfo, COLUMN_COUNT> COLUMNS{{
    {.header = "index", .decimals = 0, .csvName = "index", .unit = ""},
    {.header = "TAS", .decimals = 1, .csvName = "tas_kt", .unit = "kt"},
    {.header = "IAS", .decimals = 1, .csvName = "ias_kt", .unit = "kt"},
    {.header = "alt", .decimals = 0, .csvName = "alt_ft", .unit = "ft"},
    {.header = "pitch", .decimals = 2, .csvName = "pitch_deg", .unit = "deg"},
    {.header = "climb", .decimals = 0, .csvName = "climb_ft_min", .unit = "ft/min"},
    {.header = "gforc", .decimals = 2, .csvName = "gforce_g", .unit = "g"},
    {.header = "hdng", .decimals = 0, .csvName = "hdng_deg", .unit = "deg"},
    {.header = "turn", .decimals = 0, .csvName = "turn_rate", .unit = ""},
    {.header = "bank", .decimals = 1, .csvName = "bank_deg", .unit = "deg"},
    {.header = "roll", .decimals = 0, .csvName = "roll_rate", .unit = ""},
    {.header = "prop", .decimals = 1, .csvName = "prop_deg", .unit = "deg"},
    {.header = "hp", .decimals = 0, .csvName = "power_hp", .unit = "hp"},
    {.header = "thrst", .decimals = 0, .csvName = "thrust", .unit = ""},
    {.header = "AoA", .decimals = 2, .csvName = "aoa_deg", .unit = "deg"},
    {.header = "Stall", .decimals = 0, .csvName = "stall", .unit = ""},
}};

inline constexpr std::string_view FIRST_LINE = "Recording Enabled";
inline constexpr std::string_view END_RECORDING_LINE = "End recording";
inline constexpr std::string_view EXIT_LINE = "Exit";

// The header line as the recorder writes it, built from the table.
constexpr std::size_t headerLength() {
    std::size_t length = COLUMN_COUNT - 1;  // the tabs
    for (const ColumnInfo& column : COLUMNS) length += column.header.size();
    return length;
}
inline constexpr std::array<char, headerLength()> HEADER_TEXT = [] {
    std::array<char, headerLength()> text{};
    std::size_t at = 0;
    for (std::size_t i = 0; i < COLUMN_COUNT; ++i) {
        if (i != 0) text[at++] = '\t';
        for (char c : COLUMNS[i].header) text[at++] = c;
    }
    return text;
}();
inline constexpr std::string_view HEADER_LINE{HEADER_TEXT.data(), HEADER_TEXT.size()};

static_assert(HEADER_LINE == "index\tTAS\tIAS\talt\tpitch\tclimb\tgforc\thdng\tturn\tbank\troll\tprop\thp\tthrst\tAoA\tStall");

}  // namespace vorlat::flightlog
