// The report's panel pictures: which rows to show, the module driven to them
// with a fast catch-up, and each picture kept as PNG bytes.
#include "tools/report/report_frames.h"

#include <stdlib.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <filesystem>

#include "host/flight/run.h"
#include "host/gauge_facts.h"
#include "host/render/panel_renderer.h"

namespace vorlat::report {

namespace {

using flightlog::INDEX;
using flightlog::ReplayError;
using flightlog::Row;

void apply(Host& host, const Row& row) {
    const flightlog::HostInputs inputs = flightlog::hostInputsFor(row);
    for (const flightlog::HostInput& input : inputs.variables) host.setVariable(input.variable, input.value);
    host.setDataWord(gauge::TAS_WORD.index, inputs.tasWord);
    host.setDataWord(gauge::IAS_WORD.index, inputs.iasWord);
}

// The Acel box's text element takes the recorder's samples.
std::optional<std::size_t> samplerOf(const Host& host) {
    for (int row = 0; row < gauge::GRID_ROWS; ++row)
        for (int column = 0; column < gauge::GRID_COLUMNS; ++column)
            if (gauge::BOX_LABELS[std::size_t(row)][std::size_t(column)] == "Acel")
                return host.textChildAt(gauge::GRID_LEFT + column * gauge::BOX_PITCH_X + 2,
                                        gauge::GRID_TOP + row * gauge::BOX_PITCH_Y + 2);
    return std::nullopt;
}

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

FastReplayer::FastReplayer(std::string modulePath) : modulePath_(std::move(modulePath)) {}
FastReplayer::~FastReplayer() { stop(); }

void FastReplayer::stop() {
    renderers_.clear();
    if (host_) host_->final();  // closes the module's own log before the module goes
    host_.reset();
    if (!scratch_.empty()) {
        std::error_code error;
        std::filesystem::remove_all(scratch_, error);
        scratch_.clear();
    }
    recording_ = false;
}

const Host& FastReplayer::show(const Row& row) {
    const auto index = static_cast<std::int64_t>(row[INDEX]);
    if (host_ && shownIndex_ == index) {
        apply(*host_, row);
        host_->update();
        return *host_;
    }
    if (!host_ || index - lag_ < samples_) restart(row);
    std::int64_t target = index - lag_;
    if (target - samples_ > MAX_FAST_CATCH_UP) {
        lag_ += target - samples_ - MAX_FAST_CATCH_UP;
        target = samples_ + MAX_FAST_CATCH_UP;
    }
    apply(*host_, row);  // before the counter moves, so the rate readouts settle on the row
    catchUp(target - samples_);
    if (!recording_ && !scratch_.empty()) {
        pressButton(flight::Press::Target::Record);
        recording_ = true;
    }
    takeSample();  // the update that takes the row's sample shows it
    shownIndex_ = index;
    return *host_;
}

// Whole windows of the rate readouts go by on the sampler alone, so their
// count stays in step with a full replay's; the last FULL_UPDATES or more are full.
void FastReplayer::catchUp(std::int64_t samples) {
    const std::int64_t fast =
        sampler_ && samples > FULL_UPDATES ? (samples - FULL_UPDATES) / RATE_WINDOW * RATE_WINDOW : 0;
    if (fast > 0) {
        // Paused meanwhile, so the module's own log in the scratch folder does not grow by a row a sample.
        if (recording_) pressButton(flight::Press::Target::Pause);
        host_->advanceClock(*sampler_, gauge::TICK_VARIABLE, gauge::TICKS_PER_SAMPLE, std::size_t(fast));
        if (recording_) pressButton(flight::Press::Target::Pause);
        host_->clearCalls();  // the host keeps every service call: a million samples would hold 70 MB
        ticks_ = host_->variable(gauge::TICK_VARIABLE);
        samples_ += fast;
    }
    for (std::int64_t n = fast; n < samples; ++n) takeSample();
}

void FastReplayer::pressButton(flight::Press::Target button) {
    const flight::PanelPoint point = flight::pressPoint(*host_, {.target = button});
    host_->press(point.x, point.y);
}

void FastReplayer::takeSample() {
    ticks_ += gauge::TICKS_PER_SAMPLE;
    host_->setVariable(gauge::TICK_VARIABLE, ticks_);
    host_->update();
    host_->clearCalls();
    ++samples_;
}

void FastReplayer::restart(const Row& row) {
    stop();
    std::string folder = (std::filesystem::temp_directory_path() / "vorlat-report-XXXXXX").string();
    if (::mkdtemp(folder.data()) != nullptr) scratch_ = folder;  // else: no recording, as the replay does
    host_ = std::make_unique<Host>(
        HostOptions{.modulePath = modulePath_, .privateCopy = true, .resourceScript = {}, .logFolder = scratch_});
    ticks_ = 0;
    samples_ = 0;
    lag_ = 0;
    shownIndex_.reset();
    apply(*host_, row);
    host_->setVariable(gauge::TICK_VARIABLE, ticks_);
    host_->setup();
    host_->start();
    sampler_ = samplerOf(*host_);
}

std::string FastReplayer::png(int scale) {
    if (!host_) throw ReplayError("no row shown yet", false);
    char* bytes = nullptr;
    std::size_t size = 0;
    std::FILE* stream = ::open_memstream(&bytes, &size);
    if (stream == nullptr) throw ReplayError("cannot hold a panel picture in memory", false);
    try {
        std::unique_ptr<render::PanelRenderer>* slot = nullptr;
        for (auto& existing : renderers_)
            if (existing->scale() == scale) slot = &existing;
        if (slot == nullptr) slot = &renderers_.emplace_back(std::make_unique<render::PanelRenderer>(*host_, scale));
        (*slot)->writePng(*host_, stream, "panel picture");
    } catch (const render::RenderError& e) {
        std::fclose(stream);
        std::free(bytes);
        throw ReplayError(std::string("panel picture: ") + e.what(), false);
    }
    std::fclose(stream);
    std::string png(bytes, size);
    std::free(bytes);
    return png;
}

FrameSink::FrameSink(const FramePlan& plan, double tickRate, std::string modulePath)
    : cursorCount_(plan.cursorTimes.size()), tickRate_(tickRate), replayer_(std::move(modulePath)), schedule_([&] {
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
