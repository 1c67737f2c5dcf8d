#include "tools/log/log_replay.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <limits>
#include <memory>
#include <random>

#include "host/host.h"
#include "host/render/panel_renderer.h"
#include "readouts/constants.h"
#include "tools/log/log_summary.h"

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

// Each logged column that a host variable feeds, with the readout's conversion inverted.
struct Inverse {
    Column column;
    std::uint32_t variable;
    double (*toHost)(double logged);
};
constexpr Inverse INVERSES[] = {
    {ALT, 73, [](double ft) { return middleOfTruncated(ft) / FEET_PER_METRE; }},
    {PITCH, 78, [](double deg) { return -deg; }},
    {CLIMB, 65, [](double fpm) { return middleOfTruncated(fpm) / CLIMB_SCALE; }},
    {GFORC, 351, [](double g) { return g / G_SCALE; }},
    {HDNG, 84, [](double deg) { return middleOfTruncated(deg); }},
    {BANK, 80, [](double deg) { return deg; }},
    {PROP, 411, [](double deg) { return deg / DEGREES_PER_RADIAN; }},
    {HP, 402, [](double hp) { return middleOfTruncated(hp) / POWER_SCALE; }},
    {THRST, 412, [](double thrust) { return middleOfTruncated(thrust); }},
    {AOA, 349, [](double deg) { return AOA_ZERO - deg / AOA_SCALE; }},
    {STALL, 67, [](double flag) { return flag; }},
};

constexpr std::uint32_t TICK_VARIABLE = 1;
constexpr std::size_t RECORD_ICON_CHILD = 0;  // the first element the host draws
constexpr double TICKS_PER_SAMPLE_STEP = 9;  // one sample per update: the gap must exceed 8

void apply(Host& host, const Row& row) {
    const HostInputs inputs = hostInputsFor(row);
    for (const HostInput& input : inputs.variables) host.setVariable(input.variable, input.value);
    host.setDataWord(TAS_DATA_WORD, inputs.tasWord);
    host.setDataWord(IAS_DATA_WORD, inputs.iasWord);
}

}  // namespace

HostInputs hostInputsFor(const Row& row) {
    HostInputs inputs;
    for (const Inverse& inverse : INVERSES) inputs.variables.push_back({inverse.variable, inverse.toHost(row[inverse.column])});
    inputs.tasWord = dataWord(row[TAS], AIRSPEED_SCALE);
    inputs.iasWord = dataWord(row[IAS], AIRSPEED_SCALE);
    return inputs;
}

ReplayShot parseReplayShot(std::string_view argument) {
    const std::size_t colon = argument.find(':');
    if (colon == std::string_view::npos || colon == 0 || colon + 1 == argument.size())
        throw ReplayError("--png-at " + std::string(argument) + ": expected TIME:OUT.png, e.g. 12.5:stall.png", true);
    ReplayShot shot;
    const std::string_view time = argument.substr(0, colon);
    const auto result = std::from_chars(time.data(), time.data() + time.size(), shot.time);
    if (result.ec != std::errc{} || result.ptr != time.data() + time.size() || !std::isfinite(shot.time))
        throw ReplayError("--png-at " + std::string(argument) + ": the time \"" + std::string(time) + "\" is not a number of seconds", true);
    shot.output = std::string(argument.substr(colon + 1));
    if (std::filesystem::path(shot.output).extension() != ".png")
        throw ReplayError("--png-at " + std::string(argument) + ": the picture's name must end in .png", true);
    return shot;
}

std::size_t rowAtTime(const FlightLog& log, double time, double tickRate) {
    const double period = samplePeriod(tickRate);
    if (log.rows.empty()) throw ReplayError(log.file + ": the log has no rows to replay", true);
    const double first = timeOfIndex(log.rows.front()[INDEX], tickRate);
    const double last = timeOfIndex(log.rows.back()[INDEX], tickRate);
    if (time < first || time >= last + period)
        throw ReplayError("time " + numberText(time, -1) + " s lies outside the recording (" + numberText(first, -1) + " s to " +
                              numberText(last + period, -1) + " s)",
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
}

// The module opens "data_log.txt" in the current directory when recording starts.
void Replayer::startRecording() {
    std::error_code error;
    std::random_device random;
    for (int attempt = 0; attempt < 100 && scratch_.empty(); ++attempt) {
        const auto candidate = std::filesystem::temp_directory_path(error) / ("vorlat-replay-" + std::to_string(random()));
        if (!error && std::filesystem::create_directory(candidate, error)) scratch_ = candidate;
    }
    // A failed open would reset the module's row counter: without a folder of our own, do not record.
    if (scratch_.empty()) return;
    const std::filesystem::path previous = std::filesystem::current_path(error);
    if (error) return;
    std::filesystem::current_path(scratch_, error);
    if (error) return;
    const ElementView recordIcon = host_->child(RECORD_ICON_CHILD);
    host_->press(recordIcon.x + 1, recordIcon.y + 1);
    std::filesystem::current_path(previous, error);
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
        host_->setVariable(TICK_VARIABLE, ticks_);
        host_->update();
        ++samples_;
    }
    if (scratch_.empty()) startRecording();
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
    host_ = std::make_unique<Host>(HostOptions{.modulePath = modulePath_, .privateCopy = true, .resourceScript = {}});
    ticks_ = 0;
    samples_ = 0;
    lag_ = 0;
    // Inputs before start, so the rate samplers seed on them and the rates stay at rest.
    apply(*host_, log_.rows[row]);
    host_->setVariable(TICK_VARIABLE, ticks_);
    host_->setup();
    host_->start();
}

void replayLog(const FlightLog& log, const ReplayRequest& request, std::ostream& report) {
    struct Job {
        std::size_t row;
        std::string output;
    };
    std::vector<Job> jobs;
    for (const ReplayShot& shot : request.shots) jobs.push_back({rowAtTime(log, shot.time, request.tickRate), shot.output});
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
        report << job.output << ": index " << numberText(row[INDEX], 0) << " at " << numberText(timeOfIndex(row[INDEX], request.tickRate), -1)
               << " s";
        if (!replayer.indexShown())
            report << " (the row-index box falls short: the replay drives the sample counter at most "
                   << MAX_CATCH_UP_SAMPLES << " samples ahead)";
        report << "\n";
    }
}

}  // namespace vorlat::flightlog
