// Running one of the program's commands: its full name as the user typed it
// ("vorlat log report") and its body run under the common guard, so a failure
// is one "vorlat log report: ..." line on stderr and the command's exit code.
#pragma once

#include <CLI/CLI.hpp>
#include <functional>
#include <string>

namespace vorlat::cli {

// "vorlat", "vorlat fly", "vorlat log summary".
std::string commandName(const CLI::App& command);

// Runs `body` through runCommand (common/command_error.h) under the command's
// name, and ends the parse with CLI::RuntimeError carrying the exit code when it failed.
void runGuarded(const CLI::App& command, const std::function<void()>& body);

}  // namespace vorlat::cli
