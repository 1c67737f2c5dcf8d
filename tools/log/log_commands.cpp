#include "tools/log/log_commands.h"

#include <charconv>
#include <fstream>
#include <iostream>
#include <memory>
#include <sstream>
#include <string>

#include "tools/log/log_csv.h"
#include "tools/log/log_plot.h"
#include "tools/log/log_reader.h"
#include "tools/log/log_replay.h"
#include "tools/log/log_summary.h"

namespace {

using namespace vorlat::flightlog;

constexpr int EXIT_BAD_INPUT = 2;
constexpr int EXIT_FAILURE_OTHER = 1;

struct LogOptions {
    std::string file;
    double tickRate = DEFAULT_TICK_RATE;
    bool json = false;
    std::string output;
    std::vector<std::string> pngAt;
    std::string framesDir;
};

[[noreturn]] void failWith(int code, const std::string& message) {
    std::cerr << "vorlat log: " << message << "\n";
    throw CLI::RuntimeError(code);
}

// Runs one subcommand, turning every failure into its message and exit code.
template <typename Body>
void guarded(Body body) {
    try {
        body();
    } catch (const LogFormatError& e) {
        failWith(EXIT_BAD_INPUT, e.what());
    } catch (const LogReadError& e) {
        failWith(EXIT_BAD_INPUT, e.what());
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
    command->add_option("FILE", options.file, "The recorder's log (data_log.txt)")->required();
    command->add_option("--tick-rate", options.tickRate, "The host's ticks per second; a sample every 9 ticks")
        ->check(positiveTickRate)
        ->capture_default_str();
    return command;
}

void writeTextFile(const std::string& path, const std::string& text) {
    std::ofstream out(path, std::ios::binary);
    if (!out) failWith(EXIT_FAILURE_OTHER, path + ": cannot write the file");
    out << text;
    out.close();
    if (!out) failWith(EXIT_FAILURE_OTHER, path + ": writing failed");
}

void addSummaryCommand(CLI::App& log, const std::shared_ptr<LogOptions>& options) {
    CLI::App* summary =
        withLogFile(log.add_subcommand("summary", "Extent, column ranges, bands, stalls, climbs"), *options);
    summary->add_flag("--json", options->json, "Machine-readable JSON instead of the table");
    summary->callback([options] {
        guarded([&] {
            const Summary result = summarise(readLog(options->file), options->tickRate);
            if (options->json) writeSummaryJson(std::cout, result);
            else writeSummaryTable(std::cout, result);
            std::cout.flush();
            if (!std::cout) failWith(EXIT_FAILURE_OTHER, "cannot write to standard output");
        });
    });
}

void addCsvCommand(CLI::App& log, const std::shared_ptr<LogOptions>& options) {
    CLI::App* csv = withLogFile(log.add_subcommand("csv", "The rows as CSV with time and units (RFC 4180)"), *options);
    csv->add_option("-o,--output", options->output, "Write here instead of standard output");
    csv->callback([options] {
        guarded([&] {
            const FlightLog flight = readLog(options->file);
            if (options->output.empty()) {
                writeCsv(std::cout, flight, options->tickRate);
                std::cout.flush();
                if (!std::cout) failWith(EXIT_FAILURE_OTHER, "cannot write to standard output");
                return;
            }
            std::ostringstream text;
            writeCsv(text, flight, options->tickRate);
            writeTextFile(options->output, text.str());
        });
    });
}

void addPlotCommand(CLI::App& log, const std::shared_ptr<LogOptions>& options) {
    CLI::App* plot = withLogFile(log.add_subcommand("plot", "Stacked time-series plots (PNG, SVG or PDF)"), *options);
    plot->add_option("-o,--output", options->output, "OUT.png, OUT.svg or OUT.pdf")->required();
    plot->callback(
        [options] { guarded([&] { plotLog(readLog(options->file), options->output, options->tickRate); }); });
}

void addReplayCommand(CLI::App& log, const std::shared_ptr<LogOptions>& options) {
    CLI::App* replay =
        withLogFile(log.add_subcommand("replay", "The panel as it stood at a moment of the log"), *options);
    replay->add_option("--png-at", options->pngAt, "TIME:OUT.png, the panel at TIME seconds (repeatable)");
    replay->add_option("--frames", options->framesDir, "Write one PNG per row into this folder");
    replay->callback([options] {
        guarded([&] {
            if (options->pngAt.empty() && options->framesDir.empty())
                failWith(EXIT_BAD_INPUT, "replay needs --png-at TIME:OUT.png or --frames DIR");
            std::vector<ReplayShot> shots;
            for (const std::string& argument : options->pngAt) shots.push_back(parseReplayShot(argument));
            const FlightLog flight = readLog(options->file);
            const ReplayRequest request{
                .shots = shots, .framesDir = options->framesDir, .tickRate = options->tickRate, .modulePath = {}};
            replayLog(flight, request, std::cout);
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
