// The user's files and terminal through the real program, by shell command
// lines (standard input redirected or piped): an output never replaces an
// input read on standard input, frames never delete or overwrite another
// file, two flights never share a folder, an interrupted replay leaves no
// scratch folder, and no message carries a raw control byte or invalid UTF-8.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <string>

#include "tests/cli/run_program.h"

namespace vorlat {
namespace {

namespace fs = std::filesystem;
using test::Outcome;

#define SHORT_LOG VORLAT_SOURCE_DIR "/tests/fuzz/corpus/log/real-60s.log"

// Runs `commandLine` with sh in the current folder; "VORLAT" stands for the program.
Outcome runShell(std::string commandLine) {
    for (std::size_t at; (at = commandLine.find("VORLAT")) != std::string::npos;)
        commandLine.replace(at, 6, std::string("'") + VORLAT_PROGRAM_PATH + "'");
    const std::string command = "(" + commandLine + ") >program.out 2>program.err";
    const int status = std::system(command.c_str());
    Outcome outcome;
    outcome.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    outcome.out = test::readFile("program.out");
    outcome.err = test::readFile("program.err");
    fs::remove("program.out");
    fs::remove("program.err");
    return outcome;
}

bool contains(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

void copyLog(const fs::path& to) {
    if (to.has_parent_path()) fs::create_directories(to.parent_path());
    fs::copy_file(SHORT_LOG, to);
}
void logX() { copyLog("X"); }
void logXAndLink() {
    copyLog("X");
    fs::create_symlink("X", "Xl");
}
void traceIn() { test::writeFile("in.csv", "time,altitude_m\n0,1000\n60,1000\n"); }
void logInFrames() { copyLog("fr/frame_000001.png"); }
void emptyFrames() { fs::create_directory("fr"); }

// --- Same-file and deletion cases -----------------------------------------------------
struct KeepCase {
    const char* name;
    void (*prepare)();
    const char* command;  // "VORLAT" is the program
    int exitCode;
    const char* message;  // a part of stderr; "" for an empty stderr
    const char* kept;     // this file still holds the short log (or the trace, for in.csv)
};

class KeepsTheUsersFiles : public ::testing::TestWithParam<KeepCase> {};

TEST_P(KeepsTheUsersFiles, InputsAndOtherOutputsStay) {
    const KeepCase& test = GetParam();
    const test::ScratchFolder work;
    const test::CurrentFolderScope inWork(work.path());
    test.prepare();
    const std::string before = test::readFile(test.kept);
    ASSERT_FALSE(before.empty());
    const Outcome outcome = runShell(test.command);
    EXPECT_EQ(outcome.exitCode, test.exitCode) << outcome.err;
    if (*test.message == '\0') EXPECT_EQ(outcome.err, "");
    else EXPECT_TRUE(contains(outcome.err, test.message)) << outcome.err;
    EXPECT_EQ(test::readFile(test.kept), before) << test.kept;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, KeepsTheUsersFiles,
    ::testing::Values(
        KeepCase{"CsvOverStandardInput", logX, "VORLAT log csv - -o X < X", 2,
                 "vorlat log csv: -o X and log standard input are the same file: writing would destroy the input\n",
                 "X"},
        KeepCase{"ReportOverStandardInput", logX, "VORLAT log report - -o X < X", 2,
                 "vorlat log report: -o X and log standard input are the same file", "X"},
        KeepCase{"StandardInputByALink", logXAndLink, "VORLAT log csv - -o X < Xl", 2,
                 "-o X and log standard input are the same file", "X"},
        KeepCase{"APipeStillWorks", logX, "cat X | VORLAT log csv - -o out.csv", 0, "", "X"},
        KeepCase{"TranscriptOverTheTraceOnStandardInput", traceIn,
                 "VORLAT fly --out . --duration 1 --trace - --transcript in.csv < in.csv", 2,
                 "--transcript in.csv and --trace standard input are the same file", "in.csv"},
        KeepCase{"ReplayForceNeverDeletesAnInputFrame", logInFrames,
                 "VORLAT log replay fr/frame_000001.png --frames fr --force", 2,
                 "vorlat log replay: log fr/frame_000001.png lies in --frames fr under a frame's name: a frame "
                 "would destroy the input\n",
                 "fr/frame_000001.png"},
        KeepCase{"FlyFrameNeverOverwritesTheTranscript", logX,
                 "VORLAT fly --out . --duration 1 --frames fr --transcript fr/frame_000001.png", 2,
                 "vorlat fly: --transcript fr/frame_000001.png lies in --frames fr under a frame's name: a frame "
                 "would overwrite it\n",
                 "X"},
        KeepCase{"ReplayFrameNeverOverwritesAPicture", emptyFrames,
                 "VORLAT log replay " SHORT_LOG
                 " --frames fr --png-at 1:fr/frame_000003.png",
                 2, "--png-at fr/frame_000003.png lies in --frames fr under a frame's name", SHORT_LOG}),
    [](const ::testing::TestParamInfo<KeepCase>& param) { return std::string(param.param.name); });

// --- Terminal escaping ------------------------------------------------------------------
// No byte below 0x20 but the line break, no DEL, and only valid UTF-8.
bool terminalSafe(const std::string& text) {
    for (std::size_t i = 0; i < text.size(); ++i) {
        const auto c = static_cast<unsigned char>(text[i]);
        if ((c < 0x20 && c != '\n') || c == 0x7F) return false;
        if (c < 0x80) continue;
        std::size_t length = c >= 0xF0 ? 4 : c >= 0xE0 ? 3 : c >= 0xC2 ? 2 : 0;
        if (length == 0 || i + length > text.size()) return false;
        for (std::size_t k = 1; k < length; ++k)
            if ((static_cast<unsigned char>(text[i + k]) & 0xC0) != 0x80) return false;
        i += length - 1;
    }
    return true;
}

// A name with an escape sequence that clears the screen, a BEL and a byte of invalid UTF-8.
#define EVIL "x\x1b[2J\x07\xff"
#define EVIL_SHOWN "x\\x1b[2J\\x07\\xff"

void evilLog() { copyLog(EVIL ".log"); }
void evilTrace() { test::writeFile("t.csv", "time,alt" EVIL "\n0,1\n"); }
void noFiles() {}

struct EscapeCase {
    const char* name;
    void (*prepare)();
    const char* command;  // "VORLAT" is the program
    const char* shown;    // the escaped name, on stderr or stdout
};

class EscapesUserBytes : public ::testing::TestWithParam<EscapeCase> {};

TEST_P(EscapesUserBytes, OnStderrAndStdout) {
    const EscapeCase& test = GetParam();
    const test::ScratchFolder work;
    const test::CurrentFolderScope inWork(work.path());
    test.prepare();
    const Outcome outcome = runShell(test.command);
    EXPECT_TRUE(terminalSafe(outcome.err)) << outcome.err;
    EXPECT_TRUE(terminalSafe(outcome.out)) << outcome.out;
    EXPECT_TRUE(contains(outcome.err + outcome.out, test.shown)) << outcome.err << outcome.out;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, EscapesUserBytes,
    ::testing::Values(
        EscapeCase{"FlyPngAtPastTheEnd", noFiles, "VORLAT fly --duration 1 --png-at '100:" EVIL ".png'", EVIL_SHOWN},
        EscapeCase{"FlyPngInAMissingFolder", noFiles, "VORLAT fly --duration 1 --png 'no" EVIL "/p.png'",
                   EVIL_SHOWN},
        EscapeCase{"FlyWrotePicture", noFiles, "VORLAT fly --duration 1 --png '" EVIL ".png'", EVIL_SHOWN},
        EscapeCase{"FlyMissingTrace", noFiles, "VORLAT fly --trace '" EVIL ".csv'", EVIL_SHOWN},
        EscapeCase{"FlyTraceHeader", evilTrace, "VORLAT fly --trace t.csv", "alt" EVIL_SHOWN},
        EscapeCase{"FlyOutputFolder", noFiles, "echo x > f; VORLAT fly --out 'f/" EVIL "'", EVIL_SHOWN},
        EscapeCase{"LogMissingFile", noFiles, "VORLAT log csv '" EVIL ".log'", EVIL_SHOWN},
        EscapeCase{"LogOutputInAMissingFolder", noFiles, "VORLAT log csv " SHORT_LOG " -o 'no" EVIL "/x.csv'",
                   EVIL_SHOWN},
        EscapeCase{"SummaryFileLine", evilLog, "VORLAT log summary '" EVIL ".log'", EVIL_SHOWN},
        EscapeCase{"ReplayPngAt", noFiles, "VORLAT log replay " SHORT_LOG " --png-at '1:no" EVIL "/x.png'",
                   EVIL_SHOWN},
        EscapeCase{"TickRateValue", noFiles, "VORLAT log summary " SHORT_LOG " --tick-rate '1" EVIL "'", EVIL_SHOWN},
        EscapeCase{"PlotOutput", noFiles, "VORLAT log plot " SHORT_LOG " -o 'no" EVIL "/p.png'", EVIL_SHOWN},
        EscapeCase{"ReportOutput", noFiles, "VORLAT log report " SHORT_LOG " -o 'no" EVIL "/r.html'", EVIL_SHOWN}),
    [](const ::testing::TestParamInfo<EscapeCase>& param) { return std::string(param.param.name); });

// --- One flight at a time per folder ------------------------------------------------------
// Starts `arguments` in the background with stdout and stderr to files; returns its pid.
pid_t startProgram(const std::string& arguments) {
    const pid_t child = fork();
    if (child == 0) {
        const std::string command = std::string("exec '") + VORLAT_PROGRAM_PATH + "' " + arguments +
                                    " >first.out 2>first.err </dev/null";
        execl("/bin/sh", "sh", "-c", command.c_str(), static_cast<char*>(nullptr));
        _exit(127);
    }
    return child;
}

// Waits until `file` exists or the child ended; true when the file appeared first.
bool waitForFile(const fs::path& file, pid_t child) {
    for (;;) {
        if (fs::exists(file)) return true;
        int status = 0;
        if (waitpid(child, &status, WNOHANG) == child) return fs::exists(file);
        usleep(10000);
    }
}

// The first flight records from 0 s for a simulated day; once its log exists it
// holds the folder, and a second flight into it fails at once, naming it.
TEST(FlyLock, ASecondFlightIntoTheSameFolderFails) {
    const test::ScratchFolder work;
    const test::CurrentFolderScope inWork(work.path());
    const pid_t first = startProgram("fly --out run --duration 86400 --no-flight-presses --press 0:record");
    ASSERT_GT(first, 0);
    ASSERT_TRUE(waitForFile("run/data_log.txt", first)) << test::readFile("first.err");
    const Outcome second = runShell("VORLAT fly --out run --duration 1 --force");
    kill(first, SIGTERM);
    int status = 0;
    waitpid(first, &status, 0);
    EXPECT_EQ(second.exitCode, 1) << second.err;
    EXPECT_EQ(second.err,
              "vorlat fly: run: another vorlat fly is writing into this output folder; wait for it to end or choose "
              "another --out\n");
    // The lock went with the first process: the folder takes a flight again.
    EXPECT_EQ(runShell("VORLAT fly --out run --duration 1 --force").exitCode, 0);
}

// --- An interrupted replay leaves no scratch folder -------------------------------------
class InterruptedReplay : public ::testing::TestWithParam<int> {};

TEST_P(InterruptedReplay, LeavesNoScratchFolder) {
    const test::ScratchFolder work;
    const test::CurrentFolderScope inWork(work.path());
    fs::create_directory("tmp");
    setenv("TMPDIR", (work / "tmp").c_str(), 1);
    const pid_t replay = startProgram("log replay " SHORT_LOG " --frames fr");
    unsetenv("TMPDIR");
    ASSERT_GT(replay, 0);
    ASSERT_TRUE(waitForFile("fr/frame_000002.png", replay)) << test::readFile("first.err");
    kill(replay, GetParam());
    int status = 0;
    ASSERT_EQ(waitpid(replay, &status, 0), replay);
    EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == GetParam()) << status;
    for (const auto& entry : fs::directory_iterator("tmp")) ADD_FAILURE() << "left behind: " << entry.path();
}

INSTANTIATE_TEST_SUITE_P(Signals, InterruptedReplay, ::testing::Values(SIGINT, SIGTERM, SIGHUP),
                         [](const ::testing::TestParamInfo<int>& param) {
                             return std::string(sigabbrev_np(param.param));
                         });

}  // namespace
}  // namespace vorlat
