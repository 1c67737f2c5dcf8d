// The engine and fuel readouts. None of them changes colour.
#include <cstring>

#include "module/convert.h"
#include "panel/elements.h"
#include "readouts/constants.h"
#include "readouts/latest_values.h"
#include "readouts/pipeline.h"
#include "readouts/readouts.h"

namespace {
double rankineToFahrenheit(double rankine) { return rankine - RANKINE_OFFSET_F; }

// The throttle lever's raw position, a signed 16-bit word in the host's storage.
std::int16_t throttleWord() {
    hostServices()->refreshVariable(&throttleVar);
    std::int16_t word;
    std::memcpy(&word, throttleVar.hostAddress, sizeof word);
    return word;
}
}  // namespace

double galReadout(double raw) {
    show(element(TextField::GAL), raw, ONE_DECIMAL);
    return raw;
}

double auxReadout(double raw) {
    show(element(TextField::AUX), raw, ONE_DECIMAL);
    return raw;
}

double gphReadout(double raw) {
    const double flow = raw * FLOW_SCALE;
    show(element(TextField::GPH), flow, TWO_DECIMALS);
    return flow;
}

double rpmReadout(double raw) {
    show(element(TextField::RPM), raw, WHOLE);
    return raw;
}

double hpReadout(double raw) {
    const double power = raw * POWER_SCALE;
    show(element(TextField::HP), power, WHOLE);
    LatestValues.hp = power;
    return power;
}

double torqReadout(double raw) {
    show(element(TextField::TORQ), raw, WHOLE);
    return raw;
}

// Shown and recorded in degrees; the host gets its radians back.
double propReadout(double raw) {
    const double propDegrees = raw * PROP_DEGREES_PER_RADIAN;
    show(element(TextField::PROP), propDegrees, ONE_DECIMAL);
    LatestValues.prop = propDegrees;
    return raw;
}

double thrstReadout(double raw) {
    show(element(TextField::THRST), raw, WHOLE);
    LatestValues.thrst = raw;
    return raw;
}

double weptReadout(double raw) {
    show(element(TextField::WEPT), raw, WHOLE);
    return raw;
}

double mpsiReadout(double raw) {
    const double psi = raw * MPSI_SCALE;
    show(element(TextField::MPSI), psi, ONE_DECIMAL);
    return psi;
}

double fpsiReadout(double raw) {
    const double psi = raw * FPSI_SCALE;
    show(element(TextField::FPSI), psi, WHOLE);
    return psi;
}

// Full forward reads a little over 100 percent; only that end is clamped.
double thrtReadout(double /*emptySlot*/) {
    double percent = (throttleWord() + 1) / THROTTLE_FULL_WORD * PERCENT;
    if (percent > PERCENT) percent = PERCENT;
    show(element(TextField::THRT), percent, PERCENT_WHOLE);
    return percent;
}

double wsgtReadout(double raw) {
    show(element(TextField::WSGT), raw, TWO_DECIMALS);
    return raw;
}

double pressureReadout(double raw) {
    const double psi = raw * PRESSURE_SCALE;
    show(element(TextField::PRESSURE), psi, PSI_ONE_DECIMAL);
    return psi;
}

double temperatureReadout(double raw) {
    const double fahrenheit = raw * TEMPERATURE_SPAN_F + TEMPERATURE_BASE_F;
    show(element(TextField::TEMPERATURE), fahrenheit, FAHRENHEIT_ONE_DECIMAL);
    return fahrenheit;
}

// A reading under one degree Rankine means no sensor: the box keeps its text.
double rotReadout(double raw) {
    if (truncateToInt32(raw) == 0) return raw;
    const double fahrenheit = rankineToFahrenheit(raw);
    show(element(TextField::ROT), fahrenheit, FAHRENHEIT_WHOLE);
    return fahrenheit;
}

double chtReadout(double raw) {
    const double fahrenheit = rankineToFahrenheit(raw);
    show(element(TextField::CHT), fahrenheit, FAHRENHEIT_WHOLE);
    return fahrenheit;
}

double oilTReadout(double raw) {
    const double fahrenheit = rankineToFahrenheit(raw);
    show(element(TextField::OIL_T), fahrenheit, FAHRENHEIT_WHOLE);
    return fahrenheit;
}

double oilPReadout(double raw) {
    const double psi = raw * OIL_PRESSURE_SCALE;
    show(element(TextField::OIL_P), psi, PSI_WHOLE);
    return psi;
}
