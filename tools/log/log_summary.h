// What a recorded flight amounts to: its extent, every column's range, the
// time spent in the panel's yellow and red bands, stalls, climbs and descents.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <ostream>
#include <string>

#include "tools/log/log_reader.h"

namespace vorlat::flightlog {

struct ColumnStats {
    std::size_t count = 0;  // finite values; the others are left out
    double min = 0, max = 0, mean = 0;
    double minTime = 0, maxTime = 0;  // first time each extreme was reached
};

// Each row stands for one sample period, so a band's time is its rows times the period.
struct BandTimes {
    double yellowSeconds = 0;
    double redSeconds = 0;
};

struct StallStats {
    std::size_t events = 0;  // runs of rows with Stall set, within one segment
    std::optional<double> firstTime;
    double totalSeconds = 0;
};

// The largest net change of altitude between two rows of one segment.
struct AltitudeChange {
    double feet = 0;
    double fromTime = 0, toTime = 0;
};

struct Summary {
    std::string file;
    Ending ending = Ending::CutOff;
    std::optional<DroppedLine> dropped;
    std::size_t lfOnlyLines = 0;
    double tickRate = DEFAULT_TICK_RATE;
    double samplePeriod = 0;
    std::size_t rows = 0, segments = 0, pauses = 0;
    std::int64_t skippedSamples = 0;
    double startTime = 0, endTime = 0;  // of the first and the last row
    double duration = 0;                // endTime - startTime
    std::array<ColumnStats, COLUMN_COUNT> columns{};
    BandTimes tas, ias, g;
    StallStats stall;
    AltitudeChange largestGain, largestLoss;  // both as positive feet
};

Summary summarise(const FlightLog& log, double tickRate = DEFAULT_TICK_RATE);
// The same fields as a table for people and as one JSON object (log_summary_output.cpp).
void writeSummaryTable(std::ostream& out, const Summary& summary);
void writeSummaryJson(std::ostream& out, const Summary& summary);

}  // namespace vorlat::flightlog
