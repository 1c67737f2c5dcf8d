// The readouts' text colours, the limits of their yellow and red bands and the
// rules that pick a colour: the panel colours its boxes with them and the log
// tools judge a logged value with them, so the two can never disagree.
#pragma once

#include <cstdint>

// Colours are 0x00BBGGRR; every text starts green.
inline constexpr std::uint32_t COLOUR_RED = 0x0000FF;
inline constexpr std::uint32_t COLOUR_YELLOW = 0x00FFFF;
inline constexpr std::uint32_t COLOUR_GREEN = 0x00FF00;

// Band limits, in the units the panel shows.
inline constexpr double ALTITUDE_RED_MARGIN = 500.0;  // feet above the ground
inline constexpr double ALTITUDE_YELLOW_MARGIN = 3000.0;
inline constexpr double AIRSPEED_RED = 500.0;  // knots, TAS and IAS
inline constexpr double AIRSPEED_YELLOW = 300.0;
inline constexpr double G_RED = 8.0;  // either sign
inline constexpr double G_YELLOW = 3.0;

// Colour rules. Every comparison is strict: a value on a threshold takes the
// milder colour. NaN compares false everywhere and so reads green.

// Red above `red`, yellow above `yellow`, else green (TAS, IAS).
constexpr std::uint32_t upperBandColour(double value, double red, double yellow) {
    if (value > red) return COLOUR_RED;
    if (value > yellow) return COLOUR_YELLOW;
    return COLOUR_GREEN;
}

// The same bands on either side of zero (G's).
constexpr std::uint32_t symmetricBandColour(double value, double red, double yellow) {
    if (value > red || value < -red) return COLOUR_RED;
    if (value > yellow || value < -yellow) return COLOUR_YELLOW;
    return COLOUR_GREEN;
}

// Red below the ground plus the red margin, yellow below the ground plus the yellow margin (Ft).
constexpr std::uint32_t heightAboveGroundColour(double altitudeFt, double groundFt, double redMargin,
                                                double yellowMargin) {
    if (altitudeFt < groundFt + redMargin) return COLOUR_RED;
    if (altitudeFt < groundFt + yellowMargin) return COLOUR_YELLOW;
    return COLOUR_GREEN;
}

// Red while the flag is set, never yellow (AoA under a stall).
constexpr std::uint32_t flagColour(std::int32_t flag) { return flag != 0 ? COLOUR_RED : COLOUR_GREEN; }
