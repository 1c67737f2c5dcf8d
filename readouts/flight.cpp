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
    show(ailrnBox, aileron, ONE_DECIMAL);
    return aileron;
}

double elevReadout(double raw) {
    const double elevator = raw * ELEVATOR_SCALE;
    show(elevBox, elevator, ONE_DECIMAL);
    return elevator;
}

double ftReadout(double raw) {
    const double altitudeFt = raw * FEET_PER_METRE;
    const double groundFt = ftBox.vars[1].value * GROUND_SCALE;  // kept current by the host
    ftBox.foreColour = heightAboveGroundColour(altitudeFt, groundFt, ALTITUDE_RED_MARGIN, ALTITUDE_YELLOW_MARGIN);
    show(ftBox, altitudeFt, WHOLE);
    LatestValues.alt = altitudeFt;
    return altitudeFt;
}

double tasReadout(double /*unused*/) {
    const double tas = airspeed(TAS_DATA_WORD);
    tasBox.foreColour = upperBandColour(tas, AIRSPEED_RED, AIRSPEED_YELLOW);
    show(tasBox, tas, ONE_DECIMAL);
    LatestValues.tas = tas;
    return tas;
}

double iasReadout(double /*unused*/) {
    const double ias = airspeed(IAS_DATA_WORD);
    iasBox.foreColour = upperBandColour(ias, AIRSPEED_RED, AIRSPEED_YELLOW);
    show(iasBox, ias, ONE_DECIMAL);
    LatestValues.ias = ias;
    return ias;
}

double hdgReadout(double raw) {
    show(hdgBox, raw, WHOLE);
    LatestValues.hdng = raw;
    return raw;
}

double bankReadout(double raw) {
    show(bankBox, raw, ONE_DECIMAL);
    LatestValues.bank = raw;
    return raw;
}

// Shown and recorded nose-down positive; the host gets its own value back.
double pitchReadout(double raw) {
    const double pitch = -raw;
    show(pitchBox, pitch, TWO_DECIMALS);
    LatestValues.pitch = pitch;
    return raw;
}

double gsReadout(double raw) {
    const double gLoad = raw * G_SCALE;
    gsBox.foreColour = symmetricBandColour(gLoad, G_RED, G_YELLOW);
    show(gsBox, gLoad, TWO_DECIMALS);
    LatestValues.gforc = gLoad;
    return gLoad;
}

double climbReadout(double raw) {
    const double climb = raw * CLIMB_SCALE;
    show(climbBox, climb, WHOLE);
    LatestValues.climb = climb;
    return climb;
}

// Red under a stall, as the stall light set it earlier in this update.
double aoaReadout(double raw) {
    const double aoa = (AOA_ZERO - raw) * AOA_SCALE;
    aoaBox.foreColour = flagColour(LatestValues.stall);
    show(aoaBox, aoa, ONE_DECIMAL);
    LatestValues.aoa = aoa;
    return raw;
}
