// The `vorlat log` command and its subcommands: summary, csv, plot, replay, report.
//
// A subcommand that fails prints "vorlat log SUBCOMMAND: ..." on stderr and
// throws CLI::RuntimeError with the exit code (2: bad usage or a file that is
// not a flight log; 1: any other failure), so main's usual
// `catch (const CLI::ParseError& e) { return app.exit(e); }` returns that code.
#pragma once

#include <CLI/CLI.hpp>

void addLogCommands(CLI::App& app);
