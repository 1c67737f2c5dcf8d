// The summary, one row at a time: running extremes and sums, the bands, stall
// runs and altitude changes within the current segment, and for the angles that
// wrap the sum of their directions.
#include "tools/log/log_summary.h"

#include <array>
#include <cmath>
#include <cstdint>
#include <numbers>
#include <stdexcept>
#include <string>
#include <utility>

#include "schema/colour_bands.h"
#include "tools/log/log_bands.h"

namespace vorlat::flightlog {

constexpr double RADIANS_PER_DEGREE = std::numbers::pi / 180;

// Heading and bank are logged in whole degrees and tenths: their directions come
// from a table built with the very same sin and cos, so they are the same bits,
// only much faster. Any other value is computed as it comes.
class DirectionTable {
public:
    DirectionTable() {
        for (int tenths = -LIMIT; tenths <= LIMIT; ++tenths) {
            const double degrees = tenths / 10.0;
            table_[static_cast<std::size_t>(tenths + LIMIT)] = {std::sin(degrees * RADIANS_PER_DEGREE),
                                                                std::cos(degrees * RADIANS_PER_DEGREE)};
        }
    }
    void add(double degrees, double& sine, double& cosine) const {
        const double tenths = std::nearbyint(degrees * 10);
        if (std::fabs(tenths) <= LIMIT && tenths / 10.0 == degrees) {
            const auto& entry = table_[static_cast<std::size_t>(static_cast<int>(tenths) + LIMIT)];
            sine += entry.first;
            cosine += entry.second;
            return;
        }
        sine += std::sin(degrees * RADIANS_PER_DEGREE);
        cosine += std::cos(degrees * RADIANS_PER_DEGREE);
    }

private:
    static constexpr int LIMIT = 3600;  // tenths of a degree: one turn either way
    std::array<std::pair<double, double>, 2 * LIMIT + 1> table_;
};

namespace {

void addBand(BandTimes& times, std::optional<BandLevel> level, double period) {
    if (level == BandLevel::Yellow) times.yellowSeconds += period;
    if (level == BandLevel::Red) times.redSeconds += period;
}

constexpr double FULL_CIRCLE = 360;

const DirectionTable& directionTable() {
    static const DirectionTable table;
    return table;
}

// The mean direction in the column's range; NaN when the directions cancel out.
double circularMean(double sine, double cosine, std::size_t count, Wrap wrap) {
    if (std::hypot(sine, cosine) < 1e-9 * static_cast<double>(count)) return std::nan("");
    double mean = std::atan2(sine, cosine) / RADIANS_PER_DEGREE;  // [-180, 180]
    if (wrap == Wrap::Within180) return mean <= -FULL_CIRCLE / 2 ? mean + FULL_CIRCLE : mean;
    if (mean < 0) mean += FULL_CIRCLE;
    return mean >= FULL_CIRCLE ? mean - FULL_CIRCLE : mean;  // a tiny negative angle plus 360 rounds to 360
}

}  // namespace

SummarySink::SummarySink(double tickRate, TimeRange range) : directions_(&directionTable()), events_(tickRate) {
    s_.tickRate = tickRate;
    s_.samplePeriod = samplePeriod(tickRate);
    s_.range = range;
}

void SummarySink::segmentStarted(const SegmentStart& /*start*/) {
    stalled_ = false;
    lowest_.reset();
    highest_.reset();
}

void SummarySink::row(const Row& row, const RowText& text, std::size_t segment) {
    const double time = timeOfIndex(row[INDEX], s_.tickRate);
    if (s_.rows == 0) s_.startTime = time;
    s_.endTime = time;
    ++s_.rows;
    columnStats(row, time);
    segmentStats(row, time);
    countSegments(row, segment);
    events_.row(row, text, segment);
}

void SummarySink::countSegments(const Row& row, std::size_t segment) {
    const auto index = static_cast<std::int64_t>(row[INDEX]);
    if (!lastRow_ || lastRow_->first != segment) {
        ++segmentsWithRows_;
        if (lastRow_) skippedBetween_ += index - lastRow_->second - 1;
    }
    lastRow_ = {segment, index};
}

void SummarySink::columnStats(const Row& row, double time) {
    for (std::size_t c = 0; c < COLUMN_COUNT; ++c) {
        const double value = row[c];
        if (!std::isfinite(value)) continue;
        ColumnStats& stats = s_.columns[c];
        if (stats.count == 0 || value < stats.min) stats.min = value, stats.minTime = time;
        if (stats.count == 0 || value > stats.max) stats.max = value, stats.maxTime = time;
        sums_[c].value += value;
        ++stats.count;
        if (COLUMNS[c].wrap != Wrap::None) directions_->add(value, sums_[c].sine, sums_[c].cosine);
    }
}

void SummarySink::segmentStats(const Row& row, double time) {
    const double period = s_.samplePeriod;
    for (std::size_t b = 0; b < BAND_COUNT; ++b) addBand(s_.bands[b], bandLevelOf(BANDS[b], row[BANDS[b].column]), period);

    const bool stall = row[STALL] != 0;
    if (stall) {
        s_.stall.totalSeconds += period;
        if (!stalled_) ++s_.stall.events;
        if (!s_.stall.firstTime) s_.stall.firstTime = time;
    }
    stalled_ = stall;

    const double alt = row[ALT];
    if (lowest_ && alt - lowest_->first > s_.largestGain.feet)
        s_.largestGain = AltitudeChange{.feet = alt - lowest_->first, .fromTime = lowest_->second, .toTime = time};
    if (highest_ && highest_->first - alt > s_.largestLoss.feet)
        s_.largestLoss = AltitudeChange{.feet = highest_->first - alt, .fromTime = highest_->second, .toTime = time};
    if (!lowest_ || alt < lowest_->first) lowest_ = {alt, time};
    if (!highest_ || alt > highest_->first) highest_ = {alt, time};
}

Summary SummarySink::finish(const LogInfo& info) const {
    Summary summary = s_;
    summary.file = info.file;
    summary.ending = info.ending;
    summary.dropped = info.dropped;
    summary.lfOnlyLines = info.lfOnlyLines;
    summary.damage = info.damage;
    // The whole log's counts include segments without rows; a range's, only its own.
    summary.segments = s_.range.limited() ? segmentsWithRows_ : info.segments;
    summary.pauses = summary.segments == 0 ? 0 : summary.segments - 1;
    summary.skippedSamples = s_.range.limited() ? skippedBetween_ : info.skippedSamples;
    summary.events = events_.finish(info);
    summary.duration = summary.endTime - summary.startTime;
    for (std::size_t c = 0; c < COLUMN_COUNT; ++c) {
        ColumnStats& stats = summary.columns[c];
        if (stats.count == 0) continue;
        stats.mean = COLUMNS[c].wrap == Wrap::None
                         ? sums_[c].value / static_cast<double>(stats.count)
                         : circularMean(sums_[c].sine, sums_[c].cosine, stats.count, COLUMNS[c].wrap);
    }
    return summary;
}

const BandTimes& Summary::bandTimes(Column column) const {
    for (std::size_t b = 0; b < BAND_COUNT; ++b)
        if (BANDS[b].column == column) return bands[b];
    throw std::invalid_argument("no band of column " + std::string(COLUMNS[column].header));
}

Summary summarise(const FlightLog& log, double tickRate) {
    SummarySink sink(tickRate);
    log.feed(sink);
    return sink.finish(log.info());
}

}  // namespace vorlat::flightlog
