// One series drawn through its pixel columns on the current PLplot panel.
#pragma once

#include <plplot.h>

#include <algorithm>
#include <cmath>
#include <optional>
#include <vector>

#include "tools/log/plot_series.h"

namespace vorlat::flightlog {

inline constexpr double LONE_POINT_COLUMNS = 1.5;  // a lone point draws as a dash this many columns to each side

// How a series' pixel columns map onto the panel.
struct ColumnScale {
    double offset, unit;  // axis = (time - offset) / unit
    double start;         // of column 0, on the figure's time axis (seconds)
    double columnWidth;   // seconds
    double thick;         // a column going back and forth over more than this is drawn as a bar
};

// One series through its pixel columns. Runs of joined columns are drawn as
// a polyline through each column's first, lowest, highest and last point,
// except where a column's values go back and forth over more than a few
// pixels: those columns are filled as bars from their lowest to their highest
// value (widened to the point before), one stepped polygon per run of them.
// That covers the pixels the polyline would, without anti-aliasing thousands
// of overlapping strokes. A run within one column (a lone point) draws as a
// short dash.
class ColumnLine {
public:
    explicit ColumnLine(ColumnScale scale) : scale_(scale) {}

    void add(const PixelColumn& pixel) {
        if (!pixel.joined) {
            finish();
            previous_.reset();
        }
        const Extent& extent = pixel.extent;
        if (backAndForth(extent) > scale_.thick) {
            if (!lineX_.empty()) point(extent.first, pixel.column);  // the line runs into the bar
            flushLine();
            bar(pixel);
        } else {
            if (!barLow_.empty()) {
                flushBar();
                point(*previous_, barColumn_);  // and leaves it from its last point
            }
            TimedValue points[4];
            const int count = extent.points(points);
            for (int i = 0; i < count; ++i) point(points[i], pixel.column);
        }
        previous_ = extent.last;
    }

    void finish() {
        flushLine();
        flushBar();
    }

private:
    // How far a column's values stray beyond the way from its first to its last:
    // a steep but steady column strays nowhere, a noisy one by nearly its span.
    static double backAndForth(const Extent& extent) {
        return extent.high.value - extent.low.value - std::abs(extent.last.value - extent.first.value);
    }
    double x(double time) const { return (time - scale_.offset) / scale_.unit; }
    double columnX(int column) const { return (scale_.start + column * scale_.columnWidth) / scale_.unit; }

    void point(TimedValue at, int column) {
        if (lineX_.empty() || column != lineColumn_) ++lineColumns_;
        lineColumn_ = column;
        lineX_.push_back(x(at.time));
        lineY_.push_back(at.value);
    }

    void bar(const PixelColumn& pixel) {
        if (!barLow_.empty() && pixel.column != barColumn_ + 1) flushBar();
        double low = pixel.extent.low.value, high = pixel.extent.high.value;
        if (previous_) low = std::min(low, previous_->value), high = std::max(high, previous_->value);
        for (const double edge : {columnX(pixel.column), columnX(pixel.column + 1)}) {
            barX_.push_back(edge);
            barLow_.push_back(low);
            barHigh_.push_back(high);
        }
        barColumn_ = pixel.column;
    }

    void flushLine() {
        if (lineColumns_ == 1) {
            const double dash = LONE_POINT_COLUMNS * scale_.columnWidth / scale_.unit;
            lineX_.insert(lineX_.begin(), lineX_.front() - dash);
            lineY_.insert(lineY_.begin(), lineY_.front());
            lineX_.push_back(lineX_.back() + dash);
            lineY_.push_back(lineY_.back());
        }
        if (lineX_.size() > 1) plline(static_cast<PLINT>(lineX_.size()), lineX_.data(), lineY_.data());
        lineX_.clear();
        lineY_.clear();
        lineColumns_ = 0;
    }

    void flushBar() {
        if (barLow_.empty()) return;
        std::vector<PLFLT> x(barX_), y(barHigh_);
        x.insert(x.end(), barX_.rbegin(), barX_.rend());
        y.insert(y.end(), barLow_.rbegin(), barLow_.rend());
        plfill(static_cast<PLINT>(x.size()), x.data(), y.data());
        barX_.clear();
        barLow_.clear();
        barHigh_.clear();
    }

    ColumnScale scale_;
    std::optional<TimedValue> previous_;  // the last point of the column before, in this run
    std::vector<PLFLT> lineX_, lineY_;
    int lineColumn_ = 0, lineColumns_ = 0;
    std::vector<PLFLT> barX_, barLow_, barHigh_;
    int barColumn_ = 0;
};

}  // namespace vorlat::flightlog
