// Roll and Turn: rates the host does not supply, taken from successive samples
// of bank and heading. The rate counts calls, not time: it is per update period.
#include "panel/elements.h"
#include "readouts/constants.h"
#include "readouts/latest_values.h"
#include "readouts/pipeline.h"
#include "readouts/rate.h"
#include "readouts/readouts.h"

constinit RateSampler rollSampler = {};
constinit RateSampler turnSampler = {};

namespace {
// An angle difference taken the short way round; one correction at most.
double wrapped(double difference) {
    if (difference < -WRAP_LIMIT) return difference + FULL_TURN_DEGREES;
    if (difference > WRAP_LIMIT) return difference - FULL_TURN_DEGREES;
    return difference;
}

// Takes one sample and, at the end of each window, a new rate.
double sampleRate(RateSampler& sampler, ModuleVariable& angle) {
    ++sampler.count;
    const double sample = refreshed(angle);
    sampler.sum += wrapped(sample - sampler.previous);
    sampler.previous = sample;
    if (sampler.count >= RATE_WINDOW_CALLS) {
        sampler.rate = sampler.sum * RATE_FACTOR;
        sampler.count = 0;
        sampler.sum = 0;
    }
    return sampler.rate;
}
}  // namespace

// The host gets its own tick count back.
double rollReadout(double tickCount) {
    const double roll = sampleRate(rollSampler, bankVar);
    show(element(TextField::ROLL), roll, ONE_DECIMAL);
    LatestValues.roll = roll;
    return tickCount;
}

double turnReadout(double tickCount) {
    const double turn = sampleRate(turnSampler, headingVar);
    show(element(TextField::TURN), turn, ONE_DECIMAL);
    LatestValues.turn = turn;
    return tickCount;
}
