// `vorlat log report LOG... -o flight.html`: the flight report, one HTML page.
#pragma once

#include <CLI/CLI.hpp>

namespace vorlat::report {

void addReportCommand(CLI::App* log);

}  // namespace vorlat::report
