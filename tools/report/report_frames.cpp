// The report's panel pictures: which rows to show, the module driven to them
// with the replay's fast catch-up, and each picture kept as PNG bytes.
#include "tools/report/report_frames.h"

#include <algorithm>
#include <cmath>

namespace vorlat::report {

using flightlog::INDEX;
using flightlog::Row;

namespace {

std::vector<double> distinctSorted(std::vector<double> times) {
    std::sort(times.begin(), times.end());
    times.erase(std::unique(times.begin(), times.end()), times.end());
    return times;
}

}  // namespace

FramePlan planFrames(double firstTime, double lastTime, double period, const std::vector<double>& eventTimes) {
    FramePlan plan;
    const double rows = std::floor((lastTime - firstTime) / period + 0.5) + 1;
    const double count = std::min(static_cast<double>(MAX_CURSOR_FRAMES), rows);
    const double step = (count > 1 ? std::ceil((rows - 1) / (count - 1)) : 1) * period;
    for (double k = 0; firstTime + k * step <= lastTime + period / 2; ++k)
        plan.cursorTimes.push_back(firstTime + k * step);
    const std::vector<double> events = distinctSorted(eventTimes);
    plan.distinctEventTimes = events.size();
    if (events.size() <= MAX_EVENT_FRAMES) {
        plan.eventTimes = events;
        return plan;
    }
    // Evenly through the list, the first and the last included.
    for (std::size_t i = 0; i < MAX_EVENT_FRAMES; ++i)
        plan.eventTimes.push_back(events[i * (events.size() - 1) / (MAX_EVENT_FRAMES - 1)]);
    return plan;
}

FrameSink::FrameSink(const FramePlan& plan, double tickRate, std::string modulePath)
    : cursorCount_(plan.cursorTimes.size()),
      tickRate_(tickRate),
      replayer_(std::move(modulePath), MAX_FAST_CATCH_UP),
      schedule_([&] {
          std::vector<double> times = plan.cursorTimes;
          times.insert(times.end(), plan.eventTimes.begin(), plan.eventTimes.end());
          return times;
      }()) {}

void FrameSink::row(const Row& row, const flightlog::RowText& /*text*/, std::size_t /*segment*/) {
    const std::vector<std::size_t> due = schedule_.dueBefore(flightlog::timeOfIndex(row[INDEX], tickRate_));
    if (!due.empty()) take(due, *previous_);
    previous_ = row;
}

void FrameSink::take(const std::vector<std::size_t>& due, const Row& row) {
    const bool event = std::any_of(due.begin(), due.end(), [&](std::size_t shot) { return shot >= cursorCount_; });
    const int scale = event ? EVENT_FRAME_SCALE : CURSOR_FRAME_SCALE;
    replayer_.show(row);
    frames_.push_back({.time = flightlog::timeOfIndex(row[INDEX], tickRate_),
                       .index = static_cast<std::int64_t>(row[INDEX]),
                       .scale = scale,
                       .event = event,
                       .indexShown = replayer_.indexShown(),
                       .png = replayer_.png(scale)});
}

std::vector<Frame> FrameSink::finish() {
    if (previous_) {
        const double lastTime = flightlog::timeOfIndex((*previous_)[INDEX], tickRate_);
        const std::vector<std::size_t> due = schedule_.dueAtEnd(lastTime, flightlog::samplePeriod(tickRate_));
        if (!due.empty()) take(due, *previous_);
    }
    std::stable_sort(frames_.begin(), frames_.end(), [](const Frame& a, const Frame& b) { return a.time < b.time; });
    return std::move(frames_);
}

}  // namespace vorlat::report
