// One full panel update of the 34 readouts, against the floor a naive
// implementation pays for the same texts: 34 snprintf calls into a local buffer.
// Heap allocations inside the measured loops are counted and reported.
#include <benchmark/benchmark.h>

#include <array>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <new>

#include "module/convert.h"
#include "module/linkage.h"
#include "panel/elements.h"
#include "readouts/constants.h"

// Every heap allocation of the process passes through here; only those made
// while `countingAllocations` is set are counted.
extern "C" void* __libc_malloc(std::size_t size);
extern "C" void* __libc_calloc(std::size_t count, std::size_t size);
extern "C" void* __libc_realloc(void* block, std::size_t size);
extern "C" void* __libc_memalign(std::size_t alignment, std::size_t size);
extern "C" void __libc_free(void* block);

namespace {
bool countingAllocations = false;
std::size_t allocations = 0;
void count() {
    if (countingAllocations) ++allocations;
}
}  // namespace

extern "C" void* malloc(std::size_t size) {
    count();
    return __libc_malloc(size);
}
extern "C" void* calloc(std::size_t n, std::size_t size) {
    count();
    return __libc_calloc(n, size);
}
extern "C" void* realloc(void* block, std::size_t size) {
    count();
    return __libc_realloc(block, size);
}
extern "C" void* aligned_alloc(std::size_t alignment, std::size_t size) {
    count();
    return __libc_memalign(alignment, size);
}
extern "C" void free(void* block) { __libc_free(block); }

namespace {

// The host's side, reduced to what the readouts touch.
void refreshNothing(ModuleVariable*) {}
HostServiceTable services = [] {
    HostServiceTable table{};
    table.refreshVariable = refreshNothing;
    return table;
}();
std::array<std::int32_t, 256> dataBlock{};
std::int16_t throttleStorage = 0;

// Every text field but the recorder's two (Acel and the row counter), in drawing order.
constexpr TextField READOUTS[] = {
    TextField::GAL,         TextField::AUX,      TextField::FPSI,      TextField::MPSI,  TextField::THRT,
    TextField::WSGT,        TextField::GPH,      TextField::AILRN,     TextField::BANK,  TextField::FT,
    TextField::TAS,         TextField::IAS,      TextField::HDG,       TextField::TURN,  TextField::ROLL,
    TextField::GS,          TextField::CLIMB,    TextField::PITCH,     TextField::RPM,   TextField::HP,
    TextField::THRST,       TextField::PROP,     TextField::TORQ,      TextField::WEPT,  TextField::PRESSURE,
    TextField::TEMPERATURE, TextField::AOA,      TextField::OIL_T,     TextField::OIL_P, TextField::ROT,
    TextField::CHT,         TextField::LATITUDE, TextField::LONGITUDE, TextField::ELEV,
};
constexpr std::size_t READOUT_COUNT = std::size(READOUTS);
static_assert(READOUT_COUNT == TEXT_FIELD_COUNT - 2);

std::array<std::array<char, 32>, READOUT_COUNT> hostBuffers{};

void attachHost() {
    ImportTable.hostServices.pointer = &services;
    ImportTable.hostData.pointer = dataBlock.data();
    throttleVar.hostAddress = &throttleStorage;
    for (std::size_t i = 0; i < READOUT_COUNT; ++i) element(READOUTS[i]).text = hostBuffers[i].data();
}

// A gentle flight: every value drifts so that texts and colours keep changing.
struct Frame {
    double raw[READOUT_COUNT];
    std::int32_t tasWord, iasWord;
    std::int16_t throttle;
    double bank, heading, ground;
};

constexpr std::size_t FRAME_COUNT = 1024;

Frame frameAt(std::size_t n) {
    const double t = static_cast<double>(n) * 0.05;
    const double wave = std::sin(t), slow = std::sin(t * 0.1);
    Frame f{};
    // clang-format off
    const double raw[READOUT_COUNT] = {
        40 + 5 * slow,      12 + slow,          3000 + 800 * wave,  2100 + 300 * wave,  0,
        1.5 + 0.2 * wave,   60 + 10 * wave,     2000 * wave,        25 * wave,          900 + 600 * slow,
        0,                  0,                  180 + 179 * slow,   1,                  1,
        1800 + 900 * wave,  30 * wave,          8 * wave,           2400 + 200 * wave,  90000 + 20000 * wave,
        1500 + 300 * wave,  0.4 + 0.1 * wave,   700 + 80 * wave,    3 + wave,           15000 + 2000 * wave,
        0.3 + 0.05 * wave,  20000 + 9000 * wave, 640 + 20 * wave,   8000 + 1000 * wave, 1400 + 100 * wave,
        820 + 30 * wave,    2.6e7 + 1e5 * slow, 1.1e14 + 1e11 * slow, 3000 * wave,
    };
    // clang-format on
    std::copy(std::begin(raw), std::end(raw), f.raw);
    f.tasWord = static_cast<std::int32_t>(30000 + 10000 * wave);
    f.iasWord = static_cast<std::int32_t>(28000 + 10000 * wave);
    f.throttle = static_cast<std::int16_t>(12000 + 4000 * wave);
    f.bank = 25 * wave;
    f.heading = std::fmod(360 + 180 + 200 * slow, 360);
    f.ground = 40000 + 100 * slow;
    return f;
}

const std::array<Frame, FRAME_COUNT>& frames() {
    static const auto all = [] {
        std::array<Frame, FRAME_COUNT> result{};
        for (std::size_t n = 0; n < FRAME_COUNT; ++n) result[n] = frameAt(n);
        return result;
    }();
    return all;
}

void panelUpdate(const Frame& f) {
    dataBlock[TAS_DATA_WORD] = f.tasWord;
    dataBlock[IAS_DATA_WORD] = f.iasWord;
    throttleStorage = f.throttle;
    bankVar.value = f.bank;
    headingVar.value = f.heading;
    element(TextField::FT).vars[1].value = f.ground;
    for (std::size_t i = 0; i < READOUT_COUNT; ++i) {
        benchmark::DoNotOptimize(element(READOUTS[i]).callback(f.raw[i]));
    }
}

// The floor: the same 34 texts by snprintf, without conversion, colour,
// publishing or the copy into the host's buffer.
void naiveUpdate(const Frame& f, char (&out)[READOUT_COUNT][32]) {
    const double* r = f.raw;
    int i = 0;
    auto decimal = [&](const char* format, double value) { std::snprintf(out[i++], 32, format, value); };
    auto whole = [&](const char* format, double value) { std::snprintf(out[i++], 32, format, truncateToInt32(value)); };
    decimal("%5.1f", r[0]);
    decimal("%5.1f", r[1]);
    whole("%5d", r[2] * FPSI_SCALE);
    decimal("%5.1f", r[3] * MPSI_SCALE);
    whole("%4d%%", (f.throttle + 1) / THROTTLE_FULL_WORD * PERCENT);
    decimal("%5.2f", r[5]);
    decimal("%5.2f", r[6] * FLOW_SCALE);
    decimal("%5.1f", r[7] * AILERON_SCALE);
    decimal("%5.1f", r[8]);
    whole("%5d", r[9] * FEET_PER_METRE);
    decimal("%5.1f", f.tasWord * AIRSPEED_SCALE);
    decimal("%5.1f", f.iasWord * AIRSPEED_SCALE);
    whole("%5d", r[12]);
    decimal("%5.1f", f.heading);
    decimal("%5.1f", f.bank);
    decimal("%5.2f", r[15] * G_SCALE);
    whole("%5d", r[16] * CLIMB_SCALE);
    decimal("%5.2f", -r[17]);
    whole("%5d", r[18]);
    whole("%5d", r[19] * POWER_SCALE);
    whole("%5d", r[20]);
    decimal("%5.1f", r[21] * PROP_DEGREES_PER_RADIAN);
    whole("%5d", r[22]);
    whole("%5d", r[23]);
    decimal("%4.1f#", r[24] * PRESSURE_SCALE);
    decimal("%4.1fF", r[25] * TEMPERATURE_SPAN_F + TEMPERATURE_BASE_F);
    decimal("%5.1f", (AOA_ZERO_RAW - r[26]) * AOA_DEGREES_PER_RAW);
    whole("%4dF", r[27] - RANKINE_OFFSET_F);
    whole("%4d#", r[28] * OIL_PRESSURE_SCALE);
    whole("%4dF", r[29] - RANKINE_OFFSET_F);
    whole("%4dF", r[30] - RANKINE_OFFSET_F);
    const double latitude = r[31] * LATITUDE_FACTOR / LATITUDE_DIVISOR / ARC_SECONDS_PER_DEGREE;
    std::snprintf(out[i++], 32, "%c %02d %05.2f", 'N', truncateToInt32(std::floor(latitude)),
                  (latitude - std::floor(latitude)) * MINUTES_PER_DEGREE);
    const double longitude = r[32] * LONGITUDE_FACTOR;
    std::snprintf(out[i++], 32, "%c%03d %05.2f", 'E', truncateToInt32(std::floor(longitude)),
                  (longitude - std::floor(longitude)) * MINUTES_PER_DEGREE);
    decimal("%5.1f", r[33] * ELEVATOR_SCALE);
}

template <typename Update>
void measure(benchmark::State& state, Update update) {
    const auto& all = frames();
    std::size_t n = 0;
    allocations = 0;
    countingAllocations = true;
    for (auto _ : state) {
        update(all[n++ % FRAME_COUNT]);
        benchmark::ClobberMemory();
    }
    countingAllocations = false;
    state.counters["allocations"] = static_cast<double>(allocations);
    state.counters["readouts"] =
        benchmark::Counter(static_cast<double>(state.iterations() * READOUT_COUNT), benchmark::Counter::kIsRate);
}

void BM_PanelUpdate(benchmark::State& state) {
    attachHost();
    measure(state, panelUpdate);
}
BENCHMARK(BM_PanelUpdate);

void BM_NaiveSnprintfFloor(benchmark::State& state) {
    char out[READOUT_COUNT][32];
    measure(state, [&](const Frame& f) {
        naiveUpdate(f, out);
        benchmark::DoNotOptimize(out);
    });
}
BENCHMARK(BM_NaiveSnprintfFloor);

// A counter that could not see an allocation would report zero for nothing.
bool allocationCounterWorks() {
    allocations = 0;
    countingAllocations = true;
    delete new volatile int(1);
    countingAllocations = false;
    return allocations == 1;
}

}  // namespace

int main(int argc, char** argv) {
    if (!allocationCounterWorks()) {
        std::fputs("readouts_bench: the allocation counter does not see operator new\n", stderr);
        return 1;
    }
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
