// Runs a flight through a loaded module: setup, start, one panel update per
// host tick with the source's inputs and the scripted presses, then final.
// Time is simulated: the loop runs as fast as the module allows.
#pragma once

#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <vector>

#include "host/flight/source.h"
#include "host/gauge_facts.h"
#include "host/host.h"

namespace vorlat::flight {

inline constexpr double DEFAULT_UPDATE_RATE = gauge::DEFAULT_TICK_RATE;  // panel updates per second

// Asked just before a planned press is made; false skips it (a press that
// would do harm given what the panel shows now).
using PressGate = std::function<bool(const Host&, const Press&)>;

struct RunOptions {
    double rate = DEFAULT_UPDATE_RATE;  // updates per second; the tick count is 0 at the first, then one more each
    double duration = 0;                // seconds; the update count is floor(duration * rate) + 1
    std::vector<Press> presses;         // in any order; each runs before the first update at or after its time
    PressGate allowPress;               // none: every press is made
};

struct PressOutcome {
    Press press;
    bool handled = false;  // a handler of the module ran
    bool skipped = false;  // the gate refused it: it was never made
};

// What the observer sees after each update.
struct UpdateInfo {
    std::int64_t index = 0;                 // 0 for the first update
    std::int64_t count = 0;                 // updates in the whole run
    double time = 0;                        // seconds
    std::uint32_t tick = 0;                 // the tick variable: equal to index, so that tick / rate is the time
    std::span<const PressOutcome> presses;  // the presses due just before this update, skipped ones included
};

struct RunResult {
    std::int64_t updates = 0;
    std::vector<PressOutcome> presses;
};

using UpdateObserver = std::function<void(const Host&, const UpdateInfo&)>;

// Updates at 0, 1/rate, 2/rate, ... up to the duration, at most MAX_UPDATE_COUNT.
inline constexpr std::int64_t MAX_UPDATE_COUNT = std::int64_t{1} << 40;
std::int64_t updateCount(double duration, double rate);

// Where a press lands on the panel: the centre of the record or pause icon, or the point itself.
struct PanelPoint {
    int x = 0, y = 0;
};
PanelPoint pressPoint(const Host& host, const Press& press);

// Drives the whole lifecycle from setup to final; the caller unloads the module.
// The host's record of service calls is cleared after every update.
RunResult runFlight(Host& host, FlightSource& source, const RunOptions& options, const UpdateObserver& observer = {});

}  // namespace vorlat::flight
