// What happened when in a recorded flight: the recording's start and end, each
// pause and stall, each entry into and exit from a yellow or red band of TAS,
// IAS and g load, and the extremes. Collected as the rows stream past; the
// summary lists them, the plot marks them, the report links them to the panel.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string_view>
#include <vector>

#include "tools/log/log_bands.h"
#include "tools/log/log_columns.h"
#include "tools/log/log_reader.h"

namespace vorlat::flightlog {

enum class EventKind {
    RecordingStart,  // time: the first row
    RecordingEnd,    // time: the last row; `ending` says how it ended
    Pause,           // time: the last row before it; `to`: the first row after it; `length`: the samples it skipped
    Stall,           // time: the first stalled row; `to`: the last stalled row plus one period (a pause ends it)
    BandEnter,       // time: the first row in the band; `value` there
    BandExit,        // time: the first row out of it, or the segment's end; `value` there; `peak`, `peakTime` inside
    Extreme,         // `which` max or min; `value` at `time`
};
std::string_view eventKeyword(EventKind kind);  // "recording_start", "recording_end", "pause", "stall",
                                                // "band_enter", "band_exit", "extreme"

std::string_view bandKeyword(BandLevel band);  // "yellow", "red"

struct Event {
    double time = 0;  // seconds, on the log's time axis
    EventKind kind = EventKind::RecordingStart;
    std::optional<Column> column;          // band and extreme events
    std::optional<BandLevel> band;         // band events
    std::optional<double> value;           // band and extreme events
    std::optional<double> to;              // pause, stall: where it ends
    std::optional<double> length;          // pause: seconds not recorded
    std::optional<double> peak, peakTime;  // band exit: the largest magnitude inside the excursion
    std::string_view which;                // extreme: "max" or "min"
    std::optional<Ending> ending;          // recording end
};

// Events in time order (ties in the order of EventKind, the recording's end last), at most MAX_EVENTS of
// them; `notListed` counts the rest, so a pathological log keeps memory flat.
inline constexpr std::size_t MAX_EVENTS = 10'000;
struct EventList {
    std::vector<Event> events;
    std::size_t notListed = 0;
};

// The events of the rows handed to it (those of a range, when one is read).
// Recording start and end are events only when the first and the last row of
// the whole recording were among them; a band excursion or a stall still open
// when a segment or the rows end closes one sample period after its last row.
class EventCollector : public RowSink {
public:
    explicit EventCollector(double tickRate = DEFAULT_TICK_RATE);
    void row(const Row& row, const RowText& text, std::size_t segment) override;
    EventList finish(const LogInfo& info) const;

private:
    struct Excursion {
        bool open = false;
        double peak = 0, peakTime = 0;
    };
    struct BandWatch {
        std::array<Excursion, BAND_LEVEL_COUNT> bands{};  // yellow, red
    };
    struct Extreme {
        std::optional<double> value;
        double time = 0;
    };
    struct Previous {
        double time;
        std::int64_t index;
        std::size_t segment;
    };

    void add(Event event);
    void closeSegment(double end);
    void watchBands(const Row& row, double time);
    void watchStall(const Row& row, double time);
    void watchExtremes(const Row& row, double time);

    double tickRate_;
    double period_;
    std::vector<Event> events_;  // in the order found; sorted and cut to MAX_EVENTS as it grows
    std::size_t notListed_ = 0;
    std::optional<Previous> first_, last_;
    std::optional<double> stallStart_;
    std::array<BandWatch, BAND_COUNT> watches_{};  // as BANDS
    std::array<Extreme, 8> extremes_{};   // as EXTREME_EVENTS in log_events.cpp
};

}  // namespace vorlat::flightlog
