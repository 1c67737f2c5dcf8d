// The data the report's page is built from: the chart rows keep every bucket's
// extremes and cut the lines at gaps; the panel pictures' times are rows'
// times; and the page's text pieces (escaping, base64, the template).
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <stdexcept>
#include <string>
#include <vector>

#include "tools/report/report_frames.h"
#include "tools/report/report_page.h"
#include "tools/report/report_series.h"
#include "tools/report/web_text.h"

namespace {

using namespace vorlat::report;
using vorlat::flightlog::BucketGrid;
using vorlat::flightlog::Link;

// A wiggly series whose extremes fall at awkward places.
double wave(std::size_t i, std::size_t series) {
    const double x = static_cast<double>(i);
    return std::sin(x / (7.0 + static_cast<double>(series))) * 100 + std::fmod(x * 37, 11) + (i % 997 == 5 ? 500 : 0) -
           (i % 1301 == 9 ? 700 : 0);
}

struct ExtremeCase {
    const char* name;
    std::size_t points, buckets;
};

TEST(ChartTable, KeepsEveryBucketsLowestAndHighestValue) {
    const ExtremeCase cases[] = {
        {.name = "one point a bucket", .points = 50, .buckets = 64},
        {.name = "many points a bucket", .points = 100'000, .buckets = 64},
        {.name = "widened a few times", .points = 3'000, .buckets = 256},
    };
    for (const ExtremeCase& c : cases) {
        SCOPED_TRACE(c.name);
        BucketGrid grid(2, 0.5, c.buckets);
        for (std::size_t i = 0; i < c.points; ++i) {
            const double time = 10 + 0.5 * static_cast<double>(i);
            const std::size_t bucket = grid.place(time);
            for (std::size_t s = 0; s < 2; ++s)
                grid.add(s, bucket, {.time = time, .value = wave(i, s)}, i == 0 ? Link::Gap : Link::Joined);
        }
        const ChartTable table = chartTable(grid, 10);
        ASSERT_LE(table.time.size(), 2 * grid.used());
        EXPECT_TRUE(std::is_sorted(table.time.begin(), table.time.end()));
        EXPECT_EQ(table.time.front(), 0);  // the offset is taken off
        for (std::size_t s = 0; s < 2; ++s) {
            double low = std::numeric_limits<double>::infinity(), high = -low;
            for (std::size_t i = 0; i < c.points; ++i)
                low = std::min(low, wave(i, s)), high = std::max(high, wave(i, s));
            std::vector<double> shown;
            for (const auto& value : table.values[s]) shown.push_back(value.value());  // no gap in a joined series
            EXPECT_EQ(*std::min_element(shown.begin(), shown.end()), low);
            EXPECT_EQ(*std::max_element(shown.begin(), shown.end()), high);
            // Each bucket's own extremes are among its rows.
            for (std::size_t b = 0; b < grid.used(); ++b) {
                const auto& extent = grid.at(s, b);
                EXPECT_NE(std::find(shown.begin(), shown.end(), extent.low.value), shown.end());
                EXPECT_NE(std::find(shown.begin(), shown.end(), extent.high.value), shown.end());
            }
        }
    }
}

TEST(ChartTable, GapsBecomeNullsOnlyInTheSeriesTheyCut) {
    BucketGrid grid(2, 1.0, 16);
    const auto put = [&](double time, double a, Link linkA, std::optional<double> b, Link linkB) {
        const std::size_t bucket = grid.place(time);
        grid.add(0, bucket, {.time = time, .value = a}, linkA);
        if (b) grid.add(1, bucket, {.time = time, .value = *b}, linkB);
    };
    put(0, 1, Link::Gap, 10, Link::Gap);
    put(1, 2, Link::Joined, 20, Link::Joined);
    put(4, 3, Link::Gap, 30, Link::Joined);  // series 0 resumes after a gap; series 1 runs on
    put(5, 4, Link::Joined, std::nullopt, Link::Joined);
    const ChartTable table = chartTable(grid);
    EXPECT_EQ(table.time, (std::vector<double>{0, 1, 2.5, 4, 5}));
    using V = std::vector<std::optional<double>>;
    EXPECT_EQ(table.values[0], (V{1, 2, std::nullopt, 3, 4}));
    EXPECT_EQ(table.values[1], (V{10, 20, 20, 30, std::nullopt}));
    EXPECT_EQ(vorlat::flightlog::jsonText(chartTableJson(table), {.nameSeparator = ":", .separator = ",", .breaks = {}}),
              "{\"t\":[0,1,2.5,4,5],\"s\":[[1,2,null,3,4],[10,20,20,30,null]]}");
}

TEST(FramePlan, CursorTimesAreWholeSamplesApartAndEventsAreThinnedEvenly) {
    struct Case {
        const char* name;
        double first, last, period;
        std::size_t cursorFrames;
        double step;
    };
    const Case cases[] = {
        {.name = "fewer rows than pictures", .first = 38, .last = 48, .period = 0.5, .cursorFrames = 21, .step = 0.5},
        {.name = "the built-in flight", .first = 38, .last = 225.5, .period = 0.5, .cursorFrames = 94, .step = 2},
        {.name = "a long log", .first = 4, .last = 500035, .period = 0.5, .cursorFrames = 119, .step = 4202},
        {.name = "one row", .first = 7, .last = 7, .period = 0.5, .cursorFrames = 1, .step = 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const FramePlan plan = planFrames(c.first, c.last, c.period, {});
        ASSERT_EQ(plan.cursorTimes.size(), c.cursorFrames);
        EXPECT_LE(plan.cursorTimes.size(), MAX_CURSOR_FRAMES);
        EXPECT_EQ(plan.cursorTimes.front(), c.first);
        EXPECT_LE(plan.cursorTimes.back(), c.last);
        if (c.cursorFrames > 1) {
            EXPECT_EQ(plan.cursorTimes[1] - plan.cursorTimes[0], c.step);
        }
    }
    std::vector<double> events;
    for (int i = 0; i < 1000; ++i) events.push_back(i * 0.5), events.push_back(i * 0.5);  // each time twice
    const FramePlan plan = planFrames(0, 600, 0.5, events);
    EXPECT_EQ(plan.distinctEventTimes, 1000u);
    ASSERT_EQ(plan.eventTimes.size(), MAX_EVENT_FRAMES);
    EXPECT_EQ(plan.eventTimes.front(), 0);
    EXPECT_EQ(plan.eventTimes.back(), 499.5);
    EXPECT_TRUE(std::is_sorted(plan.eventTimes.begin(), plan.eventTimes.end()));
}

TEST(WebText, EscapesAndEncodes) {
    struct Case {
        std::string in, html, json, base64;
    };
    const Case cases[] = {
        {.in = "", .html = "", .json = "", .base64 = ""},
        {.in = "f", .html = "f", .json = "f", .base64 = "Zg=="},
        {.in = "fo", .html = "fo", .json = "fo", .base64 = "Zm8="},
        {.in = "foobar", .html = "foobar", .json = "foobar", .base64 = "Zm9vYmFy"},
        {.in = "<a href='x'>&\"",
         .html = "&lt;a href=&#39;x&#39;&gt;&amp;&quot;",
         .json = "\\u003Ca href='x'>&\"",
         .base64 = "PGEgaHJlZj0neCc+JiI="},
        {.in = "\"</script><!--\"",
         .html = "&quot;&lt;/script&gt;&lt;!--&quot;",
         .json = "\"\\u003C/script>\\u003C!--\"",
         .base64 = "Ijwvc2NyaXB0PjwhLS0i"},
        {.in = std::string("\xff\x00\xfe", 3),
         .html = std::string("\xff\x00\xfe", 3),
         .json = std::string("\xff\x00\xfe", 3),
         .base64 = "/wD+"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(vorlat::web::htmlEscape(c.in), c.html);
        EXPECT_EQ(vorlat::web::scriptSafeJson(c.in), c.json);
        EXPECT_EQ(vorlat::web::base64(c.in), c.base64);
    }
    EXPECT_EQ(vorlat::web::pngDataUrl("f"), "data:image/png;base64,Zg==");
}

TEST(FillTemplate, FillsEachSlotOnceAndRefusesMismatches) {
    EXPECT_EQ(fillTemplate("<b>{{A}}</b>{{B}}{{A}}", {{"A", "{{B}}"}, {"B", "x"}}), "<b>{{B}}</b>x{{B}}");
    EXPECT_EQ(fillTemplate("no slot {{ open", {}), "no slot {{ open");
    EXPECT_THROW(fillTemplate("{{A}}{{C}}", {{"A", ""}}), std::invalid_argument);
    EXPECT_THROW(fillTemplate("{{A}}", {{"A", ""}, {"B", ""}}), std::invalid_argument);
}

}  // namespace
