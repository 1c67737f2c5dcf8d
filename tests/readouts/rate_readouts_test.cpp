// Roll and Turn: nine-call windows of wrapped differences, seeded at start.
#include "tests/readouts/readout_fixture.h"

namespace readout_test {
namespace {

constexpr Box ROLL{3, 3}, TURN{3, 4};
constexpr std::uint32_t ELEMENT_VARIABLE = 1;  // the rate boxes' own variable, returned untouched
constexpr int WINDOW = 9;

TEST(RateReadouts, ANewRateOnEveryNinthCall) {
    Panel panel;  // bank 0 at start
    for (int call = 1; call <= 3 * WINDOW; ++call) {
        SCOPED_TRACE(call);
        // Bank grows by 2 per call for two windows, then holds still.
        const double bank = 2.0 * std::min(call, 2 * WINDOW);
        panel.update({var(BANK_VARIABLE, bank), var(ELEMENT_VARIABLE, 7.5)});
        const char* expected = call < WINDOW ? "  0.0" : call < 3 * WINDOW ? "-40.5" : " -0.0";
        EXPECT_EQ(panel.box(ROLL).text, expected);
        EXPECT_EQ(panel.box(ROLL).lastResult, 7.5);
        // A window without change gives a rate of 0 * -2.25, a negative zero.
        EXPECT_EQ(panel.box(TURN).text, call < WINDOW ? "  0.0" : " -0.0") << "heading held still";
        EXPECT_EQ(panel.box(TURN).lastResult, 7.5);
    }
}

TEST(RateReadouts, DifferencesWrapOnceAtStrictlyMoreThanHalfATurn) {
    struct Case {
        const char* name;
        Box box;
        std::uint32_t variable;
        double atStart;
        double sample;
        const char* text;
    };
    const Case cases[] = {
        {"bank 170 to -170 is +20", ROLL, BANK_VARIABLE, 170, -170, "-45.0"},
        {"bank -170 to 170 is -20", ROLL, BANK_VARIABLE, -170, 170, " 45.0"},
        {"exactly +180 is kept", ROLL, BANK_VARIABLE, 0, 180, "-405.0"},
        {"exactly -180 is kept", ROLL, BANK_VARIABLE, 0, -180, "405.0"},
        {"just past -180 wraps", ROLL, BANK_VARIABLE, 90.25, -90.25, "-403.9"},
        {"heading 359 to 1 passes north: +2", TURN, HEADING_VARIABLE, 359, 1, " -4.5"},
        {"heading 1 to 359 passes north: -2", TURN, HEADING_VARIABLE, 1, 359, "  4.5"},
        {"beyond 540 is corrected once only", TURN, HEADING_VARIABLE, 0, 600, "-540.0"},
        {"beyond -540 is corrected once only", TURN, HEADING_VARIABLE, 0, -600, "540.0"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Panel panel({var(c.variable, c.atStart)});
        for (int call = 0; call < WINDOW; ++call) panel.update({var(c.variable, c.sample)});
        EXPECT_EQ(panel.box(c.box).text, c.text);
    }
}

TEST(RateReadouts, StartSeedsThePreviousSample) {
    Panel panel({var(BANK_VARIABLE, 100), var(HEADING_VARIABLE, 250)});
    for (int call = 0; call < WINDOW; ++call) panel.update({var(BANK_VARIABLE, 102), var(HEADING_VARIABLE, 254)});
    EXPECT_EQ(panel.box(ROLL).text, " -4.5") << "the first step counts from the start sample, not from zero";
    EXPECT_EQ(panel.box(TURN).text, " -9.0");
}

// A second setup and start re-seeds the previous sample and keeps the rest.
TEST(RateReadouts, WindowAndRateCarryOverARestartOfTheGauge) {
    Panel panel;
    vorlat::Host& host = panel.host();
    for (int call = 1; call <= 5; ++call) panel.update({var(BANK_VARIABLE, 2.0 * call)});  // sum 10, 5 calls

    host.final();
    host.setVariable(BANK_VARIABLE, 50);
    host.setup();
    host.start();
    for (int call = 1; call <= 3; ++call) panel.update({var(BANK_VARIABLE, 50 + 2.0 * call)});
    EXPECT_EQ(panel.box(ROLL).text, "  0.0") << "eight calls so far";
    panel.update({var(BANK_VARIABLE, 58)});
    EXPECT_EQ(panel.box(ROLL).text, "-40.5") << "ninth call: sum 10 + 8 carried over";

    host.final();
    host.setup();
    host.start();
    panel.update({var(BANK_VARIABLE, 58)});
    EXPECT_EQ(panel.box(ROLL).text, "-40.5") << "the rate survives a restart";
    EXPECT_TRUE(host.violations().empty());
}

}  // namespace
}  // namespace readout_test
