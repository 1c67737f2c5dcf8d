// Reads the recorder's "data_log.txt" in one pass, in large chunks, from a
// file, a pipe or standard input, and hands each sound row to a sink as it
// goes; nothing grows with the number of rows. By default it keeps every
// sound row, skips what it cannot read and reports the damage; --strict
// refuses the first damage with the file, the line and what was expected there.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>

#include "common/command_error.h"
#include "schema/sample_clock.h"
#include "tools/log/line_splitter.h"
#include "tools/log/log_columns.h"
#include "tools/log/log_damage.h"
#include "tools/log/row_parser.h"

namespace vorlat::flightlog {

// Not a flight log, or a damaged one: bad input (exit 2). what() is
// "FILE:LINE: message", or "FILE: message" for what concerns the whole file (line 0).
class LogFormatError : public CommandError {
public:
    LogFormatError(std::string file, std::size_t line, std::string message);
    const std::string& file() const { return file_; }
    std::size_t line() const { return line_; }
    const std::string& message() const { return message_; }

private:
    std::string file_;
    std::size_t line_;
    std::string message_;
};

// A log in which not one row could be read; the damage says why.
class NoRowsError : public LogFormatError {
public:
    NoRowsError(std::string file, std::string message, Damage damage)
        : LogFormatError(std::move(file), 0, std::move(message)), damage_(std::move(damage)) {}
    const Damage& damage() const { return damage_; }

private:
    Damage damage_;
};

// The file could not be read at all: bad input (exit 2).
class LogReadError : public CommandError {
public:
    explicit LogReadError(const std::string& message) : CommandError(message, EXIT_BAD_INPUT) {}
};

enum class Ending {
    EndRecording,  // "End recording": the record button ended it
    Exit,          // "Exit": the gauge shut down during the recording
    CutOff,        // no last line: the module was unloaded or the simulator stopped
};
std::string_view endingName(Ending ending);     // "ended normally", ...
std::string_view endingKeyword(Ending ending);  // "end_recording", "exit", "cut_off"

// A header line, or where rows began with none before them.
struct SegmentStart {
    std::size_t segment;  // counted from 0
    std::size_t line;     // of the header line, or of the first row when it had none
    bool recovered;       // no header line: the rows were read with the log's fixed columns
};

// What the reader hands on, in file order.
class RowSink {
public:
    virtual ~RowSink() = default;
    virtual void segmentStarted(const SegmentStart& /*start*/) {}
    // A sound row of segment `segment` (counted from 0); `text` is valid during the call only.
    virtual void row(const Row& row, const RowText& text, std::size_t segment) = 0;
};

// A last line without its line ending, or a row short of fields at the very
// end: the recorder was stopped in the middle of it.
struct DroppedLine {
    std::size_t line;
    std::string text;  // at most the first 80 characters
};

// What is known once the whole log has been read: small and of fixed size.
struct LogInfo {
    std::string file;  // as messages show it: "standard input" for "-"
    Ending ending = Ending::CutOff;
    std::optional<DroppedLine> dropped;
    std::size_t lineCount = 0;    // complete lines read
    std::size_t lfOnlyLines = 0;  // lines ended by LF alone instead of CR LF
    std::size_t rows = 0, segments = 0;
    std::int64_t skippedSamples = 0;  // the index gaps across pauses, where rows stand on both sides
    std::optional<std::int64_t> firstIndex, lastIndex;
    Damage damage;
    // A file may hold several recordings one after another, each begun by its
    // own "Recording Enabled" line: which one this is and how many began up to
    // its end (readLog: in the whole file), both counted from 1.
    std::size_t recording = 1, recordings = 1;
};

struct ReadOptions {
    bool strict = false;  // refuse the first damage (a partial last line excepted) with LogFormatError
    // Unset: the recordings of a file read as one log, as they always have (a
    // later recording's rows are kept when their index goes on from the rows
    // before, else skipped as damage). Set: each recording is one of its own,
    // and only this one (counted from 1) is read, with its own damage and
    // ending; the others are passed over. A number past the last is a LogFormatError.
    std::optional<std::size_t> recording;
};

// Reads everything, handing rows to the sink. Throws LogFormatError (strict
// mode's damage, an empty file), NoRowsError (no row at all) or LogReadError;
// the sink has then seen what came before.
LogInfo readLog(ByteSource& source, RowSink& sink, ReadOptions options = {});

// Takes every recording of a file in turn: its segments and rows, then its LogInfo.
class RecordingSink : public RowSink {
public:
    virtual void recordingEnded(const LogInfo& info) = 0;
};

// Reads each recording of the file as a log of its own (ReadOptions::recording
// is ignored). A recording with no row is handed on as one (rows == 0); throws
// LogFormatError for an empty file, in strict mode for damage, and LogReadError.
std::size_t readRecordings(ByteSource& source, RecordingSink& sink, ReadOptions options = {});

// The name "-" is standard input.
inline constexpr std::string_view STANDARD_INPUT = "-";
LogInfo readLogFile(const std::string& pathOrDash, RowSink& sink, ReadOptions options = {});

// A file by its path, or standard input for "-". Throws LogReadError.
class FileSource : public ByteSource {
public:
    explicit FileSource(const std::string& pathOrDash);
    ~FileSource() override;
    FileSource(const FileSource&) = delete;
    FileSource& operator=(const FileSource&) = delete;
    std::size_t read(char* buffer, std::size_t size) override;
    const std::string& name() const override { return name_; }

private:
    int descriptor_ = -1;
    bool owned_ = false;
    std::string name_;
};

// Text already in memory, handed out at most `step` bytes at a time (as a pipe would).
class TextSource : public ByteSource {
public:
    TextSource(std::string_view text, std::string name, std::size_t step = CHUNK_BYTES)
        : text_(text), name_(std::move(name)), step_(step) {}
    std::size_t read(char* buffer, std::size_t size) override;
    const std::string& name() const override { return name_; }

private:
    std::string_view text_;
    std::string name_;
    std::size_t step_;
};

// Sample clock: one sample every TICKS_PER_SAMPLE ticks of the host, DEFAULT_TICK_RATE
// ticks a second unless told otherwise (schema/sample_clock.h).
using ::DEFAULT_TICK_RATE;
using ::TICKS_PER_SAMPLE;
inline constexpr double samplePeriod(double tickRate) { return TICKS_PER_SAMPLE / tickRate; }
// A row's time: the moment its sample was taken, in seconds since the gauge
// started (tick 0). The sample counted `index` is taken when the tick count has
// moved by TICKS_PER_SAMPLE for the (index + 1)th time.
inline constexpr double timeOfIndex(double index, double tickRate) { return (index + 1) * TICKS_PER_SAMPLE / tickRate; }

}  // namespace vorlat::flightlog
