#include "host/flight/builtin_flight.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <initializer_list>
#include <limits>
#include <numbers>

#include "host/flight/channel.h"
#include "host/gauge_facts.h"

namespace vorlat::flight {

namespace {

using namespace script;

// A smooth curve through keyframes that never overshoots them (monotone cubic
// Hermite), so a flat stretch stays flat and the ground is never undercut.
class Track {
public:
    struct Key {
        double time, value;
    };
    Track(std::initializer_list<Key> keys) : keys_(keys), slopes_(keys_.size(), 0.0) {
        const std::size_t n = keys_.size();
        if (n < 2) return;
        std::vector<double> secant(n - 1);
        for (std::size_t k = 0; k + 1 < n; ++k)
            secant[k] = (keys_[k + 1].value - keys_[k].value) / (keys_[k + 1].time - keys_[k].time);
        slopes_[0] = secant[0];
        slopes_[n - 1] = secant[n - 2];
        for (std::size_t k = 1; k + 1 < n; ++k) {
            if (secant[k - 1] * secant[k] <= 0) continue;
            const double before = keys_[k].time - keys_[k - 1].time;
            const double after = keys_[k + 1].time - keys_[k].time;
            const double w1 = 2 * after + before, w2 = after + 2 * before;
            slopes_[k] = (w1 + w2) / (w1 / secant[k - 1] + w2 / secant[k]);
        }
        // Clamp the ends too, so a first or last segment cannot overshoot.
        if (secant[0] * slopes_[1] <= 0) slopes_[0] = 0;
        if (secant[n - 2] * slopes_[n - 2] <= 0) slopes_[n - 1] = 0;
    }

    double at(double time) const {
        if (time <= keys_.front().time) return keys_.front().value;
        if (time >= keys_.back().time) return keys_.back().value;
        const auto next =
            std::upper_bound(keys_.begin(), keys_.end(), time, [](double t, const Key& key) { return t < key.time; });
        const std::size_t k = static_cast<std::size_t>(next - keys_.begin()) - 1;
        const double h = keys_[k + 1].time - keys_[k].time;
        const double u = (time - keys_[k].time) / h;
        const double u2 = u * u, u3 = u2 * u;
        return (2 * u3 - 3 * u2 + 1) * keys_[k].value + (u3 - 2 * u2 + u) * h * slopes_[k] +
               (-2 * u3 + 3 * u2) * keys_[k + 1].value + (u3 - u2) * h * slopes_[k + 1];
    }

private:
    std::vector<Key> keys_;
    std::vector<double> slopes_;
};

// The airfield.
constexpr double FIELD_ELEVATION_FT = 850;
constexpr double FIELD_LATITUDE_DEG = 46.2350;
constexpr double FIELD_LONGITUDE_DEG = 6.1075;
constexpr double AMBIENT_F = 59 - 3.57 * FIELD_ELEVATION_FT / 1000;
constexpr double MAIN_TANK_GAL = 92.0;
constexpr double AUX_TANK_GAL = 40.0;
constexpr double AUX_TANK_FROM = LEVEL_OFF;  // the pilot switches to the auxiliary tank in cruise
constexpr double AUX_TANK_UNTIL = SLOW_DOWN;
constexpr double EMPTY_WEIGHT_KLB = 7.20;
constexpr double FUEL_LB_PER_GAL = 6.0;
constexpr double STEP_S = 1.0 / 90;  // integration step of fuel, temperatures and position

// Height above the field, feet.
const Track& heightTrack() {
    static const Track track{{0, 0},         {LIFTOFF, 0}, {50, 50},        {LEVEL_OFF, 3600}, {98, 3700},
                             {110, 3650},    {124, 3700},  {138, 3900},     {STALL_END, 3800}, {151, 2900},
                             {156, 2500},    {164, 2000},  {LOW_PASS, 120}, {186, 150},        {204, 1400},
                             {TOUCHDOWN, 0}, {END, 0}};
    return track;
}

const Track& tasTrack() {
    static const Track track{
        {0, 0},          {TAXI, 0},       {15, 12},         {28, 12},         {31, 4},    {TAKEOFF_ROLL, 0},
        {35, 0},         {LIFTOFF, 105},  {56, 170},        {LEVEL_OFF, 230}, {96, 290},  {110, 280},
        {124, 285},      {138, 85},       {141, 78},        {STALL_END, 90},  {147, 420}, {150, 540},
        {PULL_OUT, 470}, {156, 330},      {164, 260},       {LOW_PASS, 250},  {186, 240}, {204, 170},
        {214, 120},      {TOUCHDOWN, 90}, {RECORD_OFF, 35}, {230, 10},        {END, 0}};
    return track;
}

// Unwrapped: a full turn keeps counting past 360.
const Track& headingTrack() {
    static const Track track{{0, 90},           {TAXI, 90}, {22, 160},  {30, 330},  {LEFT_TURN, 330}, {110, 240},
                             {RIGHT_TURN, 240}, {124, 350}, {138, 350}, {141, 330}, {STALL_END, 320}, {164, 330},
                             {LOW_PASS, 330},   {186, 330}, {204, 150}, {END, 150}};
    return track;
}

const Track& bankTrack() {
    static const Track track{{0, 0},    {LEFT_TURN, 0}, {100, -60}, {108, -60}, {110, 0},   {RIGHT_TURN, 0},
                             {114, 60}, {122, 60},      {124, 0},   {138, 0},   {140, -25}, {STALL_END, -10},
                             {148, 0},  {186, 0},       {188, -45}, {202, -45}, {204, 0},   {END, 0}};
    return track;
}

const Track& pitchTrack() {
    static const Track track{{0, 0},     {LIFTOFF, 0}, {48, 10},       {LEVEL_OFF, 12}, {88, 2},          {98, 2},
                             {110, 4},   {124, 4},     {138, 16},      {141, 8},        {STALL_END, -30}, {148, -45},
                             {151, -20}, {154, 10},    {158, 3},       {164, -6},       {LOW_PASS, 0},    {186, 8},
                             {204, 5},   {214, -3},    {TOUCHDOWN, 5}, {224, 0},        {END, 0}};
    return track;
}

// g beyond what the bank of a level turn asks for: buffet, the pull-out, the pull-up.
const Track& extraGTrack() {
    static const Track track{{0, 0},      {138, 0},      {139, -0.3},     {141, -0.4}, {STALL_END, -0.6},
                             {148, -0.4}, {151, 2.5},    {PULL_OUT, 7.6}, {154, 3.4},  {156, 0.5},
                             {158, 0},    {LOW_PASS, 0}, {183, 1.2},      {185, 0},    {END, 0}};
    return track;
}

const Track& aoaTrack() {
    static const Track track{{0, 2},   {LIFTOFF, 2}, {48, 9},         {LEVEL_OFF, 6}, {98, 3},       {100, 6},
                             {124, 6}, {134, 11},    {138, 17},       {139, 21},      {141, 22},     {STALL_END, 8},
                             {148, 1}, {151, 5},     {PULL_OUT, 12},  {156, 4},       {LOW_PASS, 3}, {186, 7},
                             {204, 6}, {214, 8},     {TOUCHDOWN, 10}, {224, 2},       {END, 2}};
    return track;
}

const Track& throttleTrack() {
    static const Track track{
        {0, 0},          {ENGINE_START, 0}, {9, 8},           {TAXI, 8},        {14, 18},  {28, 18},
        {31, 8},         {TAKEOFF_ROLL, 8}, {36, 100},        {LEVEL_OFF, 100}, {86, 80},  {124, 80},
        {SLOW_DOWN, 10}, {141, 10},         {STALL_END, 100}, {151, 100},       {156, 70}, {164, 40},
        {LOW_PASS, 55},  {204, 45},         {214, 25},        {TOUCHDOWN, 5},   {END, 5}};
    return track;
}

// The starter turns the engine over until it catches and settles to idle.
const Track& startRpmTrack() {
    static const Track track{{0, 0}, {ENGINE_START, 0}, {4, 350}, {6, 1150}, {9, 884}};
    return track;
}

constexpr double ENGINE_IDLE = 9;
constexpr double IDLE_RPM = 700, RPM_PER_PERCENT = 23;

double clamp(double value, double low, double high) { return std::min(std::max(value, low), high); }

double wrapDegrees(double degrees) {
    const double wrapped = std::fmod(degrees, 360.0);
    return wrapped < 0 ? wrapped + 360.0 : wrapped;
}

double densityRatio(double altitudeFt) { return std::pow(1 - 6.8756e-6 * altitudeFt, 4.2559); }

bool engineRunning(double time) { return time >= ENGINE_START; }

// Small steady ripples so that airborne values never sit still; zero on the ground.
double ripple(double time, double a, double b) { return std::sin(a * time) + 0.5 * std::sin(b * time + 1.0); }

double airborneFactor(double time) { return clamp(heightTrack().at(time) / 50.0, 0.0, 1.0); }

double heightAt(double time) { return heightTrack().at(time) + 1.5 * airborneFactor(time) * ripple(time, 0.9, 2.3); }

double bankAt(double time) { return bankTrack().at(time) + 0.6 * airborneFactor(time) * ripple(time, 1.3, 3.1); }

double horsepowerFor(double throttlePct, double time, double altitudeFt) {
    if (!engineRunning(time)) return 0;
    const double warm = clamp((time - ENGINE_START) / (ENGINE_IDLE - ENGINE_START), 0.0, 1.0);
    return warm * (60 + 1450 * std::pow(throttlePct / 100, 1.2) * std::pow(densityRatio(altitudeFt), 0.6));
}

// Fuel: a little under 0.4 lb per horsepower and hour, and a trickle at idle.
double fuelFlowGph(double horsepower, bool running) { return running ? 2 + horsepower * 0.38 / FUEL_LB_PER_GAL : 0; }

double approach(double current, double target, double timeConstantS, double dt) {
    return current + (target - current) * (1 - std::exp(-dt / timeConstantS));
}

// Half the span of the central differences that give climb and roll rates.
constexpr double RATE_HALF_SPAN_S = 0.05;

// Attitude, speeds and heights: the flight path itself.
void flyPath(FlightState& s, double t) {
    const double air = airborneFactor(t);
    s.groundFt = FIELD_ELEVATION_FT;
    s.altitudeFt = FIELD_ELEVATION_FT + heightAt(t);
    const double dt = RATE_HALF_SPAN_S;
    s.climbFpm = (heightAt(t + dt) - heightAt(t - dt)) / (2 * dt) * 60;
    s.tasKt = std::max(0.0, tasTrack().at(t) + 0.8 * air * ripple(t, 0.7, 1.9));
    s.iasKt = s.tasKt * std::sqrt(densityRatio(s.altitudeFt));
    s.headingDeg = wrapDegrees(headingTrack().at(t) + 0.2 * air * ripple(t, 0.5, 1.7));
    s.bankDeg = bankAt(t);
    s.pitchDeg = pitchTrack().at(t) + 0.3 * air * ripple(t, 1.7, 2.9);
    const double bankRad = clamp(s.bankDeg, -85.0, 85.0) * std::numbers::pi / 180;
    s.gLoad = air > 0 ? 1 / std::cos(bankRad) + extraGTrack().at(t) + 0.04 * air * ripple(t, 3.1, 5.3) : 1.0;
    s.aoaDeg = aoaTrack().at(t);
    s.stalled = t >= STALL && t < STALL_END;
}

// The control surfaces that go with the path's roll rate, angle of attack and g.
void moveControls(FlightState& s, double t) {
    const double dt = RATE_HALF_SPAN_S;
    const double rollRate = (bankAt(t + dt) - bankAt(t - dt)) / (2 * dt);
    s.aileronDeg = clamp(0.35 * rollRate, -18.0, 18.0);
    s.elevatorDeg = clamp(0.6 * s.aoaDeg + 1.8 * (s.gLoad - 1), -25.0, 28.0);
}

// Engine, propeller, fuel and oil systems, from the throttle; needs the flight path.
void runEngine(FlightState& s, double t) {
    const bool running = engineRunning(t);
    s.throttlePct = throttleTrack().at(t);
    s.rpm = !running ? 0 : t < ENGINE_IDLE ? startRpmTrack().at(t) : IDLE_RPM + RPM_PER_PERCENT * s.throttlePct;
    s.horsepower = horsepowerFor(s.throttlePct, t, s.altitudeFt);
    s.torque = s.rpm > 1 ? s.horsepower * 5252 / s.rpm : 0;
    s.propDeg = 18 + clamp(0.07 * s.tasKt, 0.0, 32.0);
    s.thrustLb = std::min(3.0 * s.horsepower, 0.8 * 326 * s.horsepower / std::max(s.tasKt, 1.0));
    const double warm = running ? clamp((t - ENGINE_START) / (ENGINE_IDLE - ENGINE_START), 0.0, 1.0) : 0;
    s.manifoldPsi = running ? 5 + 25 * s.throttlePct / 100 * std::sqrt(densityRatio(s.altitudeFt)) : 14.3;
    s.fuelPressurePsi = warm * (14 + 0.06 * s.throttlePct);
    s.fuelFlowGph = fuelFlowGph(s.horsepower, running);
    s.oilPressurePsi = warm * (55 + 0.2 * s.throttlePct);
}

// The standard atmosphere at the aircraft's altitude.
void readAir(FlightState& s) {
    s.baroInHg = 29.92 * std::pow(1 - 6.8756e-6 * s.altitudeFt, 5.2559);
    s.outsideAirF = 59 - 3.57 * s.altitudeFt / 1000;
}

// The host takes raw values: they are computed here with the host's own facts,
// never the module's, so a wrong factor in the module shows on the panel.
using gauge::HostInput;
constexpr double PERCENT = 100.0;

void feed(Host& host, const HostInput& input, double raw) { applyChannel(host, channelOf(input), raw); }

// Feeds an input whose box shows a plain product of it (panelPerRaw) the raw
// value for `shown`; a data word holds the nearest whole raw value.
void show(Host& host, const HostInput& input, double shown) {
    const double raw = shown / input.panelPerRaw;
    feed(host, input, input.storage == gauge::Storage::DataWord ? std::round(raw) : raw);
}

void applyFlightPath(Host& host, const FlightState& s) {
    show(host, gauge::ALTITUDE, s.altitudeFt);
    show(host, gauge::GROUND_ELEVATION, s.groundFt);
    show(host, gauge::TAS_WORD, s.tasKt);
    show(host, gauge::IAS_WORD, s.iasKt);
    show(host, gauge::SPEED, s.tasKt);
    show(host, gauge::HEADING, s.headingDeg);
    show(host, gauge::BANK, s.bankDeg);
    show(host, gauge::PITCH, s.pitchDeg);  // the host counts pitch nose down: -1 per raw degree
    show(host, gauge::G_LOAD, s.gLoad);
    show(host, gauge::CLIMB, s.climbFpm);
    feed(host, gauge::AOA, gauge::AOA_ZERO_RAW - s.aoaDeg / gauge::AOA_DEGREES_PER_RAW);
    feed(host, gauge::STALL, s.stalled ? 1.0 : 0.0);
    show(host, gauge::AILERON, s.aileronDeg);
    show(host, gauge::ELEVATOR, s.elevatorDeg);
}

void applyEngine(Host& host, const FlightState& s) {
    const double throttleWord = std::round(s.throttlePct / PERCENT * gauge::THROTTLE_FULL_WORD) - 1;
    feed(host, gauge::THROTTLE,
         clamp(throttleWord, std::numeric_limits<std::int16_t>::min(), std::numeric_limits<std::int16_t>::max()));
    show(host, gauge::RPM, s.rpm);
    show(host, gauge::POWER, s.horsepower);
    show(host, gauge::TORQUE, s.torque);
    show(host, gauge::PROP, s.propDeg);
    show(host, gauge::THRUST, s.thrustLb);
    show(host, gauge::WEP, s.wepSeconds);
    show(host, gauge::MANIFOLD, s.manifoldPsi);
    show(host, gauge::FUEL_PRESSURE, s.fuelPressurePsi);
    show(host, gauge::FUEL_FLOW, s.fuelFlowGph);
    show(host, gauge::FUEL, s.fuelGal);
    show(host, gauge::AUX_FUEL, s.auxFuelGal);
    show(host, gauge::WSGT, s.wsgt);
}

void applyAirAndTemperatures(Host& host, const FlightState& s) {
    show(host, gauge::PRESSURE, s.baroInHg);
    feed(host, gauge::TEMPERATURE, (s.outsideAirF - gauge::TEMPERATURE_BASE_F) / gauge::TEMPERATURE_SPAN_F);
    feed(host, gauge::ROT, s.rotF + gauge::RANKINE_OFFSET_F);
    feed(host, gauge::CHT, s.chtF + gauge::RANKINE_OFFSET_F);
    feed(host, gauge::OIL_TEMPERATURE, s.oilTempF + gauge::RANKINE_OFFSET_F);
    show(host, gauge::OIL_PRESSURE, s.oilPressurePsi);
}

void applyPosition(Host& host, const FlightState& s) {
    feed(host, gauge::LATITUDE,
         s.latitudeDeg * gauge::ARC_SECONDS_PER_DEGREE * gauge::LATITUDE_DIVISOR / gauge::LATITUDE_FACTOR);
    const double eastDeg = s.longitudeDeg < 0 ? s.longitudeDeg + gauge::FULL_TURN_DEGREES : s.longitudeDeg;
    show(host, gauge::LONGITUDE, eastDeg);
}

}  // namespace

BuiltinFlight::BuiltinFlight() { restart(); }

double BuiltinFlight::duration() const { return END; }

std::vector<Press> BuiltinFlight::ownPresses() const {
    return {{RECORD_ON, Press::Target::Record, 0, 0},
            {PAUSE, Press::Target::Pause, 0, 0},
            {RESUME, Press::Target::Pause, 0, 0},
            {RECORD_OFF, Press::Target::Record, 0, 0}};
}

void BuiltinFlight::restart() {
    simTime_ = 0;
    fuelGal_ = MAIN_TANK_GAL;
    auxFuelGal_ = AUX_TANK_GAL;
    wepSeconds_ = 0;
    rotF_ = chtF_ = oilTempF_ = AMBIENT_F;
    latitudeDeg_ = FIELD_LATITUDE_DEG;
    longitudeDeg_ = FIELD_LONGITUDE_DEG;
}

void BuiltinFlight::step(double dt) {
    const double t = simTime_;
    const double throttle = throttleTrack().at(t);
    const double altitude = FIELD_ELEVATION_FT + heightAt(t);
    const double horsepower = horsepowerFor(throttle, t, altitude);
    const double tas = tasTrack().at(t);
    const bool running = engineRunning(t);

    const double flowGph = fuelFlowGph(horsepower, running);
    double& tank = t >= AUX_TANK_FROM && t < AUX_TANK_UNTIL ? auxFuelGal_ : fuelGal_;
    tank = std::max(0.0, tank - flowGph * dt / 3600);
    if (running && throttle >= 99.5) wepSeconds_ += dt;

    // Temperatures follow the power, and the airflow cools them.
    const double on = running ? 1.0 : 0.0;
    chtF_ = approach(chtF_, AMBIENT_F + on * (150 + 2.2 * throttle) - 0.12 * tas, 25, dt);
    oilTempF_ = approach(oilTempF_, AMBIENT_F + on * (95 + 0.5 * throttle) - 0.03 * tas, 60, dt);
    rotF_ = approach(rotF_, AMBIENT_F + on * (110 + 0.7 * throttle) - 0.08 * tas, 35, dt);

    // Position: knots over the ground along the heading, no wind.
    const double heading = headingTrack().at(t) * std::numbers::pi / 180;
    const double nauticalMiles = tas * dt / 3600;
    latitudeDeg_ += nauticalMiles * std::cos(heading) / 60;
    longitudeDeg_ += nauticalMiles * std::sin(heading) / (60 * std::cos(latitudeDeg_ * std::numbers::pi / 180));
    simTime_ += dt;
}

FlightState BuiltinFlight::stateAt(double time) {
    if (time < simTime_) restart();
    while (simTime_ + STEP_S <= time) step(STEP_S);

    FlightState s;
    flyPath(s, time);
    moveControls(s, time);
    runEngine(s, time);
    readAir(s);
    // What the integration has carried to this moment.
    s.wepSeconds = std::floor(wepSeconds_);
    s.fuelGal = fuelGal_;
    s.auxFuelGal = auxFuelGal_;
    s.wsgt = EMPTY_WEIGHT_KLB + (fuelGal_ + auxFuelGal_) * FUEL_LB_PER_GAL / 1000;
    s.rotF = rotF_;
    s.chtF = chtF_;
    s.oilTempF = oilTempF_;
    s.latitudeDeg = latitudeDeg_;
    s.longitudeDeg = longitudeDeg_;
    return s;
}

void BuiltinFlight::apply(Host& host, double time) { applyState(host, stateAt(time)); }

void applyState(Host& host, const FlightState& s) {
    applyFlightPath(host, s);
    applyEngine(host, s);
    applyAirAndTemperatures(host, s);
    applyPosition(host, s);
}

}  // namespace vorlat::flight
