// Reading and summarising a long flight: one million rows (about 139 hours at
// two samples a second) must take well under two seconds.
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "tools/log/log_csv.h"
#include "tools/log/log_reader.h"
#include "tools/log/log_summary.h"

namespace {

using namespace vorlat::flightlog;

constexpr int MILLION = 1'000'000;

// A recorder-shaped log: varied values, a pause every 100000 rows.
const std::string& longLog() {
    static const std::string text = [] {
        std::string out = "Recording Enabled\r\n";
        const std::string header(HEADER_LINE);
        char line[256];
        int index = 0;
        for (int i = 0; i < MILLION; ++i) {
            if (i % 100'000 == 0) {
                out += header + "\r\n";
                index += 7;
            }
            const double t = i * 0.5;
            std::snprintf(
                line, sizeof line,
                "%5d\t%5.1f\t%5.1f\t%5d\t%5.2f\t%5d\t%5.2f\t%5d\t%5d\t%5.1f\t%5d\t%5.1f\t%5d\t%5d\t%5.2f\t%1d\r\n",
                index, 200 + 150 * std::sin(t / 90), 180 + 140 * std::sin(t / 90),
                static_cast<int>(5000 + 4000 * std::sin(t / 300)), 5 * std::sin(t / 20),
                static_cast<int>(1500 * std::cos(t / 300)), 1 + 2.5 * std::sin(t / 15),
                static_cast<int>(std::fmod(t * 3, 360)), -6, 20 * std::sin(t / 25), -3, 25 + 10 * std::sin(t / 50),
                static_cast<int>(600 + 300 * std::sin(t / 40)), static_cast<int>(1200 + 500 * std::sin(t / 40)),
                4 + 3 * std::sin(t / 20), i % 1000 < 10 ? 1 : 0);
            out += line;
            ++index;
        }
        return out + "End recording\r\n";
    }();
    return text;
}

const std::filesystem::path& longLogFile() {
    static const std::filesystem::path path = [] {
        const auto file = std::filesystem::temp_directory_path() / "vorlat-log-bench.txt";
        std::ofstream(file, std::ios::binary) << longLog();
        return file;
    }();
    return path;
}

void readAndSummariseMillionRows(benchmark::State& state) {
    const std::string path = longLogFile().string();
    for (auto _ : state) {
        const Summary summary = summarise(readLog(path));
        benchmark::DoNotOptimize(summary.columns[TAS].mean);
    }
    state.SetItemsProcessed(state.iterations() * MILLION);
    state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(longLog().size()));
}
BENCHMARK(readAndSummariseMillionRows)->Unit(benchmark::kMillisecond);

void parseMillionRows(benchmark::State& state) {
    for (auto _ : state) {
        const FlightLog log = parseLog(longLog(), "long.txt");
        benchmark::DoNotOptimize(log.rows.data());
    }
    state.SetItemsProcessed(state.iterations() * MILLION);
}
BENCHMARK(parseMillionRows)->Unit(benchmark::kMillisecond);

void summariseMillionRows(benchmark::State& state) {
    const FlightLog log = parseLog(longLog(), "long.txt");
    for (auto _ : state) {
        const Summary summary = summarise(log);
        benchmark::DoNotOptimize(summary.columns[TAS].mean);
    }
    state.SetItemsProcessed(state.iterations() * MILLION);
}
BENCHMARK(summariseMillionRows)->Unit(benchmark::kMillisecond);

void csvMillionRows(benchmark::State& state) {
    const FlightLog log = parseLog(longLog(), "long.txt");
    for (auto _ : state) {
        std::ostringstream out;
        writeCsv(out, log);
        benchmark::DoNotOptimize(out.str().size());
    }
    state.SetItemsProcessed(state.iterations() * MILLION);
}
BENCHMARK(csvMillionRows)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
