// The built program: exit codes, messages on stderr, and that bad input
// writes nothing.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <string_view>

#include "host/flight/builtin_flight.h"
#include "tests/cli/run_program.h"

namespace vorlat {
namespace {

namespace fs = std::filesystem;

using test::Outcome, test::pngSize, test::runProgram;

bool directoryIsEmpty(const fs::path& directory) { return fs::is_empty(directory); }

TEST(Program, HelpOnEveryCommand) {
    const test::ScratchFolder work;
    const test::CurrentFolderScope inWork(work.path());
    for (const char* arguments : {"--help", "fly --help", "inspect --help"}) {
        const Outcome outcome = runProgram(arguments);
        EXPECT_EQ(outcome.exitCode, 0) << arguments;
        EXPECT_NE(outcome.out.find("Usage:"), std::string::npos) << arguments;
    }
    EXPECT_TRUE(directoryIsEmpty(work.path()));
}

TEST(Program, DefaultFlightWritesTheLogAndThePicture) {
    const test::ScratchFolder work;
    const test::CurrentFolderScope inWork(work.path());
    const Outcome outcome = runProgram("fly --out out --png panel.png --scale 2");
    ASSERT_EQ(outcome.exitCode, 0) << outcome.err;
    EXPECT_EQ(outcome.err, "") << "silent when stderr is no terminal";
    const std::string log = test::readFile("out/data_log.txt");
    EXPECT_EQ(log.rfind("Recording Enabled\r\n", 0), 0u);
    EXPECT_TRUE(log.ends_with("End recording\r\n"));
    EXPECT_EQ(pngSize("out/panel.png"), std::make_pair(436 * 2, 85 * 2)) << "relative to --out";
    EXPECT_NE(outcome.out.find("\nwrote: out/panel.png\n"), std::string::npos) << outcome.out;
    // Updates at 0, 1/18, ... up to the script's end, inclusive.
    const auto updates = static_cast<int>(flight::script::END * 18) + 1;
    EXPECT_NE(outcome.out.find("flew " + std::to_string(updates) + " updates"), std::string::npos) << outcome.out;
}

TEST(Program, ReportsOnlyALogThisRunWrote) {
    const test::ScratchFolder work;
    const test::CurrentFolderScope inWork(work.path());
    std::filesystem::create_directory("out");
    test::writeFile("out/data_log.txt", "an earlier run's log\r\n");
    const Outcome outcome = runProgram("fly --out out --duration 1 --force");
    ASSERT_EQ(outcome.exitCode, 0) << outcome.err;
    EXPECT_EQ(outcome.out.find("log:"), std::string::npos) << outcome.out;
    EXPECT_EQ(test::readFile("out/data_log.txt"), "an earlier run's log\r\n");
}

// The log's line names it as the user named the folder, dots resolved, relative when --out was.
TEST(Program, NamesTheLogAsTheOutFolderWasGiven) {
    const struct {
        const char* out;
        const char* shown;
    } cases[] = {
        {.out = ".", .shown = "data_log.txt"},
        {.out = "./run/.", .shown = "run/data_log.txt"},
        {.out = "run/../other/", .shown = "other/data_log.txt"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.out);
        const test::ScratchFolder work;
        const test::CurrentFolderScope inWork(work.path());
        const Outcome outcome =
            runProgram(std::string("fly --out ") + c.out + " --duration 1 --no-flight-presses --press 0:record");
        ASSERT_EQ(outcome.exitCode, 0) << outcome.err;
        EXPECT_TRUE(outcome.out.find(std::string("\nlog: ") + c.shown + " (") != std::string::npos) << outcome.out;
    }
}

TEST(Program, PicturesAtTimesAndFrames) {
    const test::ScratchFolder work;
    const test::CurrentFolderScope inWork(work.path());
    const Outcome outcome =
        runProgram("fly --duration 2 --png-at 1:one.png --frames frames --every 9 --scale 1 --out out");
    ASSERT_EQ(outcome.exitCode, 0) << outcome.err;
    EXPECT_EQ(pngSize("out/one.png"), std::make_pair(436, 85));
    // 37 updates (0 to 2 s at 18 a second), one frame every 9: updates 0, 9, 18, 27, 36.
    int frames = 0;
    for (const auto& entry : fs::directory_iterator("out/frames")) frames += entry.path().extension() == ".png";
    EXPECT_EQ(frames, 5);
    EXPECT_TRUE(fs::exists("out/frames/frame_000005.png"));
    EXPECT_FALSE(fs::exists("out/data_log.txt")) << "the flight's first press comes later";
}

TEST(Program, PressesAtPointsGoThroughTheMouseAreas) {
    const test::ScratchFolder work;
    const test::CurrentFolderScope inWork(work.path());
    const Outcome outcome =
        runProgram("fly --no-flight-presses --duration 3 --press 0.5:56,10 --press 1:61,4 --press 2.5:51,4 --out out");
    ASSERT_EQ(outcome.exitCode, 0) << outcome.err;
    EXPECT_EQ(outcome.err, "vorlat fly: the press 1.00 s (61,4) reached no button\n");
    const std::string log = test::readFile("out/data_log.txt");
    EXPECT_EQ(log.rfind("Recording Enabled\r\n", 0), 0u);
    EXPECT_TRUE(log.ends_with("End recording\r\n"));
}

TEST(Program, TraceReplayFeedsTheModule) {
    const test::ScratchFolder work;
    const test::CurrentFolderScope inWork(work.path());
    test::writeFile("flight.csv",
                    "time,altitude_m,tas_word,ias_word,throttle_word\n"
                    "0,1000,22222,20000,16383\n"
                    "2,1000,,,\n");
    const Outcome outcome = runProgram("fly --trace flight.csv --press 0:record --out out --transcript t.tsv");
    ASSERT_EQ(outcome.exitCode, 0) << outcome.err;
    const std::string log = test::readFile("out/data_log.txt");
    // 22222 words of 0.009 knot, 1000 m in feet; the recording ends with the program.
    EXPECT_NE(log.find("\r\n    0\t200.0\t180.0\t 3280\t"), std::string::npos) << log;
    EXPECT_TRUE(log.ends_with("Exit\r\n"));
    const std::string transcript = test::readFile("out/t.tsv");
    EXPECT_NE(transcript.find("\t 100%\t"), std::string::npos) << "the throttle word reaches Thrt";
}

struct BadRun {
    const char* name;
    const char* trace;      // written to in.csv when not null
    const char* arguments;  // after "fly --out out"
    int exitCode;
    const char* message;  // stderr in full, or its start when without a final newline; null: not checked
};

class ProgramRejects : public ::testing::TestWithParam<BadRun> {};

TEST_P(ProgramRejects, WithExitCodeMessageAndNothingWritten) {
    const BadRun& bad = GetParam();
    const test::ScratchFolder work;
    const test::CurrentFolderScope inWork(work.path());
    if (bad.trace) test::writeFile("in.csv", bad.trace);
    const Outcome outcome = runProgram(std::string("fly --out out ") + bad.arguments);
    EXPECT_EQ(outcome.exitCode, bad.exitCode);
    if (bad.message && std::string_view(bad.message).ends_with('\n')) {
        EXPECT_EQ(outcome.err, bad.message);
    } else if (bad.message) {
        EXPECT_TRUE(outcome.err.starts_with(bad.message)) << outcome.err;
    }
    EXPECT_EQ(outcome.out, "");
    EXPECT_FALSE(fs::exists("out")) << "nothing may be written";
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ProgramRejects,
    ::testing::Values(
        BadRun{"UnknownColumn", "time,altitude\n0,1\n", "--trace in.csv", 2,
               "vorlat fly: in.csv:1: column 2 (altitude): unknown column \"altitude\""},
        BadRun{"NotANumber", "time,altitude_m\n0,1\n1,abc\n", "--trace in.csv", 2,
               "vorlat fly: in.csv:3: column 2 (altitude_m): \"abc\" is not a number\n"},
        BadRun{"TimeNotIncreasing", "time,altitude_m\n0,1\n0,2\n", "--trace in.csv", 2,
               "vorlat fly: in.csv:3: column 1 (time): the time 0 does not increase (the row before is at 0)\n"},
        BadRun{"EmptyFile", "", "--trace in.csv", 2,
               "vorlat fly: in.csv:1: the trace is empty: it needs a header line and at least one row\n"},
        BadRun{"MissingTrace", nullptr, "--trace missing.csv", 2, "vorlat fly: missing.csv: cannot open the file\n"},
        BadRun{"BadPress", nullptr, "--press 5:stop", 2,
               "vorlat fly: \"5:stop\": after the time, expected record, pause or X,Y\n"},
        BadRun{"PressOffThePanel", nullptr, "--press 5:500,10", 2,
               "vorlat fly: --press 5:500,10: the point lies outside the 436x85 panel\n"},
        BadRun{"PressAfterTheEnd", nullptr, "--duration 10 --press 11:record", 2,
               "vorlat fly: --press 11.00 s record: the flight ends at 10 s\n"},
        BadRun{"PictureAfterTheEnd", nullptr, "--duration 10 --png-at 12:a.png", 2,
               "vorlat fly: --png-at 12:a.png: the flight ends at 10 s\n"},
        BadRun{"TooLong", nullptr, "--duration 1e12", 2,
               "vorlat fly: 1e+12 s at 18 updates/s is more than 1e+09 updates\n"},
        BadRun{"ZeroRate", nullptr, "--rate 0", 2, "vorlat fly: --rate 0: must be above 0 and at most 1000\n"},
        BadRun{"ZeroScale", nullptr, "--scale 0 --png a.png", 2, "vorlat fly: --scale 0: must be 1..16\n"},
        BadRun{"UnknownOption", nullptr, "--fast", 2, nullptr},
        BadRun{"NotANumberOption", nullptr, "--duration soon", 2, nullptr},
        BadRun{"MissingModule", nullptr, "--module /nonexistent/ZEK.vorlat.gau", 2,
               "vorlat fly: cannot load the module: /nonexistent/ZEK.vorlat.gau: no such module file\n"}),
    [](const ::testing::TestParamInfo<BadRun>& param) { return std::string(param.param.name); });

TEST(Program, InspectPrintsTheElementTree) {
    const test::ScratchFolder work;
    const test::CurrentFolderScope inWork(work.path());
    const Outcome outcome = runProgram("inspect");
    ASSERT_EQ(outcome.exitCode, 0) << outcome.err;
    int lines = 0, texts = 0, icons = 0;
    std::size_t start = 0;
    while (start < outcome.out.size()) {
        const std::size_t end = outcome.out.find('\n', start);
        const std::string line = outcome.out.substr(start, end - start);
        ++lines;
        texts += line.find(" text ") != std::string::npos;
        icons += line.find(" icon ") != std::string::npos;
        start = end + 1;
    }
    EXPECT_EQ(lines, 40);
    EXPECT_EQ(texts, 36);
    EXPECT_EQ(icons, 3);
    EXPECT_NE(outcome.out.find("Ft           x= 76 y=  4  44x11  vars 73 2  text \"    0\"  colour 0x0000FF red"),
              std::string::npos)
        << outcome.out;
    EXPECT_TRUE(directoryIsEmpty(work.path())) << "inspect writes nothing";
}

}  // namespace
}  // namespace vorlat
