// vorlat fly: one flight of the real module, from setup to final.
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "host/cli/commands.h"
#include "host/cli/progress.h"
#include "host/cli/press_options.h"
#include "host/cli/transcript.h"
#include "host/flight/builtin_flight.h"
#include "host/flight/run.h"
#include "host/flight/trace.h"
#include "host/host.h"
#include "host/render/panel_renderer.h"

namespace vorlat::cli {

namespace {

namespace fs = std::filesystem;

constexpr int EXIT_FAILURE_OTHER = 1;
constexpr int EXIT_BAD_INPUT = 2;
constexpr double MAX_RATE = 1000;
constexpr double MAX_UPDATES = 1e9;  // about 1.7 years at 18 a second
constexpr int PANEL_WIDTH = 436, PANEL_HEIGHT = 85;
constexpr const char* LOG_FILE = "data_log.txt";

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

FlyPlan makePlan(const FlyOptions& options) {
    FlyPlan plan;
    if (!std::isfinite(options.rate) || options.rate <= 0 || options.rate > MAX_RATE)
        throw UsageError("--rate " + seconds(options.rate) + ": must be above 0 and at most " + seconds(MAX_RATE));
    if (options.duration && (!std::isfinite(*options.duration) || *options.duration <= 0))
        throw UsageError("--duration " + seconds(*options.duration) + ": must be a number of seconds above 0");
    if (options.every < 1) throw UsageError("--every " + std::to_string(options.every) + ": must be 1 or more");
    if (options.scale < 1 || options.scale > render::MAX_SCALE)
        throw UsageError("--scale " + std::to_string(options.scale) + ": must be 1.." +
                         std::to_string(render::MAX_SCALE));

    std::vector<flight::Press> presses;
    for (const auto& argument : options.presses) {
        flight::Press press = parsePress(argument);
        if (press.target == flight::Press::Target::Point &&
            (press.x < 0 || press.x >= PANEL_WIDTH || press.y < 0 || press.y >= PANEL_HEIGHT))
            throw UsageError("--press " + argument + ": the point lies outside the " + std::to_string(PANEL_WIDTH) + "x" +
                             std::to_string(PANEL_HEIGHT) + " panel");
        presses.push_back(press);
    }
    for (const auto& argument : options.pngAt) plan.pictures.push_back(parseTimedPicture(argument));

    if (options.trace.empty()) plan.source = std::make_unique<flight::BuiltinFlight>();
    else plan.source = std::make_unique<flight::TraceSource>(flight::loadTrace(options.trace));

    plan.run.rate = options.rate;
    plan.run.duration = options.duration.value_or(plan.source->duration());
    if (plan.run.duration * plan.run.rate > MAX_UPDATES)
        throw UsageError(seconds(plan.run.duration) + " s at " + seconds(plan.run.rate) + " updates/s is more than " +
                         seconds(MAX_UPDATES) + " updates");
    const double lastUpdate =
        static_cast<double>(flight::updateCount(plan.run.duration, plan.run.rate) - 1) / plan.run.rate;
    if (!options.noOwnPresses) plan.run.presses = plan.source->ownPresses();
    for (const auto& press : presses) {
        if (press.time > lastUpdate + 1e-9)
            throw UsageError("--press " + describePress(press) + ": the flight ends at " + seconds(lastUpdate) + " s");
        plan.run.presses.push_back(press);
    }
    for (const auto& picture : plan.pictures)
        if (picture.time > lastUpdate + 1e-9)
            throw UsageError("--png-at " + seconds(picture.time) + ":" + picture.file + ": the flight ends at " +
                             seconds(lastUpdate) + " s");

    plan.module = fs::absolute(options.module.empty() ? fs::path(defaultModulePath()) : fs::path(options.module));
    return plan;
}

// Frames are numbered from 1 in the order they are written.
std::string frameName(const fs::path& directory, std::int64_t number) {
    char name[32];
    std::snprintf(name, sizeof name, "frame_%06lld.png", static_cast<long long>(number));
    return (directory / name).string();
}

std::size_t countLines(const fs::path& file) {
    std::ifstream input(file, std::ios::binary);
    std::size_t lines = 0;
    for (std::string line; std::getline(input, line);) ++lines;
    return lines;
}

[[noreturn]] void fail(int code, const std::string& message) {
    std::cerr << "vorlat fly: " << message << '\n';
    throw CLI::RuntimeError(code);
}

void fly(const FlyOptions& options) {
    FlyPlan plan;
    try {
        plan = makePlan(options);
    } catch (const UsageError& error) {
        fail(EXIT_BAD_INPUT, error.what());
    } catch (const flight::TraceError& error) {
        fail(EXIT_BAD_INPUT, error.what());
    }

    std::optional<Host> host;
    try {
        host.emplace(HostOptions{plan.module.string(), true, {}});
    } catch (const LoadError& error) {
        fail(EXIT_FAILURE_OTHER, std::string("cannot load the module: ") + error.what());
    }

    // The module writes its log in the current directory: run in the output directory.
    std::error_code error;
    const fs::path out = fs::absolute(options.out);
    fs::create_directories(out, error);
    if (error || !fs::is_directory(out))
        fail(EXIT_FAILURE_OTHER, out.string() + ": cannot create the output directory" +
                                     (error ? " (" + error.message() + ")" : std::string()));
    fs::current_path(out, error);
    if (error) fail(EXIT_FAILURE_OTHER, out.string() + ": cannot enter the output directory (" + error.message() + ")");

    try {
        std::unique_ptr<render::PanelRenderer> renderer;
        if (!options.png.empty() || !plan.pictures.empty() || !options.frames.empty())
            renderer = std::make_unique<render::PanelRenderer>(*host, options.scale);
        if (!options.frames.empty()) {
            fs::create_directories(options.frames, error);
            if (error) fail(EXIT_FAILURE_OTHER, options.frames + ": cannot create the frames directory (" +
                                                    error.message() + ")");
        }
        std::unique_ptr<Transcript> transcript;
        if (!options.transcript.empty()) transcript = std::make_unique<Transcript>(options.transcript, *host);

        // A log left by an earlier run is only reported when this run wrote it.
        const auto logStamp = [] {
            std::error_code ignored;
            return fs::last_write_time(LOG_FILE, ignored);
        };
        const fs::file_time_type logBefore = logStamp();
        std::vector<bool> pictureDone(plan.pictures.size(), false);
        std::int64_t framesWritten = 0;
        ProgressBar progress(flight::updateCount(plan.run.duration, plan.run.rate), ProgressBar::stderrIsTerminal());
        const auto observe = [&](const Host& flown, const flight::UpdateInfo& info) {
            if (transcript) transcript->write(flown, info);
            for (std::size_t i = 0; i < plan.pictures.size(); ++i) {
                if (pictureDone[i] || plan.pictures[i].time > info.time + 1e-9) continue;
                renderer->writePng(flown, plan.pictures[i].file);
                pictureDone[i] = true;
            }
            if (!options.frames.empty() && info.index % options.every == 0)
                renderer->writePng(flown, frameName(options.frames, ++framesWritten));
            if (!options.png.empty() && info.index + 1 == info.count) renderer->writePng(flown, options.png);
            progress.update(info.index + 1, info.time);
        };
        const flight::RunResult result = flight::runFlight(*host, *plan.source, plan.run, observe);
        progress.finish();
        if (transcript) transcript->close();
        host->unload();

        for (const auto& outcome : result.presses)
            if (!outcome.handled)
                std::cerr << "vorlat fly: the press " << describePress(outcome.press) << " reached no button\n";
        const auto& violations = host->violations();
        if (!violations.empty())
            fail(EXIT_FAILURE_OTHER, "the module broke the host's contract " + std::to_string(violations.size()) +
                                         " time(s); the first: " + violations.front());

        std::cout << "flew " << result.updates << " updates, " << seconds(plan.run.duration) << " s at "
                  << seconds(plan.run.rate) << " updates/s, " << result.presses.size() << " press(es)\n";
        if (fs::exists(LOG_FILE) && logStamp() != logBefore)
            std::cout << "log: " << (out / LOG_FILE).string() << " (" << countLines(LOG_FILE) << " lines)\n";
        if (framesWritten > 0)
            std::cout << "frames: " << framesWritten << " in " << fs::absolute(options.frames).string() << '\n';
    } catch (const CLI::RuntimeError&) {
        throw;
    } catch (const render::RenderError& problem) {
        fail(EXIT_FAILURE_OTHER, problem.what());
    } catch (const std::exception& problem) {
        fail(EXIT_FAILURE_OTHER, problem.what());
    }
}

}  // namespace

void addFlyCommand(CLI::App& app) {
    auto options = std::make_shared<FlyOptions>();
    CLI::App* command = app.add_subcommand(
        "fly", "Fly the module: setup, start, panel updates at the host rate with scripted button presses, final. "
               "The built-in flight is used unless --trace names a CSV file. Simulated time: runs as fast as it can.");
    command->add_option("--module", options->module, "The gauge module to load (default: this build's module)");
    command->add_option("--trace", options->trace, "Replay a CSV trace instead of the built-in flight "
                                                   "(docs/trace-format.md)");
    command->add_option("--out", options->out,
                        "Output directory, created if missing; the module writes data_log.txt there, and relative "
                        "picture, frame and transcript paths are taken from it")
        ->capture_default_str();
    command->add_option("--duration", options->duration,
                        "Seconds to fly (default: the whole flight or trace; a longer run holds the last values)");
    command->add_option("--rate", options->rate, "Panel updates per second; the tick count rises by one per update")
        ->capture_default_str();
    command->add_option("--press", options->presses,
                        "Press a button at TIME seconds: TIME:record, TIME:pause, or TIME:X,Y at panel pixels "
                        "(through the mouse areas); repeatable");
    command->add_flag("--no-flight-presses", options->noOwnPresses,
                      "Leave out the built-in flight's own record and pause presses");
    command->add_option("--png", options->png, "Write the panel as it stands at the end to this PNG file");
    command->add_option("--png-at", options->pngAt, "TIME:FILE: write the panel at TIME seconds; repeatable");
    command->add_option("--frames", options->frames, "Write numbered PNG frames into this directory");
    command->add_option("--every", options->every, "With --frames: one frame every N updates")
        ->capture_default_str();
    command->add_option("--scale", options->scale, "Picture pixels per panel pixel")->capture_default_str();
    command->add_option("--transcript", options->transcript,
                        "Write every update's texts, colours and icon images to this tab-separated file");
    command->callback([options] { fly(*options); });
}

}  // namespace vorlat::cli
