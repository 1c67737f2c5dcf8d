// Fuel, engine and temperature boxes: none of them changes colour.
#include "tests/readouts/readout_fixture.h"

namespace readout_test {
namespace {

using vorlat::COLOUR_GREEN;

constexpr Box GAL{1, 2}, AUX{1, 3}, GPH{1, 4}, RPM{4, 1}, HP{4, 2}, TORQ{4, 3}, PROP{4, 4}, THRST{4, 5}, WEPT{4, 6};
constexpr Box MPSI{5, 1}, FPSI{5, 2}, THRT{5, 3}, WSGT{5, 4}, PRESSURE{5, 5}, TEMPERATURE{5, 6};
constexpr Box ROT{6, 1}, CHT{6, 2}, OIL_T{6, 3}, OIL_P{6, 4};

TEST(EngineReadouts, FuelAndPower) {
    runCases({
        {"main fuel", GAL, {var(386, 12.34)}, " 12.3", COLOUR_GREEN, 12.34},
        {"aux fuel just under zero", AUX, {var(385, -0.05)}, " -0.1", COLOUR_GREEN, -0.05},
        {"fuel flow", GPH, {var(421, 60)}, "10.00", COLOUR_GREEN, 10.000002},
        {"rpm truncates", RPM, {var(390, 2400.9)}, " 2400", COLOUR_GREEN, 2400.9},
        {"horsepower", HP, {var(402, 100000)}, "  181", COLOUR_GREEN, 181.82},
        {"torque just under zero", TORQ, {var(403, -0.99)}, "    0", COLOUR_GREEN, -0.99},
        {"prop shows degrees, returns radians", PROP, {var(411, 0.5)}, " 28.6", COLOUR_GREEN, 0.5},
        {"thrust beyond 32 bits wraps", THRST, {var(412, 1e10)}, "1410065408", COLOUR_GREEN, 1e10},
        {"thrust of 2^31 wraps negative", THRST, {var(412, 2147483648.0)}, "-2147483648", COLOUR_GREEN, 2147483648.0},
        {"thrust NaN shows 0", THRST, {var(412, NaN)}, "    0", COLOUR_GREEN, NaN},
        {"WepT count", WEPT, {var(409, 3)}, "    3", COLOUR_GREEN, 3},
        {"manifold pressure", MPSI, {var(391, 2000)}, " 28.3", COLOUR_GREEN, 28.278},
        {"fuel pressure truncates", FPSI, {var(425, 5000)}, "   46", COLOUR_GREEN, 46.315},
        {"Wsgt", WSGT, {var(410, 1.005)}, " 1.00", COLOUR_GREEN, 1.005},
        {"unlabelled pressure", PRESSURE, {var(342, 10000)}, "18.5#", COLOUR_GREEN, 18.467021875},
        {"unlabelled temperature", TEMPERATURE, {var(350, 0.25)}, "147.0F", COLOUR_GREEN, 147.0},
        {"unlabelled temperature at zero", TEMPERATURE, {var(350, 0)}, "32.0F", COLOUR_GREEN, 32.0},
        {"unlabelled temperature below zero", TEMPERATURE, {var(350, -1)}, "-428.0F", COLOUR_GREEN, -428.0},
    });
}

TEST(EngineReadouts, ThrottleClampsOnlyAtTheTop) {
    runCases({
        {"16383 is exactly 100", THRT, {throttleWord(16383)}, " 100%", COLOUR_GREEN, 100},
        {"16384 is clamped", THRT, {throttleWord(16384)}, " 100%", COLOUR_GREEN, 100},
        {"32767 is clamped", THRT, {throttleWord(32767)}, " 100%", COLOUR_GREEN, 100},
        {"zero word is a hair above zero", THRT, {throttleWord(0)}, "   0%", COLOUR_GREEN, 0.006103515625},
        {"-1 is zero", THRT, {throttleWord(-1)}, "   0%", COLOUR_GREEN, 0},
        {"-4096 truncates toward zero", THRT, {throttleWord(-4096)}, " -24%", COLOUR_GREEN, -24.993896484375},
        {"-32768 is not clamped", THRT, {throttleWord(-32768)}, "-199%", COLOUR_GREEN, -199.993896484375},
        {"the element's own argument is not used", THRT, {throttleWord(8191), var(0, 1e9)}, "  50%", COLOUR_GREEN, 50},
    });
}

TEST(EngineReadouts, Temperatures) {
    runCases({
        {"ROT of one degree Rankine", ROT, {var(417, 1.0)}, "-458F", COLOUR_GREEN, -458.7},
        {"ROT hot", ROT, {var(417, 1000)}, " 540F", COLOUR_GREEN, 540.3},
        {"CHT truncates", CHT, {var(415, 519.67)}, "  59F", COLOUR_GREEN, 59.97},
        {"CHT at zero writes", CHT, {var(415, 0)}, "-459F", COLOUR_GREEN, -459.7},
        {"oil temperature over 1000", OIL_T, {var(416, 2000)}, "1540F", COLOUR_GREEN, 1540.3},
        {"oil temperature at zero writes", OIL_T, {var(416, 0)}, "-459F", COLOUR_GREEN, -459.7},
        {"oil pressure truncates", OIL_P, {var(418, 8640)}, "  59#", COLOUR_GREEN, 59.99616},
    });
}

// Under one degree Rankine the box keeps whatever it showed before.
TEST(EngineReadouts, RotSkipsReadingsUnderOneDegree) {
    struct Step {
        double raw;
        std::string text;
        double result;
    };
    const Step steps[] = {
        {1000, " 540F", 540.3}, {0.5, " 540F", 0.5},
        {-0.5, " 540F", -0.5},  {0, " 540F", 0},
        {NaN, " 540F", NaN},    {-1, "-460F", -460.7},
        {0.99, "-460F", 0.99},  {4294967296.0, "-460F", 4294967296.0},  // truncates to 0 in 32 bits
    };
    Panel panel;
    for (const auto& step : steps) {
        SCOPED_TRACE(step.raw);
        panel.update({var(417, step.raw)});
        const auto view = panel.box(ROT);
        EXPECT_EQ(view.text, step.text);
        expectResult(view.lastResult, step.result);
    }
}

}  // namespace
}  // namespace readout_test
