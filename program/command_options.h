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
    std::optional<std::size_t> recording;  // --recording: one recording of a file that holds several

    ReadOptions read() const { return {.strict = strict, .recording = recording}; }
    TimeRange range() const;                 // throws RangeError
    std::vector<std::string> names() const;  // the label of each log (flightLabels); UsageError for "-" twice
    // The logs as the inputs of a command's file plan (standard input is no file to guard).
    files::FilePlan filePlan() const;
};

// Adds FILE (one, or several when `several`), --label (several only), --strict,
// --tick-rate, --from, --to and --recording.
void addFlightInputs(CLI::App* command, FlightInputs& inputs, bool several);

// The damage the reader worked around, on stderr: "COMMAND: FILE: damaged: ..."
// and one "COMMAND: FILE:LINE: ..." per damaged line named.
void reportDamage(std::string_view command, const std::string& file, const Damage& damage);

// Whether readFlight prints the damage (the summary shows it in its own output instead).
// UnlessSeveralRecordings: on stderr, but not for a file of several recordings
// when --recording picks none (its recordings are read again, each with its own).
enum class DamageReport { OnStandardError, InOutput, UnlessSeveralRecordings };

// Reads `file` once, handing the rows inside the inputs' range to every sink
// in order; prints the damage the reader worked around on stderr; throws as
// readLogFile does, and RangeError when the range holds no row.
LogInfo readFlight(const std::string& file, const FlightInputs& inputs, std::initializer_list<RowSink*> sinks,
                   DamageReport damage = DamageReport::OnStandardError);

// A command that reads one flight from each file refuses a file of several
// recordings unless --recording picks one, rather than mixing two flights:
// exit 2, naming the count. `recordings` as LogInfo counts them.
void requireOneRecording(const FlightInputs& inputs, const std::string& file, std::size_t recordings);
// For a command whose output goes out while the log is read: the same refusal
// before anything is written, from a reading that only counts the recordings
// (a regular file only: standard input or a pipe is read once, and refused after that reading).
void requireOneRecordingBeforehand(const FlightInputs& inputs);

// One flight of a command's inputs: a log, or one recording of a file of several.
struct FlightSource {
    std::string file;
    std::string label;
    std::optional<std::size_t> recording;  // unset: as --recording says
};
// "FILE, recording N", the label of one recording among several.
std::string recordingLabel(const std::string& label, std::size_t recording);
// The recordings of `source` as flights of their own when it holds several and
// no --recording was given (`recordings` as its reading counted them); else itself.
std::vector<FlightSource> eachRecording(const FlightInputs& inputs, const FlightSource& source, std::size_t recordings);
// readFlight for one flight source.
LogInfo readSource(const FlightSource& source, const FlightInputs& inputs, std::initializer_list<RowSink*> sinks,
                   DamageReport damage = DamageReport::OnStandardError);

// Runs one subcommand's body under the common guard (program/command_run.h):
// every failure is "vorlat log SUBCOMMAND: ..." on stderr and CLI::RuntimeError
// with exit code 2 (bad usage or input) or 1.
void runLogCommand(const CLI::App& command, const std::function<void()>& body);

}  // namespace vorlat::flightlog
