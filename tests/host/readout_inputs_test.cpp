// The host's description of what each readout reads (READOUT_INPUTS) against
// the real module, seen only through the host: each host input changed alone,
// every box whose text or colour moves lists that input, and every input a box
// lists moves it.
#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <string>
#include <string_view>

#include "host/gauge_facts.h"
#include "host/host.h"

namespace {

using namespace vorlat;
using gauge::HostInput;

constexpr double BASELINE = 1000;
// Nine updates after a change: the rate readouts close the window that holds
// it and Acel takes a sample, and neither has moved on again.
constexpr int UPDATES_BEFORE = 20, UPDATES_AFTER = 9;

// A value far from the baseline for every conversion (the longitude's raw unit
// is 1e-12 degree); the stall flag moves from set to clear; the words stay in range.
double changedValue(const HostInput& input) {
    if (&input == &gauge::STALL) return 0;
    if (input.storage == gauge::Storage::ThrottleWord) return 10'000;
    if (input.storage == gauge::Storage::DataWord) return 100'000;
    return 1e12;
}

void feed(Host& host, const HostInput& input, double value) {
    switch (input.storage) {
        case gauge::Storage::Variable: host.setVariable(input.index, value); break;
        case gauge::Storage::DataWord: host.setDataWord(input.index, static_cast<std::int32_t>(value)); break;
        case gauge::Storage::ThrottleWord: host.setThrottleWord(static_cast<std::int16_t>(value)); break;
    }
}

using Shown = std::map<std::string_view, std::pair<std::string, std::uint32_t>>;  // box -> text, colour

// Every input at the baseline, then `changed` (if any) moved, the panel read after the last update.
Shown fly(const HostInput* changed) {
    Host host(HostOptions{.modulePath = defaultModulePath(), .privateCopy = true, .resourceScript = {}});
    for (const HostInput* input : gauge::HOST_INPUTS) feed(host, *input, BASELINE);
    host.setVariable(gauge::TICK_VARIABLE, 0);
    host.setup();
    host.start();
    for (int tick = 1; tick <= UPDATES_BEFORE + UPDATES_AFTER; ++tick) {
        if (changed && tick == UPDATES_BEFORE + 1) feed(host, *changed, changedValue(*changed));
        host.setVariable(gauge::TICK_VARIABLE, tick);
        host.update();
        host.clearCalls();
    }
    Shown shown;
    for (const gauge::ReadoutInputs& readout : gauge::READOUT_INPUTS) {
        const gauge::ReadoutPlace place = gauge::readoutPlace(readout.box);
        const ElementView element = host.child(host.textChildAt(place.x, place.y).value());
        shown[readout.box] = {element.text, element.foreColour};
    }
    host.final();
    return shown;
}

bool lists(const gauge::ReadoutInputs& readout, const HostInput* input) {
    for (const HostInput* listed : readout.inputs)
        if (listed == input) return true;
    return false;
}

TEST(ReadoutInputs, ListOnlyInputsTheHostFeeds) {
    for (const gauge::ReadoutInputs& readout : gauge::READOUT_INPUTS) {
        for (const HostInput* listed : readout.inputs) {
            if (listed == nullptr) continue;
            EXPECT_NE(std::find(gauge::HOST_INPUTS.begin(), gauge::HOST_INPUTS.end(), listed), gauge::HOST_INPUTS.end())
                << readout.box;
        }
    }
}

TEST(ReadoutInputs, EachInputMovesExactlyTheBoxesThatListIt) {
    const Shown reference = fly(nullptr);
    for (const HostInput* input : gauge::HOST_INPUTS) {
        SCOPED_TRACE(std::string(input->traceName));
        const Shown shown = fly(input);
        for (const gauge::ReadoutInputs& readout : gauge::READOUT_INPUTS) {
            const bool moved = shown.at(readout.box) != reference.at(readout.box);
            EXPECT_EQ(moved, lists(readout, input)) << readout.box << ": \"" << reference.at(readout.box).first
                                                    << "\" became \"" << shown.at(readout.box).first << "\"";
        }
    }
}

}  // namespace
