// The panel's yellow and red bands as the log tools see them, one row per
// banded column: its side of zero and its limits, taken from the panel's own
// thresholds. The summary, the events, the plot and the report (whose script
// gets the rows as data) all read this table, so a band changed here changes
// in every view at once.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <limits>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "schema/colour_bands.h"
#include "tools/log/log_columns.h"
#include "tools/log/plot_colours.h"

namespace vorlat::flightlog {

// The two bands of a column, mildest first; red lies inside yellow's reach.
enum class BandLevel : std::size_t { Yellow, Red };
inline constexpr std::size_t BAND_LEVEL_COUNT = 2;
inline constexpr BandLevel BAND_LEVELS[] = {BandLevel::Yellow, BandLevel::Red};

struct BandLevelLook {
    std::string_view keyword;   // "yellow", "red": the events' and the report's name
    std::uint32_t panelColour;  // the panel's colour of a value in it
    PlotColour plotColour;      // the plot's and the report's fill
    double pageOpacity;         // of that fill under the report's lines (the page's script gets it as data)
};
// clang-format off
inline constexpr std::array<BandLevelLook, BAND_LEVEL_COUNT> BAND_LEVEL_LOOKS{{
    {.keyword = "yellow", .panelColour = COLOUR_YELLOW, .plotColour = PLOT_YELLOW_BAND, .pageOpacity = 0.25},
    {.keyword = "red",    .panelColour = COLOUR_RED,    .plotColour = PLOT_RED_BAND,    .pageOpacity = 0.18},
}};
// clang-format on
inline const BandLevelLook& lookOf(BandLevel level) { return BAND_LEVEL_LOOKS[static_cast<std::size_t>(level)]; }

enum class BandSide {
    Above,      // beyond the limits upwards (the airspeeds)
    EitherSign, // beyond them on either side of zero (the g load)
};

struct Band {
    Column column;
    std::string_view key;  // the summary's JSON name
    BandSide side;
    double yellow, red;  // the limits, in the column's unit
};

// clang-format off
inline constexpr Band BANDS[] = {
    {.column = TAS,   .key = "tas", .side = BandSide::Above,      .yellow = AIRSPEED_YELLOW, .red = AIRSPEED_RED},
    {.column = IAS,   .key = "ias", .side = BandSide::Above,      .yellow = AIRSPEED_YELLOW, .red = AIRSPEED_RED},
    {.column = GFORC, .key = "g",   .side = BandSide::EitherSign, .yellow = G_YELLOW,        .red = G_RED},
};
// clang-format on
inline constexpr std::size_t BAND_COUNT = std::size(BANDS);

inline double limitOf(const Band& band, BandLevel level) { return level == BandLevel::Red ? band.red : band.yellow; }

// The band `value` lies in, by the panel's own colour rule; none when it is green or not finite.
std::optional<BandLevel> bandLevelOf(const Band& band, double value);

// A stretch of values one band covers; an open end is infinite.
struct BandInterval {
    double from, to;
    BandLevel level;
};
// Yellow then red, each above zero before below it.
std::vector<BandInterval> bandIntervals(const Band& band);
// The bands of the columns a panel of `group` draws, a band repeated by another column left out.
std::vector<const Band*> panelBands(PlotGroup group);

// How the limit of a level reads: "above 300 kt" or "beyond +-3 g"; `Sign` writes "> 300 kt" for above.
enum class LimitWords { Words, Sign };
std::string limitText(const Band& band, BandLevel level, LimitWords words);

}  // namespace vorlat::flightlog
