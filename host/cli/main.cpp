// vorlat: the stand-in host as a program. Flies the gauge module on a built-in
// flight or a recorded trace, presses its buttons, and pictures its panel.
#include <CLI/CLI.hpp>

#include "host/cli/commands.h"
#include "host/render/panel_renderer.h"
#ifdef VORLAT_HAVE_LOG_COMMANDS
#include "tools/log/log_commands.h"
#endif

namespace {
constexpr int EXIT_BAD_USAGE = 2;
}

int main(int argc, char** argv) {
    CLI::App app{"Runs the ZEK.vorlat gauge module in the stand-in host: fly it, inspect it, read its logs.", "vorlat"};
    app.require_subcommand(1);
    vorlat::cli::addFlyCommand(app);
    vorlat::cli::addInspectCommand(app);
#ifdef VORLAT_HAVE_LOG_COMMANDS
    addLogCommands(app);
#endif
    int status = 0;
    try {
        app.parse(argc, argv);
    } catch (const CLI::Success& e) {
        status = app.exit(e);  // --help
    } catch (const CLI::RuntimeError& e) {
        status = e.get_exit_code();  // a command that failed has said why already
    } catch (const CLI::ParseError& e) {
        app.exit(e);
        status = EXIT_BAD_USAGE;
    }
    vorlat::render::releaseFontCaches();
    return status;
}
