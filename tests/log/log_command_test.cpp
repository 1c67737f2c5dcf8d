// `vorlat log` as a user runs it: outputs, messages and exit codes.
#include <gtest/gtest.h>

#include <sys/wait.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "tests/log/log_test_support.h"

namespace {

using namespace log_test;

struct Outcome {
    int code;
    std::string out, err;
};

Outcome run(const ScratchFolder& dir, const std::string& arguments) {
    const std::string out = (dir / "stdout").string(), err = (dir / "stderr").string();
    const std::string command = "cd '" + dir.path().string() + "' && '" LOG_COMMAND_DRIVER "' log " + arguments +
                                " >'" + out + "' 2>'" + err + "'";
    const int status = std::system(command.c_str());
    return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, readFile(out), readFile(err)};
}

class LogCommand : public ::testing::Test {
protected:
    void SetUp() override {
        writeFile(dir / "flight.txt", OPENING + HEADER + rows(4, 6, {.tas = 350}) + END);
        writeFile(dir / "bad.txt", OPENING + HEADER + rows(0, 2) + "    2\t100.0\r\n" + rows(3, 1) + END);
        writeFile(dir / "empty.txt", OPENING + HEADER + END);
        // Two recordings appended to one file: the second's index starts afresh.
        writeFile(dir / "two.txt", OPENING + HEADER + rows(4, 6, {.tas = 350}) + END + OPENING + HEADER + rows(0, 3));
        std::filesystem::create_symlink("flight.txt", dir / "link.png");
        std::filesystem::create_directory(dir / "full");
        writeFile(dir / "full" / "notes.txt", "mine");
    }
    ScratchFolder dir;
};

struct Case {
    const char* arguments;
    int code;
    const char* inOut;  // expected in standard output
    const char* inErr;  // expected in standard error
};

// clang-format off
const Case CASES[] = {
    {"summary flight.txt",                       0, "Rows          6 in 1 segment, 0 pauses", ""},
    {"summary flight.txt --json",                0, "\"tas\": {\"yellow_s\": 3, \"red_s\": 0}", ""},
    {"summary flight.txt --tick-rate 36",        0, "Time          1.25 s to 2.5 s", ""},
    {"csv flight.txt",                           0, "2.5,1,4,350.0,90.0,", ""},
    {"summary bad.txt",                          0, "              damaged: 1 bad row; 1 line skipped\n"
                                                    "              line 5: expected 16 tab-separated fields, found 2\n", ""},
    {"summary bad.txt --json",                   0, "\"first\": [{\"line\": 5, \"kind\": \"bad_row\", ", ""},
    {"summary --strict bad.txt",                 2, "", "vorlat log summary: bad.txt:5: expected 16 tab-separated fields, found 2"},
    {"csv bad.txt",                              0, "2,1,3,100.0,", "vorlat log csv: bad.txt: damaged: 1 bad row; 1 line skipped\n"
                                                    "vorlat log csv: bad.txt:5: expected 16 tab-separated fields, found 2\n"},
    {"csv --strict bad.txt",                     2, "", "vorlat log csv: bad.txt:5: expected 16 tab-separated fields, found 2"},
    {"summary empty.txt",                        2, "", "vorlat log summary: empty.txt: no readable row: the recording ended before its first sample"},
    {"summary - < flight.txt",                   0, "File          standard input\n", ""},
    {"csv - -o - < bad.txt",                     0, "\r\n2,1,3,100.0,90.0,", "vorlat log csv: standard input:5: expected 16"},
    {"csv flight.txt -o flight.txt",             2, "", "vorlat log csv: -o flight.txt and log flight.txt are the same file"},
    {"csv ./flight.txt -o flight.txt",           2, "", "are the same file"},
    {"plot flight.txt -o link.png",              2, "", "-o link.png and log flight.txt are the same file"},
    {"replay flight.txt --png-at 2:link.png",    2, "", "--png-at link.png and log flight.txt are the same file"},
    {"replay flight.txt --frames full",          2, "", "full: the folder is not empty"},
    {"summary missing.txt",                      2, "", "vorlat log summary: missing.txt: cannot open the file"},
    {"summary",                                  2, "", "FILE is required"},
    {"summary flight.txt --tick-rate 0",         2, "", "expected ticks per second from 0.001 to 1000000, found 0"},
    {"summary flight.txt --tick-rate nan",       2, "", "expected ticks per second from 0.001 to 1000000, found nan"},
    {"plot flight.txt -o out.gif",               2, "", "out.gif: unknown output type; the name must end in .png, .svg or .pdf"},
    {"plot flight.txt -o no/such/dir/out.png",   1, "", "no/such/dir/out.png: cannot write into the folder no/such/dir"},
    {"replay flight.txt",                        2, "", "replay needs --png-at TIME:OUT.png or --frames DIR"},
    {"replay flight.txt --png-at 99:late.png",   2, "", "time 99 s lies outside the recording (2.5 s to 5 s, the last row's time)"},
    {"replay flight.txt --png-at 2.5",           2, "", "expected TIME:OUT.png"},
    // A sample every 900 s: the rows run from 1:15:00 to 2:30:00, and the messages say so.
    {"replay flight.txt --tick-rate 0.01 --png-at 3:00:00:x.png", 2, "", "time 3:00:00 lies outside the recording (1:15:00 to 2:30:00, the last row's time)"},
    {"replay flight.txt --tick-rate 0.01 --png-at 1:30:00:x.png", 0, "x.png: index 5 at 1:30:00\n", ""},
    {"frobnicate flight.txt",                    2, "", ""},
    // Ranges: rows at 2.5 to 5 s.
    {"summary flight.txt --from 3 --to 4",       0, "Range         from 3 s to 4 s\nRows          3 in 1 segment, 0 pauses", ""},
    {"summary flight.txt --json --from 0:03",    0, "\"range\": {\"from_s\": 3, \"to_s\": null},", ""},
    {"csv flight.txt --from 3 --to 0:04",        0, "\r\n3,1,5,350.0,", "vorlat log csv: flight.txt: the range from 3 s to 4 s holds 3 rows, 3 s to 4 s\n"},
    {"summary flight.txt --from 9",              2, "", "vorlat log summary: flight.txt: no row lies in the range from 9 s to the end; "
                                                    "the recording's rows run from 2.5 s to 5 s\n"},
    {"csv flight.txt --to 2.4 -o out.csv",       2, "", "the recording's rows run from 2.5 s to 5 s\n"},
    {"summary flight.txt --from 4 --to 3",       2, "", "vorlat log summary: --from 4 s comes after --to 3 s\n"},
    {"summary flight.txt --to 1:5",              2, "", "vorlat log summary: --to: the time \"1:5\" needs two digits after each colon"},
    {"replay flight.txt --from 3 --png-at 2.5:x.png", 2, "", "vorlat log replay: --png-at 2.5: the time lies outside the range from 3 s to the end\n"},
    {"replay flight.txt --from 3.2 --png-at 3.3:x.png", 2, "", "time 3.3 s lies outside the rows of the range from 3.2 s to the end (3.5 s to 5 s, the last row's time)"},
    {"summary flight.txt flight.txt --label a",  2, "", "vorlat log summary: --label given 1 time for 2 logs: give it once per log, in order, or not at all\n"},
    {"summary - - < flight.txt",                 2, "", "vorlat log summary: standard input (-) can be read only once\n"},
    // A file of several recordings: --recording picks one; summary shows each, the others refuse the file.
    {"summary two.txt --recording 2",            0, "Rows          3 in 1 segment, 0 pauses", ""},
    {"summary two.txt --recording 1 --json",     0, "\"rows\": 6,", ""},
    {"summary flight.txt --recording 1",         0, "Rows          6 in 1 segment, 0 pauses", ""},
    {"summary two.txt --recording 3",            2, "", "vorlat log summary: two.txt: there is no recording 3: the file holds 2\n"},
    {"summary flight.txt --recording 2",         2, "", "vorlat log summary: flight.txt: there is no recording 2: the file holds 1\n"},
    {"summary two.txt --recording 0",            2, "", "--recording"},
    {"summary two.txt",                          0, "/two.txt, recording 2\n"  // the heads name the file: no File row
                                                    "Completeness   ", ""},
    {"summary flight.txt bad.txt --label a --label b", 0, "\nFile                               flight.txt                     bad.txt\n", ""},  // the heads do not name the files
    {"summary two.txt --json",                   0, "two.txt, recording 1\",\n  \"completeness\": \"end_recording\",", ""},
    {"summary - < two.txt",                      2, "", "vorlat log summary: standard input: the file holds 2 recordings one after another; "
                                                    "choose one with --recording N (1 to 2)\n"},
    {"csv two.txt",                              2, "", "vorlat log csv: two.txt: the file holds 2 recordings one after another; "
                                                    "choose one with --recording N (1 to 2)\n"},
    {"csv two.txt -o two.csv",                   2, "", "choose one with --recording N (1 to 2)\n"},
    {"csv - < two.txt",                          2, "", "vorlat log csv: standard input: the file holds 2 recordings"},
    {"csv two.txt --recording 2",                0, "\r\n1.5,1,2,100.0,", ""},
    {"plot two.txt -o two.svg",                  2, "", "vorlat log plot: two.txt: the file holds 2 recordings"},
    {"replay two.txt --png-at 3:two.png",        2, "", "vorlat log replay: two.txt: the file holds 2 recordings"},
    {"replay two.txt --recording 2 --png-at 1.5:two.png", 0, "two.png: index 2 at 1.5 s", ""},
};
// clang-format on

TEST_F(LogCommand, ExitCodesOutputsAndMessages) {
    for (const Case& c : CASES) {
        SCOPED_TRACE(c.arguments);
        const Outcome result = run(dir, c.arguments);
        EXPECT_EQ(result.code, c.code) << result.err;
        EXPECT_NE(result.out.find(c.inOut), std::string::npos) << result.out;
        EXPECT_NE(result.err.find(c.inErr), std::string::npos) << result.err;
    }
}

TEST_F(LogCommand, WritesItsFiles) {
    ASSERT_EQ(run(dir, "csv flight.txt -o flight.csv").code, 0);
    EXPECT_EQ(readFile(dir / "flight.csv").substr(0, 21), "time_s,segment,index,");
    ASSERT_EQ(run(dir, "plot flight.txt -o flight.svg").code, 0);
    EXPECT_NE(readFile(dir / "flight.svg").find("<svg"), std::string::npos);
    const Outcome replay = run(dir, "replay flight.txt --png-at 2.5:at.png --frames frames");
    ASSERT_EQ(replay.code, 0) << replay.err;
    EXPECT_NE(replay.out.find("at.png: index 4 at 2.5 s"), std::string::npos) << replay.out;
    EXPECT_EQ(readFile(dir / "at.png").substr(1, 3), "PNG");
    EXPECT_EQ(readFile(dir / "frames" / "frame_000006.png").substr(1, 3), "PNG");
    EXPECT_TRUE(readFile(dir / "frames" / "frame_000007.png").empty());
    for (int frame = 1; frame <= 6; ++frame)
        EXPECT_NE(replay.out.find("frames/frame_00000" + std::to_string(frame) + ".png: index "), std::string::npos)
            << replay.out;
}

// Several flights: one table with a column per flight and the events of each;
// an array of the single-flight objects; one CSV with a flight column.
TEST_F(LogCommand, ShowsSeveralFlightsSideBySide) {
    std::filesystem::create_directories(dir / "run1");
    std::filesystem::create_directories(dir / "run2");
    writeFile(dir / "run1" / "data_log.txt", OPENING + HEADER + rows(4, 6, {.tas = 350}) + END);
    writeFile(dir / "run2" / "data_log.txt", OPENING + HEADER + rows(0, 3) + HEADER + rows(10, 2, {.stall = 1}));

    const Outcome table = run(dir, "summary run1/data_log.txt run2/data_log.txt");
    ASSERT_EQ(table.code, 0) << table.err;
    for (const char* line : {
             "                            run1/data_log.txt       run2/data_log.txt\n"
             "Completeness       ended by the record button  cut off (no last line)\n",
             "\nRows                                        6                       5\n"
             "Segments                                    1                       2\n"
             "Pauses                                      0                       1\n"
             "Not recorded s                            0.0                     3.5\n"
             "Start s                                   2.5                     0.5\n"
             "End s                                     5.0                     6.0\n",
             "\nTAS max kt                              350.0                   100.0\n",
             "\nTAS yellow s                              3.0                     0.0\n",
             "\nStalls                                      0                       1\n",
             "\nrun1/data_log.txt\nEvents        12 in time order\n       2.5 s  recording starts\n"
             "       2.5 s  TAS enters the yellow band at 350.0 kt\n",
             "       5.0 s  recording ended normally (\"End recording\")\n"
             "       5.5 s  TAS leaves the yellow band as the rows stop; peak 350.0 kt at 2.5 s\n",
             "\nrun2/data_log.txt\nEvents        12 in time order\n       0.5 s  recording starts\n",
             "       1.5 s  pause to 5.5 s: 3.5 s not recorded\n       5.5 s  stall to 6.5 s (1.0 s)\n"
             "       6.0 s  recording cut off (no last line)\n",
         })
        EXPECT_NE(table.out.find(line), std::string::npos) << line << "in:\n" << table.out;

    const Outcome json = run(dir, "summary --json run1/data_log.txt run2/data_log.txt --label before --label after");
    ASSERT_EQ(json.code, 0) << json.err;
    EXPECT_EQ(json.out.rfind("[\n{\n  \"file\": \"run1/data_log.txt\",\n  \"label\": \"before\",\n", 0), 0u)
        << json.out;
    EXPECT_NE(json.out.find("\n},\n{\n  \"file\": \"run2/data_log.txt\",\n  \"label\": \"after\",\n"),
              std::string::npos)
        << json.out;
    EXPECT_EQ(json.out.substr(json.out.size() - 5), "\n}\n]\n") << json.out;

    const Outcome csv =
        run(dir, "csv run1/data_log.txt run2/data_log.txt --label 'one, \"first\"' --label two -o both.csv");
    ASSERT_EQ(csv.code, 0) << csv.err;
    const std::string both = readFile(dir / "both.csv");
    EXPECT_EQ(both.rfind("flight,time_s,segment,index,tas_kt,", 0), 0u) << both;
    for (const char* row : {"\r\n\"one, \"\"first\"\"\",2.5,1,4,350.0,", "\r\n\"one, \"\"first\"\"\",5,1,9,350.0,",
                            "\r\ntwo,0.5,1,0,100.0,", "\r\ntwo,5.5,2,10,100.0,"})
        EXPECT_NE(both.find(row), std::string::npos) << row << " in:\n" << both;
    EXPECT_EQ(std::count(both.begin(), both.end(), '\n'), 1 + 6 + 5);
}

// A refused file of several recordings leaves no output behind and prints nothing on standard output.
TEST_F(LogCommand, RefusesSeveralRecordingsBeforeWritingAnything) {
    for (const char* arguments : {"csv two.txt", "csv two.txt -o out.csv", "plot two.txt -o out.svg",
                                  "replay two.txt --frames frames --png-at 3:out.png"}) {
        SCOPED_TRACE(arguments);
        const Outcome refused = run(dir, arguments);
        EXPECT_EQ(refused.code, 2);
        EXPECT_EQ(refused.out, "");
        for (const char* name : {"out.csv", "out.svg", "out.png", "frames"})
            EXPECT_FALSE(std::filesystem::exists(dir / name)) << name;
    }
}

// --force replaces the earlier frames only; a time outside the recording leaves no picture behind.
TEST_F(LogCommand, ReplacesOnlyFramesAndWritesNoPictureForATimeOutsideTheRecording) {
    writeFile(dir / "full" / "frame_000009.png", "\x89PNG\r\n\x1a\n an earlier run's frame");
    const Outcome forced = run(dir, "replay flight.txt --frames full --force");
    ASSERT_EQ(forced.code, 0) << forced.err;
    EXPECT_EQ(readFile(dir / "full" / "notes.txt"), "mine");
    EXPECT_FALSE(std::filesystem::exists(dir / "full" / "frame_000009.png"));
    EXPECT_TRUE(std::filesystem::exists(dir / "full" / "frame_000006.png"));

    const Outcome late = run(dir, "replay flight.txt --png-at 2.5:early.png --png-at 99:late.png");
    EXPECT_EQ(late.code, 2);
    EXPECT_FALSE(std::filesystem::exists(dir / "early.png"));
    for (const auto& entry : std::filesystem::directory_iterator(dir.path()))
        EXPECT_EQ(entry.path().filename().string().find(".early.png"), std::string::npos) << entry.path();
}

}  // namespace
