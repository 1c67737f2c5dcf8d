// `vorlat log report` as a user runs it: standard input and output, the title,
// and the refusals, with their exit codes; nothing left in the temporary folder.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <string>

#include "tests/log/log_test_support.h"
#include "tests/log/long_log.h"
#include "tools/report/report_frames.h"

namespace {

namespace fs = std::filesystem;

struct Result {
    int status = -1;
    std::string out;
};

// Runs the program in `folder` with its own temporary folder inside it, fed
// `piped` (a file in the folder) through a pipe when it is not empty.
Result runReport(const fs::path& folder, const std::string& arguments, const std::string& piped) {
    const std::string command = "cd '" + folder.string() + "' && " + (piped.empty() ? "" : "cat " + piped + " | ") +
                                "TMPDIR='" + (folder / "tmp").string() + "' '" + VORLAT_PROGRAM_PATH + "' log report " +
                                arguments + " 2>err.txt";
    Result result;
    std::FILE* pipe = ::popen(command.c_str(), "r");
    std::array<char, 65536> block{};
    for (std::size_t got; (got = std::fread(block.data(), 1, block.size(), pipe)) > 0;)
        result.out.append(block.data(), got);
    const int status = ::pclose(pipe);
    result.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return result;
}

TEST(ReportCommand, ReadsAndWritesFilesAndStandardStreams) {
    log_test::ScratchFolder folder;
    fs::create_directory(folder / "tmp");
    log_test::writeFile(folder / "log.txt", log_test::OPENING + log_test::HEADER + log_test::rows(20, 40) +
                                                log_test::HEADER + log_test::rows(80, 30, {.g = 4.2}) + log_test::END);
    log_test::writeFile(folder / "damaged.txt",
                        log_test::OPENING + log_test::HEADER + log_test::rows(20, 40) + "1 2 3\r\n" + log_test::END);
    struct Case {
        const char* name;
        std::string arguments;
        std::string piped;  // a file fed through a pipe
        int status;
        std::string file;      // the page, when one is written to a file
        std::string contains;  // in the page, or in the error message
        std::string warning;   // on standard error when the page is written
    };
    const Case cases[] = {
        {.name = "a file",
         .arguments = "log.txt -o a.html",
         .status = 0,
         .file = "a.html",
         .contains = "/log.txt — recording ended normally (&quot;End recording&quot;)</title>"},
        {.name = "standard input, read twice",
         .arguments = "- -o b.html < log.txt",
         .status = 0,
         .file = "b.html",
         .contains = "File          standard input"},
        {.name = "a damaged log through a pipe, read twice",
         .arguments = "- -o p.html",
         .piped = "damaged.txt",
         .status = 0,
         .file = "p.html",
         .contains = "File          standard input",
         .warning = "vorlat log report: standard input: damaged: 1 bad row"},
        {.name = "standard output",
         .arguments = "log.txt -o - --title 'A <b> title'",
         .status = 0,
         .file = "",
         .contains = "<title>A &lt;b&gt; title</title>"},
        {.name = "a range",
         .arguments = "log.txt -o c.html --from 20 --to 30",
         .status = 0,
         .file = "c.html",
         .contains = "rows from 20 s to 30 s"},
        {.name = "a tick rate: the charts on the time axis of the events and pictures",
         .arguments = "log.txt -o t.html --tick-rate 36",
         .status = 0,
         .file = "t.html",
         .contains = "\"period\":0.25,"},
        {.name = "the output is the input",
         .arguments = "log.txt -o log.txt",
         .status = 2,
         .file = "",
         .contains = "log.txt"},
        {.name = "a range with no row",
         .arguments = "log.txt -o d.html --from 500",
         .status = 2,
         .file = "",
         .contains = "500"},
        {.name = "no output named", .arguments = "log.txt", .status = 2, .file = "", .contains = "--output"},
        {.name = "a folder for the page",
         .arguments = "log.txt -o tmp",
         .status = 2,
         .file = "",
         .contains = "vorlat log report: -o \"tmp\" is a folder: give the page's file name, for example \"tmp/report.html\""},
        {.name = "a folder that does not exist",
         .arguments = "log.txt -o none/e.html",
         .status = 1,
         .file = "",
         .contains = "none/e.html"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const Result result = runReport(folder.path(), c.arguments, c.piped);
        EXPECT_EQ(result.status, c.status);
        const std::string text = c.status != 0    ? log_test::readFile(folder / "err.txt")
                                 : c.file.empty() ? result.out
                                                  : log_test::readFile(folder / c.file);
        EXPECT_NE(text.find(c.contains), std::string::npos) << text.substr(0, 2000);
        if (c.status == 0) {
            const std::string errors = log_test::readFile(folder / "err.txt");
            if (c.warning.empty()) {
                EXPECT_EQ(errors, "");
            } else {
                const std::size_t at = errors.find(c.warning);
                EXPECT_NE(at, std::string::npos) << errors;
                EXPECT_EQ(errors.find(c.warning, at + 1), std::string::npos) << "reported twice: " << errors;
            }
            EXPECT_EQ(text.rfind("<!DOCTYPE html>", 0), 0u);
            EXPECT_NE(text.find("</html>"), std::string::npos);
        }
        EXPECT_TRUE(fs::is_empty(folder / "tmp"));  // the copy of standard input and the replay's folder are gone
    }
    EXPECT_FALSE(fs::exists(folder / "d.html"));
    EXPECT_EQ(log_test::readFile(folder / "log.txt").substr(0, 20), log_test::OPENING + "i");  // untouched
}

}  // namespace

// A file of two recordings: each shown, beside the other and timed from its own
// start, or one picked by --recording; the events are on the charts' time base.
TEST(ReportCommand, ShowsEachRecordingOfAFileOrThePickedOne) {
    log_test::ScratchFolder folder;
    fs::create_directory(folder / "tmp");
    log_test::writeFile(folder / "two.txt", log_test::OPENING + log_test::HEADER + log_test::rows(20, 40) +
                                                log_test::END + log_test::OPENING + log_test::HEADER +
                                                log_test::rows(0, 30, {.g = 4.2}));
    ASSERT_EQ(runReport(folder.path(), "two.txt -o both.html", "").status, 0) << log_test::readFile(folder / "err.txt");
    const std::string both = log_test::readFile(folder / "both.html");
    for (const char* text : {"/two.txt, recording 1</strong>", "/two.txt, recording 2</strong>",
                             "The charts and the events time each flight from its recording's start",
                             // recording 1's first row (index 20, 10.5 s) is its 0 s
                             "data-flight=\"0\" data-t=\"0\">0.0 s</button> recording starts",
                             "data-flight=\"1\" data-t=\"0\">0.0 s</button> recording starts"})
        EXPECT_NE(both.find(text), std::string::npos) << text;
    EXPECT_EQ(log_test::readFile(folder / "err.txt"), "");

    ASSERT_EQ(runReport(folder.path(), "two.txt --recording 2 -o second.html", "").status, 0);
    const std::string second = log_test::readFile(folder / "second.html");
    EXPECT_EQ(second.find("recording 1"), std::string::npos);
    EXPECT_NE(second.find("data-t=\"0.5\">0.5 s</button> recording starts"), std::string::npos);
    EXPECT_EQ(runReport(folder.path(), "two.txt --recording 3 -o third.html", "").status, 2);
    EXPECT_FALSE(fs::exists(folder / "third.html"));
}

// A long log's page stays small: the charts hold a few thousand rows and the
// pictures are capped, whatever the log's length. (Its time is measured in
// docs/performance.md, not here: timings are not for a shared test machine.)
TEST(ReportCommand, AMillionRowLogMakesAPageUnderTwentyMegabytes) {
    log_test::ScratchFolder folder;
    fs::create_directory(folder / "tmp");
    std::FILE* log = std::fopen((folder / "long.txt").c_str(), "wb");
    ASSERT_NE(log, nullptr);
    ASSERT_TRUE(log_test::writeLongLog(log, 1'000'000));
    std::fclose(log);
    const Result result = runReport(folder.path(), "long.txt -o long.html", "");
    ASSERT_EQ(result.status, 0) << log_test::readFile(folder / "err.txt");
    const std::uintmax_t size = fs::file_size(folder / "long.html");
    EXPECT_LT(size, 20'000'000u);
    const std::string page = log_test::readFile(folder / "long.html");
    std::size_t pictures = 0;
    for (std::size_t at = 0; (at = page.find("data:image/png;base64,", at)) != std::string::npos; ++at) ++pictures;
    EXPECT_LE(pictures, vorlat::report::MAX_CURSOR_FRAMES + vorlat::report::MAX_EVENT_FRAMES);
    EXPECT_GT(pictures, vorlat::report::MAX_CURSOR_FRAMES / 2);
    EXPECT_NE(page.find("full-size pictures were made at 30 of them"), std::string::npos);

    // Zoomed in, the charts draw from levels down to DETAIL_FACTOR times narrower
    // buckets: 500,000 s over 4096 buckets of 128 s, and over 32768 of 16 s, 8192 of 32 s
    // and 16384 of 64 s, finest first, each with about half the rows of the one before.
    const std::size_t overview = page.find(",\"width\":128,\"table\":{\"t\":[");
    ASSERT_NE(overview, std::string::npos);
    const auto times = [&page](std::size_t from) {
        const std::size_t open = page.find('[', from + 20), close = page.find(']', open);
        return std::count(page.begin() + open, page.begin() + close, ',') + 1;
    };
    std::size_t at = page.find(",\"levels\":[", overview);
    ASSERT_NE(at, std::string::npos);
    std::ptrdiff_t finer = 0;
    for (const std::string width : {"64", "32", "16"}) {
        SCOPED_TRACE(width + " s");
        at = page.rfind("{\"width\":" + width + ",\"table\":{\"t\":[", page.find("],\"pauses\":", at));
        ASSERT_NE(at, std::string::npos);
        EXPECT_GT(times(at), std::max<std::ptrdiff_t>(3 * times(overview) / 2, 3 * finer / 2));
        finer = times(at);
    }
}
