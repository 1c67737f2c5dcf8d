// The recorder's state and the Acel readout's sampler; zero at load.
#pragma once

#include <cstdint>
#include <cstdio>

struct RecorderStateRecord {
    std::int32_t recording;  // 1 while the log is open
    std::int32_t writing;    // 1 while each sample appends a row
    std::FILE* logFile;
    std::int32_t rowIndex;  // samples counted, written as each row's first column
};

struct AccelSamplerRecord {
    std::int32_t lastTick;
    double lastSpeed;
    std::int32_t rate;
};

extern RecorderStateRecord RecorderState;
extern AccelSamplerRecord AccelSampler;
