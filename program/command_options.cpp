// The input options every `vorlat log` subcommand shares, one flight read
// through its range into the command's sinks, and failures turned into
// messages and exit codes.
#include "tools/log/command_options.h"

#include <charconv>
#include <iostream>
#include <string_view>

#include "host/cli/output_files.h"
#include "tools/log/log_plot.h"
#include "tools/log/log_replay.h"

namespace vorlat::flightlog {

namespace {

namespace files = vorlat::files;

constexpr int EXIT_BAD_INPUT = 2;
constexpr int EXIT_FAILURE_OTHER = 1;
constexpr double LOWEST_TICK_RATE = 0.001, HIGHEST_TICK_RATE = 1.0e6;

[[noreturn]] void failWith(int code, const std::string& message) {
    std::cerr << "vorlat log: " << message << "\n";
    throw CLI::RuntimeError(code);
}

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
    if (standardInputs > 1) throw RangeError("standard input (-) can be read only once");
    return flightLabels(files, labels);
}

void addFlightInputs(CLI::App* command, FlightInputs& inputs, bool several) {
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
void reportDamage(const std::string& file, const Damage& damage) {
    if (!damage.any()) return;
    std::cerr << "vorlat log: " << file << ": damaged: " << damageHeadline(damage) << "\n";
    for (const DamagedLine& line : damage.first)
        std::cerr << "vorlat log: " << file << ":" << line.line << ": " << line.expected << "\n";
    if (const std::string more = damageMore(damage); !more.empty())
        std::cerr << "vorlat log: " << file << ": " << more << "\n";
}

LogInfo readFlight(const std::string& file, const FlightInputs& inputs, std::initializer_list<RowSink*> sinks,
                   DamageReport damage) {
    FanOut fan(sinks);
    RangeFilter filter(inputs.range(), inputs.tickRate, fan);
    const LogInfo info = readLogFile(file, filter, inputs.read());
    if (damage == DamageReport::OnStandardError) reportDamage(info.file, info.damage);
    filter.requireRows(info.file);
    return info;
}

void runGuarded(const std::function<void()>& body) {
    try {
        body();
    } catch (const NoRowsError& e) {
        reportDamage(e.file(), e.damage());
        failWith(EXIT_BAD_INPUT, e.what());
    } catch (const LogFormatError& e) {
        failWith(EXIT_BAD_INPUT, e.what());
    } catch (const LogReadError& e) {
        failWith(EXIT_BAD_INPUT, e.what());
    } catch (const RangeError& e) {
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

}  // namespace vorlat::flightlog
