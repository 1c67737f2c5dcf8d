// Safe outputs on Windows (run under Wine by scripts/wine-legs.sh): the same
// rules as on Linux through the Windows calls: an output that is an input is
// found by volume and file index (a hard link, another case, backslashes, a
// drive letter), the old file stays until MoveFileExW replaces it, Ctrl-C and
// Ctrl-Break remove the temporary file, UTF-8 names reach the disk as the
// user wrote them, and standard input and output carry bytes unchanged.
// Child processes are this program again, started with a role (see main).
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>
// After windows.h:
#include <shellapi.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <ostream>
#include <string>
#include <vector>

#include "common/output_files.h"
#include "common/utf8_path.h"
#include "tests/cli/work_dir.h"

namespace vorlat {
namespace {

namespace fs = std::filesystem;
using files::AtomicFile, files::FilePlan, files::OutputError, files::SameFileError;

constexpr const char* OLD_TEXT = "the flight of last week\r\n";
constexpr DWORD STOPPED_BY_CONTROL_C = 0xC000013A;  // STATUS_CONTROL_C_EXIT
constexpr const char* NON_ASCII = "v\xc3\xa9l\xc3\xb6 \xd0\xbb\xd0\xbe\xd0\xb3 \xe6\x97\xa5";  // "vélö лог 日"

// A failed case is shown by its name, not its bytes.
template <typename Case>
    requires requires(const Case& test) { test.name; }
void PrintTo(const Case& test, std::ostream* out) {
    *out << test.name;
}

// Every name in a folder as UTF-8, sorted.
std::vector<std::string> namesIn(const fs::path& folder) {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder)) names.push_back(utf8Of(entry.path().filename()));
    std::sort(names.begin(), names.end());
    return names;
}

// --- Child processes: this program with a role, its standard streams through pipes ------
struct ChildRun {
    DWORD exitCode = 0;
    std::string output;
};

std::wstring quoted(const std::wstring& argument) { return L"\"" + argument + L"\""; }

ChildRun runChild(const std::wstring& arguments, const std::string& input = {}) {
    wchar_t self[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, self, MAX_PATH);
    SECURITY_ATTRIBUTES inherit = {.nLength = sizeof(SECURITY_ATTRIBUTES), .lpSecurityDescriptor = nullptr, .bInheritHandle = TRUE};
    HANDLE inRead, inWrite, outRead, outWrite;
    CreatePipe(&inRead, &inWrite, &inherit, 0);
    CreatePipe(&outRead, &outWrite, &inherit, 0);
    SetHandleInformation(inWrite, HANDLE_FLAG_INHERIT, 0);
    SetHandleInformation(outRead, HANDLE_FLAG_INHERIT, 0);
    STARTUPINFOW startup = {};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = inRead;
    startup.hStdOutput = outWrite;
    startup.hStdError = GetStdHandle(STD_ERROR_HANDLE);
    std::wstring commandLine = quoted(self) + L" " + arguments;
    PROCESS_INFORMATION process = {};
    // A process group of its own: a child's Ctrl-C reaches no one else.
    const BOOL started = CreateProcessW(self, commandLine.data(), nullptr, nullptr, TRUE, CREATE_NEW_PROCESS_GROUP,
                                        nullptr, nullptr, &startup, &process);
    CloseHandle(inRead);
    CloseHandle(outWrite);
    ChildRun run;
    if (!started) {
        ADD_FAILURE() << "cannot start the child (error " << GetLastError() << ")";
        CloseHandle(inWrite);
        CloseHandle(outRead);
        return run;
    }
    DWORD count = 0;
    WriteFile(inWrite, input.data(), static_cast<DWORD>(input.size()), &count, nullptr);
    CloseHandle(inWrite);
    char buffer[4096];
    while (ReadFile(outRead, buffer, sizeof buffer, &count, nullptr) && count > 0) run.output.append(buffer, count);
    CloseHandle(outRead);
    WaitForSingleObject(process.hProcess, INFINITE);
    GetExitCodeProcess(process.hProcess, &run.exitCode);
    CloseHandle(process.hProcess);
    CloseHandle(process.hThread);
    return run;
}

// --- FilePlan: the same file however it is named ----------------------------------------
struct PlanCase {
    const char* name;
    bool hardLink;        // hard.txt made as a second name of log.txt
    const char* input;    // role "log"; null for none
    const char* output;   // role "-o"; "@" stands for the scratch folder's absolute path
    const char* second;   // role "--png"; null for none
    bool clash;
};

std::string expanded(const char* path, const fs::path& folder) {
    std::string text = path;
    if (const auto at = text.find('@'); at != std::string::npos) text.replace(at, 1, utf8Of(folder));
    return text;
}

class WindowsFilePlan : public ::testing::TestWithParam<PlanCase> {};

TEST_P(WindowsFilePlan, RefusesOnlyTheSameFile) {
    const PlanCase& test = GetParam();
    const test::ScratchFolder work;
    const test::CurrentFolderScope inWork(work.path());
    fs::create_directory("sub");
    test::writeFile("log.txt", OLD_TEXT);
    test::writeFile(pathFromUtf8(std::string("sub\\") + NON_ASCII + ".txt"), OLD_TEXT);
    if (test.hardLink) fs::create_hard_link("log.txt", "hard.txt");
    FilePlan plan;
    if (test.input) plan.input(expanded(test.input, work.path()), "log");
    plan.output(expanded(test.output, work.path()), "-o");
    if (test.second) plan.output(expanded(test.second, work.path()), "--png");
    if (test.clash) EXPECT_THROW(plan.check(), SameFileError);
    else EXPECT_NO_THROW(plan.check());
}

const std::string NON_ASCII_INPUT = std::string("sub\\") + NON_ASCII + ".txt";
const std::string NON_ASCII_OUTPUT = std::string("sub/./") + NON_ASCII + ".txt";

INSTANTIATE_TEST_SUITE_P(
    Cases, WindowsFilePlan,
    ::testing::Values(
        PlanCase{.name = "SamePath", .hardLink = false, .input = "log.txt", .output = "log.txt", .second = nullptr, .clash = true},
        PlanCase{.name = "OtherCase", .hardLink = false, .input = "log.txt", .output = "LOG.TXT", .second = nullptr, .clash = true},
        PlanCase{.name = "DriveLetterAndBackslashes", .hardLink = false, .input = "log.txt", .output = "@\\sub\\..\\log.txt", .second = nullptr, .clash = true},
        PlanCase{.name = "HardLink", .hardLink = true, .input = "hard.txt", .output = "log.txt", .second = nullptr, .clash = true},
        PlanCase{.name = "NonAsciiName", .hardLink = false, .input = NON_ASCII_INPUT.c_str(), .output = NON_ASCII_OUTPUT.c_str(), .second = nullptr, .clash = true},
        PlanCase{.name = "NewOutputsInOtherCase", .hardLink = false, .input = nullptr, .output = "sub\\a.png", .second = "SUB/A.PNG", .clash = true},
        PlanCase{.name = "AnotherName", .hardLink = false, .input = "log.txt", .output = "log.csv", .second = "log.png", .clash = false},
        PlanCase{.name = "NullDeviceNeverClashes", .hardLink = false, .input = "NUL", .output = "NUL", .second = "nul", .clash = false}),
    [](const ::testing::TestParamInfo<PlanCase>& param) { return std::string(param.param.name); });

// --- AtomicFile: whole or not at all, under any name ------------------------------------
struct ReplaceCase {
    const char* name;
    std::string fileName;  // UTF-8
    bool exists;
};

class WindowsAtomicFile : public ::testing::TestWithParam<ReplaceCase> {};

TEST_P(WindowsAtomicFile, TheOldFileStaysUntilTheCommitReplacesIt) {
    const ReplaceCase& test = GetParam();
    const test::ScratchFolder work;
    const fs::path target = work / pathFromUtf8(test.fileName);
    if (test.exists) test::writeFile(target, OLD_TEXT);
    {
        AtomicFile file(target, test.fileName);
        std::fputs("new rows\n", file.stream());
        std::fflush(file.stream());
        EXPECT_EQ(file.temporary().parent_path(), target.parent_path());
        EXPECT_EQ(test::readFile(target), test.exists ? OLD_TEXT : "");
        EXPECT_EQ(namesIn(work.path()).size(), test.exists ? 2u : 1u) << "the temporary file lies beside the target";
        file.commit();
    }
    EXPECT_EQ(test::readFile(target), "new rows\n") << "written in binary: no CR added";
    EXPECT_EQ(namesIn(work.path()), std::vector<std::string>{test.fileName});
}

INSTANTIATE_TEST_SUITE_P(Cases, WindowsAtomicFile,
                         ::testing::Values(ReplaceCase{.name = "Replaced", .fileName = "log.csv", .exists = true},
                                           ReplaceCase{.name = "New", .fileName = "log.csv", .exists = false},
                                           ReplaceCase{.name = "NonAsciiReplaced", .fileName = std::string(NON_ASCII) + ".csv", .exists = true},
                                           ReplaceCase{.name = "NonAsciiNew", .fileName = std::string(NON_ASCII) + ".csv", .exists = false}),
                         [](const ::testing::TestParamInfo<ReplaceCase>& param) { return std::string(param.param.name); });

TEST(WindowsAtomicFile, AFailedOrAbandonedWriteLeavesTheOldFileAndNoTemporary) {
    const test::ScratchFolder work;
    test::writeFile(work / "log.csv", OLD_TEXT);
    {
        AtomicFile abandoned(work / "log.csv", "log.csv");
        std::fputs("half a file", abandoned.stream());
    }
    {
        // Another program holds the old file open without letting it be
        // replaced (FILE_SHARE_DELETE): the commit fails and names the file.
        const HANDLE viewer = CreateFileW((work / "log.csv").c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                          OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
        ASSERT_NE(viewer, INVALID_HANDLE_VALUE);
        AtomicFile blocked(work / "log.csv", "log.csv");
        std::fputs("new rows", blocked.stream());
        EXPECT_THROW(blocked.commit(), OutputError);
        CloseHandle(viewer);
    }
    EXPECT_THROW(AtomicFile(work.path(), "scratch"), OutputError) << "a folder is not a file";
    EXPECT_EQ(test::readFile(work / "log.csv"), OLD_TEXT);
    EXPECT_EQ(namesIn(work.path()), std::vector<std::string>{"log.csv"});
}

// --- Ctrl-C and Ctrl-Break: the temporary file goes, the old file stays ----------------
struct StopCase {
    const char* name;
    const wchar_t* role;
    bool wineDelivers;  // Wine 8 delivers a generated Ctrl-C, not a Ctrl-Break
};

bool underWine() { return GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "wine_get_version") != nullptr; }

class InterruptedWrite : public ::testing::TestWithParam<StopCase> {};

TEST_P(InterruptedWrite, LeavesTheOldFileAndNoTemporary) {
    if (!GetParam().wineDelivers && underWine()) GTEST_SKIP() << "Wine does not deliver this generated console event";
    const test::ScratchFolder work;
    test::writeFile(work / "log.csv", OLD_TEXT);
    const ChildRun run = runChild(std::wstring(GetParam().role) + L" " + quoted((work / "log.csv").native()));
    EXPECT_EQ(run.exitCode, STOPPED_BY_CONTROL_C) << run.output;
    EXPECT_EQ(run.output, "writing\n") << "the child stopped before it wrote";
    EXPECT_EQ(test::readFile(work / "log.csv"), OLD_TEXT);
    EXPECT_EQ(namesIn(work.path()), std::vector<std::string>{"log.csv"});
}

INSTANTIATE_TEST_SUITE_P(Events, InterruptedWrite,
                         ::testing::Values(StopCase{.name = "ControlC", .role = L"--stop-with-control-c", .wineDelivers = true},
                                           StopCase{.name = "ControlBreak", .role = L"--stop-with-control-break", .wineDelivers = false}),
                         [](const ::testing::TestParamInfo<StopCase>& param) { return std::string(param.param.name); });

// --- Standard streams: bytes in, the same bytes out -------------------------------------
struct StreamCase {
    const char* name;
    std::string bytes;
};

class BinaryStreams : public ::testing::TestWithParam<StreamCase> {};

TEST_P(BinaryStreams, PassBytesUnchanged) {
    const ChildRun run = runChild(L"--echo", GetParam().bytes);
    EXPECT_EQ(run.exitCode, 0u);
    EXPECT_EQ(run.output, GetParam().bytes);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, BinaryStreams,
    ::testing::Values(StreamCase{.name = "LineFeeds", .bytes = "a\nb\n"},
                      StreamCase{.name = "CrLf", .bytes = "a\r\nb\r\n"},
                      StreamCase{.name = "ControlZ", .bytes = std::string("before\x1a" "after\n")},
                      StreamCase{.name = "PngSignature", .bytes = std::string("\x89PNG\r\n\x1a\n\0\0", 10)},
                      StreamCase{.name = "Utf8", .bytes = std::string(NON_ASCII) + "\n"}),
    [](const ::testing::TestParamInfo<StreamCase>& param) { return std::string(param.param.name); });

// --- The manifest: UTF-8 is the code page, for arguments and the C library's names --------
TEST(Utf8CodePage, ArgumentsAndNarrowFileNamesAreUtf8) {
    EXPECT_EQ(GetACP(), static_cast<UINT>(CP_UTF8));
    const std::wstring wideName = pathFromUtf8(NON_ASCII).native();
    EXPECT_EQ(runChild(L"--print-argument " + quoted(wideName)).output, NON_ASCII);
    const test::ScratchFolder work;
    const std::string narrowName = utf8Of(work / pathFromUtf8(NON_ASCII));
    std::FILE* file = std::fopen(narrowName.c_str(), "wb");
    ASSERT_NE(file, nullptr);
    std::fclose(file);
    EXPECT_EQ(namesIn(work.path()), std::vector<std::string>{NON_ASCII});
}

// --- The roles a child plays ------------------------------------------------------------
// Writes half a file, then sends itself the event on a console of its own;
// the console handler's removal runs and the process ends as a Ctrl-C ends it.
int stopWhileWriting(const wchar_t* target, DWORD event) {
    FreeConsole();
    AllocConsole();
    SetConsoleCtrlHandler(nullptr, FALSE);  // Ctrl-C is delivered even if the parent turned it off
    files::prepareStandardStreams();
    AtomicFile file(fs::path(target), "log.csv");
    std::fputs("half a file", file.stream());
    std::fflush(file.stream());
    std::fputs("writing\n", stdout);
    std::fflush(stdout);
    GenerateConsoleCtrlEvent(event, GetCurrentProcessId());
    Sleep(30000);
    return 3;  // not reached: the event ends the process
}

int echoStandardInput() {
    files::prepareStandardStreams();
    char buffer[4096];
    std::size_t count;
    while ((count = std::fread(buffer, 1, sizeof buffer, stdin)) > 0) std::fwrite(buffer, 1, count, stdout);
    files::finishStandardOutput();
    return 0;
}

}  // namespace
}  // namespace vorlat

int main(int argc, char** argv) {
    int wideCount = 0;
    wchar_t** wide = CommandLineToArgvW(GetCommandLineW(), &wideCount);
    if (wideCount == 3 && std::wstring(wide[1]) == L"--stop-with-control-c")
        return vorlat::stopWhileWriting(wide[2], CTRL_C_EVENT);
    if (wideCount == 3 && std::wstring(wide[1]) == L"--stop-with-control-break")
        return vorlat::stopWhileWriting(wide[2], CTRL_BREAK_EVENT);
    if (wideCount == 2 && std::wstring(wide[1]) == L"--echo") return vorlat::echoStandardInput();
    if (argc == 3 && std::string(argv[1]) == "--print-argument") return std::fputs(argv[2], stdout) < 0;
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
