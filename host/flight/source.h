// A flight source feeds the host the inputs of one moment of a flight.
#pragma once

#include <vector>

#include "host/host.h"

namespace vorlat::flight {

// A button press at a moment of the flight: one of the recorder's icons, or a
// point on the panel routed through the mouse areas.
struct Press {
    enum class Target { Record, Pause, Point };
    double time = 0;  // seconds from the start
    Target target = Target::Point;
    int x = 0, y = 0;  // Point only: panel pixels

    friend bool operator==(const Press&, const Press&) = default;
};

class FlightSource {
public:
    virtual ~FlightSource() = default;
    // Seconds the flight lasts when no duration is asked for.
    virtual double duration() const = 0;
    // Sets every input the source drives to its value at `time` (seconds). Called
    // with times that do not decrease; a smaller time starts the flight again.
    virtual void apply(Host& host, double time) = 0;
    // Presses that belong to the flight itself (the built-in flight's recording).
    virtual std::vector<Press> ownPresses() const { return {}; }
};

}  // namespace vorlat::flight
