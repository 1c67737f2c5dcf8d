// Memory stays flat: `vorlat log summary` and `log csv -o` on a million-row
// log (94 MB) peak hardly higher than on a thousand-row one, and below 64 MB;
// a log of a few rows whose index jumps by billions costs what a pause costs.
// The commands run as processes; the kernel reports each one's peak.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>

#include <cstdio>
#include <string>
#include <vector>

#include "tests/log/log_test_support.h"
#include "tests/log/long_log.h"

extern char** environ;

namespace {

using namespace log_test;

#if defined(__SANITIZE_ADDRESS__)
constexpr std::int64_t LONG_ROWS = 100'000;  // the sanitizers make every row slow
// AddressSanitizer keeps freed blocks in quarantine, so a peak grows with
// everything ever allocated: the commands run, the peaks mean nothing.
constexpr bool PEAKS_MEANINGFUL = false;
#else
constexpr std::int64_t LONG_ROWS = 1'000'000;
constexpr bool PEAKS_MEANINGFUL = true;
#endif
constexpr long MEGABYTE_KB = 1024;

void writeLog(const std::filesystem::path& path, std::int64_t rows) {
    std::FILE* out = std::fopen(path.c_str(), "wb");
    ASSERT_NE(out, nullptr);
    ASSERT_TRUE(writeLongLog(out, rows));
    ASSERT_EQ(std::fclose(out), 0);
}

// The command's peak resident memory in kilobytes; -1 when it did not succeed.
long peakKilobytes(const std::vector<std::string>& arguments) {
    std::vector<char*> argv{const_cast<char*>(LOG_COMMAND_DRIVER), const_cast<char*>("log")};
    for (const std::string& argument : arguments) argv.push_back(const_cast<char*>(argument.c_str()));
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    pid_t child = 0;
    const int spawned = posix_spawn(&child, LOG_COMMAND_DRIVER, &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (spawned != 0) return -1;
    int status = 0;
    rusage usage{};
    if (wait4(child, &status, 0, &usage) != child || !WIFEXITED(status) || WEXITSTATUS(status) != 0) return -1;
    return usage.ru_maxrss;
}

TEST(LogMemory, StaysFlatWhateverTheNumberOfRows) {
    ScratchFolder dir;
    const std::string small = (dir / "small.txt").string(), large = (dir / "large.txt").string();
    writeLog(small, 1000);
    writeLog(large, LONG_ROWS);
    const std::string csv = (dir / "out.csv").string();
    for (const auto& command : {std::vector<std::string>{"summary"}, std::vector<std::string>{"csv", "-o", csv}}) {
        SCOPED_TRACE(command.front());
        std::vector<std::string> onSmall = command, onLarge = command;
        onSmall.insert(onSmall.begin() + 1, small);
        onLarge.insert(onLarge.begin() + 1, large);
        const long smallPeak = peakKilobytes(onSmall), largePeak = peakKilobytes(onLarge);
        ASSERT_GT(smallPeak, 0);
        ASSERT_GT(largePeak, 0);
        if (PEAKS_MEANINGFUL) {
            EXPECT_LT(largePeak - smallPeak, 16 * MEGABYTE_KB) << smallPeak << " KB, then " << largePeak << " KB";
            EXPECT_LT(largePeak, 64 * MEGABYTE_KB);
        }
    }
    EXPECT_GT(std::filesystem::file_size(csv), 80u * static_cast<std::uintmax_t>(LONG_ROWS));
}

// The replay behind a report drives the module through an index gap at most a
// bounded number of samples, so a tiny log can never make it big.
TEST(LogMemory, ATinyLogWhoseIndexJumpsStaysSmall) {
    const std::vector<std::vector<int>> jumps = {{3, 2'000'000'000, 2'000'000'005}, {-2'000'000'000, 5}};
    ScratchFolder dir;
    for (std::size_t j = 0; j < jumps.size(); ++j) {
        std::string text = OPENING;
        for (const int index : jumps[j]) text += HEADER + row(index);
        text += END;
        ASSERT_LT(text.size(), 1024u);
        const std::string log = (dir / ("jump" + std::to_string(j) + ".txt")).string();
        std::FILE* out = std::fopen(log.c_str(), "wb");
        ASSERT_NE(out, nullptr);
        ASSERT_EQ(std::fwrite(text.data(), 1, text.size(), out), text.size());
        ASSERT_EQ(std::fclose(out), 0);
        const long peak = peakKilobytes({"report", log, "-o", log + ".html"});
        ASSERT_GT(peak, 0) << log;
        if (PEAKS_MEANINGFUL) {
            EXPECT_LT(peak, 100 * MEGABYTE_KB) << log << ": " << peak << " KB";
        }
    }
}

}  // namespace
