// The log as an analysis-ready CSV table (RFC 4180: comma-separated, CR LF,
// a header row; only a flight's label may need quoting), written row by row as
// the reader delivers them. Numbers are written with a full stop whatever the locale.
#pragma once

#include <cstddef>
#include <functional>
#include <ostream>
#include <string>
#include <string_view>

#include "tools/log/flight_log.h"
#include "tools/log/log_reader.h"

namespace vorlat::flightlog {

// Where the text goes, a block of about a megabyte at a time.
using CsvOutput = std::function<void(std::string_view)>;

// Columns: time_s, segment (counted from 1), index, then the sixteen log columns
// under their exported names. Values keep the log's own text, padding removed:
// copied from the log where that is the text the value formats to, else formatted.
// Several flights in one table have a first column `flight`: the label given
// with startFlight before each flight's rows.
class CsvSink : public RowSink {
public:
    explicit CsvSink(CsvOutput output, double tickRate = DEFAULT_TICK_RATE, bool flightColumn = false);
    void startFlight(std::string_view label);
    void row(const Row& row, const RowText& text, std::size_t segment) override;
    void finish();  // writes what is left (the header row alone when no row came)

private:
    void writeHeader();
    void flush();

    CsvOutput output_;
    double tickRate_;
    bool flightColumn_;
    std::string flightText_;  // the label as a CSV field, and its comma
    std::string buffer_;
    bool started_ = false;
    std::size_t segment_ = 0;
    std::string segmentText_;
};

// A log in memory, written the same way.
void writeCsv(std::ostream& out, const FlightLog& log, double tickRate = DEFAULT_TICK_RATE);

}  // namespace vorlat::flightlog
