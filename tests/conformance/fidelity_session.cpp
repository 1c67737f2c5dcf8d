// One scripted session, the same on every platform: setup, start, a few
// hundred panel updates with a fixed sequence of host values, record, pause,
// resume, stop and record again, then final while recording. It writes what
// the panel showed after each update (every text, colour, icon image and the
// bits of every callback's result) to transcript.txt, and the module writes
// data_log.txt beside it. Linux, Win64 and Win32 must agree byte for byte;
// scripts/wine-legs.sh compares them.
//
// Runs when VORLAT_FIDELITY_DIR names the output folder (created if missing).
#include <gtest/gtest.h>

#include <array>
#include <bit>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <limits>
#include <map>
#include <set>
#include <string>

#include "host/host.h"
#include "tests/support/scratch_folder.h"

namespace fidelity {
namespace {

constexpr int UPDATES = 300;

// Host variables the panel reads, each swept over a range that crosses the
// readout's colour bands and sign, on a period of its own so that the
// combinations vary. Values are exact binary fractions of integer steps, so
// every platform starts from the same doubles.
struct Sweep {
    std::uint32_t id;
    double low, high;
    int period;  // updates per rise and fall
};
constexpr Sweep SWEEPS[] = {
    {2, 0, 240000, 151},                               // ground height, 1/256 m: up to ~3000 ft
    {73, -50, 3200, 97},                               // altitude, m: under the ground, near it, far above
    {61, 0, 400, 89},                                  // true speed for the acceleration readout
    {65, -3000, 3000, 71},                             // climb
    {78, -1.6, 1.6, 67},                               // pitch, radians
    {80, -185, 185, 53},                               // bank, degrees, past the wrap
    {84, 0, 725, 59},                                  // heading, degrees, past a full turn
    {310, -16384, 16384, 43},                          // elevator
    {312, -16384, 16384, 47},                          // aileron
    {342, 0, 40000, 61},                               // pressure
    {349, 0, 65535, 83},                               // angle of attack around its zero word
    {350, 0, 1200, 79},                                // temperature
    {351, -6000, 6000, 37},                            // g load word: both red bands
    {385, 0, 60.25, 101},                              // aux fuel
    {386, 0, 120.5, 103},                              // fuel
    {390, 0, 3200, 41},                                // rpm
    {391, 0, 40000, 107},                              // manifold pressure
    {402, 0, 800000, 73},                              // power
    {403, 0, 5000, 109},                               // torque
    {409, 0, 12, 31},                                  // WepT count
    {410, 0, 2.5, 113},                                // Wsgt
    {411, -0.5, 1.5, 127},                             // propeller angle, radians
    {412, -2000, 9000, 131},                           // thrust
    {415, 0, 1100, 137},                               // CHT
    {416, 0, 700, 139},                                // oil temperature
    {417, 0, 1500, 149},                               // ROT
    {418, 0, 20000, 157},                              // oil pressure
    {421, 0, 90, 163},                                 // fuel flow
    {425, 0, 12000, 167},                              // fuel pressure
    {71, -11000000, 11000000, 173},                    // latitude, raw
    {72, -290000000000000.0, 290000000000000.0, 179},  // longitude, raw: past the east fold
};
constexpr std::uint32_t TICK_VARIABLE = 1;
constexpr std::uint32_t STALL_VARIABLE = 67;
constexpr std::size_t TAS_WORD = 174;
constexpr std::size_t IAS_WORD = 175;

// A triangle wave over the sweep's range in 64 exact steps per half period.
double sweepValue(const Sweep& sweep, int update) {
    const int phase = update % (2 * sweep.period);
    const int rising = phase < sweep.period ? phase : 2 * sweep.period - phase;
    const int step = rising * 64 / sweep.period;  // 0 .. 64
    return sweep.low + (sweep.high - sweep.low) * (step / 64.0);
}

// Values no readout must stumble over, given for a few updates near the end.
double oddValue(int update, std::uint32_t id) {
    constexpr double ODD[] = {std::numeric_limits<double>::quiet_NaN(),
                              std::numeric_limits<double>::infinity(),
                              -std::numeric_limits<double>::infinity(),
                              1e300,
                              -1e300,
                              2147483648.0,
                              -2147483649.5,
                              0.5,
                              -0.5,
                              1e-300};
    return ODD[(std::size_t(update) + id) % std::size(ODD)];
}
bool oddUpdate(int update) { return update >= 270 && update < 276; }

constexpr int SECOND_RECORDING = 245;

// Button presses, by update, before that update's values are shown.
enum class Press { None, Record, Pause };
Press pressBefore(int update) {
    switch (update) {
        case 20: return Press::Record;                // start a recording
        case 120: return Press::Pause;                // pause it
        case 160: return Press::Pause;                // resume it
        case 230: return Press::Record;               // stop it
        case SECOND_RECORDING: return Press::Record;  // still on at final
        default: return Press::None;
    }
}
constexpr int RECORD_X = 51 + 5, PAUSE_X = 63 + 5, BUTTON_Y = 4 + 6;

void applyInputs(vorlat::Host& host, int update, std::int32_t& tick) {
    for (const Sweep& sweep : SWEEPS) {
        host.setVariable(sweep.id, oddUpdate(update) && update % 2 == int(sweep.id % 2) ? oddValue(update, sweep.id)
                                                                                        : sweepValue(sweep, update));
    }
    // The tick count moves by uneven steps: some updates take a sample, some do not.
    constexpr int TICK_STEPS[] = {0, 3, 9, 8, 12, 1, 17, 9, 4, 30};
    tick += TICK_STEPS[std::size_t(update) % std::size(TICK_STEPS)];
    host.setVariable(TICK_VARIABLE, tick + 0.75);
    host.setVariable(STALL_VARIABLE, (update / 17) % 3 == 1 ? 1.0 : 0.0);
    host.setDataWord(TAS_WORD, std::int32_t(sweepValue({0, 0, 70000, 91}, update)));
    host.setDataWord(IAS_WORD, std::int32_t(sweepValue({0, -1000, 66000, 77}, update)));
    host.setThrottleWord(std::int16_t(sweepValue({0, -32768, 32767, 119}, update)));
}

std::string hex(std::uint64_t value, int digits) {
    char text[24];
    std::snprintf(text, sizeof text, "%0*llx", digits, static_cast<unsigned long long>(value));
    return text;
}

// One line per element: index, text in brackets, colour, icon image, result bits.
void writePanel(std::ofstream& out, const vorlat::Host& host, std::map<std::size_t, std::set<std::uint32_t>>& colours) {
    for (const vorlat::ElementView& element : host.children()) {
        out << element.child << (element.kind == 4 ? " icon " : " text ");
        if (element.kind == 4) {
            out << element.shownImage;
        } else {
            out << '[' << element.text << "] " << hex(element.foreColour, 6);
            colours[element.child].insert(element.foreColour);
        }
        out << ' ' << (element.called ? hex(std::bit_cast<std::uint64_t>(element.lastResult), 16) : "-") << '\n';
    }
}

TEST(Fidelity, ScriptedSessionTranscript) {
    const char* folder = std::getenv("VORLAT_FIDELITY_DIR");
    if (folder == nullptr || *folder == '\0') GTEST_SKIP() << "VORLAT_FIDELITY_DIR is not set";
    // Load before moving into the output folder: a relative module path stays valid.
    vorlat::Host host{
        vorlat::HostOptions{.modulePath = vorlat::defaultModulePath(), .privateCopy = true, .resourceScript = {}}};
    std::filesystem::create_directories(folder);
    const vorlat::test::CurrentFolderScope work(folder);
    std::filesystem::remove("data_log.txt");
    std::filesystem::remove("data_log_first.txt");
    std::ofstream out("transcript.txt", std::ios::binary);

    std::int32_t tick = 1000;
    host.setVariable(TICK_VARIABLE, tick);
    host.setup(0x12345678);
    host.start();
    std::map<std::size_t, std::set<std::uint32_t>> colours;
    int presses = 0;
    for (int update = 0; update < UPDATES; ++update) {
        out << "update " << update << '\n';
        const Press press = pressBefore(update);
        if (press != Press::None) {
            // A new recording empties the log: keep the first one for the comparison.
            if (update == SECOND_RECORDING) std::filesystem::copy_file("data_log.txt", "data_log_first.txt");
            const bool handled =
                press == Press::Record ? host.press(RECORD_X, BUTTON_Y) : host.press(PAUSE_X, BUTTON_Y);
            EXPECT_TRUE(handled) << "press before update " << update;
            out << (press == Press::Record ? "press record " : "press pause ") << handled << '\n';
            ++presses;
        }
        applyInputs(host, update, tick);
        host.update();
        writePanel(out, host, colours);
    }
    host.final();
    out << "final\n";
    out.close();
    EXPECT_TRUE(host.violations().empty()) << host.violations().front();
    EXPECT_EQ(presses, 5);

    // The sequence must exercise every colour band: the five coloured readouts
    // show red, four of them also yellow (AoA has none), all of them green.
    constexpr std::uint32_t RED = 0x0000FF, YELLOW = 0x00FFFF, GREEN = 0x00FF00;
    int showedRed = 0, showedAllThree = 0;
    for (const auto& [child, seen] : colours) {
        showedRed += seen.contains(RED) && seen.contains(GREEN);
        showedAllThree += seen.contains(RED) && seen.contains(YELLOW) && seen.contains(GREEN);
    }
    EXPECT_EQ(showedRed, 5);
    EXPECT_EQ(showedAllThree, 4);

    for (const char* name : {"data_log_first.txt", "data_log.txt"}) {
        std::ifstream log(name, std::ios::binary);
        ASSERT_TRUE(log.good()) << "no " << name << " in " << folder;
        int lines = 0;
        for (std::string line; std::getline(log, line);) ++lines;
        EXPECT_GT(lines, 20) << name << ": the recording wrote too few rows";
    }
}

}  // namespace
}  // namespace fidelity
