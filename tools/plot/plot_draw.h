// The figure itself, drawn with PLplot on its current stream: the title, the
// panels of lines, and the strip of marks along the time axis. Used by
// log_plot.cpp inside the child process that owns PLplot.
#pragma once

#include <cstddef>
#include <vector>

#include "tools/plot/log_plot.h"

namespace vorlat::flightlog {

// The page height the panels and flights need at the default width.
int figureHeight(const PlotRequest& request, std::size_t flights);

// Before plinit: the colour map of every pen the figure uses.
void definePlotPens();

// After plinit: the whole figure on one page of `width` by `height` units.
void drawFigure(const std::vector<PlottedFlight>& flights, const PlotRequest& request, int width, int height);

}  // namespace vorlat::flightlog
