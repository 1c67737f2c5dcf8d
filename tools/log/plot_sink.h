// What the plot keeps of one flight as the rows stream past: each drawn
// column reduced on a shared bucket grid (tools/log/plot_series.h), and the
// stretches to mark on the time axis (pauses, stalls, yellow and red band
// excursions of TAS, IAS and g load), merged to the bucket width. Memory is
// fixed whatever the log's length; no row is kept.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

#include "tools/log/log_bands.h"
#include "tools/log/log_columns.h"
#include "tools/log/log_reader.h"
#include "tools/log/plot_series.h"

namespace vorlat::flightlog {

// The lanes of marks. A row in a band or stalled stands for its sample period;
// a pause runs from the last row before it to the first row after it. The
// bands follow the panel's own colour rules, as the summary's events do.
// Each band of BANDS has a lane per level; its yellow lane holds the red too.
enum MarkLane : std::size_t {
    PAUSE_LANE,
    STALL_LANE,
    FIRST_BAND_LANE,
    MARK_LANE_COUNT = FIRST_BAND_LANE + BAND_COUNT * BAND_LEVEL_COUNT,
};
constexpr MarkLane bandLane(std::size_t band, BandLevel level) {
    return static_cast<MarkLane>(FIRST_BAND_LANE + band * BAND_LEVEL_COUNT + static_cast<std::size_t>(level));
}

class FlightSeries : public RowSink {
public:
    // `buckets`: how many time buckets keep the extremes (more: finer when the log is long).
    FlightSeries(std::vector<Column> columns, double tickRate, std::size_t buckets = BucketGrid::DEFAULT_BUCKETS);
    void segmentStarted(const SegmentStart& start) override;
    void row(const Row& row, const RowText& text, std::size_t segment) override;

    const std::vector<Column>& columns() const { return columns_; }
    std::optional<std::size_t> seriesOf(Column column) const;
    const BucketGrid& grid() const { return grid_; }
    const SpanLane& lane(MarkLane lane) const { return lanes_[lane]; }

    std::size_t rows() const { return rows_; }
    std::size_t segments() const { return segments_; }
    double period() const { return period_; }
    // Of the rows handed in; nothing before the first row.
    std::optional<double> firstTime() const { return firstTime_; }
    std::optional<double> lastTime() const { return lastTime_; }

private:
    void addPoints(const Row& row, double time, std::size_t bucket);
    void markRow(const Row& row, double time);
    void mark(MarkLane lane, Span span);

    std::vector<Column> columns_;
    double tickRate_, period_;
    BucketGrid grid_;
    std::array<SpanLane, MARK_LANE_COUNT> lanes_;
    std::vector<Link> links_;  // how each series' next point continues its line
    std::vector<double> previousValues_;
    std::array<std::optional<BandLevel>, BAND_COUNT> bandLevels_{};  // the band of the last finite value
    std::size_t rows_ = 0, segments_ = 0;
    bool segmentOpen_ = false;  // a row came since the last segment start
    std::optional<double> firstTime_, lastTime_;
};

}  // namespace vorlat::flightlog
