#include "tools/log/log_summary.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <string_view>

#include "readouts/constants.h"

namespace vorlat::flightlog {

std::string numberText(double value, int decimals) {
    if (std::isnan(value)) return "nan";
    if (std::isinf(value)) return value > 0 ? "inf" : "-inf";
    char buffer[400];
    const auto result = decimals < 0 ? std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed)
                                     : std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed, decimals);
    std::string text(buffer, result.ptr);
    // A value that rounds to zero reads "0.0", not "-0.0".
    if (text.starts_with("-0") && text.find_first_not_of("0.", 1) == std::string::npos) text.erase(0, 1);
    return text;
}

namespace {

enum class Band { Green, Yellow, Red };

Band bandOf(std::uint32_t colour) {
    if (colour == COLOUR_RED) return Band::Red;
    if (colour == COLOUR_YELLOW) return Band::Yellow;
    return Band::Green;
}

void addBand(BandTimes& times, std::uint32_t colour, double period) {
    switch (bandOf(colour)) {
        case Band::Yellow: times.yellowSeconds += period; break;
        case Band::Red: times.redSeconds += period; break;
        case Band::Green: break;
    }
}

// One pass over the rows for all columns: a long log is far larger than the cache.
void columnStats(Summary& summary, const FlightLog& log) {
    std::array<double, COLUMN_COUNT> sums{};
    for (const Row& row : log.rows) {
        const double time = timeOfIndex(row[INDEX], summary.tickRate);
        for (std::size_t c = 0; c < COLUMN_COUNT; ++c) {
            const double value = row[c];
            if (!std::isfinite(value)) continue;
            ColumnStats& stats = summary.columns[c];
            if (stats.count == 0 || value < stats.min) stats.min = value, stats.minTime = time;
            if (stats.count == 0 || value > stats.max) stats.max = value, stats.maxTime = time;
            sums[c] += value;
            ++stats.count;
        }
    }
    for (std::size_t c = 0; c < COLUMN_COUNT; ++c)
        if (summary.columns[c].count != 0) summary.columns[c].mean = sums[c] / static_cast<double>(summary.columns[c].count);
}

void segmentStats(Summary& summary, const FlightLog& log) {
    for (const Segment& segment : log.segments) {
        bool stalled = false;
        std::optional<std::pair<double, double>> lowest, highest;  // (altitude, time) so far in this segment
        for (std::size_t r = segment.firstRow; r < segment.firstRow + segment.rowCount; ++r) {
            const Row& row = log.rows[r];
            const double time = timeOfIndex(row[INDEX], summary.tickRate);
            addBand(summary.tas, upperBandColour(row[TAS], AIRSPEED_RED, AIRSPEED_YELLOW), summary.samplePeriod);
            addBand(summary.ias, upperBandColour(row[IAS], AIRSPEED_RED, AIRSPEED_YELLOW), summary.samplePeriod);
            addBand(summary.g, symmetricBandColour(row[GFORC], G_RED, G_YELLOW), summary.samplePeriod);

            const bool stall = row[STALL] != 0;
            if (stall) {
                summary.stall.totalSeconds += summary.samplePeriod;
                if (!stalled) ++summary.stall.events;
                if (!summary.stall.firstTime) summary.stall.firstTime = time;
            }
            stalled = stall;

            const double alt = row[ALT];
            if (lowest && alt - lowest->first > summary.largestGain.feet)
                summary.largestGain = AltitudeChange{.feet = alt - lowest->first, .fromTime = lowest->second, .toTime = time};
            if (highest && highest->first - alt > summary.largestLoss.feet)
                summary.largestLoss = AltitudeChange{.feet = highest->first - alt, .fromTime = highest->second, .toTime = time};
            if (!lowest || alt < lowest->first) lowest = {alt, time};
            if (!highest || alt > highest->first) highest = {alt, time};
        }
    }
}

// Numbers of the table, right-aligned in fixed columns.
std::string padLeft(const std::string& text, std::size_t width) {
    return text.size() >= width ? text : std::string(width - text.size(), ' ') + text;
}
std::string padRight(std::string text, std::size_t width) {
    if (text.size() < width) text.append(width - text.size(), ' ');
    return text;
}
// Times to the millisecond, without trailing zeros but with at least one decimal.
std::string timeText(double value) {
    std::string text = numberText(value, 3);
    if (const std::size_t point = text.find('.'); point != std::string::npos) {
        text.erase(std::max(text.find_last_not_of('0') + 1, point + 2));
    }
    return text;
}
std::string seconds(double value) { return timeText(value) + " s"; }

std::string jsonString(std::string_view text) {
    std::string out = "\"";
    for (char c : text) {
        const auto u = static_cast<unsigned char>(c);
        if (c == '"' || c == '\\') out += '\\', out += c;
        else if (u < 0x20) {
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, "\\u%04X", u);
            out += escaped;
        } else out += c;
    }
    return out + "\"";
}
std::string jsonNumber(double value) { return std::isfinite(value) ? numberText(value, -1) : "null"; }

}  // namespace

Summary summarise(const FlightLog& log, double tickRate) {
    Summary summary;
    summary.file = log.file;
    summary.ending = log.ending;
    summary.dropped = log.dropped;
    summary.lfOnlyLines = log.lfOnlyLines;
    summary.tickRate = tickRate;
    summary.samplePeriod = samplePeriod(tickRate);
    summary.rows = log.rows.size();
    summary.segments = log.segments.size();
    summary.pauses = summary.segments == 0 ? 0 : summary.segments - 1;
    summary.skippedSamples = log.skippedSamples();
    if (!log.rows.empty()) {
        summary.startTime = timeOfIndex(log.rows.front()[INDEX], tickRate);
        summary.endTime = timeOfIndex(log.rows.back()[INDEX], tickRate);
        summary.duration = summary.endTime - summary.startTime;
    }
    columnStats(summary, log);
    segmentStats(summary, log);
    return summary;
}

void writeSummaryTable(std::ostream& out, const Summary& s) {
    out << "File          " << s.file << "\n";
    out << "Completeness  " << endingName(s.ending) << "\n";
    if (s.dropped)
        out << "              partial last line " << std::to_string(s.dropped->line) << " dropped (the recorder stopped while writing it)\n";
    if (s.lfOnlyLines != 0) out << "              " << std::to_string(s.lfOnlyLines) << " lines end in LF alone, not CR LF\n";
    out << "Rows          " << std::to_string(s.rows) << " in " << std::to_string(s.segments) << (s.segments == 1 ? " segment, " : " segments, ") << std::to_string(s.pauses)
        << (s.pauses == 1 ? " pause" : " pauses") << " (" << std::to_string(s.skippedSamples) << " samples not recorded, "
        << seconds(static_cast<double>(s.skippedSamples) * s.samplePeriod) << ")\n";
    if (s.rows == 0) {
        out << "Time          no rows (a sample every " << numberText(s.samplePeriod, -1) << " s at " << numberText(s.tickRate, -1)
            << " ticks/s)\n";
        return;
    }
    out << "Time          " << seconds(s.startTime) << " to " << seconds(s.endTime) << ", duration " << seconds(s.duration)
        << " (a sample every " << numberText(s.samplePeriod, -1) << " s at " << numberText(s.tickRate, -1) << " ticks/s)\n";
    out << "\n" << padRight("Column", 8) << padRight("Unit", 8) << padLeft("Min", 10) << padLeft("at s", 10) << padLeft("Max", 10)
        << padLeft("at s", 10) << padLeft("Mean", 11) << "\n";
    for (std::size_t c = 1; c < COLUMN_COUNT; ++c) {
        const ColumnStats& stats = s.columns[c];
        const ColumnInfo& column = COLUMNS[c];
        out << padRight(std::string(column.header), 8) << padRight(std::string(column.unit), 8);
        if (stats.count == 0) {
            out << padLeft("-", 10) << "\n";
            continue;
        }
        out << padLeft(numberText(stats.min, column.decimals), 10) << padLeft(timeText(stats.minTime), 10)
            << padLeft(numberText(stats.max, column.decimals), 10) << padLeft(timeText(stats.maxTime), 10)
            << padLeft(numberText(stats.mean, column.decimals + 2), 11) << "\n";
    }

    const std::string airspeedBands =
        "(yellow above " + numberText(AIRSPEED_YELLOW, -1) + " kt, red above " + numberText(AIRSPEED_RED, -1) + " kt)";
    const std::string gBands =
        "(yellow beyond +-" + numberText(G_YELLOW, -1) + " g, red beyond +-" + numberText(G_RED, -1) + " g)";
    out << "\n" << padRight("Bands", 8) << padLeft("yellow", 10) << padLeft("red", 10) << "\n";
    out << padRight("TAS", 8) << padLeft(seconds(s.tas.yellowSeconds), 10) << padLeft(seconds(s.tas.redSeconds), 10) << "  "
        << airspeedBands << "\n";
    out << padRight("IAS", 8) << padLeft(seconds(s.ias.yellowSeconds), 10) << padLeft(seconds(s.ias.redSeconds), 10) << "  "
        << airspeedBands << "\n";
    out << padRight("G load", 8) << padLeft(seconds(s.g.yellowSeconds), 10) << padLeft(seconds(s.g.redSeconds), 10) << "  "
        << gBands << "\n";

    out << "\nStalls        " << std::to_string(s.stall.events) << (s.stall.events == 1 ? " event" : " events");
    if (s.stall.firstTime) out << ", first at " << seconds(*s.stall.firstTime) << ", " << seconds(s.stall.totalSeconds) << " in all";
    out << "\n";
    const ColumnStats& climb = s.columns[CLIMB];
    out << "Climb rate    largest climb " << numberText(climb.max, 0) << " ft/min at " << seconds(climb.maxTime)
        << ", largest descent " << numberText(climb.min, 0) << " ft/min at " << seconds(climb.minTime) << "\n";
    const auto change = [](const AltitudeChange& c) {
        if (c.feet == 0) return std::string("none");
        return numberText(c.feet, 0) + " ft (" + seconds(c.fromTime) + " to " + seconds(c.toTime) + ")";
    };
    out << "Altitude      largest gain " << change(s.largestGain) << ", largest loss " << change(s.largestLoss) << "\n";
}

void writeSummaryJson(std::ostream& out, const Summary& s) {
    const auto bands = [](const BandTimes& b) {
        return "{\"yellow_s\": " + jsonNumber(b.yellowSeconds) + ", \"red_s\": " + jsonNumber(b.redSeconds) + "}";
    };
    const auto change = [](const AltitudeChange& c) -> std::string {
        if (c.feet == 0) return "null";
        return "{\"ft\": " + jsonNumber(c.feet) + ", \"from_s\": " + jsonNumber(c.fromTime) + ", \"to_s\": " + jsonNumber(c.toTime) + "}";
    };
    out << "{\n";
    out << "  \"file\": " << jsonString(s.file) << ",\n";
    out << "  \"completeness\": " << jsonString(endingKeyword(s.ending)) << ",\n";
    out << "  \"dropped_line\": " << (s.dropped ? std::to_string(s.dropped->line) : "null") << ",\n";
    out << "  \"lf_only_lines\": " << std::to_string(s.lfOnlyLines) << ",\n";
    out << "  \"tick_rate\": " << jsonNumber(s.tickRate) << ",\n";
    out << "  \"sample_period_s\": " << jsonNumber(s.samplePeriod) << ",\n";
    out << "  \"rows\": " << std::to_string(s.rows) << ",\n";
    out << "  \"segments\": " << std::to_string(s.segments) << ",\n";
    out << "  \"pauses\": " << std::to_string(s.pauses) << ",\n";
    out << "  \"skipped_samples\": " << std::to_string(s.skippedSamples) << ",\n";
    const bool anyRows = s.rows != 0;
    out << "  \"start_s\": " << (anyRows ? jsonNumber(s.startTime) : "null") << ",\n";
    out << "  \"end_s\": " << (anyRows ? jsonNumber(s.endTime) : "null") << ",\n";
    out << "  \"duration_s\": " << (anyRows ? jsonNumber(s.duration) : "null") << ",\n";
    out << "  \"columns\": {\n";
    for (std::size_t c = 1; c < COLUMN_COUNT; ++c) {
        const ColumnStats& stats = s.columns[c];
        out << "    " << jsonString(COLUMNS[c].csvName) << ": ";
        if (stats.count == 0) out << "null";
        else
            out << "{\"min\": " << jsonNumber(stats.min) << ", \"min_s\": " << jsonNumber(stats.minTime)
                << ", \"max\": " << jsonNumber(stats.max) << ", \"max_s\": " << jsonNumber(stats.maxTime)
                << ", \"mean\": " << jsonNumber(stats.mean) << "}";
        out << (c + 1 < COLUMN_COUNT ? ",\n" : "\n");
    }
    out << "  },\n";
    out << "  \"bands\": {\"tas\": " << bands(s.tas) << ", \"ias\": " << bands(s.ias) << ", \"g\": " << bands(s.g) << "},\n";
    out << "  \"stall\": {\"events\": " << std::to_string(s.stall.events) << ", \"first_s\": "
        << (s.stall.firstTime ? jsonNumber(*s.stall.firstTime) : "null") << ", \"total_s\": " << jsonNumber(s.stall.totalSeconds)
        << "},\n";
    const ColumnStats& climb = s.columns[CLIMB];
    const bool anyClimb = climb.count != 0;
    out << "  \"climb\": {\"largest_climb_ft_min\": " << (anyClimb ? jsonNumber(climb.max) : "null")
        << ", \"at_s\": " << (anyClimb ? jsonNumber(climb.maxTime) : "null")
        << ", \"largest_descent_ft_min\": " << (anyClimb ? jsonNumber(climb.min) : "null")
        << ", \"descent_at_s\": " << (anyClimb ? jsonNumber(climb.minTime) : "null") << "},\n";
    out << "  \"altitude\": {\"largest_gain\": " << change(s.largestGain) << ", \"largest_loss\": " << change(s.largestLoss) << "}\n";
    out << "}\n";
}

}  // namespace vorlat::flightlog
