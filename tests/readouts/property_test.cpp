// Any double the host can hand over, however large or strange, gives every
// box a terminated text within the host's 32 bytes, and nothing crashes: the
// loaded module, driven by the host, which checks its guard bytes after every
// callback. hostile_input_test.cpp feeds a million doubles in-process.
#include <set>

#include "tests/readouts/hostile_values.h"
#include "tests/readouts/readout_fixture.h"

namespace readout_test {
namespace {

constexpr std::size_t DOUBLES = 100'000;
constexpr std::size_t FORMAT_LIMIT = 31;  // characters before the terminator

TEST(ReadoutProperty, AnyInputGivesATerminatedTextWithinTheBuffer) {
    Panel panel;
    vorlat::Host& host = panel.host();

    std::set<std::uint32_t> variables = {GROUND_VARIABLE, STALL_VARIABLE, BANK_VARIABLE, HEADING_VARIABLE};
    for (const auto& child : host.children()) {
        for (std::uint32_t id : child.variableIds) {
            if (id != 0) variables.insert(id);
        }
    }

    HostileValues values;
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
