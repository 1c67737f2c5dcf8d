// Buckets that widen as the span grows, pixel columns made from them, and
// lanes of time stretches merged to the bucket width.
#include "tools/log/plot_series.h"

#include <algorithm>
#include <cmath>

namespace vorlat::flightlog {

void Extent::start(TimedValue point, Link linkToPrevious) {
    empty = false;
    link = linkToPrevious;
    first = low = high = last = point;
}

void Extent::add(TimedValue point) {
    if (point.value < low.value) low = point;
    if (point.value > high.value) high = point;
    last = point;
}

void Extent::merge(const Extent& later) {
    if (later.empty) return;
    if (empty) {
        *this = later;
        return;
    }
    if (later.low.value < low.value) low = later.low;
    if (later.high.value > high.value) high = later.high;
    last = later.last;
}

int Extent::points(TimedValue out[4]) const {
    if (empty) return 0;
    const bool lowFirst = low.time <= high.time;
    const TimedValue ordered[4] = {first, lowFirst ? low : high, lowFirst ? high : low, last};
    int count = 0;
    for (const TimedValue& point : ordered) {
        if (count > 0 && out[count - 1].time == point.time && out[count - 1].value == point.value) continue;
        out[count++] = point;
    }
    return count;
}

BucketGrid::BucketGrid(std::size_t seriesCount, double initialWidth, std::size_t bucketCount)
    : series_(seriesCount),
      buckets_(std::max<std::size_t>(bucketCount, 2) & ~std::size_t{1}),
      width_(initialWidth > 0 ? initialWidth : 1),
      extents_(series_ * buckets_) {}

std::size_t BucketGrid::place(double time) {
    if (!started_) {
        origin_ = time;
        started_ = true;
    }
    const double offset = std::max(0.0, time - origin_);
    while (offset / width_ >= static_cast<double>(buckets_)) widen();
    const auto bucket = static_cast<std::size_t>(offset / width_);
    used_ = std::max(used_, bucket + 1);
    return bucket;
}

void BucketGrid::add(std::size_t series, std::size_t bucket, TimedValue point, Link linkToPrevious) {
    Extent& extent = slot(series, bucket);
    if (extent.empty) extent.start(point, linkToPrevious);
    else extent.add(point);
}

// Twice the width: bucket i takes buckets 2i and 2i + 1, in every series.
void BucketGrid::widen() {
    const std::size_t half = buckets_ / 2;
    for (std::size_t s = 0; s < series_; ++s) {
        for (std::size_t i = 0; i < half; ++i) {
            Extent merged = slot(s, 2 * i);
            merged.merge(slot(s, 2 * i + 1));
            slot(s, i) = merged;
        }
        std::fill(extents_.begin() + static_cast<std::ptrdiff_t>(s * buckets_ + half),
                  extents_.begin() + static_cast<std::ptrdiff_t>((s + 1) * buckets_), Extent{});
    }
    width_ *= 2;
    used_ = (used_ + 1) / 2;
}

int PixelGrid::columnOf(double time) const {
    const double column = std::floor((time - start) / width);
    if (!(column > 0)) return 0;
    return column >= columns ? columns - 1 : static_cast<int>(column);
}

int PixelGrid::lastColumnOf(double from, double to) const {
    const double end = std::ceil((to - start) / width) - 1;
    const int firstColumn = columnOf(from);
    if (!(end > firstColumn)) return firstColumn;
    return end >= columns ? columns - 1 : static_cast<int>(end);
}

std::vector<PixelColumn> pixelColumns(const BucketGrid& grid, std::size_t series, const PixelGrid& pixels) {
    std::vector<PixelColumn> columns;
    TimedValue previous{};
    bool anyBefore = false;
    for (std::size_t bucket = 0; bucket < grid.used(); ++bucket) {
        const Extent& extent = grid.at(series, bucket);
        TimedValue points[4];
        const int count = extent.points(points);
        for (int i = 0; i < count; ++i) {
            const TimedValue& point = points[i];
            const int column = pixels.columnOf(point.time);
            if (!columns.empty() && columns.back().column == column) {
                columns.back().extent.add(point);
            } else {
                const Link link = i == 0 ? extent.link : Link::Joined;
                const bool joined = anyBefore && (link == Link::Joined ||
                                                  (link == Link::Gap && point.time - previous.time < pixels.width));
                PixelColumn& added =
                    columns.emplace_back(PixelColumn{.column = column, .joined = joined, .extent = {}});
                added.extent.start(point, link);
            }
            previous = point;
            anyBefore = true;
        }
    }
    return columns;
}

void SpanLane::add(Span span, double mergeDistance) {
    if (!spans_.empty() && span.from < spans_.back().to + mergeDistance) {
        spans_.back().to = std::max(spans_.back().to, span.to);
        return;
    }
    spans_.push_back(span);
}

void SpanLane::remerge(double mergeDistance) {
    std::size_t kept = 0;
    for (const Span& span : spans_) {
        if (kept > 0 && span.from < spans_[kept - 1].to + mergeDistance) {
            spans_[kept - 1].to = std::max(spans_[kept - 1].to, span.to);
            continue;
        }
        spans_[kept++] = span;
    }
    spans_.resize(kept);
}

std::vector<ColumnRun> columnRuns(const std::vector<Span>& spans, const PixelGrid& pixels) {
    std::vector<ColumnRun> runs;
    for (const Span& span : spans) {
        const ColumnRun run{.first = pixels.columnOf(span.from), .last = pixels.lastColumnOf(span.from, span.to)};
        if (!runs.empty() && run.first <= runs.back().last + 1) runs.back().last = std::max(runs.back().last, run.last);
        else runs.push_back(run);
    }
    return runs;
}

}  // namespace vorlat::flightlog
