// The streaming reader and its sinks on one million rows (94 MB, about 139
// hours at two samples a second), read from a file in the page cache: the
// reader alone, the summary, and the CSV export with its output thrown away.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <filesystem>
#include <string>

#include "tests/log/long_log.h"
#include "tools/csv/log_csv.h"
#include "tools/log/log_reader.h"
#include "tools/log/log_summary.h"

namespace {

using namespace vorlat::flightlog;

constexpr std::int64_t MILLION = 1'000'000;

const std::string& longLogFile() {
    static const std::string path = [] {
        const auto file = std::filesystem::temp_directory_path() / "vorlat-log-bench.txt";
        std::FILE* out = std::fopen(file.c_str(), "wb");
        if (out == nullptr || !log_test::writeLongLog(out, MILLION)) std::abort();
        std::fclose(out);
        return file.string();
    }();
    return path;
}

void setCounters(benchmark::State& state) {
    state.SetItemsProcessed(state.iterations() * MILLION);
    state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(std::filesystem::file_size(longLogFile())));
}

class CountRows : public RowSink {
public:
    void row(const Row& row, const RowText& /*text*/, std::size_t /*segment*/) override {
        benchmark::DoNotOptimize(row.values[TAS]);
        ++rows;
    }
    std::size_t rows = 0;
};

void readMillionRows(benchmark::State& state) {
    for (auto _ : state) {
        CountRows sink;
        readLogFile(longLogFile(), sink);
        benchmark::DoNotOptimize(sink.rows);
    }
    setCounters(state);
}
BENCHMARK(readMillionRows)->Unit(benchmark::kMillisecond);

void summariseMillionRows(benchmark::State& state) {
    for (auto _ : state) {
        SummarySink sink;
        const Summary summary = sink.finish(readLogFile(longLogFile(), sink));
        benchmark::DoNotOptimize(summary.columns[TAS].mean);
    }
    setCounters(state);
}
BENCHMARK(summariseMillionRows)->Unit(benchmark::kMillisecond);

void csvMillionRows(benchmark::State& state) {
    for (auto _ : state) {
        std::size_t bytes = 0;
        CsvSink sink([&](std::string_view text) { bytes += text.size(); });
        readLogFile(longLogFile(), sink);
        sink.finish();
        benchmark::DoNotOptimize(bytes);
    }
    setCounters(state);
}
BENCHMARK(csvMillionRows)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
