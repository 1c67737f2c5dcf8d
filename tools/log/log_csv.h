// The log as an analysis-ready CSV table (RFC 4180: comma-separated, CR LF,
// a header row; no field here ever needs quoting). Numbers are written with
// a full stop whatever the locale.
#pragma once

#include <ostream>

#include "tools/log/log_reader.h"

namespace vorlat::flightlog {

// Columns: time_s, segment (counted from 1), index, then the sixteen log columns
// under their exported names. Values keep the log's own decimals.
void writeCsv(std::ostream& out, const FlightLog& log, double tickRate = DEFAULT_TICK_RATE);

}  // namespace vorlat::flightlog
