// vorlat fly: one flight of the real module, from setup to final.
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <memory>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "common/command_error.h"
#include "common/output_files.h"
#include "common/printable.h"
#include "common/utf8_path.h"
#include "host/flight/builtin_flight.h"
#include "host/flight/run.h"
#include "host/flight/trace.h"
#include "host/fly/output_folder.h"
#include "host/fly/press_options.h"
#include "host/fly/progress.h"
#include "host/fly/recording_watch.h"
#include "host/fly/transcript.h"
#include "host/gauge_facts.h"
#include "host/host.h"
#include "host/render/panel_renderer.h"
#include "program/command_run.h"
#include "program/commands.h"

namespace vorlat::cli {

namespace {

namespace fs = std::filesystem;

constexpr double MAX_RATE = 1000;
constexpr double MAX_UPDATES = 1e9;  // about 1.7 years at 18 a second
constexpr double SAME_MOMENT_S = 1e-9;

struct FlyOptions {
    std::string module;
    std::string trace;
    std::string out = ".";
    std::optional<double> duration;
    double rate = flight::DEFAULT_UPDATE_RATE;
    std::vector<std::string> presses;
    bool noOwnPresses = false;
    std::string png;
    std::vector<std::string> pngAt;
    std::string frames;
    bool force = false;
    int every = 1;
    int scale = render::DEFAULT_SCALE;
    std::string transcript;
};

// Everything checked and read before the module runs or anything is written.
struct FlyPlan {
    std::unique_ptr<flight::FlightSource> source;
    flight::RunOptions run;
    std::vector<TimedPicture> pictures;
    fs::path module;
};

std::string seconds(double value) {
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "%g", value);
    return buffer;
}

void warn(const std::string& text) { vorlat::warn("vorlat fly", text); }

void checkNumbers(const FlyOptions& options) {
    if (!std::isfinite(options.rate) || options.rate <= 0 || options.rate > MAX_RATE)
        throw UsageError("--rate " + seconds(options.rate) + ": must be above 0 and at most " + seconds(MAX_RATE));
    if (options.duration && (!std::isfinite(*options.duration) || *options.duration <= 0))
        throw UsageError("--duration " + seconds(*options.duration) + ": must be a number of seconds above 0");
    if (options.every < 1) throw UsageError("--every " + std::to_string(options.every) + ": must be 1 or more");
    if (options.scale < 1 || options.scale > render::MAX_SCALE)
        throw UsageError("--scale " + std::to_string(options.scale) + ": must be 1.." +
                         std::to_string(render::MAX_SCALE));
}

std::vector<flight::Press> parsePresses(const FlyOptions& options) {
    using gauge::PANEL_HEIGHT, gauge::PANEL_WIDTH;
    std::vector<flight::Press> presses;
    for (const auto& argument : options.presses) {
        flight::Press press = parsePress(argument);
        if (press.target == flight::Press::Target::Point &&
            (press.x < 0 || press.x >= PANEL_WIDTH || press.y < 0 || press.y >= PANEL_HEIGHT))
            throw UsageError("--press " + argument + ": the point lies outside the " + std::to_string(PANEL_WIDTH) +
                             "x" + std::to_string(PANEL_HEIGHT) + " panel");
        presses.push_back(press);
    }
    return presses;
}

// Adds the asked-for presses after the flight's own; none of them, and no
// picture, may come after the flight's last update.
void schedule(FlyPlan& plan, const std::vector<flight::Press>& presses) {
    const double lastUpdate =
        static_cast<double>(flight::updateCount(plan.run.duration, plan.run.rate) - 1) / plan.run.rate;
    for (const auto& press : presses) {
        if (press.time > lastUpdate + SAME_MOMENT_S)
            throw UsageError("--press " + describePress(press) + ": the flight ends at " + seconds(lastUpdate) + " s");
        plan.run.presses.push_back(press);
    }
    for (const auto& picture : plan.pictures)
        if (picture.time > lastUpdate + SAME_MOMENT_S)
            throw UsageError("--png-at " + seconds(picture.time) + ":" + picture.file + ": the flight ends at " +
                             seconds(lastUpdate) + " s");
}

FlyPlan makePlan(const FlyOptions& options) {
    checkNumbers(options);
    const std::vector<flight::Press> presses = parsePresses(options);
    FlyPlan plan;
    for (const auto& argument : options.pngAt) plan.pictures.push_back(parseTimedPicture(argument));

    if (options.trace.empty()) plan.source = std::make_unique<flight::BuiltinFlight>();
    else plan.source = std::make_unique<flight::TraceSource>(flight::loadTrace(options.trace));

    plan.run.rate = options.rate;
    plan.run.duration = options.duration.value_or(plan.source->duration());
    if (plan.run.duration * plan.run.rate > MAX_UPDATES)
        throw UsageError(seconds(plan.run.duration) + " s at " + seconds(plan.run.rate) + " updates/s is more than " +
                         seconds(MAX_UPDATES) + " updates");
    if (!options.noOwnPresses) plan.run.presses = plan.source->ownPresses();
    schedule(plan, presses);

    plan.module = fs::absolute(pathFromUtf8(options.module.empty() ? defaultModulePath() : options.module));
    return plan;
}

// A file the run writes, as the user would write its path: relative ones are taken from --out.
std::string shownOutput(const FlyOptions& options, const fs::path& file) {
    return genericUtf8Of((pathFromUtf8(options.out) / file).lexically_normal());
}

// No output may be an input or another output, the module's log included; a
// frames folder holding files is refused before anything is written.
void checkFiles(const FlyOptions& options, const FlyPlan& plan) {
    files::FilePlan files;
    if (options.trace == "-") files.standardInput("--trace");
    else if (!options.trace.empty()) files.input(options.trace, "--trace");
    const std::string module = utf8Of(plan.module);
    files.input(module, "--module", options.module.empty() ? module : options.module);
    const fs::path out = fs::absolute(pathFromUtf8(options.out));
    const auto output = [&](std::string_view file, std::string_view role) {
        files.output(utf8Of(out / pathFromUtf8(file)), role, shownOutput(options, pathFromUtf8(file)));
    };
    output(gauge::LOG_FILE_NAME, "the module's log");
    if (!options.png.empty()) output(options.png, "--png");
    for (const auto& picture : plan.pictures) output(picture.file, "--png-at");
    if (!options.transcript.empty()) output(options.transcript, "--transcript");
    const fs::path frames = pathFromUtf8(options.frames);
    if (!options.frames.empty()) files.frames(utf8Of(out / frames), shownOutput(options, frames));
    files.check();
    std::error_code ignored;
    if (!options.frames.empty() && !options.force && fs::is_directory(out / frames, ignored))
        files::FramesFolder(out / frames, shownOutput(options, frames), false);
}

// Creates a folder and its missing parents; returns the folders it created, deepest first.
std::vector<fs::path> createFolder(const fs::path& folder) {
    std::vector<fs::path> missing;
    std::error_code error;
    for (fs::path level = folder; !level.empty() && !fs::exists(level, error); level = level.parent_path()) {
        missing.push_back(level);
        if (level == level.parent_path()) break;
    }
    fs::create_directories(folder, error);
    if (error || !fs::is_directory(folder))
        throw CommandError(genericUtf8Of(folder) + ": cannot create the output directory" +
                               (error ? " (" + error.message() + ")" : std::string()),
                           EXIT_FAILED);
    return missing;
}

// The module writes its log into the output folder, which must exist before it
// loads; a module that does not load (bad input: exit 2) leaves no folder behind.
std::unique_ptr<Host> loadModule(const FlyPlan& plan, const fs::path& out, const std::vector<fs::path>& created) {
    try {
        return std::make_unique<Host>(HostOptions{
            .modulePath = utf8Of(plan.module), .privateCopy = true, .resourceScript = {}, .logFolder = utf8Of(out)});
    } catch (const LoadError& error) {
        std::error_code ignored;
        for (const fs::path& folder : created) fs::remove(folder, ignored);  // only ever removes an empty one
        throw LoadError(std::string("cannot load the module: ") + error.what());
    }
}

// What the run writes as it flies: the transcript, pictures at their times,
// frames and the final picture, each through a temporary file. Relative paths
// are taken from the output folder; messages and the list of written files
// name them as the user would (shownOutput).
class FlightOutputs {
public:
    FlightOutputs(const FlyOptions& options, const std::vector<TimedPicture>& pictures, const fs::path& out,
                  const Host& host)
        : options_(options), pictures_(pictures), out_(out), pictureDone_(pictures.size(), false) {
        if (!options.png.empty() || !pictures.empty() || !options.frames.empty())
            renderer_ = std::make_unique<render::PanelRenderer>(host, options.scale);
        if (!options.frames.empty()) frames_.emplace(out_ / frames(), shownOutput(options, frames()), options.force);
        if (!options.transcript.empty()) {
            const fs::path transcript = pathFromUtf8(options.transcript);
            transcript_ = std::make_unique<Transcript>(out_ / transcript, shownOutput(options, transcript), host);
        }
    }

    void observe(const Host& host, const flight::UpdateInfo& info) {
        if (transcript_) transcript_->write(host, info);
        for (std::size_t i = 0; i < pictures_.size(); ++i) {
            if (pictureDone_[i] || pictures_[i].time > info.time + SAME_MOMENT_S) continue;
            writePicture(host, pathFromUtf8(pictures_[i].file));
            pictureDone_[i] = true;
        }
        if (frames_ && info.index % options_.every == 0) writeFrame(host);
        if (!options_.png.empty() && info.index + 1 == info.count) writePicture(host, pathFromUtf8(options_.png));
    }

    void close() {
        if (!transcript_) return;
        transcript_->close();
        written_.push_back(shownOutput(options_, pathFromUtf8(options_.transcript)));
    }

    std::int64_t framesWritten() const { return framesWritten_; }
    fs::path frames() const { return pathFromUtf8(options_.frames); }
    std::string shown(const fs::path& file) const { return shownOutput(options_, file); }  // as the user names it
    // The files written, as shown to the user; the frames as one line, their folder's, with their count.
    std::vector<std::string> written() const {
        std::vector<std::string> shown = written_;
        if (framesWritten_ > 0)
            shown[framesLine_] = shownOutput(options_, frames()) + " (" + std::to_string(framesWritten_) + " frames)";
        return shown;
    }

private:
    void writeFrame(const Host& host) {
        const fs::path file = frames() / frames_->frame(++framesWritten_).filename();
        const std::string shown = shownOutput(options_, file);
        files::AtomicFile picture(out_ / file, shown);
        renderer_->writePng(host, picture.stream(), shown);
        picture.commit();
        if (framesWritten_ > 1) return;
        framesLine_ = written_.size();
        written_.emplace_back();
    }

    // `file` as the option gave it.
    void writePicture(const Host& host, const fs::path& file) {
        const std::string shown = shownOutput(options_, file);
        files::AtomicFile picture(out_ / file, shown);
        renderer_->writePng(host, picture.stream(), shown);
        picture.commit();
        written_.push_back(shown);
    }

    const FlyOptions& options_;
    const std::vector<TimedPicture>& pictures_;
    fs::path out_;
    std::unique_ptr<render::PanelRenderer> renderer_;
    std::optional<files::FramesFolder> frames_;
    std::unique_ptr<Transcript> transcript_;
    std::vector<bool> pictureDone_;
    std::int64_t framesWritten_ = 0;
    std::size_t framesLine_ = 0;        // where the frames stand among the files written
    std::vector<std::string> written_;  // as shown to the user, in the order written
};

std::size_t countLines(const fs::path& file) {
    std::ifstream input(file, std::ios::binary);
    std::size_t lines = 0;
    for (std::string line; std::getline(input, line);) ++lines;
    return lines;
}

fs::file_time_type lastWrite(const fs::path& file) {
    std::error_code ignored;
    return fs::last_write_time(file, ignored);
}

// Unanswered presses and a broken contract; on stdout what the run flew and
// wrote, one line per file; on stderr what the recording did that its presses
// did not mean. Fails (exit 1) on a recording gone wrong or an unwritable stdout.
void report(const FlyPlan& plan, const flight::RunResult& result, const Host& host, const FlightOutputs& outputs,
            const RecordingWatch& watch, const fs::path& out, fs::file_time_type logBefore) {
    for (const auto& outcome : result.presses)
        if (!outcome.handled && !outcome.skipped)
            warn("the press " + describePress(outcome.press) + " reached no button");
    const auto& violations = host.violations();
    if (!violations.empty())
        throw CommandError("the module broke the host's contract " + std::to_string(violations.size()) +
                               " time(s); the first: " + violations.front(),
                           EXIT_FAILED);

    std::ostringstream lines;
    lines << "flew " << result.updates << " updates, " << seconds(plan.run.duration) << " s at "
          << seconds(plan.run.rate) << " updates/s, " << result.presses.size() << " press(es)\n";
    for (const std::string& file : outputs.written()) lines << "wrote: " << terminalText(file) << '\n';
    // A log left by an earlier run is only reported when this run wrote it.
    const fs::path log = out / gauge::LOG_FILE_NAME;
    if (fs::exists(log) && lastWrite(log) != logBefore)
        lines << "log: " << terminalText(outputs.shown(gauge::LOG_FILE_NAME)) << " (" << countLines(log) << " lines)\n";
    // Only the last recording is in the log: the module starts it anew at each one.
    const std::vector<Recording>& recordings = watch.recordings();
    for (std::size_t i = 0; i < recordings.size(); ++i)
        lines << "recording: " << describeRecording(recordings[i])
              << (i + 1 < recordings.size() ? " (replaced by the next)\n" : " (in the log)\n");
    // The frames folder with the output folder's real path (links and dots resolved).
    if (outputs.framesWritten() > 0)
        lines << "frames: " << outputs.framesWritten() << " in "
              << terminalText(genericUtf8Of(fs::canonical(out) / outputs.frames())) << '\n';
    for (const RecordingFinding& finding : watch.findings()) warn(finding.text);
    files::writeStandardOutput(lines.str());
    if (watch.failed()) throw ReportedFailure(EXIT_FAILED);
}

// Flies with the outputs and the recording watched after every update.
void flyLoaded(const FlyOptions& options, FlyPlan& plan, Host& host, const fs::path& out) {
    FlightOutputs outputs(options, plan.pictures, out, host);
    RecordingWatch watch(host, out, options.out);
    plan.run.allowPress = [&watch](const Host& flown, const flight::Press& press) {
        return watch.allowPress(flown, press);
    };
    const fs::file_time_type logBefore = lastWrite(out / gauge::LOG_FILE_NAME);
    ProgressBar progress(flight::updateCount(plan.run.duration, plan.run.rate), ProgressBar::stderrIsTerminal());
    const auto observe = [&](const Host& flown, const flight::UpdateInfo& info) {
        outputs.observe(flown, info);
        watch.observe(flown, info);
        progress.update(info.index + 1, info.time);
    };
    const flight::RunResult result = flight::runFlight(host, *plan.source, plan.run, observe);
    progress.finish();
    outputs.close();
    watch.finish();
    host.unload();
    report(plan, result, host, outputs, watch, out, logBefore);
}

// Every failure is a CommandError with its exit code (a trace the system could
// not read is a failure, not the user's bad input), or a failure (exit 1).
void fly(const FlyOptions& options) {
    FlyPlan plan = makePlan(options);
    checkFiles(options, plan);
    const fs::path out = fs::absolute(pathFromUtf8(options.out));
    const std::vector<fs::path> created = createFolder(out);
    // Locked before its log is checked: a flight running into the folder is
    // named as such, not taken for an earlier run's log.
    const FolderLock lock(out, options.out);
    refuseEarlierLog(out / gauge::LOG_FILE_NAME, shownOutput(options, gauge::LOG_FILE_NAME), options.force);
    const std::unique_ptr<Host> host = loadModule(plan, out, created);
    flyLoaded(options, plan, *host, out);
}

}  // namespace

void addFlyCommand(CLI::App& app) {
    auto options = std::make_shared<FlyOptions>();
    CLI::App* command = app.add_subcommand(
        "fly",
        "Fly the module: setup, start, panel updates at the host rate with scripted button presses, final. "
        "The built-in flight is used unless --trace names a CSV file. Simulated time: runs as fast as it can.");
    command->add_option("--module", options->module, "The gauge module to load (default: this build's module)");
    command->add_option("--trace", options->trace,
                        "Replay a CSV trace instead of the built-in flight, - for standard input "
                        "(docs/trace-format.md)");
    command
        ->add_option("--out", options->out,
                     "Output directory, created if missing; the module writes " + std::string(gauge::LOG_FILE_NAME) +
                         " there, and relative picture, frame and transcript paths are taken from it")
        ->capture_default_str();
    command->add_option("--duration", options->duration,
                        "Seconds to fly (default: the whole flight or trace; a longer run holds the last values)");
    command->add_option("--rate", options->rate, "Panel updates per second; the tick count rises by one per update")
        ->capture_default_str();
    command->add_option("--press", options->presses,
                        "Press a button at TIME: TIME:record, TIME:pause, or TIME:X,Y at panel pixels "
                        "(through the mouse areas); TIME as for --png-at; repeatable");
    command->add_flag("--no-flight-presses", options->noOwnPresses,
                      "Leave out the built-in flight's own record and pause presses");
    command->add_option("--png", options->png, "Write the panel as it stands at the end to this PNG file");
    command->add_option("--png-at", options->pngAt, "TIME:FILE: write the panel at TIME, in seconds (140.5), m:ss (2:20) or h:mm:ss; the time is the "
                        "longest part before a colon that reads as one (2:20:x.png is 2:20 and x.png; write 2:./20:x.png "
                        "for a file 20:x.png); repeatable");
    command->add_option("--frames", options->frames,
                        "Write numbered PNG frames into this directory, which must be empty or new");
    command->add_flag("--force", options->force,
                      "Replace the " + std::string(gauge::LOG_FILE_NAME) +
                          " an earlier run left in --out; with --frames: replace the frames of an earlier run in the "
                          "directory (other files stay)");
    command->add_option("--every", options->every, "With --frames: one frame every N updates")->capture_default_str();
    command->add_option("--scale", options->scale, "Picture pixels per panel pixel")->capture_default_str();
    command->add_option("--transcript", options->transcript,
                        "Write every update's texts, colours and icon images to this tab-separated file");
    command->callback([options, command] { runGuarded(*command, [&] { fly(*options); }); });
}

}  // namespace vorlat::cli
