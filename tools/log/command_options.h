// What the `vorlat log` subcommands share: their input options (the logs, their
// labels, --strict, --tick-rate, --from, --to), reading one flight through the
// range into the command's sinks with the damage reported on stderr, and the
// mapping of every failure to its message and exit code.
#pragma once

#include <CLI/CLI.hpp>
#include <functional>
#include <initializer_list>
#include <optional>
#include <string>
#include <vector>

#include "host/cli/output_files.h"
#include "tools/log/log_range.h"
#include "tools/log/log_reader.h"

namespace vorlat::flightlog {

struct FlightInputs {
    std::vector<std::string> files;   // "-" is standard input (at most once)
    std::vector<std::string> labels;  // --label, once per log, in order
    bool strict = false;
    double tickRate = DEFAULT_TICK_RATE;
    std::optional<std::string> from, to;

    ReadOptions read() const { return {.strict = strict, .recording = std::nullopt}; }
    TimeRange range() const;                 // throws RangeError
    std::vector<std::string> names() const;  // the label of each log (flightLabels); RangeError for "-" twice
    // The logs as the inputs of a command's file plan (standard input is no file to guard).
    files::FilePlan filePlan() const;
};

// Adds FILE (one, or several when `several`), --label (several only), --strict,
// --tick-rate, --from and --to.
void addFlightInputs(CLI::App* command, FlightInputs& inputs, bool several);

// The damage the reader worked around, on stderr: "vorlat log: FILE: damaged: ..."
// and one "vorlat log: FILE:LINE: ..." per damaged line named.
void reportDamage(const std::string& file, const Damage& damage);

// Whether readFlight prints the damage (the summary shows it in its own output instead).
enum class DamageReport { OnStandardError, InOutput };

// Reads `file` once, handing the rows inside the inputs' range to every sink
// in order; prints the damage the reader worked around on stderr; throws as
// readLogFile does, and RangeError when the range holds no row.
LogInfo readFlight(const std::string& file, const FlightInputs& inputs, std::initializer_list<RowSink*> sinks,
                   DamageReport damage = DamageReport::OnStandardError);

// Runs one subcommand's body, turning every failure into "vorlat log: ..." on
// stderr and CLI::RuntimeError with exit code 2 (bad usage or input) or 1.
void runGuarded(const std::function<void()>& body);

}  // namespace vorlat::flightlog
