#include "tools/log/log_summary.h"

#include <cmath>
#include <cstdint>

#include "readouts/constants.h"

namespace vorlat::flightlog {

namespace {

enum class Band { Green, Yellow, Red };

Band bandOf(std::uint32_t colour) {
    if (colour == COLOUR_RED) return Band::Red;
    if (colour == COLOUR_YELLOW) return Band::Yellow;
    return Band::Green;
}

void addBand(BandTimes& times, std::uint32_t colour, double period) {
    switch (bandOf(colour)) {
        case Band::Yellow: times.yellowSeconds += period; break;
        case Band::Red: times.redSeconds += period; break;
        case Band::Green: break;
    }
}

// One pass over the rows for all columns: a long log is far larger than the cache.
void columnStats(Summary& summary, const FlightLog& log) {
    std::array<double, COLUMN_COUNT> sums{};
    for (const Row& row : log.rows) {
        const double time = timeOfIndex(row[INDEX], summary.tickRate);
        for (std::size_t c = 0; c < COLUMN_COUNT; ++c) {
            const double value = row[c];
            if (!std::isfinite(value)) continue;
            ColumnStats& stats = summary.columns[c];
            if (stats.count == 0 || value < stats.min) stats.min = value, stats.minTime = time;
            if (stats.count == 0 || value > stats.max) stats.max = value, stats.maxTime = time;
            sums[c] += value;
            ++stats.count;
        }
    }
    for (std::size_t c = 0; c < COLUMN_COUNT; ++c)
        if (summary.columns[c].count != 0)
            summary.columns[c].mean = sums[c] / static_cast<double>(summary.columns[c].count);
}

void segmentStats(Summary& summary, const FlightLog& log) {
    for (const Segment& segment : log.segments) {
        bool stalled = false;
        std::optional<std::pair<double, double>> lowest, highest;  // (altitude, time) so far in this segment
        for (std::size_t r = segment.firstRow; r < segment.firstRow + segment.rowCount; ++r) {
            const Row& row = log.rows[r];
            const double time = timeOfIndex(row[INDEX], summary.tickRate);
            addBand(summary.tas, upperBandColour(row[TAS], AIRSPEED_RED, AIRSPEED_YELLOW), summary.samplePeriod);
            addBand(summary.ias, upperBandColour(row[IAS], AIRSPEED_RED, AIRSPEED_YELLOW), summary.samplePeriod);
            addBand(summary.g, symmetricBandColour(row[GFORC], G_RED, G_YELLOW), summary.samplePeriod);

            const bool stall = row[STALL] != 0;
            if (stall) {
                summary.stall.totalSeconds += summary.samplePeriod;
                if (!stalled) ++summary.stall.events;
                if (!summary.stall.firstTime) summary.stall.firstTime = time;
            }
            stalled = stall;

            const double alt = row[ALT];
            if (lowest && alt - lowest->first > summary.largestGain.feet)
                summary.largestGain =
                    AltitudeChange{.feet = alt - lowest->first, .fromTime = lowest->second, .toTime = time};
            if (highest && highest->first - alt > summary.largestLoss.feet)
                summary.largestLoss =
                    AltitudeChange{.feet = highest->first - alt, .fromTime = highest->second, .toTime = time};
            if (!lowest || alt < lowest->first) lowest = {alt, time};
            if (!highest || alt > highest->first) highest = {alt, time};
        }
    }
}

}  // namespace

Summary summarise(const FlightLog& log, double tickRate) {
    Summary summary;
    summary.file = log.file;
    summary.ending = log.ending;
    summary.dropped = log.dropped;
    summary.lfOnlyLines = log.lfOnlyLines;
    summary.tickRate = tickRate;
    summary.samplePeriod = samplePeriod(tickRate);
    summary.rows = log.rows.size();
    summary.segments = log.segments.size();
    summary.pauses = summary.segments == 0 ? 0 : summary.segments - 1;
    summary.skippedSamples = log.skippedSamples();
    if (!log.rows.empty()) {
        summary.startTime = timeOfIndex(log.rows.front()[INDEX], tickRate);
        summary.endTime = timeOfIndex(log.rows.back()[INDEX], tickRate);
        summary.duration = summary.endTime - summary.startTime;
    }
    columnStats(summary, log);
    segmentStats(summary, log);
    return summary;
}

}  // namespace vorlat::flightlog
