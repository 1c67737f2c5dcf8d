// The log reader on every shape of file the recorder leaves behind, on files
// the real recorder wrote through the stand-in host, and (in strict mode) on
// files that are not flight logs at all. Damaged logs: log_damage_test.cpp.
#include <gtest/gtest.h>

#include <filesystem>
#include <optional>
#include <random>
#include <string>
#include <vector>

#include "host/host.h"
#include "tests/log/log_test_support.h"
#include "tools/log/flight_log.h"

namespace {

using namespace log_test;
using vorlat::flightlog::Ending;
using vorlat::flightlog::FlightLog;
using vorlat::flightlog::LogFormatError;
using vorlat::flightlog::NoRowsError;
using vorlat::flightlog::parseLog;
using vorlat::flightlog::ReadOptions;

constexpr ReadOptions STRICT{.strict = true};

std::vector<std::size_t> rowCounts(const FlightLog& log) {
    std::vector<std::size_t> counts;
    for (const auto& segment : log.segments) counts.push_back(segment.rowCount);
    return counts;
}

std::vector<std::optional<std::int64_t>> pauseGaps(const FlightLog& log) {
    std::vector<std::optional<std::int64_t>> gaps;
    for (const auto& pause : log.pauses()) gaps.push_back(pause.skippedSamples);
    return gaps;
}

std::string lfOnly(std::string text) {
    for (std::size_t at; (at = text.find("\r\n")) != std::string::npos;) text.erase(at, 1);
    return text;
}

struct Shape {
    const char* name;
    std::string text;
    Ending ending;
    std::vector<std::size_t> rowsPerSegment;
    std::optional<std::size_t> droppedLine;
    std::vector<std::optional<std::int64_t>> skippedPerPause;
};

// clang-format off
const std::vector<Shape> SHAPES = {
    {"complete", OPENING + HEADER + rows(5, 3) + END, Ending::EndRecording, {3}, std::nullopt, {}},
    {"ended by Exit", OPENING + HEADER + rows(5, 3) + EXIT, Ending::Exit, {3}, std::nullopt, {}},
    {"cut off after a whole row", OPENING + HEADER + rows(5, 3), Ending::CutOff, {3}, std::nullopt, {}},
    {"cut off mid-row", OPENING + HEADER + rows(5, 3) + row(8).substr(0, 20), Ending::CutOff, {3}, 6, {}},
    {"cut off between CR and LF", OPENING + HEADER + rows(5, 3) + row(8).substr(0, row(8).size() - 1), Ending::CutOff, {3}, 6, {}},
    {"cut off before the Stall field", OPENING + HEADER + rows(5, 1) + row(6).substr(0, row(6).size() - 3), Ending::CutOff, {1}, 4, {}},
    {"cut off in a header line", OPENING + HEADER + rows(5, 2) + HEADER.substr(0, 10), Ending::CutOff, {2}, 5, {}},
    {"cut off in the last line", OPENING + HEADER + rows(5, 2) + "End rec", Ending::CutOff, {2}, 5, {}},
    {"short row ended at the very end", OPENING + HEADER + rows(5, 2) + "    7\t100.0\t 90.0\r\n", Ending::CutOff, {2}, 5, {}},
    {"several pauses", OPENING + HEADER + rows(0, 5) + HEADER + rows(8, 3) + HEADER + rows(20, 2) + END,
     Ending::EndRecording, {5, 3, 2}, std::nullopt, {3, 9}},
    {"resumed before the next sample", OPENING + HEADER + rows(0, 2) + HEADER + rows(2, 2) + EXIT,
     Ending::Exit, {2, 2}, std::nullopt, {0}},
    {"paused twice without a row between", OPENING + HEADER + rows(0, 2) + HEADER + HEADER + rows(10, 1) + END,
     Ending::EndRecording, {2, 0, 1}, std::nullopt, {std::nullopt, std::nullopt}},
    {"LF line endings", lfOnly(OPENING + HEADER + rows(5, 3) + END), Ending::EndRecording, {3}, std::nullopt, {}},
};
// clang-format on

// Both modes read them alike: a partial last line is how a cut-off log ends, not damage to refuse.
TEST(LogReader, ReadsEveryShapeTheRecorderLeaves) {
    for (const Shape& shape : SHAPES) {
        for (const ReadOptions options : {ReadOptions{}, STRICT}) {
            SCOPED_TRACE(std::string(shape.name) + (options.strict ? ", strict" : ""));
            const FlightLog log = parseLog(shape.text, "f.txt", options);
            EXPECT_EQ(log.ending, shape.ending);
            EXPECT_EQ(rowCounts(log), shape.rowsPerSegment);
            EXPECT_EQ(log.dropped ? std::optional(log.dropped->line) : std::nullopt, shape.droppedLine);
            EXPECT_EQ(pauseGaps(log), shape.skippedPerPause);
        }
    }
}

// Not one row: an error in both modes, saying whether the log is damaged or simply empty.
TEST(LogReader, RefusesALogWithoutRowsInBothModes) {
    const struct {
        const char* name;
        std::string text;
        std::string tolerant, strict;  // what() in full
    } cases[] = {
        {"a recording stopped before its first sample", OPENING + HEADER + END,
         "f.txt: no readable row: the recording ended before its first sample", ""},
        {"opening lines only", OPENING + HEADER, "f.txt: no readable row: the recording ended before its first sample",
         ""},
        {"cut off in the opening line", "Recording En",
         "f.txt: no readable row: the recording ended before its first sample", ""},
        {"an empty file", "", "f.txt:1: the file is empty; expected the line \"Recording Enabled\"", ""},
        {"no line of a log", "bad\r\n", "f.txt: no readable row (1 unexpected line; 1 line skipped)",
         "f.txt:1: expected the line \"Recording Enabled\", found \"bad\""},
        {"only rows that do not read", OPENING + HEADER + "    1\tx\r\n" + END,
         "f.txt: no readable row (1 bad row; 1 line skipped)",
         "f.txt:3: field 2 (TAS): expected a number with 1 decimal (like \"123.4\"), found \"x\""},
    };
    for (const auto& c : cases) {
        for (const ReadOptions options : {ReadOptions{}, STRICT}) {
            SCOPED_TRACE(std::string(c.name) + (options.strict ? ", strict" : ""));
            try {
                parseLog(c.text, "f.txt", options);
                ADD_FAILURE() << "accepted";
            } catch (const LogFormatError& e) {
                EXPECT_EQ(std::string(e.what()), options.strict && !c.strict.empty() ? c.strict : c.tolerant);
            }
        }
    }
}

TEST(LogReader, KeepsEveryValueAndCountsTheSkippedSamples) {
    const Values v{.tas = 123.4,
                   .ias = 99.9,
                   .alt = -12,
                   .pitch = -2.5,
                   .climb = -76,
                   .g = 8.01,
                   .hdng = 359,
                   .turn = -3,
                   .bank = -12.3,
                   .roll = 40,
                   .prop = 28.6,
                   .hp = 100,
                   .thrust = 2500,
                   .aoa = 77.0,
                   .stall = 1};
    const FlightLog log =
        parseLog(OPENING + HEADER + row(7, v) + HEADER + row(12, v) + HEADER + HEADER + row(20, v) + END, "f.txt");
    ASSERT_EQ(log.rows.size(), 3u);
    const std::vector<double> expected{7,  123.4, 99.9, -12,  -2.5, -76,  8.01, 359,
                                       -3, -12.3, 40,   28.6, 100,  2500, 77.0, 1};
    for (std::size_t c = 0; c < expected.size(); ++c) EXPECT_DOUBLE_EQ(log.rows[0][c], expected[c]) << "column " << c;
    EXPECT_EQ(log.skippedSamples(), 4 + 7);  // 8..11 and 13..19
    EXPECT_EQ(log.lfOnlyLines, 0u);
}

TEST(LogReader, TakesTheTextsOfValuesThatAreNotFinite) {
    std::string line = row(0);
    line.replace(line.find("100.0"), 5, "  nan");
    line.replace(line.find(" 1.00"), 5, " -inf");
    const FlightLog log = parseLog(OPENING + HEADER + line + END, "f.txt");
    EXPECT_TRUE(std::isnan(log.rows[0][vorlat::flightlog::TAS]));
    EXPECT_EQ(log.rows[0][vorlat::flightlog::GFORC], -std::numeric_limits<double>::infinity());
}

struct NotALog {
    const char* name;
    std::string text;
    std::string error;  // what() in full
};

std::string withField(std::string line, std::size_t field, const std::string& text) {
    std::size_t start = 0;
    for (std::size_t f = 0; f < field; ++f) start = line.find('\t', start) + 1;
    const std::size_t end = line.find_first_of("\t\r", start);
    return line.replace(start, end - start, text);
}

const std::string ROW_OF_15_FIELDS = row(1).substr(0, row(1).rfind('\t')) + "\r\n";
const std::string ROW_OF_17_FIELDS = row(1).substr(0, row(1).size() - 2) + "\t0\r\n";

// clang-format off
const std::vector<NotALog> NOT_LOGS = {
    {"empty", "", "f.txt:1: the file is empty; expected the line \"Recording Enabled\""},
    {"binary", std::string("\x89PNG\r\n\x1a\n\0\0", 10), "f.txt:1: binary data (byte 0x89 at column 1); a flight log is plain ASCII text"},
    {"binary inside a row", OPENING + HEADER + "    0\t" + std::string(1, '\0') + "\r\n",
     "f.txt:3: binary data (byte 0x00 at column 7); a flight log is plain ASCII text"},
    {"a CSV", "time_s,segment,index\r\n0,1,0\r\n",
     "f.txt:1: expected the line \"Recording Enabled\", found \"time_s,segment,index\"; this looks like a CSV file, not a flight log"},
    {"no opening line", HEADER + rows(0, 2),
     "f.txt:1: expected the line \"Recording Enabled\", found \"index\\tTAS\\tIAS\\talt\\tpitch\\tclimb\\tgforc\\thdng...\"; the opening line is missing"},
    {"too few columns", OPENING + HEADER + row(0) + ROW_OF_15_FIELDS + row(2) + END, "f.txt:4: expected 16 tab-separated fields, found 15"},
    {"too many columns", OPENING + HEADER + row(0) + ROW_OF_17_FIELDS + END, "f.txt:4: expected 16 tab-separated fields, found 17"},
    {"a non-numeric field", OPENING + HEADER + withField(row(0), 2, "  abc") + END,
     "f.txt:3: field 3 (IAS): expected a number with 1 decimal (like \"123.4\"), found \"  abc\""},
    {"decimals in an integer column", OPENING + HEADER + withField(row(0), 3, "100.5") + END,
     "f.txt:3: field 4 (alt): expected an integer (like \"  123\"), found \"100.5\""},
    {"too many decimals", OPENING + HEADER + withField(row(0), 4, "1.500") + END,
     "f.txt:3: field 5 (pitch): expected a number with 2 decimals (like \"-2.50\"), found \"1.500\""},
    {"an index beyond 32 bits", OPENING + HEADER + withField(row(0), 0, "2147483648") + END,
     "f.txt:3: field 1 (index): expected an integer (like \"  123\"), found \"2147483648\""},
    {"an index that skips", OPENING + HEADER + row(0) + row(1) + row(3) + END,
     "f.txt:5: index 3 does not follow 1 (the rows between two header lines count up by one)"},
    {"an index that goes back after a pause", OPENING + HEADER + row(5) + HEADER + row(5) + END,
     "f.txt:5: index 5 is not after 5, the last index before the pause"},
    {"no header line", OPENING + row(0),
     "f.txt:2: expected the header line \"index\\tTAS\\tIAS\\talt\\tpitch\\tclimb\\tgforc\\thdng...\", found \"    0\\t100.0\\t 90.0\\t 1000\\t 1.50\\t    0\\t 1.0...\""},
    {"an empty line", OPENING + HEADER + row(0) + "\r\n" + row(1) + END,
     "f.txt:4: empty line; expected a row of 16 tab-separated numbers, the header line or \"End recording\""},
    {"a line of text", OPENING + HEADER + row(0) + "Hello\r\n" + END,
     "f.txt:4: expected a row of 16 tab-separated numbers, the header line or \"End recording\", found \"Hello\""},
    {"text after the last line", OPENING + HEADER + row(0) + END + row(1),
     "f.txt:5: unexpected text after the last line \"End recording\": \"    1\\t100.0\\t 90.0\\t 1000\\t 1.50\\t    0\\t 1.0...\""},
    {"a second opening line", OPENING + HEADER + row(0) + OPENING,
     "f.txt:4: expected a row of 16 tab-separated numbers, the header line or \"End recording\", found \"Recording Enabled\""},
    {"a cut line that is no log line", OPENING + HEADER + row(0) + "Hel",
     "f.txt:4: expected a row of 16 tab-separated numbers, the header line or \"End recording\", found \"Hel\""},
};
// clang-format on

TEST(LogReader, StrictModeRefusesWhatIsNotAFlightLogWithFileLineAndWhatWasExpected) {
    for (const NotALog& bad : NOT_LOGS) {
        SCOPED_TRACE(bad.name);
        try {
            parseLog(bad.text, "f.txt", STRICT);
            ADD_FAILURE() << "accepted";
        } catch (const LogFormatError& e) {
            EXPECT_EQ(std::string(e.what()), bad.error);
            EXPECT_EQ(e.file(), "f.txt");
        }
    }
}

// Damaged copies of a good log: in strict mode every one is read or refused
// with a LogFormatError, never anything else; by default every one is read
// unless no row at all survives, and what strict mode reads is read alike (run
// under the sanitizers too).
TEST(LogReader, ReadsOrRefusesEveryDamagedCopy) {
    const std::string good = OPENING + HEADER + rows(0, 6, {.tas = -12.5, .aoa = 154.0}) + HEADER + rows(9, 4) + EXIT;
    std::mt19937 random(20261209);
    const std::string bytes = std::string("\t\r\n -.0123456789naifxE,") + std::string(1, '\0') + "\xff";
    std::size_t read = 0, refused = 0;
    for (int copy = 0; copy < 3000; ++copy) {
        std::string text = good;
        const int edits = 1 + static_cast<int>(random() % 4);
        for (int e = 0; e < edits && !text.empty(); ++e) {
            const std::size_t at = random() % text.size();
            switch (random() % 4) {
                case 0: text[at] = bytes[random() % bytes.size()]; break;
                case 1: text.erase(at, 1 + random() % 8); break;
                case 2: text.insert(at, 1, bytes[random() % bytes.size()]); break;
                case 3: text.resize(at); break;
            }
        }
        std::optional<FlightLog> strict;
        try {
            strict = parseLog(text, "damaged.txt", STRICT);
            for (const auto& segment : strict->segments)
                ASSERT_LE(segment.firstRow + segment.rowCount, strict->rows.size());
            ++read;
        } catch (const LogFormatError& e) {
            EXPECT_EQ(std::string(e.what()).rfind("damaged.txt:", 0), 0u) << e.what();
            ++refused;
        }
        try {
            const FlightLog tolerant = parseLog(text, "damaged.txt");
            EXPECT_GT(tolerant.rows.size(), 0u);
            if (strict) {
                EXPECT_EQ(tolerant.rows.size(), strict->rows.size());
            } else {
                EXPECT_GT(tolerant.damage.total(), 0u);
            }
        } catch (const NoRowsError& e) {
            EXPECT_FALSE(strict.has_value()) << e.what();
        } catch (const LogFormatError& e) {
            EXPECT_TRUE(text.empty()) << e.what();
        }
    }
    EXPECT_GT(read, 100u);  // cuts at the end are read as cut-off logs
    EXPECT_GT(refused, 1000u);
}

TEST(LogReader, ReportsFilesThatCannotBeRead) {
    ScratchFolder dir;
    using vorlat::flightlog::collectLogFile;
    EXPECT_THROW(collectLogFile((dir / "missing.txt").string()), vorlat::flightlog::LogReadError);
    EXPECT_THROW(collectLogFile(dir.path().string()), vorlat::flightlog::LogReadError);
    writeFile(dir / "log.txt", OPENING + HEADER + rows(0, 2) + END);
    EXPECT_EQ(collectLogFile((dir / "log.txt").string()).rows.size(), 2u);
}

// ---------------------------------------------------------------------------
// Files the module itself wrote, through the stand-in host.

class RecorderRun {
public:
    RecorderRun() {
        host_.emplace(vorlat::HostOptions{});
        host_->setVariable(TICK_VARIABLE, 0);
        host_->setup();
        host_->start();
    }
    ~RecorderRun() {
        // The module's log stream buffers in the module's memory: close it before unloading.
        if (!finalDone_) host_->final();
        host_.reset();
    }
    void pressRecord() { host_->press(RECORD_X, BUTTON_Y); }
    void pressPause() { host_->press(PAUSE_X, BUTTON_Y); }
    void samples(int count) {
        for (int i = 0; i < count; ++i) {
            ticks_ += 9;
            host_->setVariable(TICK_VARIABLE, ticks_);
            host_->update();
        }
    }
    void shutDown() {
        host_->final();
        finalDone_ = true;
    }
    FlightLog log() const { return parseLog(readFile(dir_ / "data_log.txt"), "data_log.txt", STRICT); }

private:
    static constexpr std::uint32_t TICK_VARIABLE = 1;
    static constexpr int RECORD_X = 53, PAUSE_X = 65, BUTTON_Y = 6;
    ScratchFolder dir_;
    vorlat::test::CurrentFolderScope inDir_{dir_.path()};
    std::optional<vorlat::Host> host_;
    double ticks_ = 0;
    bool finalDone_ = false;
};

TEST(LogReader, ReadsWhatTheRecorderWrites) {
    {
        SCOPED_TRACE("ended by the record button, after three pauses");
        RecorderRun run;
        run.samples(7);
        run.pressRecord();
        run.samples(4);
        run.pressPause();
        run.samples(3);
        run.pressPause();
        run.samples(2);
        run.pressPause();
        run.pressPause();
        run.pressPause();
        run.samples(5);
        run.pressPause();
        run.samples(1);
        run.pressRecord();
        const FlightLog log = run.log();
        EXPECT_EQ(log.ending, Ending::EndRecording);
        EXPECT_EQ(rowCounts(log), (std::vector<std::size_t>{4, 2, 0, 1}));
        EXPECT_EQ(log.rows.front()[0], 7);  // samples since the module was loaded
        EXPECT_EQ(log.skippedSamples(), 3 + 5);
        EXPECT_EQ(log.lfOnlyLines, 0u);
    }
    {
        SCOPED_TRACE("ended by the gauge's shutdown, no rows");
        RecorderRun run;
        run.pressRecord();
        run.shutDown();
        EXPECT_THROW(run.log(), NoRowsError);
    }
    {
        SCOPED_TRACE("read while the recorder is still writing");
        RecorderRun run;
        run.pressRecord();
        run.samples(100);  // more than two 4096-byte blocks: the file on disk stops inside a line
        const FlightLog log = run.log();
        EXPECT_EQ(log.ending, Ending::CutOff);
        ASSERT_TRUE(log.dropped.has_value());
        EXPECT_EQ(log.dropped->line, log.rows.size() + 3);
        EXPECT_GT(log.rows.size(), 40u);
    }
}

}  // namespace
