// The colour rules on their thresholds: a value on a threshold takes the milder colour.
#include <gtest/gtest.h>

#include <limits>

#include "readouts/constants.h"

namespace {

constexpr double NaN = std::numeric_limits<double>::quiet_NaN();

TEST(ColourRules, UpperBands) {
    struct Case {
        double value;
        std::uint32_t colour;
    };
    const Case cases[] = {
        {500.0000001, COLOUR_RED}, {500, COLOUR_YELLOW}, {300.0000001, COLOUR_YELLOW},
        {300, COLOUR_GREEN},       {-1e9, COLOUR_GREEN}, {NaN, COLOUR_GREEN},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(upperBandColour(c.value, AIRSPEED_RED, AIRSPEED_YELLOW), c.colour) << c.value;
    }
}

TEST(ColourRules, SymmetricBands) {
    struct Case {
        double value;
        std::uint32_t colour;
    };
    const Case cases[] = {
        {8.0000001, COLOUR_RED},    {-8.0000001, COLOUR_RED},    {8, COLOUR_YELLOW}, {-8, COLOUR_YELLOW},
        {3.0000001, COLOUR_YELLOW}, {-3.0000001, COLOUR_YELLOW}, {3, COLOUR_GREEN},  {-3, COLOUR_GREEN},
        {0, COLOUR_GREEN},          {NaN, COLOUR_GREEN},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(symmetricBandColour(c.value, G_RED, G_YELLOW), c.colour) << c.value;
    }
}

TEST(ColourRules, HeightAboveGround) {
    struct Case {
        double altitude;
        double ground;
        std::uint32_t colour;
    };
    const Case cases[] = {
        {499.999, 0, COLOUR_RED},    {500, 0, COLOUR_YELLOW},    {2999.999, 0, COLOUR_YELLOW},
        {3000, 0, COLOUR_GREEN},     {-10, 0, COLOUR_RED},       {1499, 1000, COLOUR_RED},
        {1500, 1000, COLOUR_YELLOW}, {4000, 1000, COLOUR_GREEN}, {-500, -1000, COLOUR_YELLOW},
        {NaN, 0, COLOUR_GREEN},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(heightAboveGroundColour(c.altitude, c.ground, ALTITUDE_RED_MARGIN, ALTITUDE_YELLOW_MARGIN), c.colour)
            << c.altitude << " over " << c.ground;
    }
}

TEST(ColourRules, FlagIsRedOrGreenNeverYellow) {
    EXPECT_EQ(flagColour(0), COLOUR_GREEN);
    EXPECT_EQ(flagColour(1), COLOUR_RED);
    EXPECT_EQ(flagColour(-1), COLOUR_RED);
    EXPECT_EQ(flagColour(std::numeric_limits<std::int32_t>::min()), COLOUR_RED);
}

}  // namespace
