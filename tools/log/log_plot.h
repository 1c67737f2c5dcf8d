// Stacked time-series plots of a flight log, drawn with PLplot's cairo devices.
#pragma once

#include <stdexcept>
#include <string>
#include <vector>

#include "tools/log/flight_log.h"

namespace vorlat::flightlog {

// The output cannot be made: an unknown extension or a file that cannot be written.
class PlotError : public std::runtime_error {
public:
    PlotError(std::string message, bool badUsage) : std::runtime_error(std::move(message)), badUsage_(badUsage) {}
    bool badUsage() const { return badUsage_; }

private:
    bool badUsage_;
};

struct PlotSize {
    int width = 1400;  // pixels (PNG) or points (SVG, PDF)
    int height = 1800;
};

// The series' colours as (red, green, blue), so that tests can find them.
struct PlotColour {
    int r, g, b;
};
inline constexpr PlotColour PLOT_TAS{31, 119, 180};
inline constexpr PlotColour PLOT_IAS{255, 127, 14};
inline constexpr PlotColour PLOT_ALT{44, 160, 44};
inline constexpr PlotColour PLOT_CLIMB{148, 103, 189};
inline constexpr PlotColour PLOT_PITCH{31, 119, 180};
inline constexpr PlotColour PLOT_BANK{140, 86, 75};
inline constexpr PlotColour PLOT_AOA{227, 119, 194};
inline constexpr PlotColour PLOT_G{23, 100, 190};
inline constexpr PlotColour PLOT_HP{31, 119, 180};
inline constexpr PlotColour PLOT_THRUST{160, 160, 20};
inline constexpr PlotColour PLOT_PROP{148, 103, 189};
inline constexpr PlotColour PLOT_YELLOW_BAND{255, 215, 0};  // drawn at 30 % opacity
inline constexpr PlotColour PLOT_RED_BAND{230, 30, 30};
inline constexpr PlotColour PLOT_STALL{230, 30, 30};
inline constexpr double PLOT_BAND_ALPHA = 0.3;

// Keeps, of a line's points in time order, the first, lowest, highest and
// last of each slice of time, in their order: the line looks the same at a
// slice width below a pixel, and a million-row log makes a small file.
void thinForPlot(std::vector<double>& x, std::vector<double>& y, double start, double slice);

// Writes OUT.png, OUT.svg or OUT.pdf, chosen by the extension of `output`.
void plotLog(const FlightLog& log, const std::string& output, double tickRate = DEFAULT_TICK_RATE, PlotSize size = {});

}  // namespace vorlat::flightlog
