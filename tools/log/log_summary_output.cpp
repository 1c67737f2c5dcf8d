// The summary as a table for people and as JSON for machines (one summary, or
// an array of several). Both writers walk one list of fields (summaryFields):
// each field gives its table lines and its JSON members side by side, so a
// field is added, moved or dropped in one place.
#include <cmath>
#include <ostream>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

#include "common/printable.h"
#include "tools/log/json_layout.h"
#include "tools/log/log_bands.h"
#include "tools/log/log_summary.h"
#include "tools/log/number_text.h"
#include "tools/log/summary_text.h"

namespace vorlat::flightlog {

namespace {

using namespace summary_text;

// One field of the summary in both outputs: its lines of the table (each with
// its line break; empty: the table leaves it out) and its members of the JSON object.
struct SummaryField {
    std::string table;
    Json json = Json::object();
};

// The JSON's layout: a member per line, and the columns, events and damage a
// line per entry; everything else on one line. Several summaries: an array of
// them, each laid out as one is.
constexpr JsonLines MEMBER_LINES{.open = "\n  ", .separator = ",\n  ", .close = "\n"};
constexpr JsonLines ENTRY_LINES{.open = "\n    ", .separator = ",\n    ", .close = "\n  "};
constexpr JsonLines DAMAGED_LINES{.open = "", .separator = ",\n             ", .close = ""};
constexpr JsonBreaks SUMMARY_BREAKS[] = {
    {.path = "", .lines = MEMBER_LINES},
    {.path = "/columns", .lines = ENTRY_LINES},
    {.path = "/events", .lines = ENTRY_LINES},
    {.path = "/damage", .lines = ENTRY_LINES},
    {.path = "/damage/first", .lines = DAMAGED_LINES},
};
constexpr JsonBreaks SUMMARIES_BREAKS[] = {
    {.path = "", .lines = {.open = "\n", .separator = ",\n", .close = "\n"}},
    {.path = "/*", .lines = MEMBER_LINES},
    {.path = "/*/columns", .lines = ENTRY_LINES},
    {.path = "/*/events", .lines = ENTRY_LINES},
    {.path = "/*/damage", .lines = ENTRY_LINES},
    {.path = "/*/damage/first", .lines = DAMAGED_LINES},
};
constexpr std::string_view NAME_SEPARATOR = ": ", ONE_LINE_SEPARATOR = ", ";

// --- Per-column statistics and bands: tables of their own ---------------------

struct StatisticField {
    std::string_view key;      // JSON
    std::string_view heading;  // table
    std::size_t width;
    double ColumnStats::*value;
    enum Text { Logged, Mean, Time } text;  // the column's decimals, two more, or a time
};
constexpr StatisticField STATISTIC_FIELDS[] = {
    {.key = "min", .heading = "Min", .width = 10, .value = &ColumnStats::min, .text = StatisticField::Logged},
    {.key = "min_s", .heading = "at s", .width = 10, .value = &ColumnStats::minTime, .text = StatisticField::Time},
    {.key = "max", .heading = "Max", .width = 10, .value = &ColumnStats::max, .text = StatisticField::Logged},
    {.key = "max_s", .heading = "at s", .width = 10, .value = &ColumnStats::maxTime, .text = StatisticField::Time},
    {.key = "mean", .heading = "Mean", .width = 11, .value = &ColumnStats::mean, .text = StatisticField::Mean},
};
constexpr std::size_t NAME_WIDTH = 8;  // the table's first columns: a column's name, its unit, a band's name
constexpr std::size_t BAND_WIDTH = 10;

// A flight that runs past an hour gives every time of its table as h:mm:ss
// (under the heading "at"), so no column mixes seconds and clock times.
std::string statisticText(const StatisticField& field, const ColumnStats& stats, int decimals, bool clock) {
    const double value = stats.*field.value;
    if (!std::isfinite(value)) return "-";  // a circular mean of directions that cancel out
    switch (field.text) {
        case StatisticField::Logged: return numberText(value, decimals);
        case StatisticField::Mean: return numberText(value, decimals + 2);
        case StatisticField::Time: return clock ? clockText(value) : timeText(value);
    }
    return {};
}

std::string statisticHeading(const StatisticField& field, bool clock) {
    return std::string(clock && field.text == StatisticField::Time ? "at" : field.heading);
}

SummaryField columnsField(const Summary& s) {
    SummaryField field;
    const bool clock = readsAsClock(s.endTime);
    field.table = "\n" + padRight("Column", NAME_WIDTH) + padRight("Unit", NAME_WIDTH);
    for (const StatisticField& statistic : STATISTIC_FIELDS)
        field.table += padLeft(statisticHeading(statistic, clock), statistic.width);
    field.table += "\n";
    Json columns = Json::object();
    for (std::size_t c = 1; c < COLUMN_COUNT; ++c) {
        const ColumnStats& stats = s.columns[c];
        field.table +=
            padRight(std::string(COLUMNS[c].header), NAME_WIDTH) + padRight(std::string(COLUMNS[c].unit), NAME_WIDTH);
        Json& members = columns[std::string(COLUMNS[c].csvName)];  // null when the column has no values
        for (const StatisticField& statistic : STATISTIC_FIELDS) {
            if (stats.count == 0) break;
            field.table += padLeft(statisticText(statistic, stats, COLUMNS[c].decimals, clock), statistic.width);
            members[std::string(statistic.key)] = jsonNumber(stats.*statistic.value);
        }
        field.table += (stats.count == 0 ? padLeft("-", STATISTIC_FIELDS[0].width) : "") + "\n";
    }
    field.json["columns"] = std::move(columns);
    return field;
}

// A band's limits as the table states them: "(yellow above 300 kt, red above 500 kt)".
std::string bandLimits(const Band& band) {
    std::string text;
    for (const BandLevel level : BAND_LEVELS)
        text += (text.empty() ? "(" : ", ") + std::string(lookOf(level).keyword) + " " +
                limitText(band, level, LimitWords::Words);
    return text + ")";
}

SummaryField bandsField(const Summary& s) {
    SummaryField field;
    field.table =
        "\n" + padRight("Bands", NAME_WIDTH) + padLeft("yellow", BAND_WIDTH) + padLeft("red", BAND_WIDTH) + "\n";
    Json bands = Json::object();
    for (std::size_t b = 0; b < BAND_COUNT; ++b) {
        const BandTimes& times = s.bands[b];
        field.table += padRight(std::string(eventName(BANDS[b].column)), NAME_WIDTH) +
                       padLeft(seconds(times.yellowSeconds), BAND_WIDTH) +
                       padLeft(seconds(times.redSeconds), BAND_WIDTH) + "  " + bandLimits(BANDS[b]) + "\n";
        bands[std::string(BANDS[b].key)] = {{"yellow_s", jsonNumber(times.yellowSeconds)},
                                            {"red_s", jsonNumber(times.redSeconds)}};
    }
    field.json["bands"] = std::move(bands);
    return field;
}

// --- The lines of the summary --------------------------------------------------

constexpr std::string_view MORE = "              ";  // a line that continues the one above

SummaryField fileField(const Summary& s) {
    SummaryField field{.table = "File          " + terminalText(s.file) + "\n"};
    field.json["file"] = s.file;
    if (!s.label.empty()) {
        field.table += "Label         " + terminalText(s.label) + "\n";
        field.json["label"] = s.label;
    }
    return field;
}

// The table names a range only when one was asked for; the JSON always has both ends, null when open.
SummaryField rangeField(const Summary& s) {
    const auto end = [](const std::optional<double>& time) { return jsonNumberIf(time.has_value(), time.value_or(0)); };
    SummaryField field{.table = s.range.limited() ? "Range         " + rangeText(s.range) + "\n" : std::string()};
    field.json["range"] = {{"from_s", end(s.range.from)}, {"to_s", end(s.range.to)}};
    return field;
}

SummaryField eventsField(const Summary& s) {
    SummaryField field{.table = "\n" + eventsTable(s.events)};
    field.json["events"] = eventsJson(s.events);
    field.json["events_not_listed"] = s.events.notListed;
    return field;
}

// The damage as table lines under the completeness: the headline, the first lines, how many more.
std::string damageTable(const Damage& damage) {
    if (!damage.any()) return {};
    std::string table = std::string(MORE) + "damaged: " + damageHeadline(damage) + "\n";
    for (const DamagedLine& line : damage.first)
        table += std::string(MORE) + "line " + count(line.line) + ": " + line.expected + "\n";
    if (const std::string more = damageMore(damage); !more.empty()) table += std::string(MORE) + more + "\n";
    return table;
}

// The damage as one JSON object whose keys are the same for every log.
Json damageJson(const Damage& damage) {
    Json lines = Json::object();
    for (const DamageKindInfo& kind : DAMAGE_KINDS) lines[std::string(kind.keyword)] = damage.count(kind.kind);
    Json first = Json::array();
    for (const DamagedLine& line : damage.first)
        first.push_back({{"line", line.line}, {"kind", infoOf(line.kind).keyword}, {"expected", line.expected}});
    return {{"skipped_lines", damage.skippedLines},
            {"trailing_nul_bytes", damage.trailingNulBytes},
            {"lines", std::move(lines)},
            {"first", std::move(first)}};
}

SummaryField completenessField(const Summary& s) {
    SummaryField field;
    field.table = "Completeness  " + std::string(endingName(s.ending)) + "\n" + damageTable(s.damage);
    if (s.lfOnlyLines != 0)
        field.table += std::string(MORE) + count(s.lfOnlyLines) +
                       plural(s.lfOnlyLines, " line ends in LF alone", " lines end in LF alone") + ", not CR LF\n";
    field.json = {{"completeness", endingKeyword(s.ending)},
                  {"dropped_line", s.dropped ? Json(s.dropped->line) : Json(nullptr)},
                  {"lf_only_lines", s.lfOnlyLines},
                  {"damage", damageJson(s.damage)}};
    return field;
}

SummaryField extentField(const Summary& s) {
    SummaryField field;
    field.table = "Rows          " + count(s.rows) + " in " + count(s.segments) +
                  plural(s.segments, " segment, ", " segments, ") + count(s.pauses) +
                  plural(s.pauses, " pause", " pauses") + " (" + std::to_string(s.skippedSamples) +
                  " samples not recorded, " + seconds(static_cast<double>(s.skippedSamples) * s.samplePeriod) + ")\n";
    const std::string clock =
        "(a sample every " + numberText(s.samplePeriod, -1) + " s at " + numberText(s.tickRate, -1) + " ticks/s)\n";
    const bool anyRows = s.rows != 0;
    field.table += anyRows ? "Time          " + seconds(s.startTime) + " to " + seconds(s.endTime) + ", duration " +
                                 seconds(s.duration) + " " + clock
                           : "Time          no rows " + clock;
    field.json = {{"tick_rate", jsonNumber(s.tickRate)},
                  {"sample_period_s", jsonNumber(s.samplePeriod)},
                  {"rows", s.rows},
                  {"segments", s.segments},
                  {"pauses", s.pauses},
                  {"skipped_samples", s.skippedSamples},
                  {"start_s", jsonNumberIf(anyRows, s.startTime)},
                  {"end_s", jsonNumberIf(anyRows, s.endTime)},
                  {"duration_s", jsonNumberIf(anyRows, s.duration)}};
    return field;
}

SummaryField stallField(const Summary& s) {
    const StallStats& stall = s.stall;
    SummaryField field;
    field.table = "\nStalls        " + count(stall.events) + plural(stall.events, " event", " events");
    if (stall.firstTime)
        field.table += ", first at " + seconds(*stall.firstTime) + ", " + seconds(stall.totalSeconds) + " in all";
    field.table += "\n";
    field.json = {{"stall",
                   {{"events", stall.events},
                    {"first_s", jsonNumberIf(stall.firstTime.has_value(), stall.firstTime.value_or(0))},
                    {"total_s", jsonNumber(stall.totalSeconds)}}}};
    return field;
}

SummaryField climbField(const Summary& s) {
    const ColumnStats& climb = s.columns[CLIMB];
    const bool any = climb.count != 0;
    SummaryField field{.table = "Climb rate    largest climb " + numberText(climb.max, 0) + " ft/min at " +
                                seconds(climb.maxTime) + ", largest descent " + numberText(climb.min, 0) +
                                " ft/min at " + seconds(climb.minTime) + "\n"};
    field.json["climb"] = {{"largest_climb_ft_min", jsonNumberIf(any, climb.max)},
                           {"at_s", jsonNumberIf(any, climb.maxTime)},
                           {"largest_descent_ft_min", jsonNumberIf(any, climb.min)},
                           {"descent_at_s", jsonNumberIf(any, climb.minTime)}};
    return field;
}

SummaryField altitudeField(const Summary& s) {
    const auto text = [](const AltitudeChange& c) {
        if (c.feet == 0) return std::string("none");
        return numberText(c.feet, 0) + " ft (" + seconds(c.fromTime) + " to " + seconds(c.toTime) + ")";
    };
    const auto json = [](const AltitudeChange& c) -> Json {
        if (c.feet == 0) return nullptr;
        return {{"ft", jsonNumber(c.feet)}, {"from_s", jsonNumber(c.fromTime)}, {"to_s", jsonNumber(c.toTime)}};
    };
    SummaryField field{.table = "Altitude      largest gain " + text(s.largestGain) + ", largest loss " +
                                text(s.largestLoss) + "\n"};
    field.json["altitude"] = {{"largest_gain", json(s.largestGain)}, {"largest_loss", json(s.largestLoss)}};
    return field;
}

// The summary's fields in the order both outputs give them. Without rows the
// table ends at the extent, while the JSON keeps every member (null where no
// value exists), so that a machine finds the same keys in every summary.
std::vector<SummaryField> summaryFields(const Summary& s) {
    std::vector<SummaryField> fields{fileField(s), completenessField(s), rangeField(s), extentField(s)};
    for (SummaryField field :
         {columnsField(s), bandsField(s), stallField(s), climbField(s), altitudeField(s), eventsField(s)}) {
        if (s.rows == 0) field.table.clear();
        fields.push_back(std::move(field));
    }
    return fields;
}

}  // namespace

void writeSummaryTable(std::ostream& out, const Summary& summary, SummaryEvents events) {
    std::vector<SummaryField> fields = summaryFields(summary);
    if (events == SummaryEvents::Omitted) fields.pop_back();  // the events come last
    for (const SummaryField& field : fields) out << field.table;
}

namespace {

Json summaryJson(const Summary& summary) {
    Json document = Json::object();
    for (SummaryField& field : summaryFields(summary))
        for (auto member = field.json.begin(); member != field.json.end(); ++member)
            document[member.key()] = std::move(*member);
    return document;
}

}  // namespace

void writeSummaryJson(std::ostream& out, const Summary& summary) {
    out << jsonText(summaryJson(summary),
                    {.nameSeparator = NAME_SEPARATOR, .separator = ONE_LINE_SEPARATOR, .breaks = SUMMARY_BREAKS})
        << "\n";
}

void writeSummariesJson(std::ostream& out, const std::vector<Summary>& summaries) {
    Json documents = Json::array();
    for (const Summary& summary : summaries) documents.push_back(summaryJson(summary));
    out << jsonText(documents,
                    {.nameSeparator = NAME_SEPARATOR, .separator = ONE_LINE_SEPARATOR, .breaks = SUMMARIES_BREAKS})
        << "\n";
}

}  // namespace vorlat::flightlog
