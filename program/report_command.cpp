// `vorlat log report`: each log read once for its summary, events and chart
// buckets; the first read a second time through the real module for the panel
// pictures (standard input from a pipe is kept in a temporary copy for that);
// the page written whole or not at all.
#include "program/report_command.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#ifdef _WIN32
#include <io.h>
#endif

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <iostream>
#include <memory>
#include <optional>
#include <random>
#include <string>
#include <vector>

#include "common/output_files.h"
#include "common/printable.h"
#include "common/utf8_path.h"
#include "program/command_options.h"
#include "tools/log/log_summary.h"
#include "tools/log/plot_panels.h"
#include "tools/log/plot_sink.h"
#include "tools/report/report_page.h"

namespace vorlat::report {

namespace {

using namespace flightlog;
namespace files = vorlat::files;

struct ReportOptions {
    FlightInputs inputs;
    std::string output;
    std::optional<std::string> title;
};

#ifdef _WIN32
std::int64_t seekTo(int descriptor, std::int64_t offset, int whence) { return ::_lseeki64(descriptor, offset, whence); }

// A new file in the temporary folder that the system removes when its last
// descriptor closes, however the process ends; -1 when none can be made.
int anonymousFile(std::string& name) {
    std::random_device random;
    for (int attempt = 0; attempt < 100; ++attempt) {
        const std::filesystem::path path =
            std::filesystem::temp_directory_path() / ("vorlat-report-input-" + std::to_string(random()));
        name = utf8Of(path);
        const int descriptor = ::_wopen(
            path.c_str(), _O_RDWR | _O_CREAT | _O_EXCL | _O_BINARY | _O_TEMPORARY | _O_NOINHERIT, _S_IREAD | _S_IWRITE);
        if (descriptor >= 0 || errno != EEXIST) return descriptor;
    }
    return -1;
}
#else
std::int64_t seekTo(int descriptor, std::int64_t offset, int whence) { return ::lseek(descriptor, offset, whence); }

// A new file in the temporary folder whose name is removed at once: the file
// goes when its last descriptor closes, however the process ends.
int anonymousFile(std::string& name) {
    name = (std::filesystem::temp_directory_path() / "vorlat-report-input-XXXXXX").string();
    const int descriptor = ::mkstemp(name.data());
    if (descriptor >= 0) ::unlink(name.c_str());
    return descriptor;
}
#endif

// Standard input made readable twice: a file as it is, anything else (a pipe)
// copied into a temporary file that becomes standard input. Nothing is left
// behind whatever happens; messages still say "standard input".
class RereadableStandardInput {
public:
    RereadableStandardInput() {
        struct stat status {};
        if (::fstat(STDIN_FILENO, &status) == 0 && S_ISREG(status.st_mode)) {
            start_ = seekTo(STDIN_FILENO, 0, SEEK_CUR);
            if (start_ >= 0) return;
        }
        std::string name;
        const int copy = anonymousFile(name);
        if (copy < 0) throw files::OutputError("cannot keep a copy of standard input in " + name);
        const bool copied = copyAll(STDIN_FILENO, copy);
        const bool moved = copied && ::dup2(copy, STDIN_FILENO) >= 0;
        ::close(copy);
        if (!moved) throw files::OutputError("cannot keep a copy of standard input in " + name);
        start_ = 0;
        rewind();
    }
    void rewind() const {
        if (seekTo(STDIN_FILENO, start_, SEEK_SET) < 0) throw LogReadError("standard input: cannot read it again");
    }

private:
    static bool copyAll(int from, int to) {
        char block[1 << 16];
        while (true) {
            const auto got = ::read(from, block, sizeof block);
            if (got == 0) return true;
            if (got < 0 && errno == EINTR) continue;
            if (got < 0 || ::write(to, block, static_cast<unsigned>(got)) != got) return false;
        }
    }

    std::int64_t start_ = 0;
};

std::string defaultTitle(const std::vector<ReportFlight>& flights) {
    if (flights.size() == 1)
        return flights[0].label + " — recording " + std::string(endingName(flights[0].summary.ending));
    std::string title;
    for (const ReportFlight& flight : flights) title += (title.empty() ? "" : ", ") + flight.label;
    return title;
}

std::vector<Frame> panelFrames(const FlightSource& source, const FlightInputs& inputs, const Summary& summary,
                               FramePlan& plan) {
    std::vector<double> eventTimes;
    for (const Event& event : summary.events.events) eventTimes.push_back(event.time);
    plan = planFrames(summary.startTime, summary.endTime, summary.samplePeriod, eventTimes);
    FrameSink sink(plan, inputs.tickRate);
    readSource(source, inputs, {&sink}, DamageReport::InOutput);  // its damage was reported by the first reading
    return sink.finish();
}

// Reads one flight for its summary, events and chart buckets, adding it to the page.
LogInfo readReportFlight(const FlightSource& source, const FlightInputs& inputs, const TimeRange& range,
                         std::vector<std::unique_ptr<FlightSeries>>& series, ReportContent& content,
                         DamageReport damage) {
    SummarySink summary(inputs.tickRate, range);
    // The default panels' series on the same time axis as the summary, events and pictures.
    const std::vector<Column> columns = plottedColumns(planPanels({}));
    series.push_back(std::make_unique<FlightSeries>(columns, inputs.tickRate));
    series.push_back(std::make_unique<FlightSeries>(columns, inputs.tickRate, DETAIL_BUCKETS));
    FlightSeries* overview = series[series.size() - 2].get();
    const LogInfo info = readSource(source, inputs, {&summary, overview, series.back().get()}, damage);
    ReportFlight flight{
        .label = source.label, .summary = summary.finish(info), .series = overview, .detail = series.back().get()};
    if (info.firstIndex) flight.offset = timeOfIndex(static_cast<double>(*info.firstIndex), inputs.tickRate);
    content.flights.push_back(std::move(flight));
    return info;
}

void writePage(const std::string& output, const std::string& html) {
    if (output == STANDARD_INPUT) {
        files::writeStandardOutput(html);
        files::finishStandardOutput();
        return;
    }
    files::AtomicFile file(output, output);
    std::fwrite(html.data(), 1, html.size(), file.stream());
    file.commit();  // a short write left the stream's error set: this throws, saying why
}

void report(const ReportOptions& options) {
    const FlightInputs& inputs = options.inputs;
    const TimeRange range = inputs.range();
    const std::vector<std::string> labels = inputs.names();
    files::FilePlan plan = inputs.filePlan();
    if (options.output != STANDARD_INPUT) plan.output(options.output, "-o");
    plan.check();
    // Said before any reading: the page is one file, written beside nothing else.
    std::error_code ignored;
    if (options.output != STANDARD_INPUT && std::filesystem::is_directory(pathFromUtf8(options.output), ignored))
        throw UsageError("-o " + printable(options.output) + " is a folder: give the page's file name, for example " +
                         printable(genericUtf8Of(pathFromUtf8(options.output) / "report.html")));

    // The first log is read twice.
    std::optional<RereadableStandardInput> standardInput;
    if (inputs.files[0] == STANDARD_INPUT) standardInput.emplace();
    std::vector<std::unique_ptr<FlightSeries>> series;
    std::vector<FlightSource> sources;
    ReportContent content;
    for (std::size_t f = 0; f < inputs.files.size(); ++f) {
        const FlightSource file{.file = inputs.files[f], .label = labels[f], .recording = {}};
        const std::size_t before = content.flights.size();
        const LogInfo info =
            readReportFlight(file, inputs, range, series, content, DamageReport::UnlessSeveralRecordings);
        const std::vector<FlightSource> each = eachRecording(inputs, file, info.recordings);
        if (each.size() == 1) {
            sources.push_back(file);
            continue;
        }
        content.flights.resize(before);  // the file read as one log is replaced by its recordings
        series.resize(2 * before);
        for (const FlightSource& recording : each) {
            readReportFlight(recording, inputs, range, series, content, DamageReport::OnStandardError);
            sources.push_back(recording);
        }
    }
    // Beside others, each flight's times count from its own recording's start.
    if (content.flights.size() == 1) content.flights[0].offset = 0;
    if (standardInput) standardInput->rewind();
    content.frames = panelFrames(sources[0], inputs, content.flights[0].summary, content.plan);
    content.title = options.title ? *options.title : defaultTitle(content.flights);
    writePage(options.output, reportHtml(content));
}

}  // namespace

void addReportCommand(CLI::App* log) {
    auto options = std::make_shared<ReportOptions>();
    CLI::App* command = log->add_subcommand(
        "report", "One HTML page: summary, events, zoomable charts and the panel at the cursor; several logs overlaid");
    addFlightInputs(command, options->inputs, true);
    command->add_option("-o,--output", options->output, "OUT.html (- for standard output)")->required();
    command->add_option("--title", options->title,
                        "The page's title (default: the log's name and how it ended, or the flights' names)");
    command->callback([options, command] { runLogCommand(*command, [&] { report(*options); }); });
}

}  // namespace vorlat::report
