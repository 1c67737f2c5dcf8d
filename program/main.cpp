// vorlat: the stand-in host as a program. Flies the gauge module on a built-in
// flight or a recorded trace, presses its buttons, and pictures its panel.
// Here: the command tree (every command registers here), --version on every
// command, and one "vorlat CMD: ..." line with exit code 2 for every mistake
// on the command line. A command's own failures are its guard's (command_run.h).
#include <CLI/CLI.hpp>

#ifdef _WIN32
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>
#endif

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <iostream>
#include <optional>
#include <string>
#include <vector>

#include "common/command_error.h"
#include "common/nearest_name.h"
#include "common/output_files.h"
#include "common/printable.h"
#include "common/utf8_path.h"
#include "host/host.h"
#include "host/module_version.h"
#include "program/command_run.h"
#include "program/commands.h"
#include "program/log_commands.h"
#include "vorlat/version.h"

namespace {

namespace fs = std::filesystem;
using vorlat::EXIT_BAD_INPUT, vorlat::EXIT_FAILED, vorlat::cli::commandName;

#ifdef _WIN32
// The running program's file; empty when the system cannot tell.
fs::path programFile() {
    std::wstring name(MAX_PATH, L'\0');
    while (true) {
        const DWORD length = GetModuleFileNameW(nullptr, name.data(), static_cast<DWORD>(name.size()));
        if (length == 0) return {};
        if (length < name.size()) return fs::path(name.substr(0, length));
        name.resize(name.size() * 2);  // cut short: the path is longer than MAX_PATH
    }
}
void setVariable(const char* variable, const fs::path& value) { _putenv_s(variable, vorlat::utf8Of(value).c_str()); }
#else
fs::path programFile() {
    std::error_code error;
    fs::path program = fs::read_symlink("/proc/self/exe", error);
    return error ? fs::path() : program;
}
void setVariable(const char* variable, const fs::path& value) { setenv(variable, value.c_str(), 1); }
#endif

// An installed vorlat uses the module and resource script installed beside it,
// unless the environment names others; a build-tree vorlat has none beside it.
// On Windows the module lies in the program's own folder and holds its bitmaps.
void useInstalledModule() {
    const fs::path program = programFile();
    if (program.empty()) return;
    const auto useIfInstalled = [&program](const char* variable, const char* fromProgram) {
        const fs::path installed = (program.parent_path() / fromProgram).lexically_normal();
        std::error_code missing;
        const char* current = std::getenv(variable);
        if ((current == nullptr || *current == '\0') && fs::is_regular_file(installed, missing))
            setVariable(variable, installed);
    };
    useIfInstalled("VORLAT_MODULE", vorlat::build::INSTALLED_MODULE);
#ifndef _WIN32
    useIfInstalled("VORLAT_RESOURCE_SCRIPT", vorlat::build::INSTALLED_RESOURCE_SCRIPT);
#endif
}

std::string versionReport() {
    const std::string module = vorlat::defaultModulePath();
    std::string report = std::string("vorlat ") + vorlat::build::PROGRAM_VERSION + "\nmodule ";
    std::error_code error;
    if (!fs::is_regular_file(module, error)) return report + module + ": no such module file";
    try {
        return report + fs::path(module).filename().string() + " " +
               vorlat::moduleVersion(module, vorlat::defaultResourceScript()) + " (" + module + ")";
    } catch (const std::exception& problem) {
        return report + module + ": version unknown (" + problem.what() + ")";
    }
}

std::vector<const CLI::App*> allSubcommands(const CLI::App& command) {
    return command.get_subcommands([](const CLI::App*) { return true; });
}

void addVersionFlags(CLI::App& command) {
    command.set_version_flag("--version", versionReport, "Print the program's and the module's version and exit");
    for (CLI::App* sub : command.get_subcommands([](CLI::App*) { return true; })) addVersionFlags(*sub);
}

// The chain of commands the arguments named, from the program down.
std::vector<const CLI::App*> namedCommands(const CLI::App& program) {
    std::vector<const CLI::App*> chain{&program};
    while (!chain.back()->get_subcommands().empty()) chain.push_back(chain.back()->get_subcommands().front());
    return chain;
}

std::vector<std::string> subcommandNames(const CLI::App& command) {
    std::vector<std::string> names;
    for (const CLI::App* sub : allSubcommands(command)) names.push_back(sub->get_name());
    return names;
}

std::vector<std::string> optionNames(const CLI::App& command) {
    std::vector<std::string> names;
    for (const CLI::Option* option : command.get_options()) {
        for (const std::string& name : option->get_lnames()) names.push_back("--" + name);
        for (const std::string& name : option->get_snames()) names.push_back("-" + name);
    }
    return names;
}

// "a, b or c" with the conjunction " or ".
std::string joined(const std::vector<std::string>& names, const std::string& conjunction) {
    std::string text;
    for (std::size_t i = 0; i < names.size(); ++i)
        text += (i == 0 ? "" : i + 1 == names.size() ? conjunction : ", ") + names[i];
    return text;
}

std::string suggestion(std::string_view typed, const std::vector<std::string>& names) {
    const auto meant = vorlat::likelyMeant(typed, names);
    return meant ? "; did you mean \"" + *meant + "\"?" : std::string();
}

// An option of a subcommand typed before it: "vorlat --out x fly".
std::optional<std::string> misplacedOption(const CLI::App& command, const std::string& typed) {
    for (const CLI::App* sub : allSubcommands(command)) {
        const std::vector<std::string> theirs = optionNames(*sub);
        if (std::find(theirs.begin(), theirs.end(), typed) != theirs.end())
            return "unknown option " + vorlat::printable(typed) + ": options come after their command, as in \"" +
                   commandName(*sub) + " " + typed + "\"";
    }
    return std::nullopt;
}

// What is wrong with an argument the command did not take.
std::string unexpectedArgument(const CLI::App& command, const std::string& argument) {
    if (argument.size() > 1 && argument.front() == '-') {
        const std::string typed = argument.substr(0, argument.find('='));
        if (auto misplaced = misplacedOption(command, typed)) return *misplaced;
        // No guess for a single letter: every other letter is one step from it.
        const std::string hint = typed.starts_with("--") ? suggestion(typed, optionNames(command)) : std::string();
        return "unknown option " + vorlat::printable(typed) +
               (hint.empty() ? " (" + commandName(command) + " --help lists them)" : hint);
    }
    const std::vector<std::string> commands = subcommandNames(command);
    if (commands.empty()) return "unexpected argument " + vorlat::printable(argument);
    const std::string hint = suggestion(argument, commands);
    return "unknown command " + vorlat::printable(argument) +
           (hint.empty() ? "; the commands are " + joined(commands, " and ") : hint);
}

// CLI11's words for a value it could not convert ("Could not convert: --rate = abc")
// or an option given no value ("--png: 1 required TEXT missing"), in ours.
std::optional<std::string> valueProblem(const CLI::App& command, const CLI::ParseError& error) {
    const std::string text = error.what();
    static const std::string NOT_CONVERTED = "Could not convert: ";
    if (error.get_name() == "ConversionError" && text.starts_with(NOT_CONVERTED)) {
        const std::size_t equals = text.find(" = ", NOT_CONVERTED.size());
        if (equals == std::string::npos) return std::nullopt;
        const std::string name = text.substr(NOT_CONVERTED.size(), equals - NOT_CONVERTED.size());
        const CLI::Option* option = command.get_option_no_throw(name);
        const std::string type = option ? option->get_type_name() : std::string();
        const std::string expected = type == "FLOAT" ? "a number" : type == "INT" ? "a whole number" : "a valid value";
        return name + ": " + vorlat::printable(text.substr(equals + 3)) + " is not " + expected;
    }
    if (error.get_name() == "ArgumentMismatch" && text.ends_with(" missing")) {
        const std::string name = text.substr(0, text.find(':'));
        if (command.get_option_no_throw(name) != nullptr) return name + " needs a value";
    }
    return std::nullopt;
}

// The line for a command-line mistake: the first argument a command did not
// take, else the parser's own words, after the name of the command at fault.
std::string usageMessage(const CLI::App& program, const CLI::ParseError& error) {
    const std::vector<const CLI::App*> chain = namedCommands(program);
    for (const CLI::App* command : chain) {
        const std::vector<std::string> leftOver = command->remaining(false);
        if (!leftOver.empty()) return commandName(*command) + ": " + unexpectedArgument(*command, leftOver.front());
    }
    const CLI::App& reached = *chain.back();
    if (error.get_name() == "RequiredError" && reached.get_require_subcommand_min() > 0 &&
        reached.get_subcommands().empty())
        return commandName(reached) + ": a command is required: " + joined(subcommandNames(reached), " or ") + " (" +
               commandName(reached) + " --help for more)";
    return commandName(reached) + ": " + valueProblem(reached, error).value_or(error.what());
}

// --help and --version: their text on standard output, which must take it all.
int showHelpOrVersion(const CLI::App& program, const CLI::Success& request) {
    const int status = program.exit(request);
    try {
        vorlat::files::finishStandardOutput();
    } catch (const vorlat::files::OutputError& failure) {
        std::cerr << "vorlat: " << vorlat::terminalText(failure.what()) << '\n';
        return EXIT_FAILED;
    }
    return status;
}

int runProgram(CLI::App& program, int argc, char** argv) {
    try {
        program.parse(argc, argv);
        return vorlat::EXIT_OK;
    } catch (const CLI::Success& request) {
        return showHelpOrVersion(program, request);
    } catch (const CLI::RuntimeError& failed) {
        return failed.get_exit_code();  // a command that failed has said why already
    } catch (const CLI::ParseError& mistake) {
        std::cerr << vorlat::terminalText(usageMessage(program, mistake)) << '\n';
        return EXIT_BAD_INPUT;
    } catch (const std::exception& problem) {
        std::cerr << "vorlat: " << vorlat::terminalText(problem.what()) << '\n';
        return EXIT_FAILED;
    }
}

}  // namespace

int main(int argc, char** argv) {
    vorlat::files::prepareStandardStreams();
    useInstalledModule();
    CLI::App program{"Runs the ZEK.vorlat gauge module in the stand-in host: fly it, inspect it, read its logs.",
                     "vorlat"};
    program.require_subcommand(1);
    vorlat::cli::addFlyCommand(program);
    vorlat::cli::addInspectCommand(program);
    addLogCommands(program);
    addVersionFlags(program);
    return runProgram(program, argc, argv);
}
