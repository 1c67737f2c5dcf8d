// The `log` command on its own, handled as the vorlat program's main handles
// it, so the tests can run it as a process and see its exit codes.
#include <CLI/CLI.hpp>

#include "program/log_commands.h"

int main(int argc, char** argv) {
    CLI::App app{"log command driver"};
    addLogCommands(app);
    try {
        app.parse(argc, argv);
    } catch (const CLI::ParseError& e) {
        const int code = app.exit(e);
        // Usage errors of the parser itself count as bad usage.
        return code == 0 || e.get_name() == "RuntimeError" ? code : 2;
    }
    return 0;
}
