// The plot's sink: rows to reduced series and lanes of marks.
#include "tools/log/plot_sink.h"

#include <algorithm>
#include <cmath>

#include "tools/log/log_bands.h"

namespace vorlat::flightlog {

namespace {

// A heading that moves more than half a turn between samples went round the circle.
constexpr double HALF_TURN = 180.0;


}  // namespace

FlightSeries::FlightSeries(std::vector<Column> columns, double tickRate, std::size_t buckets)
    : columns_(std::move(columns)),
      tickRate_(tickRate),
      period_(samplePeriod(tickRate)),
      grid_(columns_.size(), period_, buckets),
      links_(columns_.size(), Link::Gap),
      previousValues_(columns_.size(), 0.0) {}

std::optional<std::size_t> FlightSeries::seriesOf(Column column) const {
    const auto found = std::find(columns_.begin(), columns_.end(), column);
    if (found == columns_.end()) return std::nullopt;
    return static_cast<std::size_t>(found - columns_.begin());
}

void FlightSeries::segmentStarted(const SegmentStart& /*start*/) {
    std::fill(links_.begin(), links_.end(), Link::Gap);
    bandLevels_.fill(std::nullopt);
    segmentOpen_ = false;
}

void FlightSeries::row(const Row& row, const RowText& /*text*/, std::size_t /*segment*/) {
    const double time = timeOfIndex(row[INDEX], tickRate_);
    const double widthBefore = grid_.width();
    const std::size_t bucket = grid_.place(time);
    if (grid_.width() != widthBefore)
        for (SpanLane& lane : lanes_) lane.remerge(grid_.width());
    if (!segmentOpen_) {
        if (lastTime_) mark(PAUSE_LANE, {.from = *lastTime_, .to = time});
        ++segments_;
        segmentOpen_ = true;
    }
    addPoints(row, time, bucket);
    markRow(row, time);
    if (!firstTime_) firstTime_ = time;
    lastTime_ = time;
    ++rows_;
}

void FlightSeries::addPoints(const Row& row, double time, std::size_t bucket) {
    for (std::size_t s = 0; s < columns_.size(); ++s) {
        const Column column = columns_[s];
        const double value = row[column];
        if (!std::isfinite(value)) {
            links_[s] = Link::Gap;
            continue;
        }
        Link link = links_[s];
        if (link == Link::Joined && COLUMNS[column].wrap != Wrap::None &&
            std::abs(value - previousValues_[s]) > HALF_TURN)
            link = Link::Wrap;
        grid_.add(s, bucket, {.time = time, .value = value}, link);
        links_[s] = Link::Joined;
        previousValues_[s] = value;
    }
}

// A value that is not finite says nothing of the bands: the row before's band holds.
void FlightSeries::markRow(const Row& row, double time) {
    const Span period{.from = time, .to = time + period_};
    if (row[STALL] != 0) mark(STALL_LANE, period);
    for (std::size_t b = 0; b < BAND_COUNT; ++b) {
        const double value = row[BANDS[b].column];
        if (std::isfinite(value)) bandLevels_[b] = bandLevelOf(BANDS[b], value);
        if (!bandLevels_[b]) continue;
        mark(bandLane(b, BandLevel::Yellow), period);
        if (*bandLevels_[b] == BandLevel::Red) mark(bandLane(b, BandLevel::Red), period);
    }
}

void FlightSeries::mark(MarkLane lane, Span span) { lanes_[lane].add(span, grid_.width()); }

}  // namespace vorlat::flightlog
