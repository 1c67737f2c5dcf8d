// The `vorlat log` subcommands: each checks its files, streams the log through
// its sink, reports the damage the reader worked around, and writes its output.
#include "tools/log/log_commands.h"

#include <charconv>
#include <cstdio>
#include <iostream>
#include <memory>
#include <string>

#include "host/cli/output_files.h"
#include "tools/log/flight_log.h"
#include "tools/log/log_csv.h"
#include "tools/log/log_plot.h"
#include "tools/log/log_reader.h"
#include "tools/log/log_replay.h"
#include "tools/log/log_summary.h"

namespace {

using namespace vorlat::flightlog;
namespace files = vorlat::files;

constexpr int EXIT_BAD_INPUT = 2;
constexpr int EXIT_FAILURE_OTHER = 1;

struct LogOptions {
    std::string file;
    double tickRate = DEFAULT_TICK_RATE;
    bool strict = false;
    bool json = false;
    bool force = false;
    std::string output;
    std::vector<std::string> pngAt;
    std::string framesDir;

    ReadOptions read() const { return {.strict = strict}; }
};

[[noreturn]] void failWith(int code, const std::string& message) {
    std::cerr << "vorlat log: " << message << "\n";
    throw CLI::RuntimeError(code);
}

// The damage on stderr, one line for the whole and one per damaged line named,
// each "FILE:LINE: ..." as the strict mode's message for it would be.
void reportDamage(const std::string& file, const Damage& damage) {
    if (!damage.any()) return;
    std::cerr << "vorlat log: " << file << ": damaged: " << damageHeadline(damage) << "\n";
    for (const DamagedLine& line : damage.first)
        std::cerr << "vorlat log: " << file << ":" << line.line << ": " << line.expected << "\n";
    if (const std::string more = damageMore(damage); !more.empty())
        std::cerr << "vorlat log: " << file << ": " << more << "\n";
}

// Runs one subcommand, turning every failure into its message and exit code.
template <typename Body>
void guarded(Body body) {
    try {
        body();
    } catch (const NoRowsError& e) {
        reportDamage(e.file(), e.damage());
        failWith(EXIT_BAD_INPUT, e.what());
    } catch (const LogFormatError& e) {
        failWith(EXIT_BAD_INPUT, e.what());
    } catch (const LogReadError& e) {
        failWith(EXIT_BAD_INPUT, e.what());
    } catch (const files::SameFileError& e) {
        failWith(EXIT_BAD_INPUT, e.what());
    } catch (const files::OutputError& e) {
        failWith(EXIT_FAILURE_OTHER, e.what());
    } catch (const PlotError& e) {
        failWith(e.badUsage() ? EXIT_BAD_INPUT : EXIT_FAILURE_OTHER, e.what());
    } catch (const ReplayError& e) {
        failWith(e.badUsage() ? EXIT_BAD_INPUT : EXIT_FAILURE_OTHER, e.what());
    } catch (const CLI::Error&) {
        throw;
    } catch (const std::exception& e) {
        failWith(EXIT_FAILURE_OTHER, e.what());
    }
}

// A finite rate the sample period can be taken from (NaN would pass a range check).
std::string positiveTickRate(const std::string& text) {
    double rate = 0;
    const auto result = std::from_chars(text.data(), text.data() + text.size(), rate);
    if (result.ec != std::errc{} || result.ptr != text.data() + text.size() || !(rate >= 0.001 && rate <= 1.0e6))
        return "expected ticks per second from 0.001 to 1000000, found " + text;
    return {};
}

CLI::App* withLogFile(CLI::App* command, LogOptions& options) {
    command->add_option("FILE", options.file, "The recorder's log (data_log.txt); - reads standard input")->required();
    command->add_option("--tick-rate", options.tickRate, "The host's ticks per second; a sample every 9 ticks")
        ->check(positiveTickRate)
        ->capture_default_str();
    command->add_flag("--strict", options.strict,
                      "Refuse a damaged log (exit 2, FILE:LINE) instead of reading what it still holds");
    return command;
}

bool isStandardStream(const std::string& path) { return path.empty() || path == STANDARD_INPUT; }

// The plan of a command's files, checked before anything is written.
files::FilePlan planFor(const LogOptions& options) {
    files::FilePlan plan;
    if (!isStandardStream(options.file)) plan.input(options.file, "log");
    return plan;
}

void addSummaryCommand(CLI::App& log, const std::shared_ptr<LogOptions>& options) {
    CLI::App* summary =
        withLogFile(log.add_subcommand("summary", "Extent, column ranges, bands, stalls, climbs, damage"), *options);
    summary->add_flag("--json", options->json, "Machine-readable JSON instead of the table");
    summary->callback([options] {
        guarded([&] {
            planFor(*options).check();
            SummarySink sink(options->tickRate);
            const Summary result = sink.finish(readLogFile(options->file, sink, options->read()));
            if (options->json) writeSummaryJson(std::cout, result);
            else writeSummaryTable(std::cout, result);
            files::finishStandardOutput();
        });
    });
}

// Rows go out as they are read: to a temporary file renamed into place at the
// end, or to standard output. A failed write stops the reading at once.
void writeCsvStreaming(const LogOptions& options) {
    const bool toFile = !isStandardStream(options.output);
    std::unique_ptr<files::AtomicFile> file;
    if (toFile) file = std::make_unique<files::AtomicFile>(options.output, options.output);
    std::FILE* stream = toFile ? file->stream() : stdout;
    CsvSink sink(
        [&](std::string_view text) {
            if (std::fwrite(text.data(), 1, text.size(), stream) == text.size()) return;
            if (toFile) file->commit();  // throws, naming the file and the cause
            files::finishStandardOutput();
        },
        options.tickRate);
    const LogInfo info = readLogFile(options.file, sink, options.read());
    sink.finish();
    if (toFile) file->commit();
    else files::finishStandardOutput();
    reportDamage(info.file, info.damage);
}

void addCsvCommand(CLI::App& log, const std::shared_ptr<LogOptions>& options) {
    CLI::App* csv = withLogFile(log.add_subcommand("csv", "The rows as CSV with time and units (RFC 4180)"), *options);
    csv->add_option("-o,--output", options->output, "Write here instead of standard output (- for standard output)");
    csv->callback([options] {
        guarded([&] {
            files::FilePlan plan = planFor(*options);
            if (!isStandardStream(options->output)) plan.output(options->output, "-o");
            plan.check();
            writeCsvStreaming(*options);
        });
    });
}

void addPlotCommand(CLI::App& log, const std::shared_ptr<LogOptions>& options) {
    CLI::App* plot = withLogFile(log.add_subcommand("plot", "Stacked time-series plots (PNG, SVG or PDF)"), *options);
    plot->add_option("-o,--output", options->output, "OUT.png, OUT.svg or OUT.pdf")->required();
    plot->callback([options] {
        guarded([&] {
            files::FilePlan plan = planFor(*options);
            plan.output(options->output, "-o");
            plan.check();
            const FlightLog flight = collectLogFile(options->file, options->read());
            reportDamage(flight.file, flight.damage);
            plotLog(flight, options->output, options->tickRate);
        });
    });
}

void addReplayCommand(CLI::App& log, const std::shared_ptr<LogOptions>& options) {
    CLI::App* replay =
        withLogFile(log.add_subcommand("replay", "The panel as it stood at a moment of the log"), *options);
    replay->add_option("--png-at", options->pngAt, "TIME:OUT.png, the panel at TIME seconds (repeatable)");
    replay->add_option("--frames", options->framesDir, "Write one PNG per row into this folder");
    replay->add_flag("--force", options->force, "Let --frames replace the earlier frames in a folder that has files");
    replay->callback([options] {
        guarded([&] {
            if (options->pngAt.empty() && options->framesDir.empty())
                failWith(EXIT_BAD_INPUT, "replay needs --png-at TIME:OUT.png or --frames DIR");
            ReplayRequest request{.shots = {},
                                  .framesDir = options->framesDir,
                                  .force = options->force,
                                  .tickRate = options->tickRate,
                                  .modulePath = {}};
            files::FilePlan plan = planFor(*options);
            for (const std::string& argument : options->pngAt) {
                request.shots.push_back(parseReplayShot(argument));
                plan.output(request.shots.back().file, "--png-at");
            }
            if (!options->framesDir.empty()) plan.output(options->framesDir, "--frames");
            plan.check();
            ReplaySink sink(request, std::cout);
            const LogInfo info = readLogFile(options->file, sink, options->read());
            reportDamage(info.file, info.damage);
            sink.finish();
            files::finishStandardOutput();
        });
    });
}

}  // namespace

void addLogCommands(CLI::App& app) {
    // One set of options for all: CLI11 runs only the subcommand that was named.
    auto options = std::make_shared<LogOptions>();
    CLI::App* log = app.add_subcommand("log", "Read a flight log: summary, CSV, plots and replay on the panel");
    log->require_subcommand(1);
    addSummaryCommand(*log, options);
    addCsvCommand(*log, options);
    addPlotCommand(*log, options);
    addReplayCommand(*log, options);
}
