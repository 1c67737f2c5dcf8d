// The page: the headline, summary and events as HTML, the charts' data as JSON
// for the page's script, all poured into the embedded template.
#include "tools/report/report_page.h"

#include <cmath>
#include <cstdio>
#include <sstream>
#include <stdexcept>

#include "tools/log/log_bands.h"
#include "tools/log/log_damage.h"
#include "tools/log/number_text.h"
#include "tools/log/plot_panels.h"
#include "tools/log/summary_text.h"
#include "tools/report/report_series.h"
#include "tools/report/web_assets.h"
#include "tools/report/web_text.h"

namespace vorlat::report {

std::string colourHex(flightlog::PlotColour colour) {
    char text[8];
    std::snprintf(text, sizeof text, "#%02x%02x%02x", colour.r, colour.g, colour.b);
    return text;
}

flightlog::PlotColour flightColour(std::size_t position) {
    return flightlog::PLOT_FLIGHTS[position % std::size(flightlog::PLOT_FLIGHTS)];
}

namespace {

using namespace flightlog;
using summary_text::jsonString;

using summary_text::jsonNumber;

// The script's charts take +-1e9 for a band's open end.
constexpr double NO_END = 1e9;
double scriptEnd(double value) { return std::isinf(value) ? std::copysign(NO_END, value) : value; }

// A chart's horizontal bands, from the band table: [from, to, "yellow" or "red"].
std::string bandsJson(PlotGroup group) {
    std::string bands = "[";
    for (const Band* band : panelBands(group)) {
        for (const BandInterval& interval : bandIntervals(*band)) {
            if (bands.size() > 1) bands += ',';
            // Appended, not "[" + number: GCC 12 at -O3 takes that form for overlapping
            // copies (a false -Wrestrict warning in its own string header).
            bands += '[';
            bands += jsonNumber(scriptEnd(interval.from)) + "," + jsonNumber(scriptEnd(interval.to)) + "," +
                     jsonString(lookOf(interval.level).keyword) + "]";
        }
    }
    return bands + "]";
}

std::string indexList(const FlightSeries& series, const std::vector<Column>& columns) {
    std::string json = "[";
    for (const Column column : columns) {
        if (json.size() > 1) json += ',';
        json += std::to_string(series.seriesOf(column).value());
    }
    return json + "]";
}

// The five charts: their series (by position in the flight's table), scales' labels, bands and shading.
std::string panelsJson(const FlightSeries& series) {
    std::string json = "[";
    for (const PanelPlan& panel : planPanels({})) {
        if (json.size() > 1) json += ",\n";
        json += "{\"label\":" + jsonString(panel.leftLabel) + ",\"rightLabel\":" + jsonString(panel.rightLabel) +
                ",\"left\":" + indexList(series, panel.left) + ",\"right\":" + indexList(series, panel.right) +
                ",\"bands\":" + bandsJson(panel.group) + ",\"stall\":" + (panel.group == PlotGroup::Attitude ? "true" : "false") + "}";
    }
    return json + "]";
}

std::string seriesJson(const FlightSeries& series) {
    std::string json = "[";
    for (const Column column : series.columns()) {
        if (json.size() > 1) json += ',';
        json += "{\"name\":" + jsonString(COLUMNS[column].csvName) + ",\"label\":" + jsonString(columnLabel(column)) +
                ",\"colour\":" + jsonString(colourHex(COLUMNS[column].colour)) + "}";
    }
    return json + "]";
}

std::string spansJson(const SpanLane& lane, double offset) {
    std::string json = "[";
    for (const Span& span : lane.spans()) {
        if (json.size() > 1) json += ',';
        json += '[';  // appended: see panelsJson
        json += jsonNumber(span.from - offset) + "," + jsonNumber(span.to - offset) + "]";
    }
    return json + "]";
}

// The finer level, when the overview's buckets hold more than one sample each.
std::string detailJson(const ReportFlight& flight) {
    if (flight.detail == nullptr || flight.detail->grid().width() >= flight.series->grid().width()) return {};
    return ",\"detail\":{\"width\":" + jsonNumber(flight.detail->grid().width()) +
           ",\"table\":" + chartTableJson(chartTable(flight.detail->grid(), flight.offset)) + "}";
}

std::string flightJson(const ReportFlight& flight, std::size_t position) {
    const FlightSeries& series = *flight.series;
    return "{\"label\":" + jsonString(flight.label) + ",\"colour\":" + jsonString(colourHex(flightColour(position))) +
           ",\"offset\":" + jsonNumber(flight.offset) + ",\"width\":" + jsonNumber(series.grid().width()) +
           ",\"table\":" + chartTableJson(chartTable(series.grid(), flight.offset)) + detailJson(flight) +
           ",\"pauses\":" + spansJson(series.lane(PAUSE_LANE), flight.offset) +
           ",\"stalls\":" + spansJson(series.lane(STALL_LANE), flight.offset) + "}";
}

std::string framesJson(const ReportContent& content, bool withPictures) {
    const double offset = content.flights.empty() ? 0 : content.flights[0].offset;
    std::string json = "[";
    for (const Frame& frame : content.frames) {
        if (json.size() > 1) json += ",\n";
        json += "{\"t\":" + jsonNumber(frame.time - offset) + ",\"index\":" + std::to_string(frame.index) +
                ",\"event\":" + (frame.event ? "true" : "false") +
                ",\"indexShown\":" + (frame.indexShown ? "true" : "false") +
                ",\"src\":" + jsonString(withPictures ? web::pngDataUrl(frame.png) : std::string()) + "}";
    }
    return json + "]";
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
    std::string json = "{\"title\":" + jsonString(content.title) + ",\n\"period\":" + jsonNumber(first.period()) +
                       ",\n\"series\":" + seriesJson(first) + ",\n\"panels\":" + panelsJson(first) + ",\n\"flights\":[";
    for (std::size_t f = 0; f < content.flights.size(); ++f)
        json += (f == 0 ? "\n" : ",\n") + flightJson(content.flights[f], f);
    return json + "],\n\"frames\":" + framesJson(content, withPictures) + "}\n";
}

}  // namespace vorlat::report
