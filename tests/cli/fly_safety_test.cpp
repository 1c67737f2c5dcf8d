// `vorlat fly` with the user's files at stake, through the real program: an
// output that is an input or another output is refused, frames never mix with
// other files, the recording is reported as it really went, and a full disk or
// device fails with the file's name and leaves no partial file. (Same-file
// detection by links and the interrupted write: output_files_test.cpp.)
#include <gtest/gtest.h>
#include <sys/mount.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "host/host.h"
#include "tests/cli/run_program.h"

namespace vorlat {
namespace {

namespace fs = std::filesystem;
using test::Outcome, test::runProgram;

constexpr const char* OLD_TEXT = "an earlier run's file\r\n";
constexpr const char* TRACE = "time,altitude_m\n0,1000\n60,1000\n";

// Files in the current folder whose names start with a dot: left-over temporary files.
std::vector<std::string> hiddenFiles(const fs::path& folder = ".") {
    std::vector<std::string> names;
    for (const auto& entry : fs::recursive_directory_iterator(folder))
        if (entry.path().filename().string().starts_with(".")) names.push_back(entry.path().string());
    return names;
}

bool contains(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

// --- Outputs that would destroy an input or each other ---------------------------
struct SafetyCase {
    const char* name;
    void (*prepare)();      // in the scratch folder
    const char* arguments;  // after "fly --out . --duration 1"
    int exitCode;
    const char* message;   // a part of stderr; "" for none at all
    const char* kept;      // a file that must still hold `keptText`; null for none
    const char* keptText;  // OLD_TEXT or TRACE
};

void writeTrace() { test::writeFile("in.csv", TRACE); }
void writeLog() { test::writeFile("data_log.txt", OLD_TEXT); }
void traceAsTheLog() { test::writeFile("data_log.txt", TRACE); }
void moduleCopy() { fs::copy_file(defaultModulePath(), "module.gau"); }
void earlierFrames() {
    fs::create_directory("frames");
    test::writeFile("frames/frame_000009.png", OLD_TEXT);
    test::writeFile("frames/notes.txt", OLD_TEXT);
}
// Frames an earlier run wrote: PNG pictures, which --force may remove.
void earlierPictureFrames() {
    fs::create_directory("frames");
    test::writeFile("frames/frame_000009.png", "\x89PNG\r\n\x1a\n an earlier frame");
    test::writeFile("frames/notes.txt", OLD_TEXT);
}
void nothing() {}

class FlyRefusesToDestroy : public ::testing::TestWithParam<SafetyCase> {};

TEST_P(FlyRefusesToDestroy, AnInputOrAnotherOutput) {
    const SafetyCase& test = GetParam();
    const test::ScratchFolder work;
    const test::CurrentFolderScope inWork(work.path());
    test.prepare();
    const Outcome outcome = runProgram(std::string("fly --out . --duration 1 ") + test.arguments);
    EXPECT_EQ(outcome.exitCode, test.exitCode) << outcome.err;
    if (*test.message == '\0') {
        EXPECT_EQ(outcome.err, "");
    } else {
        EXPECT_TRUE(contains(outcome.err, test.message)) << outcome.err;
    }
    if (test.kept) {
        EXPECT_EQ(test::readFile(test.kept), test.keptText) << test.kept;
    }
    EXPECT_EQ(hiddenFiles(), std::vector<std::string>{});
}

INSTANTIATE_TEST_SUITE_P(
    Cases, FlyRefusesToDestroy,
    ::testing::Values(
        SafetyCase{"PictureOverTheLog", writeLog, "--png data_log.txt", 2,
                   "vorlat fly: the module's log data_log.txt and --png data_log.txt are the same file: one output "
                   "would overwrite the other\n",
                   "data_log.txt", OLD_TEXT},
        SafetyCase{"TraceIsTheLog", traceAsTheLog, "--trace data_log.txt --press 0:record", 2,
                   "vorlat fly: the module's log data_log.txt and --trace data_log.txt are the same file: writing "
                   "would destroy the input\n",
                   "data_log.txt", TRACE},
        SafetyCase{"TranscriptIsTheTrace", writeTrace, "--trace in.csv --transcript in.csv", 2,
                   "vorlat fly: --transcript in.csv and --trace in.csv are the same file: writing would destroy the "
                   "input\n",
                   "in.csv", TRACE},
        SafetyCase{"TwoPictures", nothing, "--png a.png --png-at 0.5:./a.png", 2,
                   "--png a.png and --png-at a.png are the same file: one output would overwrite the other", nullptr,
                   nullptr},
        SafetyCase{"PictureOverTheModule", moduleCopy, "--module module.gau --png module.gau", 2,
                   "--png module.gau and --module module.gau are the same file", nullptr, nullptr},
        SafetyCase{"FramesOverTheLog", writeLog, "--frames data_log.txt", 2, "--frames data_log.txt are the same file",
                   "data_log.txt", OLD_TEXT},
        SafetyCase{"FramesFolderInUse", earlierFrames, "--frames frames", 2,
                   "vorlat fly: frames: the folder is not empty (1 frame(s), 1 other file(s)); --force replaces the "
                   "earlier frames and leaves other files alone\n",
                   "frames/frame_000009.png", OLD_TEXT},
        SafetyCase{"ForceKeepsAFrameNamedFileThatIsNoPicture", earlierFrames, "--frames frames --force", 2,
                   "vorlat fly: frames: frame_000009.png is named like a frame but is not a PNG picture; --force "
                   "removes only earlier frames: move it away or choose another folder\n",
                   "frames/frame_000009.png", OLD_TEXT},
        SafetyCase{"EarlierLogNeedsForce", writeLog, "", 2,
                   "vorlat fly: data_log.txt: the folder already holds a log from an earlier run, which this "
                   "flight's recording would replace; --force replaces it, or choose another --out\n",
                   "data_log.txt", OLD_TEXT}),
    [](const ::testing::TestParamInfo<SafetyCase>& param) { return std::string(param.param.name); });

// `--force` replaced the earlier frames with this flight's two (0 s and 1 s).
TEST(FlyFrames, ForceLeavesOnlyThisFlightsFramesAndOtherFiles) {
    const test::ScratchFolder work;
    const test::CurrentFolderScope inWork(work.path());
    earlierPictureFrames();
    const Outcome outcome = runProgram("fly --out run --duration 1 --frames ../frames --every 18 --force");
    ASSERT_EQ(outcome.exitCode, 0) << outcome.err;
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator("frames")) names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string>{"frame_000001.png", "frame_000002.png", "notes.txt"}));
    EXPECT_TRUE(contains(outcome.out, "\nwrote: frames (2 frames)\n")) << outcome.out;
    EXPECT_FALSE(contains(outcome.out, "frame_000001.png"))
        << outcome.out;
}

// --- The recording as it really went --------------------------------------------------
struct RecordingCase {
    const char* name;
    void (*prepare)();      // in the scratch folder, which is --out
    const char* arguments;  // after "fly --out ."
    int exitCode;
    std::vector<const char*> messages;  // parts of stderr, in this order; none: stderr is empty
    const char* logEnd;                 // the log's last line; null: not checked
};

void logIsAFolder() { fs::create_directory("data_log.txt"); }
void logOnAFullDevice() { fs::create_symlink("/dev/full", "data_log.txt"); }

class FlyReportsTheRecording : public ::testing::TestWithParam<RecordingCase> {};

TEST_P(FlyReportsTheRecording, AsItWent) {
    const RecordingCase& test = GetParam();
    const test::ScratchFolder work;
    const test::CurrentFolderScope inWork(work.path());
    test.prepare();
    const Outcome outcome = runProgram(std::string("fly --out . ") + test.arguments);
    EXPECT_EQ(outcome.exitCode, test.exitCode) << outcome.err;
    std::size_t from = 0;
    for (const char* message : test.messages) {
        from = outcome.err.find(message, from);
        ASSERT_NE(from, std::string::npos) << "missing, or out of order: " << message << "\nin: " << outcome.err;
    }
    if (test.messages.empty()) {
        EXPECT_EQ(outcome.err, "");
    }
    if (test.logEnd) {
        EXPECT_TRUE(test::readFile("data_log.txt").ends_with(std::string(test.logEnd) + "\r\n"));
    }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, FlyReportsTheRecording,
    ::testing::Values(
        RecordingCase{"PressesAsMeant",
                      nothing,
                      "--duration 20 --no-flight-presses --press 1:record --press 19:record",
                      0,
                      {},
                      "End recording"},
        RecordingCase{"SecondRecordingReplacesTheFirst",
                      nothing,
                      "--duration 41 --no-flight-presses --press 10:record --press 20:record --press 30:record "
                      "--press 40:record",
                      0,
                      {"vorlat fly: the recording from 10.00 s to 20.00 s was replaced by the one started at "
                       "30.00 s: the module starts data_log.txt anew at each recording\n"},
                      "End recording"},
        RecordingCase{
            "RecordingRunsToTheEnd", nothing, "--duration 5 --no-flight-presses --press 1:record", 0, {}, "Exit"},
        RecordingCase{"LogCannotBeOpened",
                      logIsAFolder,
                      "",
                      1,
                      {"vorlat fly: the press 38.00 s record did not start a recording: the module could not create "
                       "its log data_log.txt in the current folder (a folder of that name is in the way)\n",
                       "vorlat fly: the press 226.00 s record was skipped: it was meant to end the recording that did "
                       "not start at 38.00 s, and would start a new one that empties data_log.txt\n"},
                      nullptr},
        RecordingCase{"WriteFails",
                      logOnAFullDevice,
                      "",
                      1,
                      {"vorlat fly: the recorder stopped on its own at ",
                       " s: a write to data_log.txt failed; the log keeps the rows written before",
                       "vorlat fly: the press 226.00 s record was skipped: it was meant to end the recording that "
                       "stopped on its own at "},
                      nullptr},
        RecordingCase{"WriteFailsAfterAPressAtAPoint",
                      logOnAFullDevice,
                      "--duration 100 --no-flight-presses --press 1:56,10 --press 90:56,10",
                      1,
                      {"the recorder stopped on its own at ", "the press 90.00 s (56,10) was skipped"},
                      nullptr},
        RecordingCase{"EarlierLogStays",
                      writeLog,
                      "--duration 1 --force",
                      0,
                      {"vorlat fly: warning: data_log.txt is not from this flight: it made no recording (the file was "
                       "left by an earlier run)\n"},
                      nullptr}),
    [](const ::testing::TestParamInfo<RecordingCase>& param) { return std::string(param.param.name); });

// --- A full disk or device ----------------------------------------------------------------
// A tmpfs of a few pages mounted in the scratch folder; needs root (CAP_SYS_ADMIN).
class SmallDisk {
public:
    SmallDisk(fs::path at, std::size_t bytes) : at_(std::move(at)) {
        fs::create_directory(at_);
        const std::string options = "size=" + std::to_string(bytes);
        if (mount("tmpfs", at_.c_str(), "tmpfs", 0, options.c_str()) == 0) mounted_ = true;
        else error_ = errno;
    }
    ~SmallDisk() {
        if (mounted_) umount2(at_.c_str(), MNT_DETACH);
    }
    SmallDisk(const SmallDisk&) = delete;
    SmallDisk& operator=(const SmallDisk&) = delete;
    bool mounted() const { return mounted_; }
    std::string why() const { return std::strerror(error_); }

private:
    fs::path at_;
    bool mounted_ = false;
    int error_ = 0;
};

struct FullDiskCase {
    const char* name;
    std::size_t diskBytes;              // 0: no disk; standard output goes to /dev/full
    const char* arguments;              // the whole command line; the disk is the folder "disk"
    std::vector<const char*> messages;  // parts of stderr, in this order
    const char* logPrefix;              // disk/data_log.txt starts with it; null: not checked
    std::size_t logBytes;               // ... and holds this many bytes (whole 4 KB blocks)
};

// A real 60-second log, committed with the fuzz seeds.
#define SHORT_LOG VORLAT_SOURCE_DIR "/tests/fuzz/corpus/log/real-60s.log"

class FullDisk : public ::testing::TestWithParam<FullDiskCase> {};

TEST_P(FullDisk, FailsNamingTheFileAndLeavesNoPartialFile) {
    const FullDiskCase& test = GetParam();
    const test::ScratchFolder work;
    const test::CurrentFolderScope inWork(work.path());
    std::optional<SmallDisk> disk;
    if (test.diskBytes > 0) {
        disk.emplace("disk", test.diskBytes);
        if (!disk->mounted())
            GTEST_SKIP() << "cannot mount a small tmpfs to fill (" << disk->why()
                         << "): the full-disk cases need root or CAP_SYS_ADMIN";
    }
    const Outcome outcome = runProgram(test.arguments, test.diskBytes > 0 ? "" : "/dev/full");
    EXPECT_EQ(outcome.exitCode, 1) << outcome.err;
    std::size_t from = 0;
    for (const char* message : test.messages) {
        from = outcome.err.find(message, from);
        ASSERT_NE(from, std::string::npos) << "missing, or out of order: " << message << "\nin: " << outcome.err;
    }
    if (test.logPrefix) {
        const std::string log = test::readFile("disk/data_log.txt");
        EXPECT_TRUE(log.starts_with(test.logPrefix));
        EXPECT_EQ(log.size(), test.logBytes);
    } else if (disk) {
        for (const auto& entry : fs::recursive_directory_iterator("disk"))
            EXPECT_TRUE(entry.is_directory()) << "a partial file: " << entry.path();
    }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, FullDisk,
    ::testing::Values(
        FullDiskCase{
            "RecorderStopsAndKeepsItsRows",
            16384,
            "fly --out disk",
            {"vorlat fly: the recorder stopped on its own at ",
             " s: a write to disk/data_log.txt failed (the disk is full)", "the press 226.00 s record was skipped"},
            "Recording Enabled\r\nindex\t",
            16384},
        FullDiskCase{"LastLinesLostWhenTheLogCloses",
                     8192,
                     "fly --out disk --duration 51 --no-flight-presses --press 0:record --press 50:record",
                     {"vorlat fly: disk/data_log.txt does not end with \"End recording\": its last lines were lost "
                      "when the module closed it (the disk is full)\n"},
                     "Recording Enabled\r\n",
                     8192},
        FullDiskCase{"Picture",
                     16384,
                     "fly --duration 1 --png disk/end.png --scale 4",
                     {"vorlat fly: disk/end.png: cannot write the picture (No space left on device)\n"},
                     nullptr,
                     0},
        FullDiskCase{"Frames",
                     16384,
                     "fly --duration 5 --frames disk/frames --every 9 --scale 4",
                     {"vorlat fly: disk/frames/frame_000001.png: cannot write the picture (No space left on device)\n"},
                     nullptr,
                     0},
        FullDiskCase{"Transcript",
                     16384,
                     "fly --duration 60 --transcript disk/t.tsv",
                     {"vorlat fly: disk/t.tsv: cannot write (No space left on device)\n"},
                     nullptr,
                     0},
        FullDiskCase{"FlyStandardOutput",
                     0,
                     "fly --duration 1",
                     {"vorlat fly: standard output: cannot write (No space left on device)\n"},
                     nullptr,
                     0},
        FullDiskCase{"InspectStandardOutput",
                     0,
                     "inspect",
                     {"vorlat inspect: standard output: cannot write (No space left on device)\n"},
                     nullptr,
                     0},
        FullDiskCase{"LogCsv",
                     4096,
                     "log csv " SHORT_LOG " -o disk/log.csv",
                     {"vorlat log csv: disk/log.csv: cannot write (No space left on device)\n"},
                     nullptr,
                     0},
        FullDiskCase{"LogReport",
                     4096,
                     "log report " SHORT_LOG " -o disk/report.html",
                     {"vorlat log report: disk/report.html: cannot write (No space left on device)\n"},
                     nullptr,
                     0},
        FullDiskCase{"LogReportStandardOutput",
                     0,
                     "log report " SHORT_LOG " -o -",
                     {"vorlat log report: standard output: cannot write (No space left on device)\n"},
                     nullptr,
                     0}),
    [](const ::testing::TestParamInfo<FullDiskCase>& param) { return std::string(param.param.name); });

}  // namespace
}  // namespace vorlat
