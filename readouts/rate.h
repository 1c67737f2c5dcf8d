// The samplers behind the Roll and Turn boxes: the wrapped change of a host
// variable, summed over nine calls and scaled into a rate.
#pragma once

#include <cstdint>

struct RateSampler {
    double previous;
    double sum;
    std::int32_t count;
    double rate;
};

extern RateSampler rollSampler;
extern RateSampler turnSampler;
