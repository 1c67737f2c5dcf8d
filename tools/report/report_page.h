// The report's page: one HTML file that holds everything it shows (the chart
// library, its own script and style, the data, the panel pictures), made from
// the embedded template by filling in its {{NAME}} slots.
#pragma once

#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "tools/log/log_bands.h"
#include "tools/log/log_summary.h"
#include "tools/log/plot_panels.h"
#include "tools/log/plot_sink.h"
#include "tools/report/report_frames.h"

namespace vorlat::report {

// A long log's charts, zoomed in, draw from levels of buckets down to this many
// times narrower than the overview's (a 57-hour log: 8 s, 16 s and 32 s beside
// the overview's 64 s): finer would outgrow the page.
inline constexpr std::size_t DETAIL_FACTOR = 8;
inline constexpr std::size_t DETAIL_BUCKETS = DETAIL_FACTOR * flightlog::BucketGrid::DEFAULT_BUCKETS;

struct ReportFlight {
    std::string label;
    flightlog::Summary summary;  // with its events
    const flightlog::FlightSeries* series = nullptr;
    // The same columns in DETAIL_BUCKETS buckets: the finest of the levels between it and
    // `series` (chartLevels), on the page when finer than `series`.
    const flightlog::FlightSeries* detail = nullptr;
    double offset = 0;  // taken from its times on the page: its recording's start, when beside others
};

struct ReportContent {
    std::string title;
    std::vector<ReportFlight> flights;  // the panel pictures are of the first
    std::vector<Frame> frames;
    FramePlan plan;
};

// "#rrggbb", as a page writes a colour.
std::string colourHex(flightlog::PlotColour colour);
// "rgba(r,g,b,a)": how the page fills a band of `level`, from the band table's look of it.
std::string bandFill(flightlog::BandLevel level);
// The colour of the flight at `position` among those shown.
flightlog::PlotColour flightColour(std::size_t position);

// The template's text with each {{NAME}} replaced by its value. The values are
// not searched again, so they may hold anything. std::invalid_argument for a
// slot without a value or a value without a slot.
std::string fillTemplate(std::string_view text, const std::vector<std::pair<std::string_view, std::string>>& values);

// What the page's script reads: the charts' layout, each flight's columns and
// marks, the pictures (without their bytes when `withPictures` is false).
std::string pageDataJson(const ReportContent& content, bool withPictures = true);

std::string reportHtml(const ReportContent& content);

}  // namespace vorlat::report
