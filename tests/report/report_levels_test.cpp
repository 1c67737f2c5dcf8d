// The finer levels of a long flight's charts: each level's buckets twice as
// wide as the finer one's, down to the overview; every level keeps the lowest
// and highest value of each of its buckets; and all levels together hold at
// most four rows per bucket of the finest grid.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <vector>

#include "tools/report/report_series.h"

namespace {

using namespace vorlat::report;
using vorlat::flightlog::BucketGrid;
using vorlat::flightlog::Link;

constexpr double PERIOD = 0.5;
constexpr double START = 4;

// Slow waves with lone spikes and dips, so neighbouring buckets differ in their extremes.
double value(std::size_t i) {
    const double x = static_cast<double>(i);
    return 100 * std::sin(x / 150) + (i % 613 == 17 ? 400 : 0) - (i % 389 == 3 ? 300 : 0);
}

BucketGrid filledGrid(std::size_t points, std::size_t buckets) {
    BucketGrid grid(1, PERIOD, buckets);
    for (std::size_t i = 0; i < points; ++i) {
        const double time = START + PERIOD * static_cast<double>(i);
        grid.add(0, grid.place(time), {.time = time, .value = value(i)}, i == 0 ? Link::Gap : Link::Joined);
    }
    return grid;
}

struct LevelCase {
    const char* name;
    std::size_t points, finestBuckets, overviewBuckets;
    std::size_t levels;  // finer than the overview
};

TEST(ChartLevels, DoubleInWidthUpToTheOverviewAndKeepEveryBucketsExtremes) {
    const LevelCase cases[] = {
        {.name = "the overview holds every sample", .points = 900, .finestBuckets = 8192, .overviewBuckets = 1024,
         .levels = 0},
        {.name = "the finest holds every sample", .points = 6000, .finestBuckets = 8192, .overviewBuckets = 1024,
         .levels = 3},
        {.name = "every level merged", .points = 100'000, .finestBuckets = 8192, .overviewBuckets = 1024,
         .levels = 3},
        {.name = "four levels", .points = 100'000, .finestBuckets = 4096, .overviewBuckets = 256, .levels = 4},
    };
    for (const LevelCase& c : cases) {
        SCOPED_TRACE(c.name);
        const BucketGrid finest = filledGrid(c.points, c.finestBuckets);
        const BucketGrid overview = filledGrid(c.points, c.overviewBuckets);
        const std::vector<ChartLevel> levels = chartLevels(finest, overview.width(), START);
        ASSERT_EQ(levels.size(), c.levels);
        std::size_t rows = 0;
        for (std::size_t k = 0; k < levels.size(); ++k) {
            const ChartLevel& level = levels[k];
            EXPECT_EQ(level.width, finest.width() * std::pow(2.0, static_cast<double>(k)));
            EXPECT_LT(level.width, overview.width());
            rows += level.table.time.size();
            // Each bucket of the level: its rows' lowest and highest value are those of its samples.
            std::size_t row = 0, shownBuckets = 0;
            for (std::size_t first = 0; first < c.points;) {
                const double bucketEnd = (std::floor(PERIOD * static_cast<double>(first) / level.width) + 1) * level.width;
                double low = value(first), high = low;
                std::size_t next = first;
                for (; next < c.points && PERIOD * static_cast<double>(next) < bucketEnd; ++next)
                    low = std::min(low, value(next)), high = std::max(high, value(next));
                double shownLow = low + 1, shownHigh = high - 1;
                for (; row < level.table.time.size() && level.table.time[row] < bucketEnd; ++row)
                    shownLow = std::min(shownLow, *level.table.values[0][row]),
                    shownHigh = std::max(shownHigh, *level.table.values[0][row]);
                EXPECT_EQ(shownLow, low) << "level " << k << " at " << bucketEnd;
                EXPECT_EQ(shownHigh, high) << "level " << k << " at " << bucketEnd;
                ++shownBuckets;
                first = next;
            }
            EXPECT_EQ(row, level.table.time.size());
            EXPECT_LE(level.table.time.size(), 2 * shownBuckets);
        }
        // Each level has at most half the buckets of the one before, two rows a bucket: the page's
        // share is bounded by the finest level's bucket count, however long the log.
        EXPECT_LE(rows, 4 * c.finestBuckets);
    }
}

}  // namespace
