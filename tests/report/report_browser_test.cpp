// The report in a real browser: headless Chromium opens the page from disk
// with the network off (in a network namespace of its own when run as root,
// and with every host name unresolvable and a dead proxy either way), runs
// its scripts, and the DOM it dumps says what the page holds and what failed.
// Skipped, saying so, only where no Chromium is installed.
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <regex>
#include <set>
#include <string>
#include <vector>

#include "tests/log/log_test_support.h"
#include "tests/log/long_log.h"
#include "tools/log/flight_log.h"
#include "tools/log/log_summary.h"
#include "tools/report/report_frames.h"

namespace {

namespace fs = std::filesystem;
using namespace vorlat;

std::string browserPath() {
    if (const char* chosen = std::getenv("VORLAT_CHROMIUM")) return fs::exists(chosen) ? chosen : "";
    for (const char* path : {"/usr/bin/chromium", "/usr/bin/chromium-browser"})
        if (fs::exists(path)) return path;
    return {};
}

std::string quoted(const std::string& text) { return "'" + text + "'"; }

// The command's standard output; its exit status in `status`.
std::string run(const std::string& command, int& status) {
    std::string out;
    std::FILE* pipe = ::popen(command.c_str(), "r");
    if (pipe == nullptr) return out;
    std::array<char, 65536> block{};
    for (std::size_t got; (got = std::fread(block.data(), 1, block.size(), pipe)) > 0;) out.append(block.data(), got);
    status = ::pclose(pipe);
    return out;
}

struct Page {
    std::map<std::string, std::string> data;  // the data-* attributes of <html>
    std::string dom;
    std::string attribute(const std::string& name) const {
        const auto found = data.find(name);
        return found == data.end() ? "(none)" : found->second;
    }
};

// A long log: about 55 hours of samples, its overview's buckets 64 s wide,
// its finest level's 8 s. Two lone TAS values 12 s apart lie in one bucket of
// the overview, which keeps only the larger; the finest level keeps both.
constexpr std::int64_t LONG_ROWS = 400'000;
constexpr std::int64_t SPIKE_ROW = 250'000, LARGER_SPIKE_ROW = SPIKE_ROW + 24;
constexpr double SPIKE_TAS = 400, LARGER_SPIKE_TAS = 410;

// The TAS field (the second) of the last line of `text` set to `tas`.
void setLastTas(std::string& text, double tas) {
    const std::size_t line = text.rfind('\n', text.size() - 2) + 1;
    const std::size_t from = text.find('\t', line) + 1;
    char field[16];
    std::snprintf(field, sizeof field, "%5.1f", tas);
    text.replace(from, text.find('\t', from) - from, field);
}

// The long log with its two spikes; the first one's log time in `spikeTime`.
bool writeSpikedLongLog(std::FILE* out, double& spikeTime) {
    std::string text = std::string(flightlog::FIRST_LINE) + "\r\n";
    std::int64_t index = 0;
    for (std::int64_t row = 0; row < LONG_ROWS; ++row) {
        log_test::appendLongRows(text, row, 1, index);
        if (row == SPIKE_ROW) spikeTime = flightlog::timeOfIndex(double(index - 1), flightlog::DEFAULT_TICK_RATE);
        if (row == SPIKE_ROW || row == LARGER_SPIKE_ROW) setLastTas(text, row == SPIKE_ROW ? SPIKE_TAS : LARGER_SPIKE_TAS);
        if (row + 1 == LONG_ROWS) text += std::string(flightlog::END_RECORDING_LINE) + "\r\n";
        if (text.size() < (1u << 20) && row + 1 != LONG_ROWS) continue;
        if (std::fwrite(text.data(), 1, text.size(), out) != text.size()) return false;
        text.clear();
    }
    return std::fflush(out) == 0;
}

class ReportInBrowser : public testing::Test {
protected:
    static void SetUpTestSuite() {
        folder_ = new log_test::ScratchFolder;
        int status = 0;
        const std::string program = quoted(VORLAT_PROGRAM_PATH);
        run("cd " + quoted(folder_->path().string()) + " && " + program + " fly --out one >/dev/null 2>&1 && " +
                program +
                " fly --out two --no-flight-presses --press 20:record --press 200:record >/dev/null 2>&1 && " +
                program + " log report one/data_log.txt -o one.html && " + program +
                " log report one/data_log.txt two/data_log.txt -o two.html",
            status);
        std::FILE* log = std::fopen((folder_->path() / "long.txt").c_str(), "wb");
        const bool written = log != nullptr && writeSpikedLongLog(log, spikeTime_);
        if (log != nullptr) std::fclose(log);
        int longStatus = 0;
        if (written)
            run("cd " + quoted(folder_->path().string()) + " && " + program + " log report long.txt -o long.html",
                longStatus);
        status = status != 0 ? status : (written ? longStatus : -1);
        setUpStatus_ = status;
    }
    static void TearDownTestSuite() { delete folder_; }

    void SetUp() override {
        if (browserPath().empty()) GTEST_SKIP() << "skipped: no browser (no Chromium at /usr/bin/chromium or $VORLAT_CHROMIUM)";
        ASSERT_EQ(setUpStatus_, 0) << "flying the built-in flight and writing its reports failed";
    }

    static fs::path file(const std::string& name) { return folder_->path() / name; }

    // The browser's command line with the network shut out.
    static std::string browser(const std::string& profile) {
        const std::string isolate = ::geteuid() == 0 ? "unshare -n " : "";
        return isolate + quoted(browserPath()) +
               " --headless --no-sandbox --disable-gpu --no-first-run --disable-background-networking"
               " --disable-component-update --disable-sync --host-resolver-rules='MAP * ~NOTFOUND'"
               " --proxy-server=127.0.0.1:9 --virtual-time-budget=10000 --user-data-dir=" +
               quoted((folder_->path() / profile).string());
    }

    static Page load(const fs::path& html, const std::string& fragment = {}) {
        int status = 0;
        Page page;
        page.dom = run(browser("profile-" + std::to_string(++runs_)) + " --dump-dom " +
                           quoted("file://" + html.string() + fragment) + " 2>/dev/null",
                       status);
        const std::size_t end = page.dom.find('>', page.dom.find("<html"));
        const std::string tag = page.dom.substr(0, end);
        const std::regex attribute("data-([a-z-]+)=\"([^\"]*)\"");
        for (auto it = std::sregex_iterator(tag.begin(), tag.end(), attribute); it != std::sregex_iterator(); ++it)
            page.data[(*it)[1]] = (*it)[2];
        return page;
    }

    static inline log_test::ScratchFolder* folder_ = nullptr;
    static inline int setUpStatus_ = -1;
    static inline double spikeTime_ = 0;
    static inline int runs_ = 0;
};

TEST_F(ReportInBrowser, LoadsWithNoFailureAndRequestsNothing) {
    const Page page = load(file("one.html"));
    EXPECT_EQ(page.attribute("state"), "ready");
    EXPECT_EQ(page.attribute("failures"), "0");
    EXPECT_NE(page.dom.find("<ul id=\"failures\" hidden=\"\"></ul>"), std::string::npos);
    ASSERT_NE(page.attribute("ready-ms"), "(none)");
    EXPECT_LT(std::stod(page.attribute("ready-ms")), 3000);

    // The watch is real: the same page with a picture from the network records it.
    std::string html = log_test::readFile(file("one.html"));
    html.insert(html.rfind("</body>"), "<img src=\"http://example.invalid/x.png\">");
    log_test::writeFile(file("fetching.html"), html);
    const Page fetching = load(file("fetching.html"));
    EXPECT_NE(fetching.attribute("failures"), "0");
    EXPECT_NE(fetching.dom.find("<li>blocked: img-src http://example.invalid/x.png</li>"), std::string::npos);
}

TEST_F(ReportInBrowser, HoldsTheChartsSeriesEventsAndPicturesOfTheLog) {
    const flightlog::FlightLog log = flightlog::collectLogFile(file("one/data_log.txt").string());
    const flightlog::Summary summary = flightlog::summarise(log);
    // The pictures: one per row that is the last at or before a planned time.
    std::vector<double> eventTimes, rowTimes;
    for (const flightlog::Event& event : summary.events.events) eventTimes.push_back(event.time);
    for (const flightlog::Row& row : log.rows)
        rowTimes.push_back(flightlog::timeOfIndex(row[flightlog::INDEX], flightlog::DEFAULT_TICK_RATE));
    const report::FramePlan plan =
        report::planFrames(summary.startTime, summary.endTime, summary.samplePeriod, eventTimes);
    std::set<double> pictured;
    for (const std::vector<double>* times : {&plan.cursorTimes, &plan.eventTimes})
        for (const double t : *times)
            pictured.insert(*std::prev(std::upper_bound(rowTimes.begin(), rowTimes.end(), t)));

    const Page page = load(file("one.html"));
    EXPECT_EQ(page.attribute("charts"), "5");
    EXPECT_EQ(page.attribute("series"),
              "11");  // two airspeeds, altitude and climb, three angles, g load, three of engine
    EXPECT_EQ(page.attribute("events"), std::to_string(summary.events.events.size()));
    EXPECT_EQ(page.attribute("frames"), std::to_string(pictured.size()));
    EXPECT_GT(summary.events.events.size(), 10u);
}

// The panel shows the moment at the cursor or before it, never a later one: an
// event's time has its own picture; between pictures (every 2 s, and at events)
// the last one before is shown, and its caption says where the cursor is. A time
// between rows puts the cursor on the nearest row. Past an hour, times read h:mm:ss.
TEST_F(ReportInBrowser, AFragmentsTimeSelectsThePictureAtOrBeforeIt) {
    struct Case {
        std::string page, time, frameTime, cursorNote;
    };
    const Case cases[] = {
        {.page = "one", .time = "138.5", .frameTime = "138.5", .cursorNote = ""},  // the stall
        {.page = "one", .time = "152.5", .frameTime = "152.5", .cursorNote = ""},  // the g load's peak
        {.page = "one", .time = "225.5", .frameTime = "225.5", .cursorNote = ""},  // the last row
        {.page = "one", .time = "151.5", .frameTime = "151", .cursorNote = "before the cursor at 151.5 s:"},
        // 142 is nearer, but later.
        {.page = "one", .time = "141.5", .frameTime = "140", .cursorNote = "before the cursor at 141.5 s:"},
        {.page = "one", .time = "151.3", .frameTime = "151", .cursorNote = "before the cursor at 151.5 s:"},  // its row
        {.page = "long", .time = "100001", .frameTime = "(any)", .cursorNote = "before the cursor at 27:46:"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.page + " at " + c.time);
        const Page page = load(file(c.page + ".html"), "#t=" + c.time);
        if (c.frameTime != "(any)") {
            EXPECT_EQ(page.attribute("frame-time"), c.frameTime);
        }
        const std::size_t caption = page.dom.find("id=\"panel-caption\"");
        ASSERT_NE(caption, std::string::npos);
        const std::string text = page.dom.substr(caption, page.dom.find('<', caption) - caption);
        EXPECT_EQ(text.find("the cursor at") != std::string::npos, !c.cursorNote.empty()) << text;
        if (!c.cursorNote.empty()) {
            EXPECT_NE(text.find(c.cursorNote), std::string::npos) << text;
        }
    }
}

TEST_F(ReportInBrowser, OverlaysSeveralLogsEachInItsColour) {
    const Page page = load(file("two.html"));
    EXPECT_EQ(page.attribute("failures"), "0");
    EXPECT_EQ(page.attribute("charts"), "5");
    EXPECT_EQ(page.attribute("series"), "22");
    EXPECT_NE(page.dom.find("one/data_log.txt"), std::string::npos);
    EXPECT_NE(page.dom.find("two/data_log.txt"), std::string::npos);
}

// Every event button clicked in turn, with a drag-zoom or a reset between some
// clicks: each time every legend and the panel stand at the event's time. Beside
// another flight a series differs from its flight's others only by its dash,
// which its legend marker must show; only the cursor's time is shared by the charts.
TEST_F(ReportInBrowser, EveryEventButtonPutsCursorAndPanelAtItsTime) {
    const std::string driver = log_test::readFile(fs::path(REPORT_TEST_SOURCES) / "report_clicks.js");
    for (const std::string name : {"one", "two"}) {
        SCOPED_TRACE(name);
        std::string html = log_test::readFile(file(name + ".html"));
        html.insert(html.rfind("</body>"), "<script>" + driver + "</script>");
        log_test::writeFile(file(name + "-clicked.html"), html);
        const Page page = load(file(name + "-clicked.html"));
        EXPECT_EQ(page.attribute("failures"), "0");
        ASSERT_EQ(page.attribute("clicked"), page.attribute("events"));
        EXPECT_GT(std::stoi(page.attribute("clicked")), 10);
        EXPECT_EQ(page.attribute("misses"), "");
        EXPECT_EQ(page.attribute("marker-clashes"), "0");
        EXPECT_EQ(page.attribute("y-lines"), "0");
        // The replayed panel hatches what the log does not hold, and says so under the picture.
        EXPECT_EQ(page.attribute("panel-legend").substr(0, 24), "hatched: not in the log ");
        EXPECT_GT(std::stoi(page.attribute("hatched-pixels")), 0);
    }
}

// Each kind's box hides exactly its events and says how many there are; a long
// log zoomed to a fiftieth draws from a finer level (the finest whose rows fit
// the chart): several times the rows the overview holds in that span.
TEST_F(ReportInBrowser, FiltersEventsByKindAndZoomsIntoFinerBuckets) {
    const std::string driver = log_test::readFile(fs::path(REPORT_TEST_SOURCES) / "report_filter_zoom.js");
    for (const std::string name : {"one", "long"}) {
        SCOPED_TRACE(name);
        std::string html = log_test::readFile(file(name + ".html"));
        html.insert(html.rfind("</body>"), "<script>" + driver + "</script>");
        log_test::writeFile(file(name + "-filtered.html"), html);
        const Page page = load(file(name + "-filtered.html"));
        EXPECT_EQ(page.attribute("failures"), "0");
        EXPECT_GE(std::stoi(page.attribute("kinds")), 4);
        EXPECT_EQ(page.attribute("filter-misses"), "");
        const std::string zoomed = page.attribute("zoomed");
        ASSERT_NE(zoomed, "(none)");
        const int overview = std::stoi(page.attribute("overview-points"));
        const int shown = std::stoi(zoomed.substr(zoomed.find(':') + 1));
        if (name == "one") {  // a short log's overview holds every row: nothing finer
            EXPECT_EQ(zoomed.substr(0, 2), "o:");
            EXPECT_LT(shown, overview / 2);
        } else {
            EXPECT_NE(zoomed.substr(0, 2), "o:");
            EXPECT_GT(shown, overview / 25);  // the overview holds about a fiftieth of its rows there
        }
    }
}

// Hovered at a lone TAS value of the long log, the overview's legend shows
// another value (its bucket kept only a larger one beside it); zoomed in to
// a minute around it, the chart draws from the finest level and shows it.
TEST_F(ReportInBrowser, ZoomingALongLogShowsTheDetailOfTheSpan) {
    const std::string driver = log_test::readFile(fs::path(REPORT_TEST_SOURCES) / "report_zoom_detail.js");
    std::string html = log_test::readFile(file("long.html"));
    html.insert(html.rfind("</body>"), "<script>" + driver + "</script>");
    log_test::writeFile(file("long-zoomed.html"), html);
    const Page page = load(file("long-zoomed.html"), "#spike=" + std::to_string(spikeTime_));
    EXPECT_EQ(page.attribute("failures"), "0");
    ASSERT_NE(page.attribute("spike-zoomed"), "(none)");
    EXPECT_EQ(page.attribute("spike-level"), "0");
    EXPECT_NE(std::stod(page.attribute("spike-overview")), SPIKE_TAS);
    EXPECT_EQ(std::stod(page.attribute("spike-zoomed")), SPIKE_TAS);
}

TEST_F(ReportInBrowser, LeavesAScreenshotAsATestArtifact) {
    fs::create_directories(REPORT_ARTIFACTS);
    const fs::path shot = fs::path(REPORT_ARTIFACTS) / "report.png";
    fs::remove(shot);
    int status = 0;
    run(browser("profile-shot") + " --window-size=1400,1100 --screenshot=" + quoted(shot.string()) + " " +
            quoted("file://" + file("one.html").string() + "#t=140") + " >/dev/null 2>&1",
        status);
    ASSERT_TRUE(fs::exists(shot));
    EXPECT_EQ(log_test::readFile(shot).substr(1, 3), "PNG");
    EXPECT_GT(fs::file_size(shot), 20'000u);  // a page with charts, not a blank one
}

}  // namespace
