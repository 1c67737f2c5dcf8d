// Safe outputs, one piece at a time: same-file detection, whole-or-nothing
// writes (a failed or interrupted write leaves the old file and no temporary
// file), and the frames folder's refusal and --force.
#include "common/output_files.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <csignal>
#include <filesystem>
#include <string>
#include <vector>

#include "tests/cli/work_dir.h"

namespace vorlat {
namespace {

namespace fs = std::filesystem;
using files::AtomicFile, files::FilePlan, files::FramesFolder, files::OutputError, files::SameFileError;

constexpr const char* OLD_TEXT = "the flight of last week\r\n";
constexpr const char* PNG_START = "\x89PNG\r\n\x1a\n and the rest of a picture";

// Every name in a folder, hidden ones included, sorted.
std::vector<std::string> namesIn(const fs::path& folder) {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder)) names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

// --- FilePlan: an output is never an input, nor another output -------------------
struct PlanCase {
    const char* name;
    void (*prepare)();    // makes files in the scratch folder
    const char* input;    // role "log"; null for none
    const char* output;   // role "-o"
    const char* second;   // role "--png"; null for none
    const char* message;  // the whole message; null when the plan is sound
};

void makeLog() { test::writeFile("log.txt", OLD_TEXT); }
void makeLogAndSymlink() {
    makeLog();
    fs::create_symlink("log.txt", "link.txt");
}
void makeLogAndHardLink() {
    makeLog();
    fs::create_hard_link("log.txt", "hard.txt");
}
void makeLogAndCopy() {
    makeLog();
    fs::copy_file("log.txt", "copy.txt");
}
void makeLinkedFolder() {
    fs::create_directory("real");
    fs::create_directory_symlink("real", "linked");
}
void makeNothing() {}

class FilePlanCheck : public ::testing::TestWithParam<PlanCase> {};

TEST_P(FilePlanCheck, RefusesOnlyTheSameFile) {
    const PlanCase& test = GetParam();
    const test::ScratchFolder work;
    const test::CurrentFolderScope inWork(work.path());
    test.prepare();
    FilePlan plan;
    if (test.input) plan.input(test.input, "log");
    plan.output(test.output, "-o");
    if (test.second) plan.output(test.second, "--png");
    if (!test.message) {
        EXPECT_NO_THROW(plan.check());
        return;
    }
    try {
        plan.check();
        ADD_FAILURE() << "no clash found";
    } catch (const SameFileError& error) {
        EXPECT_STREQ(error.what(), test.message);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, FilePlanCheck,
    ::testing::Values(
        PlanCase{"SamePath", makeLog, "log.txt", "log.txt", nullptr,
                 "-o log.txt and log log.txt are the same file: writing would destroy the input"},
        PlanCase{"DotSlash", makeLog, "log.txt", "./log.txt", nullptr,
                 "-o ./log.txt and log log.txt are the same file: writing would destroy the input"},
        PlanCase{"Symlink", makeLogAndSymlink, "log.txt", "link.txt", nullptr,
                 "-o link.txt and log log.txt are the same file: writing would destroy the input"},
        PlanCase{"HardLink", makeLogAndHardLink, "hard.txt", "log.txt", nullptr,
                 "-o log.txt and log hard.txt are the same file: writing would destroy the input"},
        PlanCase{"TwoNewOutputs", makeNothing, nullptr, "a.png", "./a.png",
                 "-o a.png and --png ./a.png are the same file: one output would overwrite the other"},
        PlanCase{"NewOutputsThroughAFolderLink", makeLinkedFolder, nullptr, "real/a.png", "linked/a.png",
                 "-o real/a.png and --png linked/a.png are the same file: one output would overwrite the other"},
        PlanCase{"ACopyIsAnotherFile", makeLogAndCopy, "log.txt", "copy.txt", nullptr, nullptr},
        PlanCase{"AnotherName", makeLog, "log.txt", "log.csv", "log.png", nullptr},
        PlanCase{"DevicesNeverClash", makeNothing, "/dev/null", "/dev/null", "/dev/null", nullptr}),
    [](const ::testing::TestParamInfo<PlanCase>& param) { return std::string(param.param.name); });

// --- AtomicFile: whole or not at all ------------------------------------------------
TEST(AtomicFile, TheOldFileStaysUntilTheCommit) {
    const test::ScratchFolder work;
    const fs::path target = work / "log.csv";
    test::writeFile(target, OLD_TEXT);
    {
        AtomicFile file(target, "log.csv");
        std::fputs("new rows\n", file.stream());
        std::fflush(file.stream());
        EXPECT_EQ(test::readFile(target), OLD_TEXT);
        EXPECT_EQ(namesIn(work.path()).size(), 2u) << "the temporary file lies beside the target";
        EXPECT_EQ(file.temporary().parent_path(), target.parent_path());
        file.commit();
    }
    EXPECT_EQ(test::readFile(target), "new rows\n");
    EXPECT_EQ(namesIn(work.path()), std::vector<std::string>{"log.csv"});
}

TEST(AtomicFile, AVanishedFolderFailsTheCommitWithTheFilesName) {
    const test::ScratchFolder work;
    fs::create_directory(work / "run");
    AtomicFile file(work / "run" / "end.png", "run/end.png");
    std::fputs("picture", file.stream());
    fs::remove_all(work / "run");
    try {
        file.commit();
        ADD_FAILURE() << "the commit succeeded";
    } catch (const OutputError& error) {
        EXPECT_STREQ(error.what(), "run/end.png: cannot write (No such file or directory)");
    }
    EXPECT_TRUE(fs::is_empty(work.path()));
}

// A device takes the bytes directly; a full one fails the commit.
TEST(AtomicFile, AFullDeviceFailsTheCommit) {
    AtomicFile file("/dev/full", "/dev/full");
    EXPECT_EQ(file.temporary(), fs::path("/dev/full"));
    std::fputs("rows", file.stream());
    EXPECT_THROW(
        {
            try {
                file.commit();
            } catch (const OutputError& error) {
                EXPECT_STREQ(error.what(), "/dev/full: cannot write (No space left on device)");
                throw;
            }
        },
        OutputError);
}

TEST(AtomicFile, ASymlinkStaysAndItsTargetIsReplacedWithItsMode) {
    const test::ScratchFolder work;
    test::writeFile(work / "real.csv", OLD_TEXT);
    fs::permissions(work / "real.csv", fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
    fs::create_symlink("real.csv", work / "link.csv");
    AtomicFile file(work / "link.csv", "link.csv");
    std::fputs("new", file.stream());
    file.commit();
    EXPECT_TRUE(fs::is_symlink(work / "link.csv"));
    EXPECT_EQ(test::readFile(work / "real.csv"), "new");
    EXPECT_EQ(fs::status(work / "real.csv").permissions(),
              fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
}

TEST(AtomicFile, ANewFileGetsTheUsualMode) {
    const test::ScratchFolder work;
    const mode_t mask = umask(022);
    {
        AtomicFile file(work / "new.csv", "new.csv");
        file.commit();
    }
    umask(mask);
    EXPECT_EQ(fs::status(work / "new.csv").permissions(), fs::perms(0644)) << "not the temporary file's 0600";
}

// A stop signal while the temporary file exists removes it and ends the
// process by that signal; the old file is untouched.
class InterruptedWrite : public ::testing::TestWithParam<int> {};

TEST_P(InterruptedWrite, LeavesTheOldFileAndNoTemporary) {
    const test::ScratchFolder work;
    test::writeFile(work / "log.csv", OLD_TEXT);
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        AtomicFile file(work / "log.csv", "log.csv");
        std::fputs("half a file", file.stream());
        std::fflush(file.stream());
        raise(GetParam());
        _exit(0);  // not reached: the signal ends the process
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFSIGNALED(status)) << "exit status " << status;
    EXPECT_EQ(WTERMSIG(status), GetParam());
    EXPECT_EQ(test::readFile(work / "log.csv"), OLD_TEXT);
    EXPECT_EQ(namesIn(work.path()), std::vector<std::string>{"log.csv"});
}

INSTANTIATE_TEST_SUITE_P(Signals, InterruptedWrite, ::testing::Values(SIGINT, SIGTERM, SIGHUP),
                         [](const ::testing::TestParamInfo<int>& param) {
                             return std::string(sigabbrev_np(param.param));
                         });

// --- FramesFolder: only its own earlier frames are replaced -------------------------
struct FramesCase {
    const char* name;
    bool folderExists;
    std::vector<std::string> before;  // files in the folder
    bool force;
    const char* message;             // the refusal; null when the folder is taken
    std::vector<std::string> after;  // sorted
    const char* content = PNG_START; // of every file before
};

class FramesFolderCase : public ::testing::TestWithParam<FramesCase> {};

TEST_P(FramesFolderCase, RefusesOrReplacesOnlyFrames) {
    const FramesCase& test = GetParam();
    const test::ScratchFolder work;
    const fs::path folder = work / "frames";
    if (test.folderExists) fs::create_directory(folder);
    for (const std::string& name : test.before) test::writeFile(folder / name, test.content);
    if (test.message) {
        try {
            FramesFolder frames(folder, "run/frames", test.force);
            ADD_FAILURE() << "the folder was taken";
        } catch (const SameFileError& error) {
            EXPECT_STREQ(error.what(), test.message);
        }
    } else {
        const FramesFolder frames(folder, "run/frames", test.force);
        EXPECT_EQ(frames.frame(7), folder / "frame_000007.png");
    }
    EXPECT_EQ(namesIn(folder), test.after);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, FramesFolderCase,
    ::testing::Values(
        FramesCase{"MissingFolderIsMade", false, {}, false, nullptr, {}},
        FramesCase{"EmptyFolder", true, {}, false, nullptr, {}},
        FramesCase{"EarlierFramesNeedForce",
                   true,
                   {"frame_000001.png"},
                   false,
                   "run/frames: the folder is not empty (1 frame(s), 0 other file(s)); --force replaces the earlier "
                   "frames and leaves other files alone",
                   {"frame_000001.png"}},
        FramesCase{"AnyFileNeedsForce",
                   true,
                   {".hidden"},
                   false,
                   "run/frames: the folder is not empty (0 frame(s), 1 other file(s)); --force replaces the earlier "
                   "frames and leaves other files alone",
                   {".hidden"}},
        FramesCase{"ForceRemovesOnlyFrames",
                   true,
                   {"frame_000001.png", "frame_000002.png", "frame_1234567.png", "frame_01.png", "frame_000003.png.bak",
                    "frame_00000x.png", "notes.txt"},
                   true,
                   nullptr,
                   {"frame_000003.png.bak", "frame_00000x.png", "frame_01.png", "notes.txt"}},
        FramesCase{"ForceKeepsAFrameNamedFileThatIsNoPicture",
                   true,
                   {"frame_000001.png"},
                   true,
                   "run/frames: frame_000001.png is named like a frame but is not a PNG picture; --force removes "
                   "only earlier frames: move it away or choose another folder",
                   {"frame_000001.png"},
                   OLD_TEXT}),
    [](const ::testing::TestParamInfo<FramesCase>& param) { return std::string(param.param.name); });

}  // namespace
}  // namespace vorlat
