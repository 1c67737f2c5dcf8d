// `vorlat log plot LOG... -o OUT`: the flights' stacked time-series plots.
#pragma once

#include <CLI/CLI.hpp>

namespace vorlat::flightlog {

// Adds the plot subcommand to `vorlat log`.
void addPlotCommand(CLI::App* log);

}  // namespace vorlat::flightlog
