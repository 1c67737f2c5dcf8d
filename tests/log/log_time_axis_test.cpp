// One time axis for every command: `vorlat fly --png-at T` pictures the panel
// after the update at T, and the replay of the log that flight wrote, at the
// same T, shows the row sampled in that update. Box by box: the row index and
// the boxes drawn before the recorder samples are those of the update at T;
// G's, Climb, Pitch, Hp, Thrst, Prop and AoA, drawn after it, were logged
// from the update before.
#include <gtest/gtest.h>

#include <sys/wait.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "host/fly/transcript.h"
#include "host/gauge_facts.h"
#include "tests/log/log_test_support.h"
#include "tools/log/flight_log.h"
#include "tools/replay/log_replay.h"

namespace {

using namespace log_test;
using namespace vorlat::flightlog;

std::vector<std::string> tabFields(const std::string& line) {
    std::vector<std::string> fields;
    std::stringstream stream(line);
    for (std::string field; std::getline(stream, field, '\t');) fields.push_back(field);
    return fields;
}

// The texts of every box at the given updates, by label, from `vorlat fly --transcript`.
using Texts = std::map<std::string, std::string>;
std::map<long, Texts> transcriptAt(const std::filesystem::path& file, const std::vector<long>& updates) {
    std::ifstream in(file);
    std::string line;
    std::getline(in, line);
    const std::vector<std::string> header = tabFields(line);
    std::map<long, Texts> texts;
    for (long update = 0; std::getline(in, line); ++update) {
        if (std::find(updates.begin(), updates.end(), update) == updates.end()) continue;
        const std::vector<std::string> fields = tabFields(line);
        EXPECT_EQ(fields[0], std::to_string(update));
        for (std::size_t f = 0; f < header.size() && f < fields.size(); ++f) texts[update][header[f]] = fields[f];
    }
    return texts;
}

Texts replayTexts(const vorlat::Host& host) {
    Texts texts;
    for (const vorlat::ElementView& element : host.children())
        if (element.kind == vorlat::gauge::TEXT_KIND) texts[vorlat::cli::elementLabel(element)] = element.text;
    return texts;
}

constexpr const char* SAME_UPDATE[] = {"row", "Ft", "TAS", "IAS", "Hdg", "Bank"};
constexpr const char* UPDATE_BEFORE[] = {"G's", "Climb", "Pitch", "Hp", "Thrst", "Prop"};

TEST(TimeAxis, FlyAndReplayShowTheSameRowAtASampleTime) {
    const ScratchFolder dir;
    const std::string command = "cd '" + dir.path().string() +
                                "' && '" VORLAT_PROGRAM_PATH
                                "' fly --transcript t.tsv --png-at 140:fly.png >out.txt 2>err.txt";
    const int status = std::system(command.c_str());
    ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << readFile(dir / "err.txt");
    EXPECT_EQ(readFile(dir / "fly.png").substr(1, 3), "PNG");

    constexpr double RATE = DEFAULT_TICK_RATE;
    const double times[] = {60.5, 140.0, 151.5};  // climbing; the stall; the pull-out, g load changing fast
    std::vector<long> updates;
    for (const double t : times) updates.insert(updates.end(), {std::lround(t * RATE) - 1, std::lround(t * RATE)});
    const std::map<long, Texts> fly = transcriptAt(dir / "t.tsv", updates);
    const FlightLog log = collectLogFile((dir / "data_log.txt").string());

    Replayer replayer;
    for (const double t : times) {
        SCOPED_TRACE("at " + std::to_string(t) + " s");
        const long update = std::lround(t * RATE);
        const Row* shown = nullptr;  // the last row at or before t, as the replay picks it
        for (const Row& row : log.rows)
            if (timeOfIndex(row[INDEX], RATE) <= t) shown = &row;
        ASSERT_NE(shown, nullptr);
        EXPECT_EQ(timeOfIndex((*shown)[INDEX], RATE), t) << "a sample is taken at every ninth tick";
        const Texts replay = replayTexts(replayer.show(*shown));
        const Texts& now = fly.at(update);
        const Texts& before = fly.at(update - 1);
        for (const char* label : SAME_UPDATE) EXPECT_EQ(replay.at(label), now.at(label)) << label;
        for (const char* label : UPDATE_BEFORE) EXPECT_EQ(replay.at(label), before.at(label)) << label;
        // The log keeps two decimals of the AoA the panel shows with one: rounded twice, a tenth at most apart.
        EXPECT_NEAR(std::stod(replay.at("AoA")), std::stod(before.at("AoA")), 0.1 + 1e-9);
        if (t == 151.5) {
            EXPECT_NE(now.at("G's"), before.at("G's")) << "the case must tell the two updates apart";
        }
    }
}

}  // namespace
