// The input options every `vorlat log` subcommand shares, one flight read
// through its range into the command's sinks, and the reader's failures given
// their exit code.
#include "program/command_options.h"

#include <charconv>
#include <filesystem>
#include <string_view>
#include <system_error>

#include "common/command_error.h"
#include "common/output_files.h"
#include "program/command_run.h"

namespace vorlat::flightlog {

namespace {

namespace files = vorlat::files;

constexpr double LOWEST_TICK_RATE = 0.001, HIGHEST_TICK_RATE = 1.0e6;

// A finite rate the sample period can be taken from (NaN would pass a range check).
std::string positiveTickRate(const std::string& text) {
    double rate = 0;
    const auto result = std::from_chars(text.data(), text.data() + text.size(), rate);
    if (result.ec != std::errc{} || result.ptr != text.data() + text.size() ||
        !(rate >= LOWEST_TICK_RATE && rate <= HIGHEST_TICK_RATE))
        return "expected ticks per second from 0.001 to 1000000, found " + text;
    return {};
}

// Hands every row to each of several sinks in turn.
class FanOut : public RowSink {
public:
    explicit FanOut(std::initializer_list<RowSink*> sinks) : sinks_(sinks) {}
    void segmentStarted(const SegmentStart& start) override {
        for (RowSink* sink : sinks_) sink->segmentStarted(start);
    }
    void row(const Row& row, const RowText& text, std::size_t segment) override {
        for (RowSink* sink : sinks_) sink->row(row, text, segment);
    }

private:
    std::initializer_list<RowSink*> sinks_;
};

}  // namespace

TimeRange FlightInputs::range() const { return parseTimeRange(from, to); }

files::FilePlan FlightInputs::filePlan() const {
    files::FilePlan plan;
    for (const std::string& file : files) {
        if (file == STANDARD_INPUT) plan.standardInput("log");
        else if (!file.empty()) plan.input(file, "log");
    }
    return plan;
}

std::vector<std::string> FlightInputs::names() const {
    std::size_t standardInputs = 0;
    for (const std::string& file : files) standardInputs += file == STANDARD_INPUT;
    if (standardInputs > 1) throw UsageError("standard input (-) can be read only once");
    return flightLabels(files, labels);
}

void addFlightInputs(CLI::App* command, FlightInputs& inputs, bool several) {
    inputs.command = cli::commandName(*command);
    if (several) {
        command->add_option("FILE", inputs.files, "The recorder's logs (data_log.txt); - reads standard input")
            ->required();
        command->add_option("--label", inputs.labels,
                            "A name for each log, given once per log in order (default: its folder and file name)");
    } else {
        // One value: a second file is an unexpected argument, as for any command.
        command
            ->add_option_function<std::string>(
                "FILE", [&inputs](const std::string& file) { inputs.files = {file}; },
                "The recorder's log (data_log.txt); - reads standard input")
            ->required();
    }
    command->add_option("--tick-rate", inputs.tickRate, "The host's ticks per second; a sample every 9 ticks")
        ->check(positiveTickRate)
        ->capture_default_str();
    command->add_flag("--strict", inputs.strict,
                      "Refuse a damaged log (exit 2, FILE:LINE) instead of reading what it still holds");
    command
        ->add_option_function<std::string>(
            "--from", [&inputs](const std::string& text) { inputs.from = text; },
            "Only the rows from this time on: seconds (140.5), m:ss (2:20) or h:mm:ss, as the summary prints times")
        ->type_name("TIME");
    command
        ->add_option_function<std::size_t>(
            "--recording", [&inputs](std::size_t number) { inputs.recording = number; },
            "Read only this recording (1, 2, ...) of a file that holds several one after another; without it "
            "summary and report show each, csv, plot and replay refuse such a file")
        ->check(CLI::PositiveNumber)
        ->type_name("N");
    command
        ->add_option_function<std::string>(
            "--to", [&inputs](const std::string& text) { inputs.to = text; },
            "Only the rows up to this time (inclusive), written as for --from")
        ->type_name("TIME");
}

// The damage on stderr, one line for the whole and one per damaged line named,
// each "FILE:LINE: ..." as the strict mode's message for it would be.
void reportDamage(std::string_view command, const std::string& file, const Damage& damage) {
    if (!damage.any()) return;
    warn(command, file + ": damaged: " + damageHeadline(damage));
    for (const DamagedLine& line : damage.first)
        warn(command, file + ":" + std::to_string(line.line) + ": " + line.expected);
    if (const std::string more = damageMore(damage); !more.empty()) warn(command, file + ": " + more);
}

LogInfo readFlight(const std::string& file, const FlightInputs& inputs, std::initializer_list<RowSink*> sinks,
                   DamageReport damage) {
    FanOut fan(sinks);
    RangeFilter filter(inputs.range(), inputs.tickRate, fan);
    const LogInfo info = readLogFile(file, filter, inputs.read());
    const bool several = info.recordings > 1 && !inputs.recording;
    if (damage == DamageReport::OnStandardError || (damage == DamageReport::UnlessSeveralRecordings && !several))
        reportDamage(inputs.command, info.file, info.damage);
    filter.requireRows(info.file);
    return info;
}

namespace {

// Counts the recordings and nothing else.
class CountOnly : public RecordingSink {
public:
    void row(const Row& /*row*/, const RowText& /*text*/, std::size_t /*segment*/) override {}
    void recordingEnded(const LogInfo& /*info*/) override {}
};

}  // namespace

void requireOneRecording(const FlightInputs& inputs, const std::string& file, std::size_t recordings) {
    if (recordings < 2 || inputs.recording) return;
    throw CommandError(file + ": the file holds " + std::to_string(recordings) +
                           " recordings one after another; choose one with --recording N (1 to " +
                           std::to_string(recordings) + ")",
                       EXIT_BAD_INPUT);
}

void requireOneRecordingBeforehand(const FlightInputs& inputs) {
    if (inputs.recording) return;
    for (const std::string& file : inputs.files) {
        // A pipe, a device, standard input: read once only, so refused after that reading instead.
        std::error_code error;
        if (file == STANDARD_INPUT || !std::filesystem::is_regular_file(file, error)) continue;
        FileSource source(file);
        CountOnly count;
        requireOneRecording(inputs, source.name(), readRecordings(source, count, {}));
    }
}

std::string recordingLabel(const std::string& label, std::size_t recording) {
    return label + ", recording " + std::to_string(recording);
}

std::vector<FlightSource> eachRecording(const FlightInputs& inputs, const FlightSource& source,
                                        std::size_t recordings) {
    if (recordings < 2 || inputs.recording || source.recording) return {source};
    // Standard input is read once: its recordings cannot be read again one by one.
    if (source.file == STANDARD_INPUT) requireOneRecording(inputs, "standard input", recordings);
    std::vector<FlightSource> each;
    for (std::size_t r = 1; r <= recordings; ++r)
        each.push_back({.file = source.file, .label = recordingLabel(source.label, r), .recording = r});
    return each;
}

LogInfo readSource(const FlightSource& source, const FlightInputs& inputs, std::initializer_list<RowSink*> sinks,
                   DamageReport damage) {
    if (!source.recording) return readFlight(source.file, inputs, sinks, damage);
    FlightInputs one = inputs;
    one.recording = source.recording;
    return readFlight(source.file, one, sinks, damage);
}

// Every error of ours, the reader's too, carries its exit code for the one
// guard; a log without rows says first what damage left none.
void runLogCommand(const CLI::App& command, const std::function<void()>& body) {
    cli::runGuarded(command, [&] {
        try {
            body();
        } catch (const NoRowsError& e) {
            reportDamage(cli::commandName(command), e.file(), e.damage());
            throw;
        }
    });
}

}  // namespace vorlat::flightlog
