// The vorlat program's fly and inspect commands. Each runs under the common
// guard (command_run.h): a failure is one line on stderr and CLI::RuntimeError
// with the exit code, 2 for bad usage or bad input, 1 for any other failure.
#pragma once

#include <CLI/CLI.hpp>

namespace vorlat::cli {

void addFlyCommand(CLI::App& app);
void addInspectCommand(CLI::App& app);

}  // namespace vorlat::cli
