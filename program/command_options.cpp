// The input options every `vorlat log` subcommand shares, one flight read
// through its range into the command's sinks, and the reader's failures given
// their exit code.
#include "program/command_options.h"

#include <charconv>
#include <string_view>

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
    for (const std::string& file : files)
        if (!file.empty() && file != STANDARD_INPUT) plan.input(file, "log");
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
    if (damage == DamageReport::OnStandardError) reportDamage(inputs.command, info.file, info.damage);
    filter.requireRows(info.file);
    return info;
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
