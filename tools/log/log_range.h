// Part of a flight: `--from T` and `--to T`, T as seconds ("140", "140.5"),
// "m:ss" ("2:20") or "h:mm:ss" ("1:02:20"), on the time axis the summary prints.
// And the names several flights go by in one table, plot or report.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "common/command_error.h"
#include "tools/log/log_reader.h"

namespace vorlat::flightlog {

// A time or range the user wrote wrongly, or one that holds no row: bad usage (exit 2).
struct RangeError : CommandError {
    explicit RangeError(const std::string& message) : CommandError(message, EXIT_BAD_INPUT) {}
};

// Seconds from "140", "140.5", "2:20", "2:20.5" or "1:02:20"; minutes and
// seconds after a colon below 60; never negative. Throws RangeError naming the text.
double parseFlightTime(std::string_view text);

struct TimeRange {
    std::optional<double> from, to;  // seconds, inclusive

    bool limited() const { return from || to; }
    bool contains(double time) const { return (!from || time >= *from) && (!to || time <= *to); }
};
// Both optional; --from after --to is a RangeError.
TimeRange parseTimeRange(const std::optional<std::string>& from, const std::optional<std::string>& to);
// "from 140 s to 200 s", "from the start to 200 s", "from 140 s to the end".
std::string rangeText(const TimeRange& range);

// Passes on the rows inside the range (and the segments that hold them) and
// remembers the recording's real first and last row times, for the message
// when the range holds nothing.
class RangeFilter : public RowSink {
public:
    RangeFilter(TimeRange range, double tickRate, RowSink& next);
    void segmentStarted(const SegmentStart& start) override;
    void row(const Row& row, const RowText& text, std::size_t segment) override;

    std::size_t rowsPassed() const;
    // Throws RangeError, naming the recording's first and last row times exactly,
    // when the range is limited and no row fell inside it.
    void requireRows(const std::string& file) const;

private:
    TimeRange range_;
    double tickRate_;
    RowSink& next_;
    std::optional<SegmentStart> pendingSegment_;
    std::size_t passed_ = 0;
    std::optional<double> firstTime_, lastTime_;
};

// The name a flight goes by when several are shown together: `--label` when
// given, else the parent folder and the file name ("run1/data_log.txt").
std::string flightLabel(const std::string& path, const std::optional<std::string>& label);
// One label per log: `labels` is empty or has one per log (else UsageError).
std::vector<std::string> flightLabels(const std::vector<std::string>& paths, const std::vector<std::string>& labels);

}  // namespace vorlat::flightlog
