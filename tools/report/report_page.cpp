// The page: the headline, summary and events as HTML, the charts' data as JSON
// for the page's script, all poured into the embedded template.
#include "tools/report/report_page.h"

#include <cmath>
#include <cstdio>
#include <stdexcept>

#include "tools/log/log_bands.h"
#include "tools/log/log_damage.h"
#include "tools/log/number_text.h"
#include "tools/log/plot_panels.h"
#include "tools/log/json_layout.h"
#include "tools/report/report_series.h"
#include "tools/report/web_assets.h"
#include "tools/report/web_text.h"

namespace vorlat::report {

std::string colourHex(flightlog::PlotColour colour) {
    char text[8];
    std::snprintf(text, sizeof text, "#%02x%02x%02x", colour.r, colour.g, colour.b);
    return text;
}

std::string bandFill(flightlog::BandLevel level) {
    const flightlog::BandLevelLook& look = flightlog::lookOf(level);
    const flightlog::PlotColour colour = look.plotColour;
    return "rgba(" + std::to_string(colour.r) + "," + std::to_string(colour.g) + "," + std::to_string(colour.b) + "," +
           flightlog::numberText(look.pageOpacity, -1) + ")";
}

flightlog::PlotColour flightColour(std::size_t position) {
    return flightlog::PLOT_FLIGHTS[position % std::size(flightlog::PLOT_FLIGHTS)];
}

namespace {

using namespace flightlog;

// The page's data is compact; the top members, the charts, the flights and the
// pictures each start a line, so the page's source stays readable.
constexpr JsonLines ONE_A_LINE{.open = "", .separator = ",\n", .close = ""};
constexpr JsonBreaks PAGE_BREAKS[] = {
    {.path = "", .lines = ONE_A_LINE},
    {.path = "/panels", .lines = ONE_A_LINE},
    {.path = "/flights", .lines = {.open = "\n", .separator = ",\n", .close = ""}},
    {.path = "/frames", .lines = ONE_A_LINE},
};

// The script's charts take +-1e9 for a band's open end.
constexpr double NO_END = 1e9;
double scriptEnd(double value) { return std::isinf(value) ? std::copysign(NO_END, value) : value; }

// A chart's horizontal bands, from the band table: [from, to, "yellow" or "red", fill].
Json bandsJson(PlotGroup group) {
    Json bands = Json::array();
    for (const Band* band : panelBands(group))
        for (const BandInterval& interval : bandIntervals(*band))
            bands.push_back({jsonNumber(scriptEnd(interval.from)), jsonNumber(scriptEnd(interval.to)),
                             lookOf(interval.level).keyword, bandFill(interval.level)});
    return bands;
}

Json indexList(const FlightSeries& series, const std::vector<Column>& columns) {
    Json indices = Json::array();
    for (const Column column : columns) indices.push_back(series.seriesOf(column).value());
    return indices;
}

// The five charts: their series (by position in the flight's table), scales' labels, bands and shading.
Json panelsJson(const FlightSeries& series) {
    Json panels = Json::array();
    for (const PanelPlan& panel : planPanels({}))
        panels.push_back({{"label", panel.leftLabel},
                          {"rightLabel", panel.rightLabel},
                          {"left", indexList(series, panel.left)},
                          {"right", indexList(series, panel.right)},
                          {"bands", bandsJson(panel.group)},
                          {"stall", panel.group == PlotGroup::Attitude}});
    return panels;
}

Json seriesJson(const FlightSeries& series) {
    Json styles = Json::array();
    for (const Column column : series.columns())
        styles.push_back({{"name", COLUMNS[column].csvName},
                          {"label", columnLabel(column)},
                          {"colour", colourHex(COLUMNS[column].colour)}});
    return styles;
}

Json spansJson(const SpanLane& lane, double offset) {
    Json spans = Json::array();
    for (const Span& span : lane.spans()) spans.push_back({jsonNumber(span.from - offset), jsonNumber(span.to - offset)});
    return spans;
}

Json flightJson(const ReportFlight& flight, std::size_t position) {
    const FlightSeries& series = *flight.series;
    Json json{{"label", flight.label},
              {"colour", colourHex(flightColour(position))},
              {"offset", jsonNumber(flight.offset)},
              {"width", jsonNumber(series.grid().width())},
              {"table", chartTableJson(chartTable(series.grid(), flight.offset))}};
    // The finer levels, finest first, when the overview's buckets hold more than one sample each.
    if (flight.detail != nullptr) {
        Json levels = Json::array();
        for (const ChartLevel& level : chartLevels(flight.detail->grid(), series.grid().width(), flight.offset))
            levels.push_back({{"width", jsonNumber(level.width)}, {"table", chartTableJson(level.table)}});
        if (!levels.empty()) json["levels"] = std::move(levels);
    }
    json["pauses"] = spansJson(series.lane(PAUSE_LANE), flight.offset);
    json["stalls"] = spansJson(series.lane(STALL_LANE), flight.offset);
    return json;
}

Json framesJson(const ReportContent& content, bool withPictures) {
    const double offset = content.flights.empty() ? 0 : content.flights[0].offset;
    Json frames = Json::array();
    for (const Frame& frame : content.frames)
        frames.push_back({{"t", jsonNumber(frame.time - offset)},
                          {"index", frame.index},
                          {"event", frame.event},
                          {"indexShown", frame.indexShown},
                          {"src", withPictures ? web::pngDataUrl(frame.png) : std::string()}});
    return frames;
}

}  // namespace

std::string fillTemplate(std::string_view text, const std::vector<std::pair<std::string_view, std::string>>& values) {
    std::string out;
    std::vector<bool> used(values.size(), false);
    std::size_t at = 0;
    while (true) {
        const std::size_t open = text.find("{{", at);
        if (open == std::string_view::npos) break;
        const std::size_t close = text.find("}}", open + 2);
        if (close == std::string_view::npos) break;
        const std::string_view name = text.substr(open + 2, close - open - 2);
        std::size_t found = 0;
        while (found < values.size() && values[found].first != name) ++found;
        if (found == values.size())
            throw std::invalid_argument("template slot {{" + std::string(name) + "}} has no value");
        out.append(text.substr(at, open - at));
        out += values[found].second;
        used[found] = true;
        at = close + 2;
    }
    out.append(text.substr(at));
    for (std::size_t i = 0; i < values.size(); ++i)
        if (!used[i]) throw std::invalid_argument("no template slot {{" + std::string(values[i].first) + "}}");
    return out;
}

std::string pageDataJson(const ReportContent& content, bool withPictures) {
    if (content.flights.empty()) throw std::invalid_argument("a report needs a flight");
    const FlightSeries& first = *content.flights[0].series;
    Json flights = Json::array();
    for (std::size_t f = 0; f < content.flights.size(); ++f) flights.push_back(flightJson(content.flights[f], f));
    const Json data{{"title", content.title},
                    {"period", jsonNumber(first.period())},
                    {"series", seriesJson(first)},
                    {"panels", panelsJson(first)},
                    {"flights", std::move(flights)},
                    {"frames", framesJson(content, withPictures)}};
    return jsonText(data, {.nameSeparator = ":", .separator = ",", .breaks = PAGE_BREAKS}) + "\n";
}

}  // namespace vorlat::report
