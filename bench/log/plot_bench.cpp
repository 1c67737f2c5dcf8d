// The plot on one million rows (94 MB) read from a file in the page cache:
// the pass that reduces every series to the picture's columns, and the whole
// plot to PNG (read, reduce, draw in the child process, write); and a log of
// 30,000 one-row segments, which must cost about what one segment of as many
// rows costs.
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <string>

#include "tests/log/long_log.h"
#include "tools/log/log_reader.h"
#include "tools/plot/log_plot.h"

namespace {

using namespace vorlat::flightlog;
namespace fs = std::filesystem;

constexpr std::int64_t MILLION = 1'000'000;
constexpr int SHORT_ROWS = 30'000;

const std::string& longLogFile() {
    static const std::string path = [] {
        const fs::path file = fs::temp_directory_path() / "vorlat-plot-bench.txt";
        std::FILE* out = std::fopen(file.c_str(), "wb");
        if (out == nullptr || !log_test::writeLongLog(out, MILLION)) std::abort();
        std::fclose(out);
        return file.string();
    }();
    return path;
}

// SHORT_ROWS rows, in one segment or each in its own (a pause of one sample between).
const std::string& segmentedLogFile(bool oneRowSegments) {
    static std::string paths[2];
    std::string& path = paths[oneRowSegments ? 1 : 0];
    if (!path.empty()) return path;
    path = (fs::temp_directory_path() / (oneRowSegments ? "vorlat-plot-bench-dots.txt" : "vorlat-plot-bench-line.txt"))
               .string();
    std::string text = std::string(FIRST_LINE) + "\r\n";
    const std::string header = std::string(HEADER_LINE) + "\r\n";
    if (!oneRowSegments) text += header;
    char line[256];
    for (int i = 0; i < SHORT_ROWS; ++i) {
        if (oneRowSegments) text += header;
        std::snprintf(line, sizeof line,
                      "%5d\t%5.1f\t180.0\t 1000\t 1.00\t    0\t 1.00\t   90\t    0\t  0.0\t    0\t 20.0\t"
                      "  500\t 1000\t 3.00\t%d\r\n",
                      oneRowSegments ? 2 * i : i, 200 + 100 * std::sin(i / 300.0), i % 100 == 0 ? 1 : 0);
        text += line;
    }
    text += std::string(END_RECORDING_LINE) + "\r\n";
    std::FILE* out = std::fopen(path.c_str(), "wb");
    if (out == nullptr || std::fwrite(text.data(), 1, text.size(), out) != text.size()) std::abort();
    std::fclose(out);
    return path;
}

void plotFile(const std::string& log, const std::string& picture) {
    const PlotRequest request;
    FlightSeries series = seriesFor(request);
    LogInfo info = readLogFile(log, series);
    plotFlights({{.label = "bench", .info = std::move(info), .series = &series}}, request, picture);
}

void reduceMillionRows(benchmark::State& state) {
    for (auto _ : state) {
        FlightSeries series = seriesFor({});
        readLogFile(longLogFile(), series);
        benchmark::DoNotOptimize(series.grid().width());
    }
    state.SetItemsProcessed(state.iterations() * MILLION);
}
BENCHMARK(reduceMillionRows)->Unit(benchmark::kMillisecond);

// Real time: the drawing happens in a child process, whose CPU time is not counted.
void plotMillionRowsToPng(benchmark::State& state) {
    const std::string picture = (fs::temp_directory_path() / "vorlat-plot-bench.png").string();
    for (auto _ : state) plotFile(longLogFile(), picture);
    state.SetItemsProcessed(state.iterations() * MILLION);
}
BENCHMARK(plotMillionRowsToPng)->Unit(benchmark::kMillisecond)->UseRealTime();

void plotSegmentsToPng(benchmark::State& state) {
    const bool oneRowSegments = state.range(0) != 0;
    state.SetLabel(oneRowSegments ? "30,000 one-row segments" : "one segment of 30,000 rows");
    const std::string picture = (fs::temp_directory_path() / "vorlat-plot-bench-short.png").string();
    for (auto _ : state) plotFile(segmentedLogFile(oneRowSegments), picture);
}
BENCHMARK(plotSegmentsToPng)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
