// How fast the program flies without pictures: the target is a one-hour trace
// at 18 updates a second (64,800 updates) in well under 2 s.
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <sstream>
#include <string>

#include "host/flight/builtin_flight.h"
#include "host/flight/run.h"
#include "host/flight/trace.h"
#include "host/render/panel_renderer.h"
#include "tests/support/scratch_folder.h"

namespace {

using namespace vorlat;

constexpr double HOUR_S = 3600;
constexpr double RATE = flight::DEFAULT_UPDATE_RATE;

// A trace with a row per update for an hour, every documented column changing.
const std::string& hourTraceText() {
    static const std::string text = [] {
        std::string out = "time";
        for (const auto& name : flight::channelNames()) out += std::string(",") + name.name;
        out += '\n';
        char field[64];
        const auto rows = static_cast<long>(HOUR_S * RATE);
        for (long n = 0; n < rows; ++n) {
            const double t = static_cast<double>(n) / RATE;
            std::snprintf(field, sizeof field, "%.6f", t);
            out += field;
            for (std::size_t c = 0; c < flight::channelNames().size(); ++c) {
                const flight::Channel channel = flight::channelNames()[c].channel;
                const double wave = std::sin(t / 30 + static_cast<double>(c));
                const double value = channel.kind == flight::Channel::Kind::Variable ? 1000 + 500 * wave
                                                                                     : std::round(8000 + 8000 * wave);
                std::snprintf(field, sizeof field, ",%.6g", value);
                out += field;
            }
            out += '\n';
        }
        return out;
    }();
    return text;
}

void BM_ParseHourTrace(benchmark::State& state) {
    const std::string& text = hourTraceText();
    for (auto _ : state) {
        std::istringstream input(text);
        benchmark::DoNotOptimize(flight::parseTrace(input, "hour.csv"));
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * static_cast<std::int64_t>(text.size()));
}
BENCHMARK(BM_ParseHourTrace)->Unit(benchmark::kMillisecond);

// Load, setup, 64,800 updates with a recording running, final, unload.
void BM_ReplayHourTrace(benchmark::State& state) {
    const test::ScratchFolder scratch;  // a press of the record button writes the log there
    const test::CurrentFolderScope inScratch(scratch.path());
    std::istringstream input(hourTraceText());
    const flight::Trace trace = flight::parseTrace(input, "hour.csv");
    std::int64_t updates = 0;
    for (auto _ : state) {
        Host host(HostOptions{defaultModulePath(), true, {}});
        flight::TraceSource source(trace);
        flight::RunOptions options;
        options.rate = RATE;
        options.duration = source.duration();
        options.presses = {{0, flight::Press::Target::Record, 0, 0}};
        updates += flight::runFlight(host, source, options).updates;
        host.unload();
    }
    state.counters["updates/s"] = benchmark::Counter(static_cast<double>(updates), benchmark::Counter::kIsRate);
    state.counters["updates"] = static_cast<double>(updates / std::max<std::int64_t>(state.iterations(), 1));
}
BENCHMARK(BM_ReplayHourTrace)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_BuiltinFlight(benchmark::State& state) {
    const test::ScratchFolder scratch;
    const test::CurrentFolderScope inScratch(scratch.path());
    for (auto _ : state) {
        Host host(HostOptions{defaultModulePath(), true, {}});
        flight::BuiltinFlight source;
        flight::RunOptions options;
        options.duration = source.duration();
        options.presses = source.ownPresses();
        benchmark::DoNotOptimize(flight::runFlight(host, source, options).updates);
        host.unload();
    }
}
BENCHMARK(BM_BuiltinFlight)->Unit(benchmark::kMillisecond)->UseRealTime();

// One picture at the default scale: what each --frames frame costs.
void BM_RenderPanel(benchmark::State& state) {
    const test::ScratchFolder scratch;
    const test::CurrentFolderScope inScratch(scratch.path());
    Host host(HostOptions{defaultModulePath(), true, {}});
    host.setup();
    host.start();
    host.update();
    render::PanelRenderer renderer(host, render::DEFAULT_SCALE);
    for (auto _ : state) benchmark::DoNotOptimize(renderer.render(host));
    host.final();
}
BENCHMARK(BM_RenderPanel)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
