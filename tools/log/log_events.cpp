// The events of a flight, found row by row: transitions of the bands and the
// stall flag within a segment, pauses between segments, running extremes.
#include "tools/log/log_events.h"

#include <algorithm>
#include <cmath>
#include <utility>

#include "tools/log/log_bands.h"

namespace vorlat::flightlog {

namespace {

struct ExtremeEvent {
    Column column;
    std::string_view which;
};
constexpr ExtremeEvent EXTREME_EVENTS[] = {
    {.column = ALT, .which = "max"},   {.column = ALT, .which = "min"},   {.column = CLIMB, .which = "max"},
    {.column = CLIMB, .which = "min"}, {.column = GFORC, .which = "max"}, {.column = GFORC, .which = "min"},
    {.column = TAS, .which = "max"},   {.column = IAS, .which = "max"},
};
static_assert(std::size(EXTREME_EVENTS) == 8, "one running extreme per entry");

// 0 outside both bands, 1 in the yellow, 2 in the red: the panel's own colour rules.
int bandDepth(const Band& band, double value) {
    const std::optional<BandLevel> level = bandLevelOf(band, value);
    return level ? static_cast<int>(*level) + 1 : 0;
}

// Events name only the members their kind has.
Event event(double time, EventKind kind) {
    Event made;
    made.time = time;
    made.kind = kind;
    return made;
}
Event stallEvent(double from, double to) {
    Event stall = event(from, EventKind::Stall);
    stall.to = to;
    return stall;
}
Event bandEvent(double time, EventKind kind, Column column, BandLevel band, std::optional<double> value) {
    Event made = event(time, kind);
    made.column = column;
    made.band = band;
    made.value = value;
    return made;
}

// Among events at one time, the recording's end comes last: what closes with it is said first.
int tieRank(EventKind kind) {
    return kind == EventKind::RecordingEnd ? static_cast<int>(EventKind::Extreme) + 1 : static_cast<int>(kind);
}

bool earlier(const Event& a, const Event& b) {
    if (a.time != b.time) return a.time < b.time;
    return tieRank(a.kind) < tieRank(b.kind);
}

// Sorted by time and kind (found order among equals), the first MAX_EVENTS kept.
void keepFirst(std::vector<Event>& events, std::size_t& notListed) {
    std::stable_sort(events.begin(), events.end(), earlier);
    if (events.size() <= MAX_EVENTS) return;
    notListed += events.size() - MAX_EVENTS;
    events.resize(MAX_EVENTS);
}

}  // namespace

std::string_view eventKeyword(EventKind kind) {
    switch (kind) {
        case EventKind::RecordingStart: return "recording_start";
        case EventKind::RecordingEnd: return "recording_end";
        case EventKind::Pause: return "pause";
        case EventKind::Stall: return "stall";
        case EventKind::BandEnter: return "band_enter";
        case EventKind::BandExit: return "band_exit";
        case EventKind::Extreme: return "extreme";
    }
    return "";
}

std::string_view bandKeyword(BandLevel band) { return lookOf(band).keyword; }

EventCollector::EventCollector(double tickRate) : tickRate_(tickRate), period_(samplePeriod(tickRate)) {}

void EventCollector::add(Event event) {
    events_.push_back(event);
    if (events_.size() >= 2 * MAX_EVENTS) keepFirst(events_, notListed_);
}

void EventCollector::row(const Row& row, const RowText& /*text*/, std::size_t segment) {
    const double time = timeOfIndex(row[INDEX], tickRate_);
    const auto index = static_cast<std::int64_t>(row[INDEX]);
    if (last_ && segment != last_->segment) {
        closeSegment(last_->time + period_);
        Event pause = event(last_->time, EventKind::Pause);
        pause.to = time;
        pause.length = static_cast<double>(index - last_->index - 1) * period_;
        add(pause);
    }
    watchStall(row, time);
    watchBands(row, time);
    watchExtremes(row, time);
    last_ = Previous{.time = time, .index = index, .segment = segment};
    if (!first_) first_ = last_;
}

// What was still going on when the rows of a segment stopped ends with the last row's sample period.
void EventCollector::closeSegment(double end) {
    if (stallStart_) add(stallEvent(*std::exchange(stallStart_, std::nullopt), end));
    for (std::size_t w = 0; w < watches_.size(); ++w) {
        for (std::size_t b = BAND_LEVEL_COUNT; b-- > 0;) {
            Excursion& excursion = watches_[w].bands[b];
            if (!excursion.open) continue;
            Event exit = bandEvent(end, EventKind::BandExit, BANDS[w].column, BAND_LEVELS[b], std::nullopt);
            exit.peak = excursion.peak;
            exit.peakTime = excursion.peakTime;
            add(exit);
            excursion = {};
        }
    }
}

void EventCollector::watchStall(const Row& row, double time) {
    const bool stalled = row[STALL] != 0;
    if (stalled && !stallStart_) stallStart_ = time;
    if (!stalled && stallStart_) add(stallEvent(*std::exchange(stallStart_, std::nullopt), time));
}

// Leaving the red for the yellow exits the red only; entering the red from
// outside enters the yellow, then the red. A value that is not finite says nothing.
void EventCollector::watchBands(const Row& row, double time) {
    for (std::size_t w = 0; w < watches_.size(); ++w) {
        const Column banded = BANDS[w].column;
        const double value = row[banded];
        if (!std::isfinite(value)) continue;
        const int level = bandDepth(BANDS[w], value);
        for (std::size_t b = BAND_LEVEL_COUNT; b-- > 0;) {
            Excursion& excursion = watches_[w].bands[b];
            if (!excursion.open || level > static_cast<int>(b)) continue;
            Event exit = bandEvent(time, EventKind::BandExit, banded, BAND_LEVELS[b], value);
            exit.peak = excursion.peak;
            exit.peakTime = excursion.peakTime;
            add(exit);
            excursion = {};
        }
        for (std::size_t b = 0; b < BAND_LEVEL_COUNT; ++b) {
            Excursion& excursion = watches_[w].bands[b];
            if (level <= static_cast<int>(b)) continue;
            if (!excursion.open) {
                add(bandEvent(time, EventKind::BandEnter, banded, BAND_LEVELS[b], value));
                excursion = {.open = true, .peak = value, .peakTime = time};
            } else if (std::fabs(value) > std::fabs(excursion.peak)) {
                excursion.peak = value;
                excursion.peakTime = time;
            }
        }
    }
}

void EventCollector::watchExtremes(const Row& row, double time) {
    for (std::size_t e = 0; e < std::size(EXTREME_EVENTS); ++e) {
        const double value = row[EXTREME_EVENTS[e].column];
        if (!std::isfinite(value)) continue;
        Extreme& extreme = extremes_[e];
        const bool max = EXTREME_EVENTS[e].which == "max";
        if (!extreme.value || (max ? value > *extreme.value : value < *extreme.value))
            extreme = {.value = value, .time = time};
    }
}

EventList EventCollector::finish(const LogInfo& info) const {
    EventCollector rest = *this;
    if (!last_) return {.events = {}, .notListed = notListed_};
    rest.closeSegment(last_->time + period_);
    if (info.firstIndex && first_->index == *info.firstIndex) rest.add(event(first_->time, EventKind::RecordingStart));
    if (info.lastIndex && last_->index == *info.lastIndex) {
        Event end = event(last_->time, EventKind::RecordingEnd);
        end.ending = info.ending;
        rest.add(end);
    }
    for (std::size_t e = 0; e < std::size(EXTREME_EVENTS); ++e) {
        if (!extremes_[e].value) continue;
        Event extreme = event(extremes_[e].time, EventKind::Extreme);
        extreme.column = EXTREME_EVENTS[e].column;
        extreme.value = extremes_[e].value;
        extreme.which = EXTREME_EVENTS[e].which;
        rest.add(extreme);
    }
    EventList list{.events = std::move(rest.events_), .notListed = rest.notListed_};
    keepFirst(list.events, list.notListed);
    return list;
}

}  // namespace vorlat::flightlog
