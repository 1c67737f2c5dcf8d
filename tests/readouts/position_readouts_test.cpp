// The two position lines: hemisphere, zero-padded degrees and minutes.
#include "tests/readouts/readout_fixture.h"

namespace readout_test {
namespace {

using vorlat::COLOUR_GREEN;

constexpr std::uint32_t LATITUDE = 71, LONGITUDE = 72;
constexpr double LATITUDE_FACTOR = 0.0647886, LONGITUDE_FACTOR = 1.27897692e-12;

double latitudeRaw(double degrees) { return degrees * 3600.0 * 2.0 / LATITUDE_FACTOR; }
double longitudeRaw(double degrees) { return degrees / LONGITUDE_FACTOR; }

TEST(PositionReadouts, Latitude) {
    // clang-format off
    runCases({
        {"equator", LATITUDE_LINE, {var(LATITUDE, 0)}, "N 00 00.00", COLOUR_GREEN, 0},
        {"north", LATITUDE_LINE, {var(LATITUDE, latitudeRaw(47.6))}, "N 47 36.00", COLOUR_GREEN, 171360},
        {"south returns seconds without sign", LATITUDE_LINE, {var(LATITUDE, latitudeRaw(-33.5))}, "S 33 30.00",
         COLOUR_GREEN, 120600},
        {"minutes round up to 60 without a carry", LATITUDE_LINE, {var(LATITUDE, latitudeRaw(47.99999))},
         "N 47 60.00", COLOUR_GREEN, 172799.964},
        {"single-digit degrees", LATITUDE_LINE, {var(LATITUDE, latitudeRaw(5.25))}, "N 05 15.00", COLOUR_GREEN,
         18900},
        {"huge degrees beyond 64 bits show 0", LATITUDE_LINE, {var(LATITUDE, 1e308)}, "N 00 00.00", COLOUR_GREEN,
         1e308 * LATITUDE_FACTOR / 2},
        {"NaN", LATITUDE_LINE, {var(LATITUDE, NaN)}, "N 00   nan", COLOUR_GREEN, NaN},
        {"minus infinity", LATITUDE_LINE, {var(LATITUDE, -INF)}, "S 00   nan", COLOUR_GREEN, INF},
    });
    // clang-format on
}

TEST(PositionReadouts, Longitude) {
    // clang-format off
    runCases({
        {"prime meridian", LONGITUDE_LINE, {var(LONGITUDE, 0)}, "E000 00.00", COLOUR_GREEN, 0},
        {"east", LONGITUDE_LINE, {var(LONGITUDE, longitudeRaw(5.5))}, "E005 30.00", COLOUR_GREEN, 5.5},
        {"far east", LONGITUDE_LINE, {var(LONGITUDE, longitudeRaw(122.25))}, "E122 15.00", COLOUR_GREEN, 122.25},
        {"west is folded", LONGITUDE_LINE, {var(LONGITUDE, longitudeRaw(237.75))}, "W122 15.00", COLOUR_GREEN,
         122.25},
        {"exactly 180 stays east", LONGITUDE_LINE, {var(LONGITUDE, rawGiving(180, LONGITUDE_FACTOR))}, "E180 00.00",
         COLOUR_GREEN, 180},
        {"just past 180 is west", LONGITUDE_LINE,
         {var(LONGITUDE, std::nextafter(rawGiving(180, LONGITUDE_FACTOR), INF))}, "W179 60.00", COLOUR_GREEN, 180},
        {"just short of a full turn", LONGITUDE_LINE, {var(LONGITUDE, longitudeRaw(359.999))}, "W000 00.06",
         COLOUR_GREEN, 0.001},
        {"2^48 is just short of 360", LONGITUDE_LINE, {var(LONGITUDE, 281474976710656.0)}, "W000 00.00",
         COLOUR_GREEN, 1.2295334386180912e-06},
        {"below zero keeps E and the floor's sign", LONGITUDE_LINE, {var(LONGITUDE, longitudeRaw(-1.5))},
         "E-02 30.00", COLOUR_GREEN, -1.5},
        {"NaN", LONGITUDE_LINE, {var(LONGITUDE, NaN)}, "E000   nan", COLOUR_GREEN, NaN},
    });
    // clang-format on
}

}  // namespace
}  // namespace readout_test
