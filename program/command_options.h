// What the `vorlat log` subcommands share: their input options (the logs, their
// labels, --strict, --tick-rate, --from, --to), reading one flight through the
// range into the command's sinks with the damage reported on stderr, and
// running a subcommand under the common guard.
#pragma once

#include <CLI/CLI.hpp>
#include <functional>
#include <initializer_list>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "common/output_files.h"
#include "tools/log/log_range.h"
#include "tools/log/log_reader.h"

namespace vorlat::flightlog {

struct FlightInputs {
    std::string command;              // the subcommand's full name, for its warnings: "vorlat log csv"
    std::vector<std::string> files;   // "-" is standard input (at most once)
    std::vector<std::string> labels;  // --label, once per log, in order
    bool strict = false;
    double tickRate = DEFAULT_TICK_RATE;
    std::optional<std::string> from, to;

    ReadOptions read() const { return {.strict = strict, .recording = std::nullopt}; }
    TimeRange range() const;                 // throws RangeError
    std::vector<std::string> names() const;  // the label of each log (flightLabels); UsageError for "-" twice
    // The logs as the inputs of a command's file plan (standard input is no file to guard).
    files::FilePlan filePlan() const;
};

// Adds FILE (one, or several when `several`), --label (several only), --strict,
// --tick-rate, --from and --to.
void addFlightInputs(CLI::App* command, FlightInputs& inputs, bool several);

// The damage the reader worked around, on stderr: "COMMAND: FILE: damaged: ..."
// and one "COMMAND: FILE:LINE: ..." per damaged line named.
void reportDamage(std::string_view command, const std::string& file, const Damage& damage);

// Whether readFlight prints the damage (the summary shows it in its own output instead).
enum class DamageReport { OnStandardError, InOutput };

// Reads `file` once, handing the rows inside the inputs' range to every sink
// in order; prints the damage the reader worked around on stderr; throws as
// readLogFile does, and RangeError when the range holds no row.
LogInfo readFlight(const std::string& file, const FlightInputs& inputs, std::initializer_list<RowSink*> sinks,
                   DamageReport damage = DamageReport::OnStandardError);

// Runs one subcommand's body under the common guard (program/command_run.h):
// every failure is "vorlat log SUBCOMMAND: ..." on stderr and CLI::RuntimeError
// with exit code 2 (bad usage or input) or 1.
void runLogCommand(const CLI::App& command, const std::function<void()>& body);

}  // namespace vorlat::flightlog
