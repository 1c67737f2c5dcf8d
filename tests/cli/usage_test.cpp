// The command line through the built program: one "vorlat CMD: ..." line and
// exit code 2 for every mistake, with the nearest valid name suggested;
// --version on every command; and an installed program finding its module.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "host/host.h"
#include "host/module_version.h"
#include "tests/cli/run_program.h"
#include "vorlat/version.h"

namespace vorlat {
namespace {

namespace fs = std::filesystem;

struct UsageCase {
    const char* name;
    const char* arguments;
    const char* message;  // stderr in full
};

class UsageErrors : public ::testing::TestWithParam<UsageCase> {};

TEST_P(UsageErrors, OneLineExitTwoAndNothingWritten) {
    const UsageCase& mistake = GetParam();
    const test::ScratchFolder work;
    const test::CurrentFolderScope inWork(work.path());
    const test::Outcome outcome = test::runProgram(mistake.arguments);
    EXPECT_EQ(outcome.exitCode, 2);
    EXPECT_EQ(outcome.err, mistake.message);
    EXPECT_EQ(outcome.out, "");
    EXPECT_TRUE(fs::is_empty(work.path()));
}

INSTANTIATE_TEST_SUITE_P(
    Cases, UsageErrors,
    ::testing::Values(
        UsageCase{"NoCommand", "", "vorlat: a command is required: fly, inspect or log (vorlat --help for more)\n"},
        UsageCase{"MistypedCommand", "flye", "vorlat: unknown command \"flye\"; did you mean \"fly\"?\n"},
        UsageCase{"SwappedLetters", "lgo summary x", "vorlat: unknown command \"lgo\"; did you mean \"log\"?\n"},
        UsageCase{"NoCommandNear", "nonsense",
                  "vorlat: unknown command \"nonsense\"; the commands are fly, inspect and log\n"},
        UsageCase{"MistypedLogCommand", "log summry x",
                  "vorlat log: unknown command \"summry\"; did you mean \"summary\"?\n"},
        UsageCase{"MistypedOption", "fly --pngg x", "vorlat fly: unknown option \"--pngg\"; did you mean \"--png\"?\n"},
        UsageCase{"MistypedOptionWithValue", "fly --tracee=a.csv",
                  "vorlat fly: unknown option \"--tracee\"; did you mean \"--trace\"?\n"},
        UsageCase{"NoOptionNear", "fly --fast",
                  "vorlat fly: unknown option \"--fast\" (vorlat fly --help lists them)\n"},
        UsageCase{"UnknownLetter", "fly -x", "vorlat fly: unknown option \"-x\" (vorlat fly --help lists them)\n"},
        UsageCase{"OptionBeforeTheCommand", "--out x fly",
                  "vorlat: unknown option \"--out\": options come after their command, as in \"vorlat fly --out\"\n"},
        UsageCase{"ExtraArgument", "inspect extra", "vorlat inspect: unexpected argument \"extra\"\n"},
        UsageCase{"SecondLogFile", "log replay a.txt b.txt", "vorlat log replay: unexpected argument \"b.txt\"\n"},
        UsageCase{"EscapeBytes", "fly \"$(printf '\\033[2J')\"", "vorlat fly: unexpected argument \"\\x1b[2J\"\n"},
        UsageCase{"NotANumber", "fly --rate abc", "vorlat fly: --rate: \"abc\" is not a number\n"},
        UsageCase{"NotAWholeNumber", "fly --every 1.5", "vorlat fly: --every: \"1.5\" is not a whole number\n"},
        UsageCase{"NoValue", "fly --png", "vorlat fly: --png needs a value\n"},
        UsageCase{"MissingLogFile", "log summary", "vorlat log summary: FILE is required\n"},
        UsageCase{"TraceIsAFolder", "fly --trace /", "vorlat fly: /: a folder, not a trace file\n"},
        UsageCase{"AbsurdPressTime", "fly --press 99999999:record",
                  "vorlat fly: --press 99999999.00 s record: the flight ends at 234 s\n"},
        UsageCase{"PressTimeInAnotherSyntax", "fly --press 1e300:record",
                  "vorlat fly: \"1e300:record\": the time \"1e300\" has a field that is not a whole number; "
                  "expected seconds (140, 140.5), m:ss (2:20) or h:mm:ss (1:02:20)\n"}),
    [](const ::testing::TestParamInfo<UsageCase>& param) { return std::string(param.param.name); });

// A trace the system cannot read is a failure of the system (1), not bad input.
TEST(TraceReadFailure, ExitsOneAndSaysSo) {
    const test::ScratchFolder work;
    const test::CurrentFolderScope inWork(work.path());
    const test::Outcome outcome = test::runProgram("fly --trace /proc/self/mem --out .");
    EXPECT_EQ(outcome.exitCode, 1);
    EXPECT_EQ(outcome.err, "vorlat fly: /proc/self/mem: reading failed\n");
}

// The module's version resource says the same version as the program.
TEST(Version, EveryCommandPrintsTheProgramAndModuleVersions) {
    const test::ScratchFolder work;
    const test::CurrentFolderScope inWork(work.path());
    const std::string expected = std::string("vorlat ") + build::PROGRAM_VERSION + "\nmodule ZEK.vorlat.gau " +
                                 build::PROGRAM_VERSION + ".0 (" + defaultModulePath() + ")\n";
    for (const char* command : {"", "fly", "inspect", "log", "log summary", "log csv", "log plot", "log replay"}) {
        const test::Outcome outcome = test::runProgram(std::string(command) + " --version");
        EXPECT_EQ(outcome.exitCode, 0) << command;
        EXPECT_EQ(outcome.out, expected) << command;
        EXPECT_EQ(outcome.err, "") << command;
    }
}

TEST(Version, AFullStandardOutputIsAFailure) {
    const test::ScratchFolder work;
    const test::CurrentFolderScope inWork(work.path());
    for (const char* arguments : {"--version", "fly --help"}) {
        const test::Outcome outcome = test::runProgram(arguments, "/dev/full");
        EXPECT_EQ(outcome.exitCode, 1) << arguments;
        EXPECT_NE(outcome.err.find("standard output"), std::string::npos) << outcome.err;
    }
}

TEST(Version, ReadFromTheResourceScript) {
    const struct {
        const char* script;
        const char* version;  // empty: none found
    } cases[] = {
        {"1 VERSIONINFO\nFILEVERSION 1,2,3,4\nPRODUCTVERSION 9,9,9,9\n", "1.2.3.4"},
        {"PRODUCTVERSION 9,9,9,9\r\n  FILEVERSION 2, 0 ,1,\t7\r\n", "2.0.1.7"},
        {"FILEVERSION 1,0,0\n", ""},
        {"// FILEVERSION 1,0,0,0\n", ""},
    };
    for (const auto& c : cases) EXPECT_EQ(versionFromScript(c.script), c.version) << c.script;
}

// The installed layout: PREFIX/bin/vorlat, PREFIX/lib/vorlat/ZEK.vorlat.gau and
// PREFIX/share/vorlat/gauge.rc. The installed script here carries its own version,
// so the output shows which script the program read.
TEST(Installed, FindsTheModuleAndResourceScriptBesideIt) {
    const test::ScratchFolder prefix;
    const fs::path program = prefix.path() / "bin" / "vorlat";
    const fs::path module = (program.parent_path() / build::INSTALLED_MODULE).lexically_normal();
    const fs::path script = (program.parent_path() / build::INSTALLED_RESOURCE_SCRIPT).lexically_normal();
    for (const fs::path& file : {program, module, script}) fs::create_directories(file.parent_path());
    fs::copy_file(VORLAT_PROGRAM_PATH, program);
    fs::copy_file(defaultModulePath(), module);
    test::writeFile(script, "1 VERSIONINFO\nFILEVERSION 9,8,7,6\n");
    const fs::path out = prefix.path() / "version.txt";
    const std::string command = "env -u VORLAT_MODULE -u VORLAT_RESOURCE_SCRIPT '" + program.string() +
                                "' --version >'" + out.string() + "'";
    ASSERT_EQ(std::system(command.c_str()), 0);
    EXPECT_NE(test::readFile(out).find(" 9.8.7.6 (" + module.string() + ")\n"), std::string::npos)
        << test::readFile(out);
}

}  // namespace
}  // namespace vorlat
