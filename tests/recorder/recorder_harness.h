// Drives the recorder through the stand-in host: a panel flying a steady
// flight in a scratch folder of its own, and the exact text of its log.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <string>

#include "host/host.h"
#include "tests/support/scratch_folder.h"

namespace recorder_test {

inline constexpr char LOG_NAME[] = "data_log.txt";

inline constexpr int RECORD_BUTTON_X = 51;
inline constexpr int PAUSE_BUTTON_X = 63;
inline constexpr int BUTTON_Y = 4;
inline constexpr std::size_t RECORD_ICON = 0;
inline constexpr std::size_t PAUSE_ICON = 1;
inline constexpr int GREEN = 0;  // an icon's first image
inline constexpr int RED = 1;    // its second image

inline constexpr std::uint32_t TICK_VARIABLE = 1;
inline constexpr std::uint32_t SPEED_VARIABLE = 61;
inline constexpr int SAMPLE_TICKS = 9;  // the smallest tick gap that takes a sample

inline const std::string ENABLED_LINE = "Recording Enabled\r\n";
inline const std::string HEADER_LINE =
    "index\tTAS\tIAS\talt\tpitch\tclimb\tgforc\thdng\tturn\tbank\troll\tprop\thp\tthrst\tAoA\tStall\r\n";
inline const std::string END_LINE = "End recording\r\n";
inline const std::string EXIT_LINE = "Exit\r\n";

// A box's "%5d" text.
inline std::string boxText(std::int32_t value) {
    char text[16];
    std::snprintf(text, sizeof text, "%5d", value);
    return text;
}

// The whole content of a regular file, or nothing when there is none.
inline std::optional<std::string> readFile(const std::filesystem::path& path = LOG_NAME) {
    std::error_code error;
    if (!std::filesystem::is_regular_file(path, error)) return std::nullopt;
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

inline void writeFile(const std::filesystem::path& path, const std::string& content) {
    std::ofstream(path, std::ios::binary) << content;
}

// The log is written to the current folder: each test gives it a fresh one.
using vorlat::test::CurrentFolderScope;
using vorlat::test::ScratchFolder;

// The host values of the steady flight and the values the readouts make of
// them: every row of this flight is the same but for its index.
struct SteadyFlight {
    static constexpr std::int32_t TAS_WORD = 13716;  // 123.444
    static constexpr std::int32_t IAS_WORD = 11111;  // 99.999
    static constexpr double ALTITUDE_M = 464.5;      // 1523.95 ft
    static constexpr double PITCH = 2.5;             // published negated
    static constexpr double CLIMB = -100;            // -76.875
    static constexpr double G_RAW = 599;             // 0.99999995
    static constexpr double HEADING = 359.99;
    static constexpr double BANK = -12.34;
    static constexpr double PROP_RAD = 0.5;  // 28.62595 degrees
    static constexpr double POWER = 55000;   // 100.001 hp
    static constexpr double THRUST = 2500.9;
    static constexpr double AOA_RAW = 16384;  // 77.0
    static constexpr double STALL = 1;

    static void fly(vorlat::Host& host) {
        host.setDataWord(174, TAS_WORD);
        host.setDataWord(175, IAS_WORD);
        host.setVariable(73, ALTITUDE_M);
        host.setVariable(78, PITCH);
        host.setVariable(65, CLIMB);
        host.setVariable(351, G_RAW);
        host.setVariable(84, HEADING);
        host.setVariable(80, BANK);
        host.setVariable(411, PROP_RAD);
        host.setVariable(402, POWER);
        host.setVariable(412, THRUST);
        host.setVariable(349, AOA_RAW);
        host.setVariable(67, STALL);
    }

    // printf with the row format written out, on the readouts' conversions;
    // bank and heading never change, so the roll and turn rates stay 0.
    static std::string row(std::int32_t index) {
        char text[512];
        std::snprintf(
            text, sizeof text,
            "%5d\t%5.1f\t%5.1f\t%5d\t%5.2f\t%5d\t%5.2f\t%5d\t%5d\t%5.1f\t%5d\t%5.1f\t%5d\t%5d\t%5.2f\t%1d\r\n", index,
            TAS_WORD * 0.009, IAS_WORD * 0.009, static_cast<int>(ALTITUDE_M * 3.28084), -PITCH,
            static_cast<int>(CLIMB * 0.76875), G_RAW * 0.001669449, static_cast<int>(HEADING), 0, BANK, 0,
            PROP_RAD * 57.2519, static_cast<int>(POWER * 0.0018182), static_cast<int>(THRUST),
            (32767 - AOA_RAW) * 0.00469970703125, static_cast<int>(STALL));
        return text;
    }

    static std::string rows(std::int32_t first, std::int32_t last) {
        std::string text;
        for (std::int32_t index = first; index <= last; ++index) text += row(index);
        return text;
    }
};

// The built module, a private copy per host so each starts from zero.
inline vorlat::HostOptions hostOptions() {
    vorlat::HostOptions options;
    options.modulePath = vorlat::defaultModulePath();
    options.privateCopy = true;
    return options;
}

// The gauge set up, started and updated once, flying the steady flight.
class Panel {
public:
    explicit Panel(double startTicks = 1000, double startSpeed = 100) : host_(hostOptions()), ticks_(startTicks) {
        SteadyFlight::fly(host_);
        host_.setVariable(TICK_VARIABLE, ticks_);
        host_.setVariable(SPEED_VARIABLE, startSpeed);
        host_.setup();
        host_.start();
        acelBox_ = host_.textChildAt(150, 20).value();   // Acel, box (3, 2)
        rowIndexBox_ = host_.textChildAt(6, 7).value();  // unlabelled box (1, 1)
        host_.update();
    }

    vorlat::Host& host() { return host_; }

    // One panel update after the tick count moved by `ticks`.
    void advance(double ticks) {
        ticks_ += ticks;
        host_.setVariable(TICK_VARIABLE, ticks_);
        host_.update();
    }
    void setTicks(double ticks) {
        ticks_ = ticks;
        host_.setVariable(TICK_VARIABLE, ticks_);
    }
    void setSpeed(double speed) { host_.setVariable(SPEED_VARIABLE, speed); }
    void update() { host_.update(); }
    void sample(int count = 1) {
        for (int i = 0; i < count; ++i) advance(SAMPLE_TICKS);
    }

    void pressRecord() { EXPECT_TRUE(host_.press(RECORD_BUTTON_X, BUTTON_Y)); }
    void pressPause() { EXPECT_TRUE(host_.press(PAUSE_BUTTON_X, BUTTON_Y)); }
    // The final routine, then setup and start again, as a host does when it
    // reloads the panel.
    void restart() {
        host_.final();
        host_.setup();
        host_.start();
    }

    int recordIcon() const { return host_.child(RECORD_ICON).shownImage; }
    int pauseIcon() const { return host_.child(PAUSE_ICON).shownImage; }
    std::string acelText() const { return host_.child(acelBox_).text; }
    std::string rowIndexText() const { return host_.child(rowIndexBox_).text; }

private:
    vorlat::Host host_;
    double ticks_;
    std::size_t acelBox_ = 0;
    std::size_t rowIndexBox_ = 0;
};

}  // namespace recorder_test
