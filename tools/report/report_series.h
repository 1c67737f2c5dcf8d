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

// {"t":[...],"s":[[...],...]} with nulls for the gaps.
flightlog::Json chartTableJson(const ChartTable& table);

}  // namespace vorlat::report
