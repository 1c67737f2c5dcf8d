// Scale factors and thresholds of the readouts, in one place. The decimals are
// the instrument's own calibration: several are deliberately not the exact
// unit ratio. The colours, the band limits and the colour rules, which the log
// tools share, live in schema/colour_bands.h. Names follow the stand-in host's
// own description of the gauge (host/gauge_facts.h) where both have a quantity.
#pragma once

#include <cstdint>

#include "schema/colour_bands.h"

// Flight
inline constexpr double FEET_PER_METRE = 3.28084;
inline constexpr double GROUND_SCALE = FEET_PER_METRE / 256;  // 1/256 metre to feet
static_assert(GROUND_SCALE == 0.01281578125);
inline constexpr double AIRSPEED_SCALE = 0.009;
inline constexpr double G_SCALE = 0.001669449;
inline constexpr double CLIMB_SCALE = 0.76875;
inline constexpr double AOA_ZERO_RAW = 32767.0;  // AoA = (AOA_ZERO_RAW - raw) * AOA_DEGREES_PER_RAW
inline constexpr double AOA_DEGREES_PER_RAW = 77.0 / 16384;
static_assert(AOA_DEGREES_PER_RAW == 0.00469970703125);
inline constexpr double AILERON_SCALE = 73.0 / 32768;
static_assert(AILERON_SCALE == 0.002227783203125);
inline constexpr double ELEVATOR_SCALE = 15.0 / 8192;
static_assert(ELEVATOR_SCALE == 0.0018310546875);

// Engine and fuel
inline constexpr double FLOW_SCALE = 0.1666667;
inline constexpr double POWER_SCALE = 0.0018182;
// Degrees per radian as the Prop gauge counts them: its own factor, 0.08 %
// under the true 180 / pi (57.2958), kept so the panel reads as it always has.
inline constexpr double PROP_DEGREES_PER_RADIAN = 57.2519;
inline constexpr double MPSI_SCALE = 0.014139;
inline constexpr double FPSI_SCALE = 0.009263;
inline constexpr double THROTTLE_FULL_WORD = 16384.0;
inline constexpr double PERCENT = 100.0;
inline constexpr double PRESSURE_SCALE = 0.0018467021875;
inline constexpr double TEMPERATURE_SPAN_F = 460.0;  // temperature box: raw * 460 + 32 F
inline constexpr double TEMPERATURE_BASE_F = 32.0;
inline constexpr double RANKINE_OFFSET_F = 459.7;
inline constexpr double OIL_PRESSURE_SCALE = 0.006944;

// Rates: the wrapped change summed over a window of calls, scaled and sign-reversed.
inline constexpr double FULL_TURN_DEGREES = 360.0;
inline constexpr double WRAP_LIMIT = FULL_TURN_DEGREES / 2;
static_assert(WRAP_LIMIT == 180.0);
inline constexpr std::int32_t RATE_WINDOW_CALLS = 9;
inline constexpr double RATE_FACTOR = -2.25;

// Position
inline constexpr double LATITUDE_FACTOR = 0.0647886;  // with LATITUDE_DIVISOR: raw latitude to arc seconds
inline constexpr double LATITUDE_DIVISOR = 2.0;
inline constexpr double ARC_SECONDS_PER_DEGREE = 3600.0;
inline constexpr double LONGITUDE_FACTOR = 1.27897692e-12;  // raw longitude to degrees; just under 360 / 2^48
inline constexpr double LONGITUDE_FOLD_LIMIT = FULL_TURN_DEGREES / 2;  // east longitudes above it are shown west
static_assert(LONGITUDE_FOLD_LIMIT == 180.0);
inline constexpr double MINUTES_PER_DEGREE = 60.0;
