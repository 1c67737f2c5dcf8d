// A series of any length reduced, as its points stream past, to what a picture
// can show: adaptive time buckets that keep the first, lowest, highest and last
// point of their stretch of time (when the span outgrows the buckets, their
// width doubles and neighbours merge), then the same four per pixel column.
// Every extreme survives with its time, so the picture shows each one within
// a pixel of where it happened; memory is fixed by the bucket count.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace vorlat::flightlog {

struct TimedValue {
    double time = 0, value = 0;
};

// How a point continues the line from the point before it.
enum class Link : std::uint8_t {
    Joined,  // the next sample of the same run
    Gap,     // a pause or values that are not finite lie between: a gap narrower than a pixel still joins
    Wrap,    // an angle wrapped around (359 to 0): never joined
};

// A stretch of one series: its first, lowest, highest and last point (the
// earliest of equal extremes) and how its first point continues the line.
struct Extent {
    bool empty = true;
    Link link = Link::Gap;
    TimedValue first, low, high, last;

    void start(TimedValue point, Link linkToPrevious);
    void add(TimedValue point);           // a later point
    void merge(const Extent& later);      // the stretch right after this one
    int points(TimedValue out[4]) const;  // the distinct ones in time order
};

// Buckets of one width from the first time placed; the series share them.
class BucketGrid {
public:
    static constexpr std::size_t DEFAULT_BUCKETS = 4096;
    BucketGrid(std::size_t seriesCount, double initialWidth, std::size_t bucketCount = DEFAULT_BUCKETS);

    // The bucket of `time`; times never decrease. Widens the buckets as needed.
    std::size_t place(double time);
    void add(std::size_t series, std::size_t bucket, TimedValue point, Link linkToPrevious);

    const Extent& at(std::size_t series, std::size_t bucket) const { return extents_[series * buckets_ + bucket]; }
    std::size_t seriesCount() const { return series_; }
    std::size_t bucketCount() const { return buckets_; }
    std::size_t used() const { return used_; }  // buckets from the first to the last placed
    double width() const { return width_; }
    // Neighbours merged in pairs (every extreme kept), the width doubled: what
    // place() does as the span outgrows the buckets; a coarser view calls it too.
    void widen();

private:
    Extent& slot(std::size_t series, std::size_t bucket) { return extents_[series * buckets_ + bucket]; }

    std::size_t series_, buckets_;
    double width_;
    double origin_ = 0;
    bool started_ = false;
    std::size_t used_ = 0;
    std::vector<Extent> extents_;
};

// The columns of a picture along the time axis: column c covers
// [start + c * width, start + (c + 1) * width); times outside fall in the edge columns.
struct PixelGrid {
    double start = 0, width = 1;
    int columns = 1;
    int columnOf(double time) const;
    int lastColumnOf(double from, double to) const;  // the column `to` closes, never before from's
};

// One column of a series: its extent, and whether the line comes into it from the column before.
struct PixelColumn {
    int column = 0;
    bool joined = false;
    Extent extent;
};
std::vector<PixelColumn> pixelColumns(const BucketGrid& grid, std::size_t series, const PixelGrid& pixels);

// Stretches of time where something held (a pause, a stall, a band), added in
// time order. A stretch that starts less than the merge distance after the
// one before joins it, so with the bucket width as that distance the list
// never holds more stretches than the grid has buckets (and one more).
struct Span {
    double from = 0, to = 0;
};
class SpanLane {
public:
    void add(Span span, double mergeDistance);
    void remerge(double mergeDistance);  // after the distance grew
    const std::vector<Span>& spans() const { return spans_; }

private:
    std::vector<Span> spans_;
};

// A lane's stretches as runs of whole columns, at least one column each, touching runs merged.
struct ColumnRun {
    int first = 0, last = 0;
};
std::vector<ColumnRun> columnRuns(const std::vector<Span>& spans, const PixelGrid& pixels);

}  // namespace vorlat::flightlog
