// Stacked time-series plots of one flight or several overlaid, drawn with
// PLplot from each flight's reduced series (plot_sink.h), with pauses, stalls
// and band excursions marked along the time axis. PNG and PDF come from its
// cairo devices, SVG from its own SVG device, which keeps the text as text.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "common/command_error.h"
#include "tools/log/flight_log.h"
#include "tools/log/log_range.h"
#include "tools/log/plot_panels.h"
#include "tools/log/plot_sink.h"

namespace vorlat::flightlog {

// The output cannot be made: an unknown extension or column, or a file that cannot be written.
class PlotError : public CommandError {
public:
    PlotError(const std::string& message, bool badUsage)
        : CommandError(message, badUsage ? EXIT_BAD_INPUT : EXIT_FAILED) {}
    bool badUsage() const { return exitCode() == EXIT_BAD_INPUT; }
};

struct PlotSize {
    int width = 1400;  // pixels (PNG) or points (SVG, PDF)
    int height = 0;    // 0: as the panels need, about 1800 for the default five
};

struct PlotRequest {
    std::vector<Column> columns;       // empty: the five default panels
    std::optional<std::string> title;  // else the flight's file and how it ended, or the flights' names
    TimeRange range;                   // the rows were limited to it: the subtitle says so
    double tickRate = DEFAULT_TICK_RATE;
    PlotSize size;
};

// One flight as read: its name in the legend, what the reader said of the
// whole recording, and its series reduced for the columns the request plots.
struct PlottedFlight {
    std::string label;
    LogInfo info;
    const FlightSeries* series = nullptr;
};

// The series one flight needs for `request`, ready to take its rows.
FlightSeries seriesFor(const PlotRequest& request);

// The device for OUT.png, OUT.svg or OUT.pdf; PlotError (bad usage) for anything else.
const char* plotDevice(const std::string& output);

// Draws the flights over each other, time measured from each recording's start
// when there are several, and writes `output` whole or not at all (shown in
// messages as `shownName`, default `output`). Throws PlotError, files::OutputError.
void plotFlights(const std::vector<PlottedFlight>& flights, const PlotRequest& request, const std::string& output,
                 std::string_view shownName = {});

// One log already in memory, plotted alone.
void plotLog(const FlightLog& log, const std::string& output, double tickRate = DEFAULT_TICK_RATE, PlotSize size = {});

}  // namespace vorlat::flightlog
