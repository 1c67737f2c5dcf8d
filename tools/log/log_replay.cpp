#include "tools/log/log_replay.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <limits>
#include <memory>
#include <random>

#include "host/flight/run.h"
#include "host/gauge_facts.h"
#include "host/host.h"
#include "host/render/panel_renderer.h"
#include "tools/log/number_text.h"

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

// Each logged column that a host variable feeds. The panel shows the raw value
// times the input's panelPerRaw, so the raw value is the logged one divided by
// it; a truncated column (as the log's schema says) is aimed at the middle of
// its unit first. AoA is the one conversion that is more than a product.
struct Inverse {
    Column column;
    const gauge::HostInput* input;
};
constexpr Inverse INVERSES[] = {
    {ALT, &gauge::ALTITUDE}, {PITCH, &gauge::PITCH}, {CLIMB, &gauge::CLIMB}, {GFORC, &gauge::G_LOAD},
    {HDNG, &gauge::HEADING}, {BANK, &gauge::BANK},   {PROP, &gauge::PROP},   {HP, &gauge::POWER},
    {THRST, &gauge::THRUST}, {AOA, &gauge::AOA},     {STALL, &gauge::STALL},
};

double hostValue(const Inverse& inverse, double logged) {
    if (inverse.column == AOA) return gauge::AOA_ZERO_RAW - logged / gauge::AOA_DEGREES_PER_RAW;
    const bool truncated = LOG_COLUMNS[inverse.column].kind == LogColumnKind::Truncated;
    return (truncated ? middleOfTruncated(logged) : logged) / inverse.input->panelPerRaw;
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
    for (const Inverse& inverse : INVERSES)
        inputs.variables.push_back({inverse.input->index, hostValue(inverse, row[inverse.column])});
    inputs.tasWord = dataWord(row[TAS], gauge::TAS_WORD.panelPerRaw);
    inputs.iasWord = dataWord(row[IAS], gauge::IAS_WORD.panelPerRaw);
    return inputs;
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

std::size_t rowAtTime(const FlightLog& log, double time, double tickRate) {
    const double period = samplePeriod(tickRate);
    if (log.rows.empty()) throw ReplayError(log.file + ": the log has no rows to replay", true);
    const double first = timeOfIndex(log.rows.front()[INDEX], tickRate);
    const double last = timeOfIndex(log.rows.back()[INDEX], tickRate);
    if (time < first || time >= last + period)
        throw ReplayError("time " + numberText(time, -1) + " s lies outside the recording (" + numberText(first, -1) +
                              " s to " + numberText(last + period, -1) + " s)",
                          true);
    // Rows are in index order: the last one at or before the time.
    std::size_t low = 0, high = log.rows.size();
    while (high - low > 1) {
        const std::size_t middle = low + (high - low) / 2;
        if (timeOfIndex(log.rows[middle][INDEX], tickRate) <= time) low = middle;
        else high = middle;
    }
    return low;
}

Replayer::Replayer(const FlightLog& log, std::string modulePath, std::int64_t maxCatchUp)
    : log_(log), modulePath_(std::move(modulePath)), maxCatchUp_(maxCatchUp) {}
Replayer::~Replayer() { stopHost(); }

// The module's log stream buffers in the module's own memory: the final
// routine closes it before the module goes.
void Replayer::stopHost() {
    renderer_.reset();
    if (host_) host_->final();
    host_.reset();
    if (!scratch_.empty()) {
        std::error_code error;
        std::filesystem::remove_all(scratch_, error);
        scratch_.clear();
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
}

// A failed open would reset the module's row counter: without a folder of our own, do not record.
void Replayer::startRecording() {
    if (scratch_.empty()) return;
    const flight::PanelPoint record = flight::pressPoint(*host_, {.target = flight::Press::Target::Record});
    host_->press(record.x, record.y);
    recording_ = true;
}

const Host& Replayer::show(std::size_t row) {
    const auto index = static_cast<std::int64_t>(log_.rows.at(row)[INDEX]);
    if (!host_ || index - lag_ < samples_) restart(row);
    std::int64_t target = index - lag_;
    if (target - samples_ > maxCatchUp_) {
        // Too far to drive: stay behind by the excess from here on.
        lag_ += target - samples_ - maxCatchUp_;
        target = samples_ + maxCatchUp_;
    }
    while (samples_ < target) {
        ticks_ += TICKS_PER_SAMPLE_STEP;
        host_->setVariable(gauge::TICK_VARIABLE, ticks_);
        host_->update();
        ++samples_;
    }
    if (!recording_) startRecording();
    apply(*host_, log_.rows[row]);
    host_->update();  // no tick advance: no sample, every box shows this row
    return *host_;
}

void Replayer::writePng(const std::string& path) {
    if (!host_) throw ReplayError("no row shown yet", false);
    try {
        if (!renderer_) renderer_ = std::make_unique<render::PanelRenderer>(*host_);
        renderer_->writePng(*host_, path);
    } catch (const render::RenderError& e) {
        throw ReplayError(path + ": " + e.what(), false);
    }
}

void Replayer::restart(std::size_t row) {
    stopHost();
    makeScratchFolder();
    host_ = std::make_unique<Host>(HostOptions{
        .modulePath = modulePath_, .privateCopy = true, .resourceScript = {}, .logFolder = scratch_.string()});
    ticks_ = 0;
    samples_ = 0;
    lag_ = 0;
    // Inputs before start, so the rate samplers seed on them and the rates stay at rest.
    apply(*host_, log_.rows[row]);
    host_->setVariable(gauge::TICK_VARIABLE, ticks_);
    host_->setup();
    host_->start();
}

void replayLog(const FlightLog& log, const ReplayRequest& request, std::ostream& report) {
    struct Job {
        std::size_t row;
        std::string output;
    };
    std::vector<Job> jobs;
    for (const ReplayShot& shot : request.shots)
        jobs.push_back({rowAtTime(log, shot.time, request.tickRate), shot.file});
    if (!request.framesDir.empty()) {
        std::error_code error;
        std::filesystem::create_directories(request.framesDir, error);
        if (error) throw ReplayError(request.framesDir + ": cannot create the folder: " + error.message(), false);
        for (std::size_t row = 0; row < log.rows.size(); ++row) {
            char name[32];
            std::snprintf(name, sizeof name, "frame_%06zu.png", row + 1);
            jobs.push_back({row, (std::filesystem::path(request.framesDir) / name).string()});
        }
    }
    std::stable_sort(jobs.begin(), jobs.end(), [](const Job& a, const Job& b) { return a.row < b.row; });

    Replayer replayer(log, request.modulePath);
    for (const Job& job : jobs) {
        replayer.show(job.row);
        replayer.writePng(job.output);
        const Row& row = log.rows[job.row];
        report << job.output << ": index " << numberText(row[INDEX], 0) << " at "
               << numberText(timeOfIndex(row[INDEX], request.tickRate), -1) << " s";
        if (!replayer.indexShown())
            report << " (the row-index box falls short: the replay drives the sample counter at most "
                   << MAX_CATCH_UP_SAMPLES << " samples ahead)";
        report << "\n";
    }
}

}  // namespace vorlat::flightlog
