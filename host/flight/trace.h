// Flight traces: CSV files with a `time` column (seconds) and one column per
// host input, named by identifier or by a documented name (docs/trace-format.md).
#pragma once

#include <cstddef>
#include <cstdint>
#include <istream>
#include <string>
#include <vector>

#include "common/command_error.h"

#include "host/flight/channel.h"
#include "host/flight/source.h"

namespace vorlat::flight {

// Bad trace input, located in the file. what() is "FILE:LINE: column N (NAME): MESSAGE",
// with a name that is not short plain text quoted and escaped.
class TraceError : public CommandError {
public:
    // BadInput: the file says something it should not (exit 2); ReadFailure: the
    // system could not read it (a failure, exit 1).
    enum class Cause { BadInput, ReadFailure };

    TraceError(std::string file, std::size_t line, std::size_t column, std::string columnName, std::string message,
               Cause cause = Cause::BadInput);
    const std::string& file() const { return file_; }
    std::size_t line() const { return line_; }      // 1-based
    std::size_t column() const { return column_; }  // 1-based field number; 0 when the whole line is at fault
    const std::string& message() const { return message_; }
    Cause cause() const { return cause_; }

private:
    std::string file_;
    std::size_t line_, column_;
    std::string message_;
    Cause cause_;
};

struct Trace {
    std::vector<std::string> columnNames;  // the input columns, without `time`
    std::vector<Channel> channels;         // one per input column
    std::vector<double> times;             // one per row, increasing
    // Row-major, channels.size() per row. Empty cells carry the previous row's value;
    // NaN only where no row so far has given one (the host keeps its own value).
    std::vector<double> values;

    std::size_t rowCount() const { return times.size(); }
    double value(std::size_t row, std::size_t column) const { return values[row * channels.size() + column]; }
};

// How messages name a trace read from standard input.
inline constexpr char STANDARD_INPUT_NAME[] = "standard input";

// The work of one parse, counted for the tests that check it grows in step
// with the header and no faster.
struct TraceWork {
    std::size_t headerComparisons = 0;  // header names and channels compared with one another
};

Trace parseTrace(std::istream& input, const std::string& fileName, TraceWork* work = nullptr);
// Reads the file at `path`, or standard input for "-". Throws TraceError when
// it cannot be read, naming the file.
Trace loadTrace(const std::string& path);

// Replays a trace: each row's values hold until the next row; before the first
// row the first row applies.
class TraceSource : public FlightSource {
public:
    explicit TraceSource(Trace trace);
    double duration() const override;
    void apply(Host& host, double time) override;
    const Trace& trace() const { return trace_; }

private:
    Trace trace_;
    std::size_t next_ = 0;  // first row not yet reached
    std::size_t applied_ = SIZE_MAX;
    double lastTime_ = 0;
};

}  // namespace vorlat::flight
