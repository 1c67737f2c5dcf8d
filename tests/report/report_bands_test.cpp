// The bands the report's script draws come to it as data in the page: read
// back out of a generated page, every chart's bands must colour each value as
// the panel's own rule does for the columns the chart draws, on the right
// side of zero, and a chart of no banded column must have none.
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>
#include <optional>
#include <string>
#include <vector>

#include "tools/log/log_bands.h"
#include "tools/log/plot_panels.h"
#include "tools/log/plot_sink.h"
#include "tools/report/report_page.h"

namespace {

using namespace vorlat::flightlog;
using vorlat::report::pageDataJson;
using vorlat::report::ReportContent;

// The level a chart's bands give `value` and the fill the script paints it with:
// the deepest band holding it strictly inside.
std::optional<std::string> pageLevel(const nlohmann::json& bands, double value) {
    std::optional<std::string> level;
    for (const nlohmann::json& band : bands) {
        if (!(value > band[0].get<double>() && value < band[1].get<double>())) continue;
        if (!level || band[2] == "red") level = band[2].get<std::string>() + " " + band[3].get<std::string>();
    }
    return level;
}

std::optional<Column> columnNamed(const std::string& csvName) {
    for (std::size_t c = 0; c < COLUMN_COUNT; ++c)
        if (COLUMNS[c].csvName == csvName) return static_cast<Column>(c);
    return std::nullopt;
}

const Band* bandOf(Column column) {
    for (const Band& band : BANDS)
        if (band.column == column) return &band;
    return nullptr;
}

TEST(ReportBands, ThePagesBandsColourValuesAsThePanelDoes) {
    const FlightSeries series(plottedColumns(planPanels({})), DEFAULT_TICK_RATE);
    ReportContent content{.title = "bands", .flights = {{.label = "f", .summary = {}, .series = &series}}};
    const nlohmann::json page = nlohmann::json::parse(pageDataJson(content, false));

    std::size_t bandedCharts = 0, valuesChecked = 0;
    for (const nlohmann::json& panel : page["panels"]) {
        std::vector<const Band*> drawn;
        for (const char* side : {"left", "right"})
            for (const nlohmann::json& index : panel[side])
                if (const auto column = columnNamed(page["series"][index.get<std::size_t>()]["name"]))
                    if (const Band* band = bandOf(*column)) drawn.push_back(band);
        SCOPED_TRACE(panel["label"].get<std::string>());
        if (drawn.empty()) {
            EXPECT_TRUE(panel["bands"].empty());
            continue;
        }
        ++bandedCharts;
        for (const Band* band : drawn) {
            // Both sides of zero, either side of each limit, and far beyond them.
            for (const double limit : {0.0, band->yellow, band->red, 10 * band->red}) {
                for (const double value : {limit - 0.5, limit + 0.5, -limit - 0.5, -limit + 0.5}) {
                    const std::optional<BandLevel> expected = bandLevelOf(*band, value);
                    const std::optional<std::string> shown = pageLevel(panel["bands"], value);
                    const std::optional<std::string> wanted =
                        expected ? std::optional<std::string>(std::string(lookOf(*expected).keyword) + " " +
                                                              vorlat::report::bandFill(*expected))
                                 : std::nullopt;
                    EXPECT_EQ(shown, wanted)
                        << COLUMNS[band->column].header << " at " << value;
                    ++valuesChecked;
                }
            }
        }
    }
    EXPECT_EQ(bandedCharts, 2u);  // the airspeeds' chart and the g load's
    EXPECT_GT(valuesChecked, 0u);
}

}  // namespace
