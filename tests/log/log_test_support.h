// Small flight logs written the way the recorder writes them, for the log tools' tests.
#pragma once

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "tests/support/scratch_folder.h"

namespace log_test {

inline const std::string OPENING = "Recording Enabled\r\n";
inline const std::string HEADER =
    "index\tTAS\tIAS\talt\tpitch\tclimb\tgforc\thdng\tturn\tbank\troll\tprop\thp\tthrst\tAoA\tStall\r\n";
inline const std::string END = "End recording\r\n";
inline const std::string EXIT = "Exit\r\n";

// The values of one row, as the recorder holds them before formatting.
struct Values {
    double tas = 100, ias = 90;
    std::int32_t alt = 1000;
    double pitch = 1.5;
    std::int32_t climb = 0;
    double g = 1.0;
    std::int32_t hdng = 90, turn = 0;
    double bank = 0;
    std::int32_t roll = 0;
    double prop = 20;
    std::int32_t hp = 500, thrust = 1000;
    double aoa = 3.0;
    std::int32_t stall = 0;
};

// One row with the recorder's format, written out with printf, ended by CR LF.
inline std::string row(std::int32_t index, const Values& v = {}) {
    char text[1024];
    std::snprintf(text, sizeof text,
                  "%5d\t%5.1f\t%5.1f\t%5d\t%5.2f\t%5d\t%5.2f\t%5d\t%5d\t%5.1f\t%5d\t%5.1f\t%5d\t%5d\t%5.2f\t%1d\r\n",
                  index, v.tas, v.ias, v.alt, v.pitch, v.climb, v.g, v.hdng, v.turn, v.bank, v.roll, v.prop, v.hp,
                  v.thrust, v.aoa, v.stall);
    return text;
}

inline std::string rows(std::int32_t first, std::int32_t count, const Values& v = {}) {
    std::string text;
    for (std::int32_t i = first; i < first + count; ++i) text += row(i, v);
    return text;
}

using vorlat::test::ScratchFolder;

inline void writeFile(const std::filesystem::path& path, const std::string& content) {
    std::ofstream(path, std::ios::binary) << content;
}

inline std::string readFile(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

}  // namespace log_test
