// Reads the recorder's "data_log.txt": the opening line, one segment per
// header line, the rows, and how the file ended. Anything else is refused
// with the file, the line and what was expected there.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "host/gauge_facts.h"
#include "tools/log/log_columns.h"

namespace vorlat::flightlog {

// Not a flight log, or a damaged one. what() is "FILE:LINE: message".
class LogFormatError : public std::runtime_error {
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

// The file could not be read at all.
class LogReadError : public std::runtime_error {
    using std::runtime_error::runtime_error;
};

enum class Ending {
    EndRecording,  // "End recording": the record button ended it
    Exit,          // "Exit": the gauge shut down during the recording
    CutOff,        // no last line: the module was unloaded or the simulator stopped
};
std::string_view endingName(Ending ending);     // "ended normally", ...
std::string_view endingKeyword(Ending ending);  // "end_recording", "exit", "cut_off"

// One row: the sixteen values in column order, the index and Stall included.
struct Row {
    std::array<double, COLUMN_COUNT> values;
    double operator[](std::size_t column) const { return values[column]; }
};

// The rows after one header line.
struct Segment {
    std::size_t headerLine;  // 1-based line number of its header
    std::size_t firstRow;    // position in FlightLog::rows
    std::size_t rowCount;
};

// A pause lies between two segments. The samples it skipped follow from the
// index gap, so they are known only when a row stands on each side.
struct Pause {
    std::size_t segmentBefore;  // 0-based; the pause ends with segment segmentBefore + 1
    std::optional<std::int64_t> skippedSamples;
};

// A last line without its line ending, or a row short of fields at the very
// end: the recorder was stopped in the middle of it.
struct DroppedLine {
    std::size_t line;
    std::string text;  // at most the first 80 characters
};

struct FlightLog {
    std::string file;
    std::vector<Row> rows;
    std::vector<Segment> segments;
    Ending ending = Ending::CutOff;
    std::optional<DroppedLine> dropped;
    std::size_t lineCount = 0;    // complete lines read
    std::size_t lfOnlyLines = 0;  // lines ended by LF alone instead of CR LF

    std::vector<Pause> pauses() const;
    std::int64_t skippedSamples() const;  // all known pause gaps together
};

// Sample clock: one sample every TICKS_PER_SAMPLE ticks of the host (host/gauge_facts.h).
inline constexpr double DEFAULT_TICK_RATE = gauge::DEFAULT_TICK_RATE;  // ticks per second
inline constexpr double TICKS_PER_SAMPLE = gauge::TICKS_PER_SAMPLE;
inline constexpr double samplePeriod(double tickRate) { return TICKS_PER_SAMPLE / tickRate; }
inline constexpr double timeOfIndex(double index, double tickRate) { return index * TICKS_PER_SAMPLE / tickRate; }

FlightLog parseLog(std::string_view text, std::string fileName);
FlightLog readLog(const std::string& path);  // throws LogReadError or LogFormatError

}  // namespace vorlat::flightlog
