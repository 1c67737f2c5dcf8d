// The latest converted values, published by the readouts for the recorder.
// Each member is written by exactly one routine; zero at load, never reset.
#pragma once

#include <cstdint>

struct LatestValuesRecord {
    double tas;
    double ias;
    double alt;
    double pitch;
    double climb;
    double gforc;
    double hdng;
    double turn;
    double bank;
    double roll;
    double prop;
    double hp;
    double thrst;
    double aoa;
    std::int32_t stall;
};

extern LatestValuesRecord LatestValues;
