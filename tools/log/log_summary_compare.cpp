// Several flights side by side: one table with a column per flight, its rows
// one list (comparisonRows) of what the single summary says, then the events
// of each flight under its label; and for machines an array of the summaries.
#include <algorithm>
#include <cmath>
#include <functional>
#include <ostream>
#include <sstream>
#include <string>
#include <vector>

#include "tools/log/log_summary.h"
#include "tools/log/number_text.h"
#include "tools/log/summary_text.h"

namespace vorlat::flightlog {

namespace {

using namespace summary_text;

// One row of the table: its name, and its cell for each flight.
struct ComparisonRow {
    std::string name;
    std::function<std::string(const Summary&)> cell;
};

std::string rangeCell(const Summary& s) { return s.range.limited() ? rangeText(s.range) : "whole recording"; }

// How a recording ended, in words short enough for a column.
std::string endingCell(const Summary& s) {
    switch (s.ending) {
        case Ending::EndRecording: return "ended by the record button";
        case Ending::Exit: return "ended as the gauge shut down";
        case Ending::CutOff: return "cut off (no last line)";
    }
    return {};
}

// The column heads already name the files when each is its file's path, or the
// end of it (its folder and name), or that for one recording ("FILE, recording N").
bool headsNameTheFiles(const std::vector<Summary>& summaries) {
    const auto names = [](std::string head, std::string file) {
        if (const std::size_t at = head.rfind(", recording "); at != std::string::npos) head.erase(at);
#ifdef _WIN32
        std::replace(file.begin(), file.end(), '\\', '/');  // the labels have "/" between folder and name
#endif
        return head == file || file.ends_with("/" + head) || head.ends_with("/" + file);
    };
    return std::all_of(summaries.begin(), summaries.end(),
                       [&](const Summary& s) { return !s.label.empty() && names(s.label, s.file); });
}

std::vector<ComparisonRow> extentRows() {
    return {
        {"File", [](const Summary& s) { return s.file; }},
        {"Completeness", endingCell},
        {"Damaged lines", [](const Summary& s) { return count(s.damage.total()); }},
        {"Range", rangeCell},
        {"Rows", [](const Summary& s) { return count(s.rows); }},
        {"Segments", [](const Summary& s) { return count(s.segments); }},
        {"Pauses", [](const Summary& s) { return count(s.pauses); }},
        {"Not recorded s",
         [](const Summary& s) { return timeText(static_cast<double>(s.skippedSamples) * s.samplePeriod); }},
        {"Start s", [](const Summary& s) { return timeText(s.startTime); }},
        {"End s", [](const Summary& s) { return timeText(s.endTime); }},
        {"Duration s", [](const Summary& s) { return timeText(s.duration); }},
    };
}

// Minimum, maximum and mean of every column, as the single table has them.
void addColumnRows(std::vector<ComparisonRow>& rows) {
    struct Statistic {
        const char* name;
        double ColumnStats::*value;
        int extraDecimals;
    };
    constexpr Statistic STATISTICS[] = {
        {"min", &ColumnStats::min, 0}, {"max", &ColumnStats::max, 0}, {"mean", &ColumnStats::mean, 2}};
    for (std::size_t c = 1; c < COLUMN_COUNT; ++c) {
        const std::string unit(COLUMNS[c].unit);
        for (const Statistic& statistic : STATISTICS) {
            rows.push_back({std::string(COLUMNS[c].header) + " " + statistic.name + (unit.empty() ? "" : " " + unit),
                            [c, statistic](const Summary& s) {
                                const ColumnStats& stats = s.columns[c];
                                const double value = stats.*statistic.value;
                                if (stats.count == 0 || !std::isfinite(value)) return std::string("-");
                                return numberText(value, COLUMNS[c].decimals + statistic.extraDecimals);
                            }});
        }
    }
}

void addBandAndEventRows(std::vector<ComparisonRow>& rows) {
    for (std::size_t b = 0; b < BAND_COUNT; ++b) {
        const std::string name(eventName(BANDS[b].column));
        rows.push_back({name + " yellow s", [b](const Summary& s) { return timeText(s.bands[b].yellowSeconds); }});
        rows.push_back({name + " red s", [b](const Summary& s) { return timeText(s.bands[b].redSeconds); }});
    }
    rows.push_back({"Stalls", [](const Summary& s) { return count(s.stall.events); }});
    rows.push_back({"Stalled s", [](const Summary& s) { return timeText(s.stall.totalSeconds); }});
    rows.push_back({"First stall s", [](const Summary& s) {
                        return s.stall.firstTime ? timeText(*s.stall.firstTime) : std::string("-");
                    }});
    rows.push_back({"Altitude gain ft", [](const Summary& s) { return numberText(s.largestGain.feet, 0); }});
    rows.push_back({"Altitude loss ft", [](const Summary& s) { return numberText(s.largestLoss.feet, 0); }});
    rows.push_back({"Events", [](const Summary& s) { return count(s.events.events.size() + s.events.notListed); }});
}

std::vector<ComparisonRow> comparisonRows() {
    std::vector<ComparisonRow> rows = extentRows();
    addColumnRows(rows);
    addBandAndEventRows(rows);
    return rows;
}

constexpr std::size_t COLUMN_GAP = 2;

}  // namespace

void writeSummariesTable(std::ostream& out, const std::vector<Summary>& summaries, SummaryEvents events) {
    std::vector<ComparisonRow> rows = comparisonRows();
    if (headsNameTheFiles(summaries)) rows.erase(rows.begin());  // the File row
    std::vector<std::vector<std::string>> cells(rows.size());
    std::size_t nameWidth = 0;
    std::vector<std::size_t> widths;
    for (const Summary& s : summaries) widths.push_back(s.label.size());
    for (std::size_t r = 0; r < rows.size(); ++r) {
        nameWidth = std::max(nameWidth, rows[r].name.size());
        for (std::size_t f = 0; f < summaries.size(); ++f) {
            cells[r].push_back(rows[r].cell(summaries[f]));
            widths[f] = std::max(widths[f], cells[r].back().size());
        }
    }
    out << padRight("", nameWidth);
    for (std::size_t f = 0; f < summaries.size(); ++f) out << padLeft(summaries[f].label, widths[f] + COLUMN_GAP);
    out << "\n";
    for (std::size_t r = 0; r < rows.size(); ++r) {
        out << padRight(rows[r].name, nameWidth);
        for (std::size_t f = 0; f < summaries.size(); ++f) out << padLeft(cells[r][f], widths[f] + COLUMN_GAP);
        out << "\n";
    }
    if (events == SummaryEvents::Omitted) return;
    for (const Summary& s : summaries) out << "\n" << s.label << "\n" << eventsTable(s.events);
}

void writeSummariesJson(std::ostream& out, const std::vector<Summary>& summaries) {
    out << "[\n";
    for (const Summary& s : summaries) {
        std::ostringstream one;
        writeSummaryJson(one, s);
        std::string text = one.str();
        text.pop_back();  // its line break: the array's separator follows
        out << text << (&s != &summaries.back() ? ",\n" : "\n");
    }
    out << "]\n";
}

}  // namespace vorlat::flightlog
