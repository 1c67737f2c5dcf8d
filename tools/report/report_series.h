// A flight's charted columns as the report's page draws them: one row of
// times and one array of values per column, made from the plot's buckets
// (tools/log/plot_series.h). Each bucket gives at most two rows, its lowest
// and its highest value of each column in the order they happened, so no
// extreme is lost however long the log; a gap (a pause, a value that is not
// finite, an angle that wrapped) becomes a row of nulls for the columns it
// cuts. Pure data, so tests read it without a browser.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "tools/log/json_layout.h"
#include "tools/log/plot_series.h"

namespace vorlat::report {

struct ChartTable {
    std::vector<double> time;                                // seconds on the page's axis, increasing
    std::vector<std::vector<std::optional<double>>> values;  // one per series of the grid; empty: a gap
};

// The grid's buckets as rows; `offset` is taken from every time (a flight
// shown beside others is timed from its recording's start).
ChartTable chartTable(const flightlog::BucketGrid& grid, double offset = 0);

// A long flight's charts at one level of detail: its buckets' width and their rows.
struct ChartLevel {
    double width = 0;
    ChartTable table;
};

// The levels a long flight's zoomed charts draw from, finest first: the finest
// grid's buckets, then each level's neighbours merged in pairs (every extreme
// kept) while the buckets are still narrower than the overview's (`overviewWidth`).
// None when the finest grid is no finer than the overview. Each level has at
// most half the buckets of the one before, so all hold at most four rows per
// bucket of the finest grid, however long the log.
std::vector<ChartLevel> chartLevels(const flightlog::BucketGrid& finest, double overviewWidth, double offset = 0);

// {"t":[...],"s":[[...],...]} with nulls for the gaps.
flightlog::Json chartTableJson(const ChartTable& table);

}  // namespace vorlat::report
