// Damaged logs, one case per way a log gets damaged: the rows the reader keeps,
// the damage it reports, and what --strict says instead. Every case is read as
// a file would be and also a few bytes at a time, as a pipe may deliver it.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "tests/log/log_test_support.h"
#include "tools/log/flight_log.h"

namespace {

using namespace log_test;
using namespace vorlat::flightlog;

std::string withField(std::string line, std::size_t field, const std::string& text) {
    std::size_t start = 0;
    for (std::size_t f = 0; f < field; ++f) start = line.find('\t', start) + 1;
    const std::size_t end = line.find_first_of("\t\r", start);
    return line.replace(start, end - start, text);
}

std::string lfOnly(std::string text) {
    for (std::size_t at; (at = text.find("\r\n")) != std::string::npos;) text.erase(at, 1);
    return text;
}

// The text as a Windows editor saves it in UTF-16, with its byte-order mark.
std::string utf16(const std::string& text, bool littleEndian) {
    std::string encoded = littleEndian ? "\xFF\xFE" : "\xFE\xFF";
    for (const char c : text) encoded += littleEndian ? std::string{c, '\0'} : std::string{'\0', c};
    return encoded;
}

// CR LF line ends converted to CR LF once more.
std::string crCrLf(std::string text) {
    for (std::size_t at = 0; (at = text.find("\r\n", at)) != std::string::npos; at += 3) text.insert(at, "\r");
    return text;
}

// Rows 0 to 9 with the bytes from the 11th of row 3 to the 20th of row 6 overwritten by NULs.
std::string nulBlockOverRows() {
    std::string text = OPENING + HEADER + rows(0, 10) + END;
    const std::size_t from = text.find(row(3)) + 10, to = text.find(row(6)) + 20;
    return text.replace(from, to - from, std::string(to - from, '\0'));
}

const std::string LONG_NUL_TAIL(100 * 1024, '\0');

struct DamageCase {
    const char* name;
    std::string text;
    std::vector<int> kept;                                  // the indices of the rows read, in order
    std::vector<std::pair<DamageKind, std::size_t>> lines;  // damaged lines of each kind; every other kind none
    std::size_t skipped;
    std::vector<std::size_t> named;  // the damaged lines the report names
    Ending ending;
    std::string strict;  // what() of strict mode's refusal; empty: strict mode reads the same rows
    std::size_t segments = 1;
    std::uint64_t nulBytes = 0;
};

// clang-format off
const std::vector<DamageCase> CASES = {
    {.name = "the file ends mid-line", .text = OPENING + HEADER + rows(0, 3) + row(3).substr(0, 20),
     .kept = {0, 1, 2}, .lines = {{DamageKind::PartialLastLine, 1}}, .skipped = 1, .named = {6}, .ending = Ending::CutOff,
     .strict = ""},
    {.name = "NUL bytes after the last row", .text = OPENING + HEADER + rows(0, 3) + std::string(100, '\0'),
     .kept = {0, 1, 2}, .lines = {{DamageKind::TrailingNul, 1}}, .skipped = 0, .named = {6}, .ending = Ending::CutOff,
     .strict = "f.txt:6: binary data (byte 0x00 at column 1); a flight log is plain ASCII text", .nulBytes = 100},
    {.name = "a row cut off, then 100 KiB of NULs (a preallocated file)",
     .text = OPENING + HEADER + rows(0, 3) + row(3).substr(0, 30) + LONG_NUL_TAIL,
     .kept = {0, 1, 2}, .lines = {{DamageKind::PartialLastLine, 1}, {DamageKind::TrailingNul, 1}}, .skipped = 1,
     .named = {6, 6}, .ending = Ending::CutOff,
     .strict = "f.txt:6: binary data (byte 0x00 at column 31); a flight log is plain ASCII text",
     .nulBytes = 100 * 1024},
    {.name = "a byte-order mark", .text = "\xEF\xBB\xBF" + OPENING + HEADER + rows(0, 2) + END,
     .kept = {0, 1}, .lines = {{DamageKind::ByteOrderMark, 1}}, .skipped = 0, .named = {1}, .ending = Ending::EndRecording,
     .strict = "f.txt:1: binary data (byte 0xEF at column 1); a flight log is plain ASCII text"},
    {.name = "one bad row in the middle", .text = OPENING + HEADER + rows(0, 2) + withField(row(2), 2, "9x.5") + rows(3, 2) + END,
     .kept = {0, 1, 3, 4}, .lines = {{DamageKind::BadRow, 1}}, .skipped = 1, .named = {5}, .ending = Ending::EndRecording,
     .strict = "f.txt:5: field 3 (IAS): expected a number with 1 decimal (like \"123.4\"), found \"9x.5\""},
    {.name = "a row short of fields in the middle", .text = OPENING + HEADER + rows(0, 2) + "    2\t100.0\t 90.0\r\n" + rows(3, 1) + END,
     .kept = {0, 1, 3}, .lines = {{DamageKind::BadRow, 1}}, .skipped = 1, .named = {5}, .ending = Ending::EndRecording,
     .strict = "f.txt:5: expected 16 tab-separated fields, found 3"},
    {.name = "NULs over three rows (a disk error): the rows after them still read", .text = nulBlockOverRows(),
     .kept = {0, 1, 2, 7, 8, 9}, .lines = {{DamageKind::BadRow, 1}}, .skipped = 1, .named = {6}, .ending = Ending::EndRecording,
     .strict = "f.txt:6: binary data (byte 0x00 at column 11); a flight log is plain ASCII text"},
    {.name = "an index garbled into a later one", .text = OPENING + HEADER + rows(0, 3) + row(93) + rows(4, 2) + END,
     .kept = {0, 1, 2, 4, 5}, .lines = {{DamageKind::IndexOutOfOrder, 1}}, .skipped = 1, .named = {6},
     .ending = Ending::EndRecording,
     .strict = "f.txt:6: index 93 does not follow 2 (the rows between two header lines count up by one)"},
    {.name = "an index that goes back across a pause", .text = OPENING + HEADER + rows(0, 3) + HEADER + row(2) + row(3) + END,
     .kept = {0, 1, 2, 3}, .lines = {{DamageKind::IndexOutOfOrder, 1}}, .skipped = 1, .named = {7},
     .ending = Ending::EndRecording, .strict = "f.txt:7: index 2 is not after 2, the last index before the pause",
     .segments = 2},
    {.name = "an over-long line", .text = OPENING + HEADER + rows(0, 2) + std::string(70000, '7') + "\r\n" + rows(2, 1) + END,
     .kept = {0, 1, 2}, .lines = {{DamageKind::LongLine, 1}}, .skipped = 1, .named = {5}, .ending = Ending::EndRecording,
     .strict = "f.txt:5: a line of 70000 bytes, longer than any log line (at most 65536)"},
    {.name = "a line of text", .text = OPENING + HEADER + rows(0, 2) + "Hello\r\n" + rows(2, 2) + END,
     .kept = {0, 1, 2, 3}, .lines = {{DamageKind::UnexpectedLine, 1}}, .skipped = 1, .named = {5},
     .ending = Ending::EndRecording,
     .strict = "f.txt:5: expected a row of 16 tab-separated numbers, the header line or \"End recording\", found \"Hello\""},
    {.name = "an empty line", .text = OPENING + HEADER + rows(0, 2) + "\r\n" + rows(2, 2) + END,
     .kept = {0, 1, 2, 3}, .lines = {{DamageKind::UnexpectedLine, 1}}, .skipped = 1, .named = {5},
     .ending = Ending::EndRecording,
     .strict = "f.txt:5: empty line; expected a row of 16 tab-separated numbers, the header line or \"End recording\""},
    {.name = "text after the last line", .text = OPENING + HEADER + rows(0, 2) + END + "notes\r\n" + row(2),
     .kept = {0, 1}, .lines = {{DamageKind::TextAfterEnd, 2}}, .skipped = 2, .named = {6, 7}, .ending = Ending::EndRecording,
     .strict = "f.txt:6: unexpected text after the last line \"End recording\": \"notes\""},
    {.name = "two logs pasted together, the second starting over",
     .text = OPENING + HEADER + rows(5, 3) + END + OPENING + HEADER + rows(0, 2) + END,
     .kept = {5, 6, 7}, .lines = {{DamageKind::SecondLog, 4}}, .skipped = 3, .named = {7, 9, 10, 11},
     .ending = Ending::EndRecording,
     .strict = "f.txt:7: unexpected text after the last line \"End recording\": \"Recording Enabled\""},
    {.name = "two logs pasted together, the second going on (one session)",
     .text = OPENING + HEADER + rows(0, 3) + END + OPENING + HEADER + rows(10, 2) + EXIT,
     .kept = {0, 1, 2, 10, 11}, .lines = {{DamageKind::SecondLog, 1}}, .skipped = 0, .named = {7}, .ending = Ending::Exit,
     .strict = "f.txt:7: unexpected text after the last line \"End recording\": \"Recording Enabled\"", .segments = 2},
    {.name = "rows before any header line", .text = OPENING + rows(0, 3) + END,
     .kept = {0, 1, 2}, .lines = {{DamageKind::MissingHeader, 1}}, .skipped = 0, .named = {2}, .ending = Ending::EndRecording,
     .strict = "f.txt:2: expected the header line \"index\\tTAS\\tIAS\\talt\\tpitch\\tclimb\\tgforc\\thdng...\", found "
               "\"    0\\t100.0\\t 90.0\\t 1000\\t 1.50\\t    0\\t 1.0...\""},
    {.name = "no opening line", .text = HEADER + rows(0, 2) + END,
     .kept = {0, 1}, .lines = {{DamageKind::MissingOpening, 1}}, .skipped = 0, .named = {1}, .ending = Ending::EndRecording,
     .strict = "f.txt:1: expected the line \"Recording Enabled\", found "
               "\"index\\tTAS\\tIAS\\talt\\tpitch\\tclimb\\tgforc\\thdng...\"; the opening line is missing"},
    {.name = "a stray first line", .text = "junk\r\n" + OPENING + HEADER + rows(0, 2) + END,
     .kept = {0, 1}, .lines = {{DamageKind::UnexpectedLine, 1}}, .skipped = 1, .named = {1}, .ending = Ending::EndRecording,
     .strict = "f.txt:1: expected the line \"Recording Enabled\", found \"junk\""},
    {.name = "UTF-16, little-endian", .text = utf16(OPENING + HEADER + rows(0, 2) + END, true),
     .kept = {0, 1}, .lines = {{DamageKind::ByteOrderMark, 1}}, .skipped = 0, .named = {1}, .ending = Ending::EndRecording,
     .strict = "f.txt:1: UTF-16 text with a little-endian byte-order mark (an editor saved the file): read as plain text"},
    {.name = "UTF-16, big-endian, cut off mid-row", .text = utf16(OPENING + HEADER + rows(0, 2) + row(2).substr(0, 9), false),
     .kept = {0, 1}, .lines = {{DamageKind::ByteOrderMark, 1}, {DamageKind::PartialLastLine, 1}}, .skipped = 1, .named = {1, 5},
     .ending = Ending::CutOff,
     .strict = "f.txt:1: UTF-16 text with a big-endian byte-order mark (an editor saved the file): read as plain text"},
    {.name = "UTF-16 with a character beyond ASCII", .text = utf16(OPENING + HEADER + rows(0, 2) + "\xE9t\xE9\r\n" + rows(2, 1) + END, true),
     .kept = {0, 1, 2}, .lines = {{DamageKind::ByteOrderMark, 1}, {DamageKind::UnexpectedLine, 1}}, .skipped = 1, .named = {1, 5},
     .ending = Ending::EndRecording,
     .strict = "f.txt:1: UTF-16 text with a little-endian byte-order mark (an editor saved the file): read as plain text"},
    {.name = "CR CR LF line ends (converted twice): nothing lost", .text = crCrLf(OPENING + HEADER + rows(0, 3) + END),
     .kept = {0, 1, 2}, .lines = {{DamageKind::CrCrLf, 6}}, .skipped = 0, .named = {1}, .ending = Ending::EndRecording,
     .strict = "f.txt:1: a line ended by CR CR LF (the file was converted to CR LF twice): read as CR LF"},
    {.name = "LF line ends: no damage", .text = lfOnly(OPENING + HEADER + rows(0, 2) + END),
     .kept = {0, 1}, .lines = {}, .skipped = 0, .named = {}, .ending = Ending::EndRecording, .strict = ""},
};
// clang-format on

std::vector<int> indicesOf(const FlightLog& log) {
    std::vector<int> indices;
    for (const Row& row : log.rows) indices.push_back(static_cast<int>(row[INDEX]));
    return indices;
}

FlightLog readInSteps(const std::string& text, std::size_t step, ReadOptions options) {
    TextSource source(text, "f.txt", step);
    CollectRows rows;
    const LogInfo info = readLog(source, rows, options);
    return rows.take(info);
}

constexpr std::size_t STEPS[] = {CHUNK_BYTES, 1, 7, 4096};

TEST(LogDamage, KeepsTheSoundRowsAndReportsEachKindOfDamage) {
    for (const DamageCase& c : CASES) {
        for (const std::size_t step : STEPS) {
            SCOPED_TRACE(std::string(c.name) + ", read " + std::to_string(step) + " bytes at a time");
            const FlightLog log = readInSteps(c.text, step, {});
            EXPECT_EQ(indicesOf(log), c.kept);
            EXPECT_EQ(log.segments.size(), c.segments);
            EXPECT_EQ(log.ending, c.ending);
            for (const DamageKindInfo& kind : DAMAGE_KINDS) {
                std::size_t expected = 0;
                for (const auto& [k, lines] : c.lines) expected = k == kind.kind ? lines : expected;
                EXPECT_EQ(log.damage.count(kind.kind), expected) << kind.keyword;
            }
            EXPECT_EQ(log.damage.skippedLines, c.skipped);
            EXPECT_EQ(log.damage.trailingNulBytes, c.nulBytes);
            std::vector<std::size_t> named;
            for (const DamagedLine& line : log.damage.first) named.push_back(line.line);
            EXPECT_EQ(named, c.named);
        }
    }
}

TEST(LogDamage, StrictModeRefusesTheFirstDamageWithFileLineAndWhatWasExpected) {
    for (const DamageCase& c : CASES) {
        for (const std::size_t step : STEPS) {
            SCOPED_TRACE(std::string(c.name) + ", read " + std::to_string(step) + " bytes at a time");
            try {
                const FlightLog log = readInSteps(c.text, step, {.strict = true});
                EXPECT_EQ(c.strict, "") << "accepted";
                EXPECT_EQ(indicesOf(log), c.kept);
            } catch (const LogFormatError& e) {
                EXPECT_EQ(e.what(), c.strict);
            }
        }
    }
}

// The report names what was expected on each damaged line, as strict mode would say it.
TEST(LogDamage, NamesWhatWasExpectedOnTheFirstDamagedLines) {
    const FlightLog log = parseLog(OPENING + HEADER + rows(0, 3) + END + OPENING + HEADER + rows(0, 2) + END, "f.txt");
    ASSERT_EQ(log.damage.first.size(), 4u);
    const std::pair<DamageKind, std::string> expected[] = {
        {DamageKind::SecondLog, "a second log begins here: two logs pasted together"},
        {DamageKind::SecondLog,
         "index 0 is not after 2, the last index before it: a second log that starts over, skipped"},
        {DamageKind::SecondLog, "a line of a second log that is skipped"},
    };
    for (std::size_t i = 0; i < std::size(expected); ++i) {
        EXPECT_EQ(log.damage.first[i].kind, expected[i].first);
        EXPECT_EQ(log.damage.first[i].expected, expected[i].second);
    }
    EXPECT_EQ(damageHeadline(log.damage), "4 lines of a second log; 3 lines skipped");
}

// Several recordings in one file, each begun by its own opening line: read one
// by one, each with its own rows, damage and ending; or one of them alone.
struct RecordingsCase {
    const char* name;
    std::string text;
    std::vector<std::vector<int>> kept;  // per recording
    std::vector<Ending> endings;
    std::vector<std::size_t> damaged;  // damaged lines per recording
};

// clang-format off
const std::vector<RecordingsCase> RECORDINGS = {
    {.name = "the second starting over", .text = OPENING + HEADER + rows(5, 3) + END + OPENING + HEADER + rows(0, 2) + END,
     .kept = {{5, 6, 7}, {0, 1}}, .endings = {Ending::EndRecording, Ending::EndRecording}, .damaged = {0, 0}},
    {.name = "the second going on", .text = OPENING + HEADER + rows(0, 3) + END + OPENING + HEADER + rows(10, 2) + EXIT,
     .kept = {{0, 1, 2}, {10, 11}}, .endings = {Ending::EndRecording, Ending::Exit}, .damaged = {0, 0}},
    {.name = "three, the first cut off, an empty one, damage in the last",
     .text = OPENING + HEADER + rows(0, 2) + OPENING + HEADER + END + OPENING + HEADER + rows(0, 1) + "junk\r\n" + rows(1, 1),
     .kept = {{0, 1}, {}, {0, 1}}, .endings = {Ending::CutOff, Ending::EndRecording, Ending::CutOff}, .damaged = {0, 0, 1}},
    {.name = "in UTF-16 with CR CR LF", .text = utf16(crCrLf(OPENING + HEADER + rows(0, 1) + END + OPENING + HEADER + rows(0, 1)), true),
     .kept = {{0}, {0}}, .endings = {Ending::EndRecording, Ending::CutOff}, .damaged = {5, 3}},
};
// clang-format on

TEST(LogDamage, ReadsEachRecordingOfAFileOnItsOwn) {
    for (const RecordingsCase& c : RECORDINGS) {
        SCOPED_TRACE(c.name);
        const std::vector<FlightLog> recordings = parseRecordings(c.text, "f.txt");
        ASSERT_EQ(recordings.size(), c.kept.size());
        for (std::size_t r = 0; r < recordings.size(); ++r) {
            SCOPED_TRACE("recording " + std::to_string(r + 1));
            EXPECT_EQ(indicesOf(recordings[r]), c.kept[r]);
            EXPECT_EQ(recordings[r].ending, c.endings[r]);
            EXPECT_EQ(recordings[r].damage.total(), c.damaged[r]);
            EXPECT_EQ(recordings[r].recording, r + 1);
            EXPECT_EQ(recordings[r].recordings, c.kept.size());
            if (c.kept[r].empty()) continue;
            // One asked for alone reads the same, and says how many the file holds.
            const FlightLog alone = parseLog(c.text, "f.txt", {.recording = r + 1});
            EXPECT_EQ(indicesOf(alone), c.kept[r]);
            EXPECT_EQ(alone.ending, c.endings[r]);
            EXPECT_EQ(alone.recordings, c.kept.size());
        }
        // Read as one log, as ever: the same count of recordings.
        EXPECT_EQ(parseLog(c.text, "f.txt").recordings, c.kept.size());
    }
}

TEST(LogDamage, RefusesARecordingPastTheLast) {
    const std::string text = OPENING + HEADER + rows(0, 2) + END + OPENING + HEADER + rows(0, 2) + END;
    try {
        parseLog(text, "f.txt", {.recording = 3});
        ADD_FAILURE() << "read a third recording";
    } catch (const LogFormatError& e) {
        EXPECT_STREQ(e.what(), "f.txt: there is no recording 3: the file holds 2");
    }
    EXPECT_THROW(parseLog(OPENING + HEADER + rows(0, 2) + OPENING + HEADER + END, "f.txt", {.recording = 2}),
                 NoRowsError);
}

}  // namespace
