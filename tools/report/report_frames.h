// The panel pictures of the report: the first log replayed through the real
// module, and the panel rendered at chosen rows, as PNG bytes held in memory.
// The cursor's pictures come at a fixed interval (small), one picture at full
// size at each event time (up to a cap); each picture shows the last row at or
// before its time, so a picture's time is always a row's time.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "host/flight/source.h"
#include "host/host.h"
#include "tools/log/log_reader.h"
#include "tools/log/log_replay.h"

namespace vorlat::render {
class PanelRenderer;
}

namespace vorlat::report {

// The panel's pixels per bitmap pixel: small beside the charts, full size at events.
inline constexpr int CURSOR_FRAME_SCALE = 1;
inline constexpr int EVENT_FRAME_SCALE = 3;
inline constexpr std::size_t MAX_CURSOR_FRAMES = 120;
inline constexpr std::size_t MAX_EVENT_FRAMES = 30;
// A replay drives the module's sample counter at most this far ahead of the
// samples taken (a damaged index could ask for billions); beyond, the row-index
// box falls short and the page says so.
inline constexpr std::int64_t MAX_FAST_CATCH_UP = 50'000'000;

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

// The module driven row by row as flightlog::Replayer drives it (the record
// button pressed, the row's inputs in, the tick count moved on one sample per
// update until the module's counter reaches the row's index, then the update
// that shows the row), except that a long catch-up calls only the sampling
// element (Host::advanceClock), with the recording paused meanwhile, and leaves
// the full updates to the last samples: the rate readouts then see the same
// window of updates, and the panel shows what a full replay shows.
class FastReplayer {
public:
    explicit FastReplayer(std::string modulePath = {});
    ~FastReplayer();
    FastReplayer(const FastReplayer&) = delete;
    FastReplayer& operator=(const FastReplayer&) = delete;

    const Host& show(const flightlog::Row& row);
    bool indexShown() const { return lag_ == 0; }
    std::string png(int scale);  // the panel as shown last; throws flightlog::ReplayError

    // Full updates at the end of every catch-up: whole windows of the rate readouts, twice.
    static constexpr std::int64_t FULL_UPDATES = 18;
    static constexpr std::int64_t RATE_WINDOW = 9;

private:
    void restart(const flightlog::Row& row);
    void catchUp(std::int64_t samples);
    void takeSample();
    void pressButton(flight::Press::Target button);
    void stop();

    std::string modulePath_;
    std::unique_ptr<Host> host_;
    std::vector<std::unique_ptr<render::PanelRenderer>> renderers_;  // by scale
    std::optional<std::size_t> sampler_;                             // the child that takes the samples
    double ticks_ = 0;
    std::int64_t samples_ = 0, lag_ = 0;
    std::optional<std::int64_t> shownIndex_;
    std::string scratch_;
    bool recording_ = false;
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
    FastReplayer replayer_;
    flightlog::ShotSchedule schedule_;
    std::optional<flightlog::Row> previous_;
    std::vector<Frame> frames_;
};

}  // namespace vorlat::report
