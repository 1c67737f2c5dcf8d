// Any double the host can hand over, however large or strange, gives every
// box a terminated text within the host's 32 bytes, and nothing crashes: the
// loaded module, driven by the host, which checks its guard bytes after every
// callback. hostile_input_test.cpp feeds a million doubles in-process.
#include <bit>
#include <random>
#include <set>

#include "tests/readouts/readout_fixture.h"

namespace readout_test {
namespace {

constexpr std::size_t DOUBLES = 100'000;
constexpr std::size_t FORMAT_LIMIT = 31;  // characters before the terminator

double specialValue(std::size_t n) {
    static const double SPECIAL[] = {
        NaN, -NaN, INF, -INF, 0.0, -0.0,
        std::numeric_limits<double>::denorm_min(), -std::numeric_limits<double>::denorm_min(),
        std::numeric_limits<double>::min(), 1e308, -1e308,
        std::numeric_limits<double>::max(), -std::numeric_limits<double>::max(),
        2147483648.0, -2147483649.0, 9223372036854775808.0, -9223372036854775808.0, 1e19, 0.5, -0.5, 0.99999999,
    };
    return SPECIAL[n % std::size(SPECIAL)];
}

class Values {
public:
    double next() {
        const auto kind = random_() % 4;
        if (kind == 0) return specialValue(static_cast<std::size_t>(random_()));  // size_t is 32 bits on i686
        if (kind == 1) return std::bit_cast<double>(random_());  // any bit pattern: NaNs, denormals, huge
        // Ordinary magnitudes around the panel's ranges and the formatting edges.
        return std::ldexp(std::uniform_real_distribution<double>(-1, 1)(random_), int(random_() % 140) - 40);
    }
    std::uint64_t bits() { return random_(); }

private:
    std::mt19937_64 random_{20261209};
};

TEST(ReadoutProperty, AnyInputGivesATerminatedTextWithinTheBuffer) {
    Panel panel;
    vorlat::Host& host = panel.host();

    std::set<std::uint32_t> variables = {GROUND_VARIABLE, STALL_VARIABLE, BANK_VARIABLE, HEADING_VARIABLE};
    for (const auto& child : host.children()) {
        for (std::uint32_t id : child.variableIds) {
            if (id != 0) variables.insert(id);
        }
    }

    Values values;
    std::size_t fed = 0;
    while (fed < DOUBLES) {
        for (std::uint32_t id : variables) host.setVariable(id, values.next());
        fed += variables.size();
        host.setDataWord(TAS_WORD, static_cast<std::int32_t>(values.bits()));
        host.setDataWord(IAS_WORD, static_cast<std::int32_t>(values.bits()));
        host.setThrottleWord(static_cast<std::int16_t>(values.bits()));
        host.update();
        for (const auto& view : host.children()) {
            // The host reads at most 32 bytes: 32 characters would mean no terminator.
            ASSERT_LE(view.text.size(), FORMAT_LIMIT) << "child " << view.child << ": " << view.text;
        }
        ASSERT_TRUE(host.violations().empty()) << host.violations().front();
    }
}

}  // namespace
}  // namespace readout_test
