// The panel pictures of the report: the first log replayed through the real
// module, and the panel rendered at chosen rows, as PNG bytes held in memory.
// The cursor's pictures come at a fixed interval (small), one picture at full
// size at each event time (up to a cap); each picture shows the last row at or
// before its time, so a picture's time is always a row's time.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "tools/log/log_reader.h"
#include "tools/replay/log_replay.h"

namespace vorlat::report {

// The panel's pixels per bitmap pixel: small beside the charts, full size at events.
inline constexpr int CURSOR_FRAME_SCALE = 1;
inline constexpr int EVENT_FRAME_SCALE = 3;
inline constexpr std::size_t MAX_CURSOR_FRAMES = 120;
inline constexpr std::size_t MAX_EVENT_FRAMES = 30;
// A replay drives the module's sample counter at most this far for one row (a
// damaged index could ask for billions); beyond, the row-index box falls short
// and the page says so.
inline constexpr std::int64_t MAX_FAST_CATCH_UP = flightlog::MAX_CATCH_UP_SAMPLES;

// The times to picture. The cursor's times run from the first row at a whole
// number of sample periods apart, at most MAX_CURSOR_FRAMES of them; the
// events' distinct times, evenly thinned to MAX_EVENT_FRAMES when there are more.
struct FramePlan {
    std::vector<double> cursorTimes;
    std::vector<double> eventTimes;
    std::size_t distinctEventTimes = 0;  // before thinning
};
FramePlan planFrames(double firstTime, double lastTime, double period, const std::vector<double>& eventTimes);

struct Frame {
    double time = 0;  // of the row shown, on the log's time axis
    std::int64_t index = 0;
    int scale = CURSOR_FRAME_SCALE;
    bool event = false;      // asked for at an event's time (full size)
    bool indexShown = true;  // false: the row-index box shows a smaller count (MAX_FAST_CATCH_UP)
    std::string png;
};

// Takes the planned pictures as the first log's rows stream past.
class FrameSink : public flightlog::RowSink {
public:
    FrameSink(const FramePlan& plan, double tickRate, std::string modulePath = {});
    void row(const flightlog::Row& row, const flightlog::RowText& text, std::size_t segment) override;
    std::vector<Frame> finish();  // in time order

private:
    void take(const std::vector<std::size_t>& due, const flightlog::Row& row);

    std::size_t cursorCount_;
    double tickRate_;
    flightlog::Replayer replayer_;  // catching up fast
    flightlog::ShotSchedule schedule_;
    std::optional<flightlog::Row> previous_;
    std::vector<Frame> frames_;
};

}  // namespace vorlat::report
