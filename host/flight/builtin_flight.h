// The built-in flight: a scripted, deterministic flight of about four minutes (234 s)
// that shows every box changing and crosses every colour band of the panel.
//
//   engine start and taxi, take-off (recording starts), climb, level cruise
//   (recording paused and resumed), steep turns left and right, a stall and its
//   recovery dive with a pull-out into yellow and red g, a low pass (altitude
//   red, then yellow), a climbing turn, descent and landing (recording ends).
//
// The script is written in display units (feet, knots, degrees, percent) as
// keyframe tracks; the raw host values come from the host's own facts about the
// gauge (host/gauge_facts.h), not from the module's.
#pragma once

#include <vector>

#include "host/flight/source.h"

namespace vorlat::flight {

// Moments of the script, in seconds from the start.
namespace script {
inline constexpr double ENGINE_START = 2;
inline constexpr double TAXI = 12;
inline constexpr double TAKEOFF_ROLL = 34;
inline constexpr double RECORD_ON = 38;
inline constexpr double LIFTOFF = 46;
inline constexpr double LEVEL_OFF = 84;
inline constexpr double PAUSE = 96;
inline constexpr double LEFT_TURN = 98;
inline constexpr double RESUME = 106;
inline constexpr double RIGHT_TURN = 112;
inline constexpr double SLOW_DOWN = 126;
inline constexpr double STALL = 138.5;
inline constexpr double STALL_END = 143;
inline constexpr double PULL_OUT = 152.5;  // the g peak
inline constexpr double LOW_PASS = 181;    // lowest over the runway
inline constexpr double TOUCHDOWN = 220;
inline constexpr double RECORD_OFF = 226;
inline constexpr double END = 234;
}  // namespace script

// The flight's state in display units, as the panel should show it.
struct FlightState {
    double altitudeFt = 0, groundFt = 0;
    double tasKt = 0, iasKt = 0;
    double headingDeg = 0, bankDeg = 0, pitchDeg = 0;  // pitch: nose up positive
    double gLoad = 1, climbFpm = 0, aoaDeg = 0;
    bool stalled = false;
    double aileronDeg = 0, elevatorDeg = 0;
    double throttlePct = 0, rpm = 0, horsepower = 0, torque = 0, propDeg = 0, thrustLb = 0, wepSeconds = 0;
    double manifoldPsi = 0, fuelPressurePsi = 0, fuelFlowGph = 0, fuelGal = 0, auxFuelGal = 0, wsgt = 0;
    double baroInHg = 0, outsideAirF = 0, rotF = 0, chtF = 0, oilTempF = 0, oilPressurePsi = 0;
    double latitudeDeg = 0, longitudeDeg = 0;  // north and east positive
};

class BuiltinFlight : public FlightSource {
public:
    BuiltinFlight();
    double duration() const override;
    void apply(Host& host, double time) override;
    std::vector<Press> ownPresses() const override;

    // The state at a time; advances the integrated quantities (fuel, temperatures,
    // position) to it, starting again from the beginning for an earlier time.
    FlightState stateAt(double time);

private:
    void restart();
    void step(double dt);

    double simTime_ = 0;
    double fuelGal_ = 0, auxFuelGal_ = 0, wepSeconds_ = 0;
    double rotF_ = 0, chtF_ = 0, oilTempF_ = 0;
    double latitudeDeg_ = 0, longitudeDeg_ = 0;
};

// Writes a state into the host as the raw values its readouts expect.
void applyState(Host& host, const FlightState& state);

}  // namespace vorlat::flight
