// Replay: each logged row turned back into host inputs, the real module driven
// forward to it, and the panel pictured; the pictures' rows chosen as the log
// streams past.
#include "tools/replay/log_replay.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <limits>
#include <memory>
#include <random>

#include "common/printable.h"
#include "common/utf8_path.h"
#include "host/flight/run.h"
#include "host/gauge_facts.h"
#include "host/host.h"
#include "host/render/panel_renderer.h"
#include "tools/log/number_text.h"
#include "tools/log/summary_text.h"

namespace vorlat::flightlog {

namespace {

// A logged integer is the panel's value truncated toward zero: aim at the
// middle of the unit it stands for, so the panel truncates to the same text.
double middleOfTruncated(double logged) {
    if (!std::isfinite(logged) || logged == 0) return logged;
    return logged > 0 ? logged + 0.5 : logged - 0.5;
}

std::int32_t dataWord(double value, double scale) {
    const double word = std::round(value / scale);
    if (std::isnan(word)) return 0;
    if (word < std::numeric_limits<std::int32_t>::min()) return std::numeric_limits<std::int32_t>::min();
    if (word > std::numeric_limits<std::int32_t>::max()) return std::numeric_limits<std::int32_t>::max();
    return static_cast<std::int32_t>(word);
}

// A logged column gives back the host input it holds (COLUMN_FACTS' input):
// the panel shows the raw value times the input's panelPerRaw, so the raw value
// is the logged one divided by it; a truncated column (as the log's schema
// says) is aimed at the middle of its unit first. AoA is the one conversion
// that is more than a product.
double hostValue(Column column, const gauge::HostInput& input, double logged) {
    if (&input == &gauge::AOA) return gauge::AOA_ZERO_RAW - logged / gauge::AOA_DEGREES_PER_RAW;
    const bool truncated = LOG_COLUMNS[column].kind == LogColumnKind::Truncated;
    return (truncated ? middleOfTruncated(logged) : logged) / input.panelPerRaw;
}

// A host input the log holds: a column gives it back.
bool logged(const gauge::HostInput* input) {
    return std::any_of(COLUMN_FACTS.begin(), COLUMN_FACTS.end(),
                       [&](const ColumnFacts& facts) { return facts.input == input; });
}

// One sample per update: the recorder samples once the tick count has moved this far.
constexpr double TICKS_PER_SAMPLE_STEP = gauge::TICKS_PER_SAMPLE;

void apply(Host& host, const Row& row) {
    const HostInputs inputs = hostInputsFor(row);
    for (const HostInput& input : inputs.variables) host.setVariable(input.variable, input.value);
    host.setDataWord(gauge::TAS_WORD.index, inputs.tasWord);
    host.setDataWord(gauge::IAS_WORD.index, inputs.iasWord);
}

}  // namespace

HostInputs hostInputsFor(const Row& row) {
    HostInputs inputs;
    for (std::size_t c = 0; c < COLUMN_COUNT; ++c) {
        const gauge::HostInput* input = COLUMN_FACTS[c].input;
        if (input == nullptr) continue;
        const auto column = static_cast<Column>(c);
        if (input->storage == gauge::Storage::Variable)
            inputs.variables.push_back({input->index, hostValue(column, *input, row[column])});
        else if (input == &gauge::TAS_WORD) inputs.tasWord = dataWord(row[column], input->panelPerRaw);
        else if (input == &gauge::IAS_WORD) inputs.iasWord = dataWord(row[column], input->panelPerRaw);
    }
    return inputs;
}

bool readoutLogged(const gauge::ReadoutInputs& readout) {
    return readout.clock != gauge::Clock::PerUpdate &&
           std::all_of(readout.inputs.begin(), readout.inputs.end(),
                       [](const gauge::HostInput* input) { return input == nullptr || logged(input); });
}

std::vector<std::size_t> notLoggedFields(const Host& host) {
    std::vector<std::size_t> fields;
    for (const gauge::ReadoutInputs& readout : gauge::READOUT_INPUTS) {
        if (readoutLogged(readout)) continue;
        const gauge::ReadoutPlace place = gauge::readoutPlace(readout.box);
        if (const std::optional<std::size_t> child = host.textChildAt(place.x, place.y)) fields.push_back(*child);
    }
    return fields;
}

ReplayShot parseReplayShot(std::string_view argument) {
    ReplayShot shot;
    try {
        shot = cli::parseTimedPicture(argument, "OUT.png");
    } catch (const cli::UsageError& e) {
        throw ReplayError(std::string("--png-at ") + e.what(), true);
    }
    if (std::filesystem::path(shot.file).extension() != ".png")
        throw ReplayError("--png-at \"" + std::string(argument) + "\": the picture's name must end in .png", true);
    return shot;
}

ShotSchedule::ShotSchedule(const std::vector<double>& times) : times_(times), order_(times.size()) {
    for (std::size_t i = 0; i < order_.size(); ++i) order_[i] = i;
    std::stable_sort(order_.begin(), order_.end(), [&](std::size_t a, std::size_t b) { return times_[a] < times_[b]; });
}

std::vector<std::size_t> ShotSchedule::dueBefore(double time) {
    std::vector<std::size_t> due;
    for (; next_ < order_.size() && times_[order_[next_]] < time; ++next_)
        (anyRow_ ? due : outside_).push_back(order_[next_]);
    anyRow_ = true;
    return due;
}

std::vector<std::size_t> ShotSchedule::dueAtEnd(double lastTime, double period) {
    std::vector<std::size_t> due;
    for (; next_ < order_.size(); ++next_)
        (anyRow_ && times_[order_[next_]] < lastTime + period ? due : outside_).push_back(order_[next_]);
    return due;
}

Replayer::Replayer(std::string modulePath, std::int64_t maxCatchUp, CatchUp catchUp, Unlogged unlogged)
    : modulePath_(std::move(modulePath)), maxCatchUp_(maxCatchUp), catchUpMode_(catchUp), unlogged_(unlogged) {}
Replayer::~Replayer() { stopHost(); }

// The module's log stream buffers in the module's own memory: the final
// routine closes it before the module goes.
void Replayer::stopHost() {
    renderers_.clear();
    if (host_) host_->final();
    host_.reset();
    if (!scratch_.empty()) {
        std::error_code error;
        std::filesystem::remove_all(scratch_, error);
        scratch_.clear();
        scratchOnSignal_.reset();
    }
    recording_ = false;
}

// The module opens its log in the host's log folder when recording starts: a
// folder of the replay's own, made before the host that is to use it.
void Replayer::makeScratchFolder() {
    std::error_code error;
    std::random_device random;
    for (int attempt = 0; attempt < 100 && scratch_.empty(); ++attempt) {
        const auto candidate =
            std::filesystem::temp_directory_path(error) / ("vorlat-replay-" + std::to_string(random()));
        if (!error && std::filesystem::create_directory(candidate, error)) scratch_ = candidate;
    }
    if (scratch_.empty()) return;
    scratchOnSignal_.emplace();
    scratchOnSignal_->file(scratch_ / gauge::LOG_FILE_NAME);
    scratchOnSignal_->folder(scratch_);
}

void Replayer::pressButton(flight::Press::Target button) {
    const flight::PanelPoint point = flight::pressPoint(*host_, {.target = button});
    host_->press(point.x, point.y);
}

// A failed open would reset the module's row counter: without a folder of our own, do not record.
void Replayer::startRecording() {
    if (scratch_.empty()) return;
    pressButton(flight::Press::Target::Record);
    recording_ = true;
}

const Host& Replayer::show(const Row& row) {
    const auto index = static_cast<std::int64_t>(row[INDEX]);
    if (host_ && shownIndex_ == index) {
        apply(*host_, row);
        host_->update();  // no tick advance: the row's sample was taken already
        return *host_;
    }
    if (!host_ || index - lag_ < samples_) restart(row);
    belowZero_ = index < 0;
    std::int64_t target = std::max(index - lag_, samples_);
    if (target - samples_ > maxCatchUp_) {
        // Too far to drive: stay behind by the excess from here on.
        lag_ += target - samples_ - maxCatchUp_;
        target = samples_ + maxCatchUp_;
    }
    // The row's inputs go in before the counter is driven, so that the rate
    // readouts, which sum the last nine updates' changes, settle on them.
    apply(*host_, row);
    catchUp(target - samples_);
    if (!recording_) startRecording();
    // The row is shown in the update that takes its sample, as the panel showed
    // it when the row was written: the row-index box counts it, index + 1.
    takeSample();
    shownIndex_ = index;
    return *host_;
}

// Whole windows of the rate readouts go by on the sampler alone, so their
// count stays in step with full updates; the last FAST_FULL_UPDATES or more are full.
void Replayer::catchUp(std::int64_t samples) {
    const bool fastPossible = catchUpMode_ == CatchUp::Fast && sampler_ && samples > FAST_FULL_UPDATES;
    const std::int64_t fast =
        fastPossible ? (samples - FAST_FULL_UPDATES) / RATE_WINDOW_SAMPLES * RATE_WINDOW_SAMPLES : 0;
    if (fast > 0) {
        // Paused meanwhile, so the module's own log in the scratch folder does not grow by a row a sample.
        if (recording_) pressButton(flight::Press::Target::Pause);
        host_->advanceClock(*sampler_, gauge::TICK_VARIABLE, TICKS_PER_SAMPLE_STEP, std::size_t(fast));
        if (recording_) pressButton(flight::Press::Target::Pause);
        host_->clearCalls();
        ticks_ = host_->variable(gauge::TICK_VARIABLE);
        samples_ += fast;
        driven_ += fast;
    }
    for (std::int64_t n = fast; n < samples; ++n) takeSample();
}

void Replayer::takeSample() {
    ticks_ += TICKS_PER_SAMPLE_STEP;
    host_->setVariable(gauge::TICK_VARIABLE, ticks_);
    host_->update();
    host_->clearCalls();  // the host records every service call: a long replay would hold them all
    ++samples_;
    ++driven_;
}

render::PanelRenderer& Replayer::renderer(int scale) {
    for (auto& existing : renderers_)
        if (existing->scale() == scale) return *existing;
    return *renderers_.emplace_back(std::make_unique<render::PanelRenderer>(*host_, scale));
}

void Replayer::writePng(const std::string& path, const std::string& name) {
    if (!host_) throw ReplayError("no row shown yet", false);
    try {
        renderer(render::DEFAULT_SCALE).render(*host_, notLogged_).writePng(path, name);
    } catch (const render::RenderError& e) {
        throw ReplayError(name + ": " + e.what(), false);
    }
}

std::string Replayer::png(int scale) {
    if (!host_) throw ReplayError("no row shown yet", false);
    try {
        return renderer(scale).render(*host_, notLogged_).pngBytes();
    } catch (const render::RenderError& e) {
        throw ReplayError(std::string("panel picture: ") + e.what(), false);
    }
}

namespace {
// The Acel box's text element takes the recorder's samples.
std::optional<std::size_t> samplerOf(const Host& host) {
    for (int row = 0; row < gauge::GRID_ROWS; ++row)
        for (int column = 0; column < gauge::GRID_COLUMNS; ++column)
            if (gauge::BOX_LABELS[std::size_t(row)][std::size_t(column)] == "Acel")
                return host.textChildAt(gauge::GRID_LEFT + column * gauge::BOX_PITCH_X + 2,
                                        gauge::GRID_TOP + row * gauge::BOX_PITCH_Y + 2);
    return std::nullopt;
}
}  // namespace

void Replayer::restart(const Row& row) {
    stopHost();
    makeScratchFolder();
    host_ = std::make_unique<Host>(HostOptions{
        .modulePath = modulePath_, .privateCopy = true, .resourceScript = {}, .logFolder = scratch_.string()});
    ++started_;
    ticks_ = 0;
    samples_ = 0;
    lag_ = 0;
    shownIndex_.reset();
    // Inputs before start, so the rate samplers seed on them and the rates stay at rest.
    apply(*host_, row);
    host_->setVariable(gauge::TICK_VARIABLE, ticks_);
    host_->setup();
    host_->start();
    sampler_ = samplerOf(*host_);
    notLogged_ = unlogged_ == Unlogged::Marked ? notLoggedFields(*host_) : std::vector<std::size_t>{};
}

// A picture waiting for its row, then waiting in its temporary file for finish().
struct ReplaySink::Shot {
    ReplayShot request;
    std::unique_ptr<files::AtomicFile> file;
    std::string report;  // empty until taken
};

namespace {

std::vector<double> timesOf(const std::vector<ReplayShot>& shots) {
    std::vector<double> times;
    for (const ReplayShot& shot : shots) times.push_back(shot.time);
    return times;
}

// A time as the summary gives it: "95.5 s" below an hour, h:mm:ss from an hour on.
std::string timeWords(double time) { return time >= 3600 ? summary_text::seconds(time) : numberText(time, -1) + " s"; }

}  // namespace

ReplaySink::ReplaySink(const ReplayRequest& request, std::ostream& report)
    : request_(request),
      report_(report),
      replayer_(request.modulePath, MAX_CATCH_UP_SAMPLES, CatchUp::Fast, request.unlogged),
      schedule_(timesOf(request.shots)) {
    for (const ReplayShot& shot : request.shots)
        if (!request.range.contains(shot.time))
            throw ReplayError("--png-at " + numberText(shot.time, -1) + ": the time lies outside the range " +
                                  rangeText(request.range),
                              true);
    for (const ReplayShot& shot : request.shots)
        shots_.push_back(
            {.request = shot, .file = std::make_unique<files::AtomicFile>(shot.file, shot.file), .report = {}});
    if (!request.framesDir.empty())
        frames_ = std::make_unique<files::FramesFolder>(request.framesDir, request.framesDir, request.force);
}

ReplaySink::~ReplaySink() = default;

void ReplaySink::row(const Row& row, const RowText& /*text*/, std::size_t /*segment*/) {
    const double time = timeOfIndex(row[INDEX], request_.tickRate);
    if (!previous_) firstTime_ = time;
    for (const std::size_t due : schedule_.dueBefore(time)) take(shots_[due], *previous_);
    if (frames_) frame(row);
    previous_ = row;
}

void ReplaySink::take(Shot& shot, const Row& row) {
    replayer_.show(row);
    replayer_.writePng(utf8Of(shot.file->temporary()), shot.request.file);
    shot.report = reportLine(shot.request.file, row);
    // A time in a pause or a gap shows the last row before it: say so.
    const double rowTime = timeOfIndex(row[INDEX], request_.tickRate);
    if (shot.request.time >= rowTime + samplePeriod(request_.tickRate)) {
        shot.report.pop_back();
        shot.report += " (the last row before " + timeWords(shot.request.time) + ": none was logged between)\n";
    }
}

void ReplaySink::frame(const Row& row) {
    const std::string name = utf8Of(frames_->frame(++frameCount_));
    files::AtomicFile file(name, name);
    replayer_.show(row);
    replayer_.writePng(utf8Of(file.temporary()), name);
    file.commit();
    report_ << reportLine(name, row);
}

std::string ReplaySink::reportLine(const std::string& file, const Row& row) const {
    std::string line = terminalText(file) + ": index " + numberText(row[INDEX], 0) + " at " +
                       timeWords(timeOfIndex(row[INDEX], request_.tickRate));
    if (!replayer_.indexShown())
        line += " (the row-index box shows another count: the replay drives the sample counter up from 0, at most " +
                std::to_string(MAX_CATCH_UP_SAMPLES) + " samples for a row)";
    return line + "\n";
}

void ReplaySink::finish() {
    const double period = samplePeriod(request_.tickRate);
    const double lastTime = previous_ ? timeOfIndex((*previous_)[INDEX], request_.tickRate) : 0;
    for (const std::size_t due : schedule_.dueAtEnd(lastTime, period)) take(shots_[due], *previous_);
    if (!schedule_.outside().empty()) {
        const std::size_t first = *std::min_element(schedule_.outside().begin(), schedule_.outside().end());
        const std::string rows = request_.range.limited() ? "the rows of the range " + rangeText(request_.range)
                                                          : std::string("the recording");
        throw ReplayError("time " + timeWords(shots_[first].request.time) + " lies outside " + rows + " (" +
                              timeWords(firstTime_) + " to " + timeWords(lastTime) + ", the last row's time)",
                          true);
    }
    // In the order of their times, as the rows showed them.
    for (const std::size_t i : schedule_.order()) {
        shots_[i].file->commit();
        report_ << shots_[i].report;
    }
}

}  // namespace vorlat::flightlog
