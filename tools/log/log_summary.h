// What a recorded flight amounts to: its extent, every column's range, the
// time spent in the panel's yellow and red bands, stalls, climbs and descents,
// and the damage the reader worked around. Computed as the rows stream past,
// in memory that does not grow with the log.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <ostream>
#include <string>
#include <utility>
#include <vector>

#include "tools/log/flight_log.h"
#include "tools/log/log_bands.h"
#include "tools/log/log_events.h"
#include "tools/log/log_range.h"
#include "tools/log/log_reader.h"

namespace vorlat::flightlog {

struct ColumnStats {
    std::size_t count = 0;  // finite values; the others are left out
    // An angle that wraps (hdng, bank) has the circular mean, in its column's
    // range; NaN when its values cancel out and no direction stands out.
    double min = 0, max = 0, mean = 0;
    double minTime = 0, maxTime = 0;  // first time each extreme was reached
};

// Each row stands for one sample period, so a band's time is its rows times the period.
struct BandTimes {
    double yellowSeconds = 0;
    double redSeconds = 0;
};

struct StallStats {
    std::size_t events = 0;  // runs of rows with Stall set, within one segment
    std::optional<double> firstTime;
    double totalSeconds = 0;
};

// The largest net change of altitude between two rows of one segment.
struct AltitudeChange {
    double feet = 0;
    double fromTime = 0, toTime = 0;
};

struct Summary {
    std::string file;
    std::string label;  // the flight's name beside others; empty for a flight on its own
    TimeRange range;    // the rows summarised; the counts below are of the rows in it
    Ending ending = Ending::CutOff;
    std::optional<DroppedLine> dropped;
    std::size_t lfOnlyLines = 0;
    Damage damage;
    double tickRate = DEFAULT_TICK_RATE;
    double samplePeriod = 0;
    std::size_t rows = 0, segments = 0, pauses = 0;
    std::int64_t skippedSamples = 0;
    double startTime = 0, endTime = 0;  // of the first and the last row
    double duration = 0;                // endTime - startTime
    std::array<ColumnStats, COLUMN_COUNT> columns{};
    std::array<BandTimes, BAND_COUNT> bands{};  // as BANDS
    const BandTimes& bandTimes(Column column) const;
    StallStats stall;
    AltitudeChange largestGain, largestLoss;  // both as positive feet
    EventList events;
};

class DirectionTable;

// The summary built row by row as the reader delivers them: all rows, or
// those of a range (through a RangeFilter), whose own segments and pauses it counts.
class SummarySink : public RowSink {
public:
    explicit SummarySink(double tickRate = DEFAULT_TICK_RATE, TimeRange range = {});
    void segmentStarted(const SegmentStart& start) override;
    void row(const Row& row, const RowText& text, std::size_t segment) override;
    Summary finish(const LogInfo& info) const;

private:
    void columnStats(const Row& row, double time);
    void segmentStats(const Row& row, double time);
    void countSegments(const Row& row, std::size_t segment);

    // A column's values added up, and for an angle that wraps its unit vectors too.
    struct Sums {
        double value = 0, sine = 0, cosine = 0;
    };

    Summary s_;
    std::array<Sums, COLUMN_COUNT> sums_{};
    const DirectionTable* directions_;
    bool stalled_ = false;                                       // the row before, in this segment
    std::optional<std::pair<double, double>> lowest_, highest_;  // (altitude, time) so far in this segment
    EventCollector events_;
    // The segments that hold rows, and the samples between them, for a range.
    std::optional<std::pair<std::size_t, std::int64_t>> lastRow_;  // (segment, index)
    std::size_t segmentsWithRows_ = 0;
    std::int64_t skippedBetween_ = 0;
};

// The same over a log already in memory.
Summary summarise(const FlightLog& log, double tickRate = DEFAULT_TICK_RATE);
// The same fields as a table for people and as one JSON object (log_summary_output.cpp).
// `events`: Omitted leaves the events out (for a page that lists them on its own).
enum class SummaryEvents { Listed, Omitted };
void writeSummaryTable(std::ostream& out, const Summary& summary, SummaryEvents events = SummaryEvents::Listed);
void writeSummaryJson(std::ostream& out, const Summary& summary);

// Several flights: one table with a column per flight, then the events of
// each under its label; or a JSON array of the single-flight objects.
void writeSummariesTable(std::ostream& out, const std::vector<Summary>& summaries,
                         SummaryEvents events = SummaryEvents::Listed);
void writeSummariesJson(std::ostream& out, const std::vector<Summary>& summaries);

}  // namespace vorlat::flightlog
