// Altitude, airspeeds, attitude, g load, climb and angle of attack, one update per row.
#include "tests/readouts/readout_fixture.h"

namespace readout_test {
namespace {

using vorlat::COLOUR_GREEN;
using vorlat::COLOUR_RED;
using vorlat::COLOUR_YELLOW;

constexpr Box AILRN{1, 5}, ELEV{1, 6}, FT{2, 1}, TAS{2, 2}, IAS{2, 3}, HDG{2, 4}, BANK{2, 5}, PITCH{2, 6};
constexpr Box GS{3, 1}, CLIMB{3, 5}, AOA{3, 6};
constexpr std::uint32_t ALTITUDE = 73, AIRSPEED = 61, AILERON = 312, ELEVATOR = 310, PITCH_VARIABLE = 78;
constexpr std::uint32_t G_LOAD = 351, CLIMB_RATE = 65, AOA_VARIABLE = 349;
constexpr double FEET_PER_METRE = 3.28084;
constexpr double GROUND_3280_FT = 256000;  // in the host's 1/256 metre: 3280.84 ft

constexpr double GROUND_SCALE = 0.01281578125;

double metres(double feet) { return feet / FEET_PER_METRE; }

// An altitude exactly `margin` feet over the ground. Not every altitude in feet
// is a product of the host's metres, so the ground is raised until one is.
ReadoutCase onMargin(const char* name, double margin, const char* text, std::uint32_t colour) {
    for (double ground = 0; ground < 1000; ++ground) {
        const double feet = ground * GROUND_SCALE + margin;
        const double raw = rawGiving(feet, FEET_PER_METRE);
        if (!std::isnan(raw)) return {name, FT, {var(ALTITUDE, raw), var(GROUND_VARIABLE, ground)}, text, colour, feet};
    }
    ADD_FAILURE() << "no altitude lies exactly " << margin << " ft over the ground";
    return {};
}

TEST(FlightReadouts, AileronAndElevator) {
    runCases({
        {"aileron, half scale", AILRN, {var(AILERON, 16384)}, " 36.5", COLOUR_GREEN, 36.5},
        {"aileron, full negative", AILRN, {var(AILERON, -32768)}, "-73.0", COLOUR_GREEN, -73.0},
        {"elevator, half scale", ELEV, {var(ELEVATOR, 16384)}, " 30.0", COLOUR_GREEN, 30.0},
        {"elevator, small negative rounds to -0.0", ELEV, {var(ELEVATOR, -20)}, " -0.0", COLOUR_GREEN, -0.03662109375},
    });
}

TEST(FlightReadouts, AltitudeAboveGround) {
    // clang-format off
    runCases({
        onMargin("exactly 500 ft over the ground is yellow", 500, "  500", COLOUR_YELLOW),
        {"499.9 ft is red and truncated", FT, {var(ALTITUDE, metres(499.9))}, "  499", COLOUR_RED, 499.9},
        onMargin("exactly 3000 ft over the ground is green", 3000, " 3000", COLOUR_GREEN),
        {"2999.99 ft is yellow", FT, {var(ALTITUDE, metres(2999.99))}, " 2999", COLOUR_YELLOW, 2999.99},
        {"high ground: 3500 ft is red", FT, {var(ALTITUDE, metres(3500.5)), var(GROUND_VARIABLE, GROUND_3280_FT)},
         " 3500", COLOUR_RED, 3500.5},
        {"high ground: 6000 ft is yellow", FT, {var(ALTITUDE, metres(6000.5)), var(GROUND_VARIABLE, GROUND_3280_FT)},
         " 6000", COLOUR_YELLOW, 6000.5},
        {"high ground: 6300 ft is green", FT, {var(ALTITUDE, metres(6300.5)), var(GROUND_VARIABLE, GROUND_3280_FT)},
         " 6300", COLOUR_GREEN, 6300.5},
        {"below sea level truncates toward zero", FT, {var(ALTITUDE, -50)}, " -164", COLOUR_RED, -164.042},
        {"six digits overflow the box width", FT, {var(ALTITUDE, metres(100000.5))}, "100000", COLOUR_GREEN,
         100000.5},
        {"NaN shows 0 and reads green", FT, {var(ALTITUDE, NaN)}, "    0", COLOUR_GREEN, NaN},
    });
    // clang-format on
}

TEST(FlightReadouts, Airspeeds) {
    // clang-format off
    runCases({
        {"TAS just under 500 is yellow", TAS, {dataWord(TAS_WORD, 55555)}, "500.0", COLOUR_YELLOW, 499.995},
        {"TAS just over 500 is red", TAS, {dataWord(TAS_WORD, 55556)}, "500.0", COLOUR_RED, 500.004},
        {"TAS just under 300 is green", TAS, {dataWord(TAS_WORD, 33333)}, "300.0", COLOUR_GREEN, 299.997},
        {"TAS just over 300 is yellow", TAS, {dataWord(TAS_WORD, 33334)}, "300.0", COLOUR_YELLOW, 300.006},
        {"TAS backwards is green", TAS, {dataWord(TAS_WORD, -55556)}, "-500.0", COLOUR_GREEN, -500.004},
        {"TAS largest word", TAS, {dataWord(TAS_WORD, 2147483647)}, "19327352.8", COLOUR_RED, 19327352.823},
        {"TAS ignores its own variable", TAS, {var(AIRSPEED, 99999), dataWord(TAS_WORD, 1000)}, "  9.0",
         COLOUR_GREEN, 9.0},
        {"IAS just over 500 is red", IAS, {dataWord(IAS_WORD, 55556)}, "500.0", COLOUR_RED, 500.004},
        {"IAS just under 300 is green", IAS, {dataWord(IAS_WORD, 33333)}, "300.0", COLOUR_GREEN, 299.997},
        {"IAS reads its own word", IAS, {dataWord(TAS_WORD, 55556), dataWord(IAS_WORD, 0)}, "  0.0", COLOUR_GREEN,
         0},
    });
    // clang-format on
}

TEST(FlightReadouts, HeadingBankPitch) {
    // clang-format off
    runCases({
        {"heading truncates", HDG, {var(HEADING_VARIABLE, 359.99)}, "  359", COLOUR_GREEN, 359.99},
        {"heading just under zero shows 0", HDG, {var(HEADING_VARIABLE, -0.5)}, "    0", COLOUR_GREEN, -0.5},
        {"heading beyond 32 bits keeps the low 32 bits", HDG, {var(HEADING_VARIABLE, 1e10)}, "1410065408",
         COLOUR_GREEN, 1e10},
        {"heading at infinity shows 0", HDG, {var(HEADING_VARIABLE, INF)}, "    0", COLOUR_GREEN, INF},
        {"bank rounds", BANK, {var(BANK_VARIABLE, 2.26)}, "  2.3", COLOUR_GREEN, 2.26},
        {"bank negative", BANK, {var(BANK_VARIABLE, -30.04)}, "-30.0", COLOUR_GREEN, -30.04},
        {"pitch is shown negated, returned as received", PITCH, {var(PITCH_VARIABLE, 2.5)}, "-2.50", COLOUR_GREEN,
         2.5},
        {"pitch down", PITCH, {var(PITCH_VARIABLE, -10)}, "10.00", COLOUR_GREEN, -10},
        {"pitch of 10 takes six characters", PITCH, {var(PITCH_VARIABLE, 10)}, "-10.00", COLOUR_GREEN, 10},
        {"pitch of zero shows the negated zero", PITCH, {var(PITCH_VARIABLE, 0)}, "-0.00", COLOUR_GREEN, 0},
    });
    // clang-format on
}

TEST(FlightReadouts, GLoadBands) {
    runCases({
        {"just under 8 is yellow", GS, {var(G_LOAD, 4792)}, " 8.00", COLOUR_YELLOW, 7.999999608},
        {"just over 8 is red, same text", GS, {var(G_LOAD, 4793)}, " 8.00", COLOUR_RED, 8.001669057},
        {"just under -8 is red", GS, {var(G_LOAD, -4793)}, "-8.00", COLOUR_RED, -8.001669057},
        {"just under 3 is green", GS, {var(G_LOAD, 1797)}, " 3.00", COLOUR_GREEN, 2.999999853},
        {"just over 3 is yellow", GS, {var(G_LOAD, 1798)}, " 3.00", COLOUR_YELLOW, 3.001669302},
        {"just under -3 is yellow", GS, {var(G_LOAD, -1798)}, "-3.00", COLOUR_YELLOW, -3.001669302},
        {"level flight", GS, {var(G_LOAD, 599)}, " 1.00", COLOUR_GREEN, 0.999999951},
    });
}

TEST(FlightReadouts, ClimbAndAngleOfAttack) {
    // clang-format off
    runCases({
        {"sink truncates toward zero", CLIMB, {var(CLIMB_RATE, -100)}, "  -76", COLOUR_GREEN, -76.875},
        {"climb", CLIMB, {var(CLIMB_RATE, 1000)}, "  768", COLOUR_GREEN, 768.75},
        {"AoA zero", AOA, {var(AOA_VARIABLE, 32767)}, "  0.0", COLOUR_GREEN, 32767},
        {"AoA half", AOA, {var(AOA_VARIABLE, 16384)}, " 77.0", COLOUR_GREEN, 16384},
        {"AoA full", AOA, {var(AOA_VARIABLE, 0)}, "154.0", COLOUR_GREEN, 0},
        {"AoA above zero raw is negative", AOA, {var(AOA_VARIABLE, 40000)}, "-34.0", COLOUR_GREEN, 40000},
        {"stall turns it red", AOA, {var(AOA_VARIABLE, 32767), var(STALL_VARIABLE, 1)}, "  0.0", COLOUR_RED, 32767},
        {"negative stall flag is a stall", AOA, {var(AOA_VARIABLE, 0), var(STALL_VARIABLE, -1)}, "154.0", COLOUR_RED,
         0},
        {"stall fraction is no stall", AOA, {var(AOA_VARIABLE, 0), var(STALL_VARIABLE, 0.99)}, "154.0",
         COLOUR_GREEN, 0},
    });
    // clang-format on
}

}  // namespace
}  // namespace readout_test
