// The one place where a command's failure becomes its message and exit code.
#include <iostream>

#include "common/command_error.h"
#include "common/printable.h"

namespace vorlat {

// Every message passes here: whatever user bytes it carries reach the terminal escaped.
void warn(std::string_view command, std::string_view text) {
    std::cerr << terminalText(command) << ": " << terminalText(text) << '\n';
}

int runCommand(std::string_view command, const std::function<void()>& body) {
    try {
        body();
        return EXIT_OK;
    } catch (const CommandError& failure) {
        if (*failure.what() != '\0') warn(command, failure.what());
        return failure.exitCode();
    } catch (const std::exception& failure) {
        warn(command, failure.what());
        return EXIT_FAILED;
    }
}

}  // namespace vorlat
