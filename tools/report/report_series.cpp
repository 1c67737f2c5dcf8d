// Buckets to rows: the earlier and the later extreme of each column per bucket.
#include "tools/report/report_series.h"

#include <algorithm>
#include <limits>
#include <utility>


namespace vorlat::report {

namespace {

using flightlog::BucketGrid;
using flightlog::Extent;
using flightlog::Link;
using flightlog::TimedValue;

// The earliest and the latest point any series has in the bucket.
std::optional<std::pair<double, double>> bucketSpan(const BucketGrid& grid, std::size_t bucket) {
    double early = std::numeric_limits<double>::infinity(), late = -early;
    for (std::size_t s = 0; s < grid.seriesCount(); ++s) {
        const Extent& extent = grid.at(s, bucket);
        if (extent.empty) continue;
        early = std::min(early, extent.first.time);
        late = std::max(late, extent.last.time);
    }
    if (early > late) return std::nullopt;
    return std::pair{early, late};
}

bool cutBefore(const Extent& extent) { return !extent.empty && extent.link != Link::Joined; }

class TableBuilder {
public:
    TableBuilder(std::size_t seriesCount, double offset) : offset_(offset), last_(seriesCount) {
        table_.values.resize(seriesCount);
    }

    // A row of nulls for the series whose line breaks before the bucket; the others hold their last value.
    void gapRowIfCut(const BucketGrid& grid, std::size_t bucket, double early) {
        bool cut = false;
        for (std::size_t s = 0; s < last_.size(); ++s) cut = cut || (cutBefore(grid.at(s, bucket)) && last_[s]);
        if (!cut) return;
        table_.time.push_back((table_.time.back() + early - offset_) / 2);
        for (std::size_t s = 0; s < last_.size(); ++s)
            table_.values[s].push_back(cutBefore(grid.at(s, bucket)) ? std::nullopt : last_[s]);
    }

    // One row at `early` and, when the bucket lasts, one at `late`: each series'
    // extremes in the order they came (a series with no point here: null).
    void extremeRows(const BucketGrid& grid, std::size_t bucket, double early, double late) {
        const bool twoRows = late > early;
        table_.time.push_back(early - offset_);
        if (twoRows) table_.time.push_back(late - offset_);
        for (std::size_t s = 0; s < last_.size(); ++s) {
            const Extent& extent = grid.at(s, bucket);
            std::vector<std::optional<double>>& column = table_.values[s];
            if (extent.empty) {
                column.insert(column.end(), twoRows ? 2 : 1, std::nullopt);
                last_[s].reset();
                continue;
            }
            const bool lowFirst = extent.low.time <= extent.high.time;
            const TimedValue earlier = lowFirst ? extent.low : extent.high;
            const TimedValue later = lowFirst ? extent.high : extent.low;
            column.push_back(twoRows ? earlier.value : later.value);
            if (twoRows) column.push_back(later.value);
            last_[s] = later.value;
        }
    }

    ChartTable take() { return std::move(table_); }

private:
    double offset_;
    std::vector<std::optional<double>> last_;  // each series' value in the row before
    ChartTable table_;
};

}  // namespace

ChartTable chartTable(const BucketGrid& grid, double offset) {
    TableBuilder builder(grid.seriesCount(), offset);
    for (std::size_t bucket = 0; bucket < grid.used(); ++bucket) {
        const auto span = bucketSpan(grid, bucket);
        if (!span) continue;
        builder.gapRowIfCut(grid, bucket, span->first);
        builder.extremeRows(grid, bucket, span->first, span->second);
    }
    return builder.take();
}

std::vector<ChartLevel> chartLevels(const BucketGrid& finest, double overviewWidth, double offset) {
    std::vector<ChartLevel> levels;
    if (!(finest.width() < overviewWidth)) return levels;
    BucketGrid grid = finest;
    while (grid.width() < overviewWidth && grid.used() > 1) {
        levels.push_back({.width = grid.width(), .table = chartTable(grid, offset)});
        grid.widen();
    }
    return levels;
}

flightlog::Json chartTableJson(const ChartTable& table) {
    flightlog::Json series = flightlog::Json::array();
    for (const std::vector<std::optional<double>>& values : table.values) {
        flightlog::Json& column = series.emplace_back(flightlog::Json::array());
        for (const std::optional<double>& value : values)
            column.push_back(value ? flightlog::jsonNumber(*value) : flightlog::Json(nullptr));
    }
    return {{"t", table.time}, {"s", std::move(series)}};
}

}  // namespace vorlat::report
