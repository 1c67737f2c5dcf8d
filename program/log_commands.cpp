// The `vorlat log` subcommands: each checks its files, streams each log through
// the range into its sinks, reports the damage the reader worked around, and
// writes its output.
#include "program/log_commands.h"

#include <cstdio>
#include <iostream>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "common/command_error.h"
#include "common/output_files.h"
#include "program/command_options.h"
#include "program/plot_command.h"
#include "program/report_command.h"
#include "tools/csv/log_csv.h"
#include "tools/log/log_summary.h"
#include "tools/log/number_text.h"
#include "tools/replay/log_replay.h"

namespace {

using namespace vorlat::flightlog;
namespace files = vorlat::files;

bool isStandardStream(const std::string& path) { return path.empty() || path == STANDARD_INPUT; }

struct SummaryOptions {
    FlightInputs inputs;
    bool json = false;
};

// One summary per file, or per recording of a file that holds several when
// --recording picks none (each then read again on its own).
std::vector<Summary> summariseAll(const FlightInputs& inputs) {
    const std::vector<std::string> labels = inputs.names();
    const TimeRange range = inputs.range();
    inputs.filePlan().check();
    const bool severalFiles = inputs.files.size() > 1;
    std::vector<Summary> summaries;
    for (std::size_t f = 0; f < inputs.files.size(); ++f) {
        // One flight's damage is in its summary; several flights' table has room for its count only.
        SummarySink sink(inputs.tickRate, range);
        const LogInfo info = readFlight(inputs.files[f], inputs, {&sink},
                                        severalFiles ? DamageReport::UnlessSeveralRecordings : DamageReport::InOutput);
        const std::vector<FlightSource> flights =
            eachRecording(inputs, {.file = inputs.files[f], .label = labels[f], .recording = {}}, info.recordings);
        if (flights.size() == 1) {
            summaries.push_back(sink.finish(info));
            if (severalFiles || !inputs.labels.empty()) summaries.back().label = labels[f];
            continue;
        }
        for (const FlightSource& flight : flights) {
            SummarySink each(inputs.tickRate, range);
            summaries.push_back(each.finish(readSource(flight, inputs, {&each})));
            summaries.back().label = flight.label;
        }
    }
    return summaries;
}

void addSummaryCommand(CLI::App& log) {
    auto options = std::make_shared<SummaryOptions>();
    CLI::App* summary = log.add_subcommand(
        "summary", "Extent, column ranges, bands, stalls, climbs, events, damage; several logs side by side");
    addFlightInputs(summary, options->inputs, true);
    summary->add_flag("--json", options->json,
                      "Machine-readable JSON instead of the table (an array for several logs)");
    summary->callback([options, summary] {
        runLogCommand(*summary, [&] {
            const std::vector<Summary> summaries = summariseAll(options->inputs);
            const bool several = summaries.size() > 1;
            if (several)
                options->json ? writeSummariesJson(std::cout, summaries) : writeSummariesTable(std::cout, summaries);
            else options->json ? writeSummaryJson(std::cout, summaries[0]) : writeSummaryTable(std::cout, summaries[0]);
            files::finishStandardOutput();
        });
    });
}

// The first and last time of the rows that passed the range.
class RowSpan : public RowSink {
public:
    void row(const Row& row, const RowText& /*text*/, std::size_t /*segment*/) override {
        const auto index = static_cast<double>(row[INDEX]);
        if (!first_) first_ = index;
        last_ = index;
        ++rows_;
    }
    std::string text(double tickRate) const {
        if (!first_) return "no row";
        return std::to_string(rows_) + (rows_ == 1 ? " row, " : " rows, ") +
               numberText(timeOfIndex(*first_, tickRate), -1) + " s to " +
               numberText(timeOfIndex(*last_, tickRate), -1) + " s";
    }

private:
    std::optional<double> first_, last_;
    std::size_t rows_ = 0;
};

struct CsvOptions {
    FlightInputs inputs;
    std::string output;
};

// Rows go out as they are read: to a temporary file renamed into place at the
// end, or to standard output. A failed write stops the reading at once.
void writeCsvStreaming(const CsvOptions& options, const std::vector<std::string>& labels, const TimeRange& range) {
    const bool toFile = !isStandardStream(options.output);
    std::unique_ptr<files::AtomicFile> file;
    if (toFile) file = std::make_unique<files::AtomicFile>(options.output, options.output);
    std::FILE* stream = toFile ? file->stream() : stdout;
    const FlightInputs& inputs = options.inputs;
    CsvSink sink(
        [&](std::string_view text) {
            if (std::fwrite(text.data(), 1, text.size(), stream) == text.size()) return;
            if (toFile) file->commit();  // throws, naming the file and the cause
            files::finishStandardOutput();
        },
        inputs.tickRate, inputs.files.size() > 1);
    for (std::size_t f = 0; f < inputs.files.size(); ++f) {
        sink.startFlight(labels[f]);
        RowSpan span;
        const LogInfo info = readFlight(inputs.files[f], inputs, {&sink, &span}, DamageReport::UnlessSeveralRecordings);
        requireOneRecording(inputs, info.file, info.recordings);
        if (range.limited())
            vorlat::warn(inputs.command,
                         info.file + ": the range " + rangeText(range) + " holds " + span.text(inputs.tickRate));
    }
    sink.finish();
    if (toFile) file->commit();
    else files::finishStandardOutput();
}

void addCsvCommand(CLI::App& log) {
    auto options = std::make_shared<CsvOptions>();
    CLI::App* csv = log.add_subcommand(
        "csv", "The rows as CSV with time and units (RFC 4180); several logs in one table with a flight column");
    addFlightInputs(csv, options->inputs, true);
    csv->add_option("-o,--output", options->output, "Write here instead of standard output (- for standard output)");
    csv->callback([options, csv] {
        runLogCommand(*csv, [&] {
            const std::vector<std::string> labels = options->inputs.names();
            const TimeRange range = options->inputs.range();
            files::FilePlan plan = options->inputs.filePlan();
            if (!isStandardStream(options->output)) plan.output(options->output, "-o");
            plan.check();
            if (isStandardStream(options->output)) requireOneRecordingBeforehand(options->inputs);
            writeCsvStreaming(*options, labels, range);
        });
    });
}

struct ReplayOptions {
    FlightInputs inputs;
    std::vector<std::string> pngAt;
    std::string framesDir;
    bool force = false;
    bool invent = false;
};

void addReplayCommand(CLI::App& log) {
    auto options = std::make_shared<ReplayOptions>();
    CLI::App* replay = log.add_subcommand("replay", "The panel as it stood at a moment of the log");
    addFlightInputs(replay, options->inputs, false);
    replay->add_option("--png-at", options->pngAt, "TIME:OUT.png, the panel at TIME, written as for fly --png-at (2:20:x.png is 2:20 and x.png); "
                   "repeatable");
    replay->add_option("--frames", options->framesDir, "Write one PNG per row into this folder");
    replay->add_flag("--force", options->force, "Let --frames replace the earlier frames in a folder that has files");
    replay->add_flag("--invent", options->invent,
                     "Draw the boxes the log does not hold (hatched by default) with the values the module makes of "
                     "the replay's stand-in inputs, not the flight's");
    replay->callback([options, replay] {
        runLogCommand(*replay, [&] {
            if (options->pngAt.empty() && options->framesDir.empty())
                throw ReplayError("replay needs --png-at TIME:OUT.png or --frames DIR", true);
            const FlightInputs& inputs = options->inputs;
            ReplayRequest request{.shots = {},
                                  .framesDir = options->framesDir,
                                  .force = options->force,
                                  .tickRate = inputs.tickRate,
                                  .modulePath = {},
                                  .range = inputs.range(),
                                  .unlogged = options->invent ? Unlogged::Invented : Unlogged::Marked};
            files::FilePlan plan = inputs.filePlan();
            for (const std::string& argument : options->pngAt) {
                request.shots.push_back(parseReplayShot(argument));
                plan.output(request.shots.back().file, "--png-at");
            }
            if (!options->framesDir.empty()) plan.frames(options->framesDir, options->framesDir);
            plan.check();
            requireOneRecordingBeforehand(inputs);
            ReplaySink sink(request, std::cout);
            const LogInfo info = readFlight(inputs.files[0], inputs, {&sink}, DamageReport::UnlessSeveralRecordings);
            requireOneRecording(inputs, info.file, info.recordings);
            sink.finish();
            files::finishStandardOutput();
        });
    });
}

}  // namespace

void addLogCommands(CLI::App& app) {
    CLI::App* log = app.add_subcommand("log", "Read a flight log: summary, CSV, plots, replay on the panel and an HTML report");
    log->require_subcommand(1);
    addSummaryCommand(*log);
    addCsvCommand(*log);
    addPlotCommand(log);
    addReplayCommand(*log);
    vorlat::report::addReportCommand(log);
}
