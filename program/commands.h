// The vorlat program's own subcommands. Each prints its failures on stderr and
// throws CLI::RuntimeError with the exit code: 2 for bad usage or bad input,
// 1 for any other failure.
#pragma once

#include <CLI/CLI.hpp>

namespace vorlat::cli {

void addFlyCommand(CLI::App& app);
void addInspectCommand(CLI::App& app);

}  // namespace vorlat::cli
