// Text pieces of the summary's two outputs, and the events in both.
#include "tools/log/summary_text.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "tools/log/number_text.h"

namespace vorlat::flightlog::summary_text {

std::string padLeft(const std::string& text, std::size_t width) {
    return text.size() >= width ? text : std::string(width - text.size(), ' ') + text;
}
std::string padRight(std::string text, std::size_t width) {
    if (text.size() < width) text.append(width - text.size(), ' ');
    return text;
}
std::string timeText(double value) {
    std::string text = numberText(value, 3);
    if (const std::size_t point = text.find('.'); point != std::string::npos) {
        text.erase(std::max(text.find_last_not_of('0') + 1, point + 2));
    }
    return text;
}
namespace {
constexpr double SECONDS_PER_HOUR = 3600;
constexpr double LARGEST_AS_CLOCK = 1e12;  // beyond, whole milliseconds overflow nothing but read badly
}  // namespace

std::string clockText(double value) {
    if (!(value >= 0 && value < LARGEST_AS_CLOCK)) return timeText(value);
    // h:mm:ss, as --from and --to read it; the milliseconds when there are any.
    const auto millis = static_cast<long long>(std::llround(value * 1000));
    char text[64];
    std::snprintf(text, sizeof text, "%lld:%02lld:%02lld.%03lld", millis / 3'600'000, millis / 60'000 % 60,
                  millis / 1000 % 60, millis % 1000);
    std::string clock(text);
    clock.erase(clock.find_last_not_of('0') + 1);
    if (clock.back() == '.') clock.pop_back();
    return clock;
}
bool readsAsClock(double value) { return value >= SECONDS_PER_HOUR && value < LARGEST_AS_CLOCK; }
std::string seconds(double value) { return readsAsClock(value) ? clockText(value) : timeText(value) + " s"; }
std::string count(std::size_t value) { return std::to_string(value); }
std::string plural(std::size_t n, std::string_view one, std::string_view many) {
    return std::string(n == 1 ? one : many);
}

namespace {

// A value as the log holds it, with its unit.
std::string valueText(Column column, double value) {
    const std::string unit(COLUMNS[column].unit);
    return numberText(value, COLUMNS[column].decimals) + (unit.empty() ? "" : " " + unit);
}

std::string bandText(const Event& event) {
    const std::string band = " the " + std::string(bandKeyword(*event.band)) + " band";
    const std::string name = std::string(eventName(*event.column));
    if (event.kind == EventKind::BandEnter)
        return name + " enters" + band + " at " + valueText(*event.column, *event.value);
    const std::string where = event.value ? "at " + valueText(*event.column, *event.value) : "as the rows stop";
    return name + " leaves" + band + " " + where + "; peak " + valueText(*event.column, *event.peak) + " at " +
           seconds(*event.peakTime);
}

}  // namespace

std::string eventText(const Event& event) {
    switch (event.kind) {
        case EventKind::RecordingStart: return "recording starts";
        case EventKind::RecordingEnd: return "recording " + std::string(endingName(*event.ending));
        case EventKind::Pause:
            return "pause to " + seconds(*event.to) + ": " + seconds(*event.length) + " not recorded";
        case EventKind::Stall: return "stall to " + seconds(*event.to) + " (" + seconds(*event.to - event.time) + ")";
        case EventKind::BandEnter:
        case EventKind::BandExit: return bandText(event);
        case EventKind::Extreme:
            return std::string(eventName(*event.column)) + " " + std::string(event.which) + " " +
                   valueText(*event.column, *event.value);
    }
    return {};
}

namespace {

constexpr std::size_t EVENT_TIME_WIDTH = 12;

// The members an event has, in the documented order.
Json eventJson(const Event& event) {
    Json members{{"time_s", jsonNumber(event.time)}, {"kind", eventKeyword(event.kind)}};
    if (event.column) members["column"] = COLUMNS[*event.column].csvName;
    if (event.band) members["band"] = bandKeyword(*event.band);
    if (event.value) members["value"] = jsonNumber(*event.value);
    if (event.to) members["to_s"] = jsonNumber(*event.to);
    if (event.length) members["length_s"] = jsonNumber(*event.length);
    if (event.peak) members["peak"] = jsonNumber(*event.peak);
    if (event.peakTime) members["peak_s"] = jsonNumber(*event.peakTime);
    if (!event.which.empty()) members["which"] = event.which;
    if (event.ending) members["ending"] = endingKeyword(*event.ending);
    return members;
}

}  // namespace

std::string eventsTable(const EventList& list) {
    std::string table = "Events        " + count(list.events.size()) + " in time order";
    if (list.notListed != 0) table += ", " + count(list.notListed) + " more not listed";
    table += "\n";
    for (const Event& event : list.events)
        table += padLeft(seconds(event.time), EVENT_TIME_WIDTH) + "  " + eventText(event) + "\n";
    return table;
}

Json eventsJson(const EventList& list) {
    Json events = Json::array();
    for (const Event& event : list.events) events.push_back(eventJson(event));
    return events;
}

}  // namespace vorlat::flightlog::summary_text
