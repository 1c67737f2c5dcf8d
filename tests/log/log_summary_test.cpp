// The summary against values worked out by hand on a five-row flight, and the
// CSV export against the log it came from, streamed and from memory.
#include <gtest/gtest.h>

#include <charconv>
#include <clocale>
#include <cmath>
#include <locale>
#include <sstream>
#include <string>
#include <vector>

#include "tests/log/log_test_support.h"
#include "tools/csv/log_csv.h"
#include "tools/log/flight_log.h"
#include "tools/log/log_summary.h"

namespace {

using namespace log_test;
using namespace vorlat::flightlog;

// Two segments; samples 13 to 15 fall in the pause. At 18 ticks/s the rows
// stand at 5.5, 6.0, 6.5, 8.5 and 9.0 s: sample n is taken at tick 9 (n + 1).
// clang-format off
const std::string HAND_FLIGHT = OPENING + HEADER +
    row(10, {.tas = 290, .ias = 280,   .alt = 1000, .pitch =  1, .climb =  500, .g =  1.00, .hdng =  90, .bank =  0, .prop = 20, .hp = 500, .thrust = 1000, .aoa =  3, .stall = 0}) +
    row(11, {.tas = 310, .ias = 300,   .alt = 1200, .pitch =  2, .climb =  700, .g =  3.50, .hdng =  95, .bank =  5, .prop = 22, .hp = 600, .thrust = 1100, .aoa =  5, .stall = 0}) +
    row(12, {.tas = 520, .ias = 305,   .alt = 1100, .pitch =  0.5, .climb = -300, .g = -8.50, .hdng = 100, .bank = 10, .prop = 24, .hp = 700, .thrust = 1200, .aoa = 18, .stall = 1}) +
    HEADER +
    row(16, {.tas = 400, .ias = 500,   .alt =  900, .pitch = -1, .climb = -900, .g =  3.00, .hdng = 110, .bank = -5, .prop = 26, .hp = 400, .thrust =  900, .aoa = 16, .stall = 1}) +
    row(17, {.tas = 250, .ias = 250.1, .alt = 1500, .pitch =  0, .climb = 1000, .g = -3.01, .hdng = 120, .bank =  0, .prop = 28, .hp = 300, .thrust =  800, .aoa =  4, .stall = 0}) +
    END;
// clang-format on

TEST(LogSummary, MatchesTheHandWorkedFlight) {
    const Summary s = summarise(parseLog(HAND_FLIGHT, "hand.txt"));
    EXPECT_EQ(s.ending, Ending::EndRecording);
    EXPECT_EQ(s.rows, 5u);
    EXPECT_EQ(s.segments, 2u);
    EXPECT_EQ(s.pauses, 1u);
    EXPECT_EQ(s.skippedSamples, 3);
    EXPECT_DOUBLE_EQ(s.startTime, 5.5);
    EXPECT_DOUBLE_EQ(s.endTime, 9.0);
    EXPECT_DOUBLE_EQ(s.duration, 3.5);

    const ColumnStats& tas = s.columns[TAS];
    EXPECT_DOUBLE_EQ(tas.min, 250);
    EXPECT_DOUBLE_EQ(tas.minTime, 9.0);
    EXPECT_DOUBLE_EQ(tas.max, 520);
    EXPECT_DOUBLE_EQ(tas.maxTime, 6.5);
    EXPECT_DOUBLE_EQ(tas.mean, 354);
    const ColumnStats& alt = s.columns[ALT];
    EXPECT_DOUBLE_EQ(alt.mean, 1140);
    EXPECT_DOUBLE_EQ(alt.minTime, 8.5);
    EXPECT_DOUBLE_EQ(alt.maxTime, 9.0);
    EXPECT_DOUBLE_EQ(s.columns[STALL].mean, 0.4);

    // A value on a threshold takes the milder band: IAS 300 is green, IAS 500 and G 3.00 are not red / not yellow.
    EXPECT_DOUBLE_EQ(s.bandTimes(TAS).yellowSeconds, 1.0);  // 310, 400
    EXPECT_DOUBLE_EQ(s.bandTimes(TAS).redSeconds, 0.5);     // 520
    EXPECT_DOUBLE_EQ(s.bandTimes(IAS).yellowSeconds, 1.0);  // 305, 500
    EXPECT_DOUBLE_EQ(s.bandTimes(IAS).redSeconds, 0.0);
    EXPECT_DOUBLE_EQ(s.bandTimes(GFORC).yellowSeconds, 1.0);  // 3.50, -3.01
    EXPECT_DOUBLE_EQ(s.bandTimes(GFORC).redSeconds, 0.5);     // -8.50

    EXPECT_EQ(s.stall.events, 2u);  // one on each side of the pause
    ASSERT_TRUE(s.stall.firstTime.has_value());
    EXPECT_DOUBLE_EQ(*s.stall.firstTime, 6.5);
    EXPECT_DOUBLE_EQ(s.stall.totalSeconds, 1.0);

    EXPECT_DOUBLE_EQ(s.columns[CLIMB].max, 1000);
    EXPECT_DOUBLE_EQ(s.columns[CLIMB].maxTime, 9.0);
    EXPECT_DOUBLE_EQ(s.columns[CLIMB].min, -900);
    EXPECT_DOUBLE_EQ(s.columns[CLIMB].minTime, 8.5);
    // Within a segment only: the drop from 1100 to 900 spans the pause.
    EXPECT_DOUBLE_EQ(s.largestGain.feet, 600);
    EXPECT_DOUBLE_EQ(s.largestGain.fromTime, 8.5);
    EXPECT_DOUBLE_EQ(s.largestGain.toTime, 9.0);
    EXPECT_DOUBLE_EQ(s.largestLoss.feet, 100);
    EXPECT_DOUBLE_EQ(s.largestLoss.fromTime, 6.0);
    EXPECT_DOUBLE_EQ(s.largestLoss.toTime, 6.5);
}

TEST(LogSummary, TimesFollowTheTickRate) {
    const Summary s = summarise(parseLog(HAND_FLIGHT, "hand.txt"), 20.0);
    EXPECT_DOUBLE_EQ(s.samplePeriod, 0.45);
    EXPECT_DOUBLE_EQ(s.startTime, 4.95);
    EXPECT_DOUBLE_EQ(s.stall.totalSeconds, 0.9);
}

TEST(LogSummary, LeavesValuesThatAreNotFiniteOutOfTheColumnStatistics) {
    std::string line = row(1, {.tas = 200});
    line.replace(line.find("200.0"), 5, "  nan");
    const Summary s = summarise(parseLog(OPENING + HEADER + row(0, {.tas = 100}) + line + END, "f.txt"));
    EXPECT_EQ(s.columns[TAS].count, 1u);
    EXPECT_DOUBLE_EQ(s.columns[TAS].mean, 100);
}

TEST(LogSummary, PrintsTheTableAndTheJson) {
    const Summary s = summarise(parseLog(HAND_FLIGHT, "hand.txt"));
    std::ostringstream table;
    writeSummaryTable(table, s);
    for (const char* line : {
             "Completeness  ended normally (\"End recording\")\n",
             "Rows          5 in 2 segments, 1 pause (3 samples not recorded, 1.5 s)\n",
             "Time          5.5 s to 9.0 s, duration 3.5 s (a sample every 0.5 s at 18 ticks/s)\n",
             "TAS     kt           250.0       9.0     520.0       6.5    354.000\n",
             "Stalls        2 events, first at 6.5 s, 1.0 s in all\n",
             "Climb rate    largest climb 1000 ft/min at 9.0 s, largest descent -900 ft/min at 8.5 s\n",
             "Altitude      largest gain 600 ft (8.5 s to 9.0 s), largest loss 100 ft (6.0 s to 6.5 s)\n",
         })
        EXPECT_NE(table.str().find(line), std::string::npos) << line << "in:\n" << table.str();

    std::ostringstream json;
    writeSummaryJson(json, s);
    for (const char* item : {
             "\"completeness\": \"end_recording\"",
             "\"rows\": 5,",
             "\"tas_kt\": {\"min\": 250, \"min_s\": 9, \"max\": 520, \"max_s\": 6.5, \"mean\": 354}",
             "\"bands\": {\"tas\": {\"yellow_s\": 1, \"red_s\": 0.5}, \"ias\": {\"yellow_s\": 1, \"red_s\": 0}, \"g\": "
             "{\"yellow_s\": 1, \"red_s\": 0.5}}",
             "\"stall\": {\"events\": 2, \"first_s\": 6.5, \"total_s\": 1}",
         })
        EXPECT_NE(json.str().find(item), std::string::npos) << item << " in:\n" << json.str();
}

// A flight past an hour gives every time of its column table as a clock, under
// "at" rather than "at s", so no column mixes seconds and clock times.
TEST(LogSummary, ColumnTableOfAFlightPastAnHourReadsAsAClock) {
    const std::string flight = OPENING + HEADER + row(7000, {.tas = 300}) + HEADER + row(7300, {.tas = 200}) + END;
    std::ostringstream table;
    writeSummaryTable(table, summarise(parseLog(flight, "long.txt")));
    for (const char* line : {
             "Column  Unit           Min        at       Max        at       Mean\n",
             "TAS     kt           200.0 1:00:50.5     300.0 0:58:20.5    250.000\n",
         })
        EXPECT_NE(table.str().find(line), std::string::npos) << line << "in:\n" << table.str();
}

// A machine finds the same keys in every summary: without rows (a log the
// reader refuses, but a summary may still be made of it), each is null where no
// value exists, in the order of a summary with rows; the damage has all its kinds.
TEST(LogSummary, JsonHasEveryKeyWithoutRows) {
    const FlightLog empty{.file = "empty.txt",
                          .segments = {{.headerLine = 2, .firstRow = 0, .rowCount = 0}},
                          .ending = Ending::EndRecording};
    std::ostringstream json;
    writeSummaryJson(json, summarise(empty, 20.0));
    std::string columns;
    for (std::size_t c = 1; c < COLUMN_COUNT; ++c)
        columns += "    \"" + std::string(COLUMNS[c].csvName) + "\": null" + (c + 1 < COLUMN_COUNT ? ",\n" : "\n");
    EXPECT_EQ(json.str(),
              "{\n"
              "  \"file\": \"empty.txt\",\n"
              "  \"completeness\": \"end_recording\",\n"
              "  \"dropped_line\": null,\n"
              "  \"lf_only_lines\": 0,\n"
              "  \"damage\": {\n"
              "    \"skipped_lines\": 0,\n"
              "    \"trailing_nul_bytes\": 0,\n"
              "    \"lines\": {\"byte_order_mark\": 0, \"cr_cr_lf\": 0, \"missing_opening\": 0, \"missing_header\": 0, \"bad_row\": 0, "
              "\"long_line\": 0, \"index_out_of_order\": 0, \"unexpected_line\": 0, \"second_log\": 0, "
              "\"text_after_end\": 0, \"partial_last_line\": 0, \"trailing_nul\": 0},\n"
              "    \"first\": []\n"
              "  },\n"
              "  \"range\": {\"from_s\": null, \"to_s\": null},\n"
              "  \"tick_rate\": 20,\n"
              "  \"sample_period_s\": 0.45,\n"
              "  \"rows\": 0,\n"
              "  \"segments\": 1,\n"
              "  \"pauses\": 0,\n"
              "  \"skipped_samples\": 0,\n"
              "  \"start_s\": null,\n"
              "  \"end_s\": null,\n"
              "  \"duration_s\": null,\n"
              "  \"columns\": {\n" +
                  columns +
                  "  },\n"
                  "  \"bands\": {\"tas\": {\"yellow_s\": 0, \"red_s\": 0}, \"ias\": {\"yellow_s\": 0, \"red_s\": 0}, "
                  "\"g\": {\"yellow_s\": 0, \"red_s\": 0}},\n"
                  "  \"stall\": {\"events\": 0, \"first_s\": null, \"total_s\": 0},\n"
                  "  \"climb\": {\"largest_climb_ft_min\": null, \"at_s\": null, \"largest_descent_ft_min\": null, "
                  "\"descent_at_s\": null},\n"
                  "  \"altitude\": {\"largest_gain\": null, \"largest_loss\": null},\n"
                  "  \"events\": [],\n"
                  "  \"events_not_listed\": 0\n"
                  "}\n");
}

// A cut-off log says what was dropped and which lines lacked their CR.
TEST(LogSummary, TableReportsADroppedLineAndLfEndings) {
    std::string text = OPENING + HEADER + rows(0, 3);
    text.erase(text.find("\r\n"), 1);
    std::ostringstream table;
    writeSummaryTable(table, summarise(parseLog(text + "    3\t100", "cut.txt")));
    EXPECT_NE(
        table.str().find("Completeness  cut off (no last line)\n"
                         "              damaged: 1 partial last line; 1 line skipped\n"
                         "              line 6: the file ends inside this line: the recorder stopped while writing it\n"
                         "              1 line ends in LF alone, not CR LF\n"
                         "Rows          3 in 1 segment, 0 pauses"),
        std::string::npos)
        << table.str();
}

// The damage is part of the completeness, in both outputs: the first lines named, the rest counted.
TEST(LogSummary, ReportsTheDamageInTheTableAndTheJson) {
    std::string text = OPENING + HEADER + row(0);
    for (int bad = 0; bad < 6; ++bad) text += "    9\tx\r\n";
    const Summary s = summarise(parseLog(text + row(1) + END + "tail\r\n", "bad.txt"));
    std::ostringstream table, json;
    writeSummaryTable(table, s);
    writeSummaryJson(json, s);
    EXPECT_NE(
        table.str().find(
            "Completeness  ended normally (\"End recording\")\n"
            "              damaged: 6 bad rows, 1 line after the last line; 7 lines skipped\n"
            "              line 4: field 2 (TAS): expected a number with 1 decimal (like \"123.4\"), found \"x\"\n"),
        std::string::npos)
        << table.str();
    EXPECT_NE(table.str().find("              line 8: field 2 (TAS)"), std::string::npos) << table.str();
    EXPECT_NE(table.str().find("              and 2 more damaged lines\n"), std::string::npos) << table.str();
    for (const char* item : {
             "\"skipped_lines\": 7,",
             "\"bad_row\": 6,",
             "\"text_after_end\": 1,",
             "\"first\": [{\"line\": 4, \"kind\": \"bad_row\", \"expected\": \"field 2 (TAS): expected a number with 1 "
             "decimal "
             "(like \\\"123.4\\\"), found \\\"x\\\"\"},\n",
         })
        EXPECT_NE(json.str().find(item), std::string::npos) << item << " in:\n" << json.str();
}

// Heading and bank wrap: their mean is the mean direction, in the column's own range.
TEST(LogSummary, TakesTheCircularMeanOfTheAnglesThatWrap) {
    const struct {
        const char* what;
        std::vector<std::pair<std::int32_t, double>> headingAndBank;
        double heading, bank;  // NaN: the directions cancel out
    } cases[] = {
        {"across north and across inverted flight", {{350, 170.0}, {10, -170.0}}, 0, 180},
        {"near 90 and level", {{80, -10.0}, {100, 10.0}}, 90, 0},
        {"west of north stays positive", {{340, -20.0}, {350, -30.0}}, 345, -25},
        {"opposite directions", {{0, 90.0}, {180, -90.0}}, NAN, NAN},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        std::string text = OPENING + HEADER;
        std::int32_t index = 0;
        for (const auto& [heading, bank] : c.headingAndBank) text += row(index++, {.hdng = heading, .bank = bank});
        const Summary s = summarise(parseLog(text + END, "f.txt"));
        for (const auto& [column, expected] : {std::pair{HDNG, c.heading}, std::pair{BANK, c.bank}}) {
            const double mean = s.columns[column].mean;
            if (std::isnan(expected)) {
                EXPECT_TRUE(std::isnan(mean)) << mean;
                continue;
            }
            EXPECT_NEAR(std::remainder(mean - expected, 360.0), 0, 1e-9) << COLUMNS[column].header << " " << mean;
            EXPECT_TRUE(COLUMNS[column].wrap == Wrap::From0To360 ? mean >= 0 && mean < 360 : mean > -180 && mean <= 180)
                << COLUMNS[column].header << " " << mean;
        }
    }
}

// ---------------------------------------------------------------------------
// CSV

std::vector<std::string> split(const std::string& line, char separator) {
    std::vector<std::string> fields;
    std::size_t start = 0;
    for (std::size_t at; (at = line.find(separator, start)) != std::string::npos; start = at + 1)
        fields.push_back(line.substr(start, at - start));
    fields.push_back(line.substr(start));
    return fields;
}

std::vector<std::string> lines(const std::string& text, const std::string& ending) {
    std::vector<std::string> result;
    std::size_t start = 0;
    for (std::size_t at; (at = text.find(ending, start)) != std::string::npos; start = at + ending.size())
        result.push_back(text.substr(start, at - start));
    EXPECT_EQ(start, text.size()) << "a line without its ending";
    return result;
}

std::string withField(std::string line, std::size_t field, const std::string& text) {
    std::size_t start = 0;
    for (std::size_t f = 0; f < field; ++f) start = line.find('\t', start) + 1;
    const std::size_t end = line.find_first_of("\t\r", start);
    return line.replace(start, end - start, text);
}

std::string trimmed(const std::string& field) { return field.substr(field.find_first_not_of(' ')); }

TEST(LogCsv, HasTimeSegmentAndTheColumnsWithTheirUnits) {
    std::ostringstream csv;
    writeCsv(csv, parseLog(HAND_FLIGHT, "hand.txt"));
    const std::vector<std::string> out = lines(csv.str(), "\r\n");
    ASSERT_EQ(out.size(), 6u);
    EXPECT_EQ(out[0],
              "time_s,segment,index,tas_kt,ias_kt,alt_ft,pitch_deg,climb_ft_min,gforce_g,hdng_deg,turn_rate,bank_deg,"
              "roll_rate,"
              "prop_deg,power_hp,thrust,aoa_deg,stall");
    EXPECT_EQ(out[1], "5.5,1,10,290.0,280.0,1000,1.00,500,1.00,90,0,0.0,0,20.0,500,1000,3.00,0");
    EXPECT_EQ(out[4], "8.5,2,16,400.0,500.0,900,-1.00,-900,3.00,110,0,-5.0,0,26.0,400,900,16.00,1");
}

// Every CSV field is the log's own text without its padding, so nothing is lost or rounded.
TEST(LogCsv, RoundTripsEveryFieldOfTheLog) {
    const FlightLog log = parseLog(HAND_FLIGHT, "hand.txt");
    std::ostringstream csv;
    writeCsv(csv, log, 20.0);
    const std::vector<std::string> out = lines(csv.str(), "\r\n");
    std::vector<std::string> logRows;
    for (const std::string& line : lines(HAND_FLIGHT, "\r\n"))
        if (!line.empty() && (line[0] == ' ' || (line[0] >= '0' && line[0] <= '9'))) logRows.push_back(line);
    ASSERT_EQ(out.size(), logRows.size() + 1);
    for (std::size_t r = 0; r < logRows.size(); ++r) {
        const std::vector<std::string> csvFields = split(out[r + 1], ',');
        const std::vector<std::string> logFields = split(logRows[r], '\t');
        ASSERT_EQ(csvFields.size(), logFields.size() + 2);
        for (std::size_t c = 0; c < logFields.size(); ++c) EXPECT_EQ(csvFields[c + 2], trimmed(logFields[c]));
        double time = 0;
        std::from_chars(csvFields[0].data(), csvFields[0].data() + csvFields[0].size(), time);
        EXPECT_DOUBLE_EQ(time, (log.rows[r][INDEX] + 1) * 0.45);
    }
}

// Streamed, a number is copied from the log's text where that is the text it
// formats to, and formatted where not ("-0.00", a leading zero, "-nan"): the
// bytes are those of the export formatted from the values, at any tick rate.
TEST(LogCsv, StreamsTheBytesItWouldFormat) {
    std::string odd = withField(withField(withField(row(12), 4, "-0.00"), 3, "00042"), 9, " -0.0");
    odd = withField(withField(withField(odd, 1, " -nan"), 6, "  inf"), 11, "123456789012345.6");
    const std::string text = OPENING + HEADER + row(10, {.tas = 999.9, .pitch = -0.01, .bank = -179.9}) + row(11) +
                             odd + HEADER + row(13, {.alt = -2147483647, .g = -12.34}) + END;
    for (const double tickRate : {DEFAULT_TICK_RATE, 20.0, 7.0}) {
        SCOPED_TRACE(tickRate);
        std::string streamed;
        CsvSink sink([&](std::string_view block) { streamed += block; }, tickRate);
        TextSource source(text, "f.txt");
        readLog(source, sink);
        sink.finish();
        std::ostringstream formatted;
        writeCsv(formatted, parseLog(text, "f.txt"), tickRate);
        EXPECT_EQ(streamed, formatted.str());
    }
    std::ostringstream csv;
    writeCsv(csv, parseLog(text, "f.txt"));
    EXPECT_NE(csv.str().find("\r\n6.5,1,12,nan,90.0,42,0.00,0,inf,90,0,0.0,0,123456789012345.6,500,1000,3.00,0\r\n"),
              std::string::npos)
        << csv.str();
}

TEST(LogCsv, WritesAFullStopWhateverTheLocale) {
    const char* previous = std::setlocale(LC_ALL, nullptr);
    const std::string saved = previous ? previous : "C";
    if (std::setlocale(LC_ALL, "de_DE.UTF-8") == nullptr) GTEST_SKIP() << "no de_DE.UTF-8 locale";
    std::locale::global(std::locale("de_DE.UTF-8"));
    std::ostringstream csv;
    csv.imbue(std::locale());
    writeCsv(csv, parseLog(HAND_FLIGHT, "hand.txt"), 20.0);
    std::ostringstream table;
    table.imbue(std::locale());
    writeSummaryTable(table, summarise(parseLog(HAND_FLIGHT, "hand.txt"), 20.0));
    std::locale::global(std::locale::classic());
    std::setlocale(LC_ALL, saved.c_str());
    EXPECT_NE(csv.str().find("\r\n4.95,1,10,290.0,280.0,1000,1.00,"), std::string::npos) << csv.str();
    EXPECT_NE(table.str().find("a sample every 0.45 s at 20 ticks/s"), std::string::npos) << table.str();
}

}  // namespace
