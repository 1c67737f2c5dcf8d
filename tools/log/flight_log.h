// A whole flight log held in memory: every row and every segment. The commands
// stream instead; this is for tests, and for the plot until it draws from the
// stream, through the CollectRows sink.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "tools/log/log_reader.h"

namespace vorlat::flightlog {

// The rows after one header line (or after rows began without one).
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

struct FlightLog {
    std::string file;
    std::vector<Row> rows;
    std::vector<Segment> segments;
    Ending ending = Ending::CutOff;
    std::optional<DroppedLine> dropped;
    std::size_t lineCount = 0;    // complete lines read
    std::size_t lfOnlyLines = 0;  // lines ended by LF alone instead of CR LF
    Damage damage;
    std::size_t recording = 1, recordings = 1;  // as LogInfo has them

    std::vector<Pause> pauses() const;
    std::int64_t skippedSamples() const;  // all known pause gaps together
    LogInfo info() const;                 // what the reader said of it
    // Hands every segment and row to `sink`, as the reader did (with no row text).
    void feed(RowSink& sink) const;
};

// Keeps every row the reader delivers.
class CollectRows : public RowSink {
public:
    void segmentStarted(const SegmentStart& start) override;
    void row(const Row& row, const RowText& text, std::size_t segment) override;
    FlightLog take(const LogInfo& info);

private:
    FlightLog log_;
};

// Keeps every recording, each as a FlightLog of its own.
class CollectRecordings : public RecordingSink {
public:
    void segmentStarted(const SegmentStart& start) override { current_.segmentStarted(start); }
    void row(const Row& row, const RowText& text, std::size_t segment) override { current_.row(row, text, segment); }
    void recordingEnded(const LogInfo& info) override;
    std::vector<FlightLog> take();

private:
    CollectRows current_;
    std::vector<FlightLog> recordings_;
};

// The whole log read into memory; throws as readLog does.
FlightLog parseLog(std::string_view text, std::string fileName, ReadOptions options = {});
FlightLog collectLogFile(const std::string& pathOrDash, ReadOptions options = {});
// Every recording of a file, in file order; throws as readRecordings does.
std::vector<FlightLog> parseRecordings(std::string_view text, std::string fileName, ReadOptions options = {});
std::vector<FlightLog> collectRecordingsFile(const std::string& pathOrDash, ReadOptions options = {});

}  // namespace vorlat::flightlog
