#include "program/command_run.h"

#include "common/command_error.h"

namespace vorlat::cli {

std::string commandName(const CLI::App& command) {
    const CLI::App* parent = command.get_parent();
    return parent == nullptr ? std::string("vorlat") : commandName(*parent) + " " + command.get_name();
}

void runGuarded(const CLI::App& command, const std::function<void()>& body) {
    if (const int status = runCommand(commandName(command), body); status != EXIT_OK) throw CLI::RuntimeError(status);
}

}  // namespace vorlat::cli
