// The flight readouts: altitude, airspeeds, attitude, g load, climb, angle of attack.
#include "panel/elements.h"
#include "readouts/constants.h"
#include "readouts/latest_values.h"
#include "readouts/pipeline.h"
#include "readouts/readouts.h"

namespace {
double airspeed(std::size_t dataWord) { return hostDataBlock()[dataWord] * AIRSPEED_SCALE; }
}  // namespace

double ailrnReadout(double raw) {
    const double aileron = raw * AILERON_SCALE;
    show(element(TextField::AILRN), aileron, ONE_DECIMAL);
    return aileron;
}

double elevReadout(double raw) {
    const double elevator = raw * ELEVATOR_SCALE;
    show(element(TextField::ELEV), elevator, ONE_DECIMAL);
    return elevator;
}

double ftReadout(double raw) {
    TextElement& box = element(TextField::FT);
    const double altitudeFt = raw * FEET_PER_METRE;
    const double groundFt = box.vars[1].value * GROUND_SCALE;  // kept current by the host
    box.foreColour = heightAboveGroundColour(altitudeFt, groundFt, ALTITUDE_RED_MARGIN, ALTITUDE_YELLOW_MARGIN);
    show(box, altitudeFt, WHOLE);
    LatestValues.alt = altitudeFt;
    return altitudeFt;
}

double tasReadout(double /*boundSpeed*/) {
    TextElement& box = element(TextField::TAS);
    const double tas = airspeed(TAS_DATA_WORD);
    box.foreColour = upperBandColour(tas, AIRSPEED_RED, AIRSPEED_YELLOW);
    show(box, tas, ONE_DECIMAL);
    LatestValues.tas = tas;
    return tas;
}

double iasReadout(double /*boundSpeed*/) {
    TextElement& box = element(TextField::IAS);
    const double ias = airspeed(IAS_DATA_WORD);
    box.foreColour = upperBandColour(ias, AIRSPEED_RED, AIRSPEED_YELLOW);
    show(box, ias, ONE_DECIMAL);
    LatestValues.ias = ias;
    return ias;
}

double hdgReadout(double raw) {
    show(element(TextField::HDG), raw, WHOLE);
    LatestValues.hdng = raw;
    return raw;
}

double bankReadout(double raw) {
    show(element(TextField::BANK), raw, ONE_DECIMAL);
    LatestValues.bank = raw;
    return raw;
}

// Shown and recorded nose-down positive; the host gets its own value back.
double pitchReadout(double raw) {
    const double pitch = -raw;
    show(element(TextField::PITCH), pitch, TWO_DECIMALS);
    LatestValues.pitch = pitch;
    return raw;
}

double gsReadout(double raw) {
    TextElement& box = element(TextField::GS);
    const double gLoad = raw * G_SCALE;
    box.foreColour = symmetricBandColour(gLoad, G_RED, G_YELLOW);
    show(box, gLoad, TWO_DECIMALS);
    LatestValues.gforc = gLoad;
    return gLoad;
}

double climbReadout(double raw) {
    const double climb = raw * CLIMB_SCALE;
    show(element(TextField::CLIMB), climb, WHOLE);
    LatestValues.climb = climb;
    return climb;
}

// Red under a stall, as the stall light set it earlier in this update.
double aoaReadout(double raw) {
    TextElement& box = element(TextField::AOA);
    const double aoa = (AOA_ZERO_RAW - raw) * AOA_DEGREES_PER_RAW;
    box.foreColour = flagColour(LatestValues.stall);
    show(box, aoa, ONE_DECIMAL);
    LatestValues.aoa = aoa;
    return raw;
}
