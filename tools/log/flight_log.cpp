// The collected log: rows and segments as the reader delivered them.
#include "tools/log/flight_log.h"

#include <utility>

namespace vorlat::flightlog {

std::vector<Pause> FlightLog::pauses() const {
    std::vector<Pause> result;
    for (std::size_t s = 0; s + 1 < segments.size(); ++s) {
        Pause pause{.segmentBefore = s, .skippedSamples = std::nullopt};
        const Segment& before = segments[s];
        const Segment& after = segments[s + 1];
        if (before.rowCount != 0 && after.rowCount != 0) {
            const auto last = static_cast<std::int64_t>(rows[before.firstRow + before.rowCount - 1][INDEX]);
            const auto first = static_cast<std::int64_t>(rows[after.firstRow][INDEX]);
            pause.skippedSamples = first - last - 1;
        }
        result.push_back(pause);
    }
    return result;
}

std::int64_t FlightLog::skippedSamples() const {
    // Across empty segments the single pauses are unknown, but the gap between
    // the rows on either side still counts every sample not written.
    std::int64_t skipped = 0;
    std::optional<std::int64_t> lastIndex;
    for (const Segment& segment : segments) {
        if (segment.rowCount == 0) continue;
        const auto first = static_cast<std::int64_t>(rows[segment.firstRow][INDEX]);
        if (lastIndex) skipped += first - *lastIndex - 1;
        lastIndex = static_cast<std::int64_t>(rows[segment.firstRow + segment.rowCount - 1][INDEX]);
    }
    return skipped;
}

LogInfo FlightLog::info() const {
    LogInfo info{.file = file,
                 .ending = ending,
                 .dropped = dropped,
                 .lineCount = lineCount,
                 .lfOnlyLines = lfOnlyLines,
                 .rows = rows.size(),
                 .segments = segments.size(),
                 .skippedSamples = skippedSamples(),
                 .firstIndex = std::nullopt,
                 .lastIndex = std::nullopt,
                 .damage = damage,
                 .recording = recording,
                 .recordings = recordings};
    if (!rows.empty()) {
        info.firstIndex = static_cast<std::int64_t>(rows.front()[INDEX]);
        info.lastIndex = static_cast<std::int64_t>(rows.back()[INDEX]);
    }
    return info;
}

void CollectRows::segmentStarted(const SegmentStart& start) {
    log_.segments.push_back(Segment{.headerLine = start.line, .firstRow = log_.rows.size(), .rowCount = 0});
}

void CollectRows::row(const Row& row, const RowText& /*text*/, std::size_t /*segment*/) {
    log_.rows.push_back(row);
    ++log_.segments.back().rowCount;
}

FlightLog CollectRows::take(const LogInfo& info) {
    log_.file = info.file;
    log_.ending = info.ending;
    log_.dropped = info.dropped;
    log_.lineCount = info.lineCount;
    log_.lfOnlyLines = info.lfOnlyLines;
    log_.damage = info.damage;
    log_.recording = info.recording;
    log_.recordings = info.recordings;
    return std::exchange(log_, FlightLog{});
}

void CollectRecordings::recordingEnded(const LogInfo& info) { recordings_.push_back(current_.take(info)); }

std::vector<FlightLog> CollectRecordings::take() {
    // Each recording knew only how many had begun before its end.
    for (FlightLog& log : recordings_) log.recordings = recordings_.size();
    return std::move(recordings_);
}

FlightLog parseLog(std::string_view text, std::string fileName, ReadOptions options) {
    TextSource source(text, std::move(fileName));
    CollectRows rows;
    const LogInfo info = readLog(source, rows, options);
    return rows.take(info);
}

FlightLog collectLogFile(const std::string& pathOrDash, ReadOptions options) {
    CollectRows rows;
    const LogInfo info = readLogFile(pathOrDash, rows, options);
    return rows.take(info);
}

std::vector<FlightLog> parseRecordings(std::string_view text, std::string fileName, ReadOptions options) {
    TextSource source(text, std::move(fileName));
    CollectRecordings recordings;
    readRecordings(source, recordings, options);
    return recordings.take();
}

std::vector<FlightLog> collectRecordingsFile(const std::string& pathOrDash, ReadOptions options) {
    FileSource source(pathOrDash);
    CollectRecordings recordings;
    readRecordings(source, recordings, options);
    return recordings.take();
}

void FlightLog::feed(RowSink& sink) const {
    const RowText noText;
    for (std::size_t s = 0; s < segments.size(); ++s) {
        const Segment& segment = segments[s];
        sink.segmentStarted({.segment = s, .line = segment.headerLine, .recovered = false});
        for (std::size_t r = segment.firstRow; r < segment.firstRow + segment.rowCount; ++r)
            sink.row(rows[r], noText, s);
    }
}

}  // namespace vorlat::flightlog
