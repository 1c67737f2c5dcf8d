// Scale factors, thresholds and colour rules of the readouts, in one place so
// that the panel and the log tools agree. The decimals are the instrument's
// own calibration: several are deliberately not the exact unit ratio.
#pragma once

#include <cstdint>

// Colours are 0x00BBGGRR; every text starts green.
inline constexpr std::uint32_t COLOUR_RED = 0x0000FF;
inline constexpr std::uint32_t COLOUR_YELLOW = 0x00FFFF;
inline constexpr std::uint32_t COLOUR_GREEN = 0x00FF00;

// Flight
inline constexpr double FEET_PER_METRE = 3.28084;
inline constexpr double GROUND_SCALE = 0.01281578125;  // 1/256 metre to feet: FEET_PER_METRE / 256
inline constexpr double ALTITUDE_RED_MARGIN = 500.0;   // feet above the ground
inline constexpr double ALTITUDE_YELLOW_MARGIN = 3000.0;
inline constexpr double AIRSPEED_SCALE = 0.009;
inline constexpr double AIRSPEED_RED = 500.0;
inline constexpr double AIRSPEED_YELLOW = 300.0;
inline constexpr double G_SCALE = 0.001669449;
inline constexpr double G_RED = 8.0;  // either sign
inline constexpr double G_YELLOW = 3.0;
inline constexpr double CLIMB_SCALE = 0.76875;
inline constexpr double AOA_SCALE = 0.00469970703125;  // 77 / 16384
inline constexpr double AOA_ZERO = 32767.0;
inline constexpr double AILERON_SCALE = 0.002227783203125;  // 73 / 32768
inline constexpr double ELEVATOR_SCALE = 0.0018310546875;   // 15 / 8192

// Engine and fuel
inline constexpr double FLOW_SCALE = 0.1666667;
inline constexpr double POWER_SCALE = 0.0018182;
// Degrees per radian as the Prop gauge counts them: its own factor, 0.08 %
// under the true 180 / pi (57.2958), kept so the panel reads as it always has.
inline constexpr double PROP_DEGREES_PER_RADIAN = 57.2519;
inline constexpr double MPSI_SCALE = 0.014139;
inline constexpr double FPSI_SCALE = 0.009263;
inline constexpr double THROTTLE_FULL_SCALE = 16384.0;
inline constexpr double PERCENT = 100.0;
inline constexpr double PRESSURE_SCALE = 0.0018467021875;
inline constexpr double TEMPERATURE_SPAN = 460.0;
inline constexpr double TEMPERATURE_OFFSET = 32.0;
inline constexpr double RANKINE_OFFSET = 459.7;
inline constexpr double OIL_PRESSURE_SCALE = 0.006944;

// Rates: the wrapped change summed over a window of calls, scaled and sign-reversed.
inline constexpr double WRAP_LIMIT = 180.0;
inline constexpr double FULL_TURN = 360.0;
inline constexpr std::int32_t RATE_WINDOW_CALLS = 9;
inline constexpr double RATE_FACTOR = -2.25;

// Position
inline constexpr double LAT_FACTOR = 0.0647886;  // with LAT_DIVISOR: raw latitude to seconds of arc
inline constexpr double LAT_DIVISOR = 2.0;
inline constexpr double SECONDS_PER_DEGREE = 3600.0;
inline constexpr double LON_FACTOR = 1.27897692e-12;  // raw longitude to degrees; just under 360 / 2^48
inline constexpr double LON_FOLD_LIMIT = 180.0;       // east longitudes above it are shown west
inline constexpr double MINUTES_PER_DEGREE = 60.0;

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
