// Long recorder-shaped logs for the benchmarks, the performance figures and the
// memory test: varied values, a pause every 100,000 rows, about 94 bytes a row,
// produced a block at a time so that even 10^7 rows never sit in memory.
#pragma once

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <string>

#include "tools/log/log_columns.h"

namespace log_test {

inline constexpr std::int64_t ROWS_PER_SEGMENT = 100'000;
inline constexpr int SAMPLES_PER_PAUSE = 7;

// Rows [first, first + count) of the long log, appended to `out`; `index` is the running sample counter.
inline void appendLongRows(std::string& out, std::int64_t first, std::int64_t count, std::int64_t& index) {
    char line[256];
    for (std::int64_t i = first; i < first + count; ++i) {
        if (i % ROWS_PER_SEGMENT == 0) {
            out += std::string(vorlat::flightlog::HEADER_LINE) + "\r\n";
            index += SAMPLES_PER_PAUSE;
        }
        const double t = static_cast<double>(i) * 0.5;
        std::snprintf(
            line, sizeof line,
            "%5d\t%5.1f\t%5.1f\t%5d\t%5.2f\t%5d\t%5.2f\t%5d\t%5d\t%5.1f\t%5d\t%5.1f\t%5d\t%5d\t%5.2f\t%1d\r\n",
            static_cast<int>(index), 200 + 150 * std::sin(t / 90), 180 + 140 * std::sin(t / 90),
            static_cast<int>(5000 + 4000 * std::sin(t / 300)), 5 * std::sin(t / 20),
            static_cast<int>(1500 * std::cos(t / 300)), 1 + 2.5 * std::sin(t / 15),
            static_cast<int>(std::fmod(t * 3, 360)), -6, 20 * std::sin(t / 25), -3, 25 + 10 * std::sin(t / 50),
            static_cast<int>(600 + 300 * std::sin(t / 40)), static_cast<int>(1200 + 500 * std::sin(t / 40)),
            4 + 3 * std::sin(t / 20), i % 1000 < 10 ? 1 : 0);
        out += line;
        ++index;
    }
}

// The whole log into `out`; false when a write failed.
inline bool writeLongLog(std::FILE* out, std::int64_t rows) {
    constexpr std::int64_t BLOCK = 10'000;
    std::string text = std::string(vorlat::flightlog::FIRST_LINE) + "\r\n";
    std::int64_t index = 0;
    for (std::int64_t first = 0; first < rows; first += BLOCK) {
        appendLongRows(text, first, std::min(BLOCK, rows - first), index);
        if (std::fwrite(text.data(), 1, text.size(), out) != text.size()) return false;
        text.clear();
    }
    text = std::string(vorlat::flightlog::END_RECORDING_LINE) + "\r\n";
    return std::fwrite(text.data(), 1, text.size(), out) == text.size() && std::fflush(out) == 0;
}

}  // namespace log_test
