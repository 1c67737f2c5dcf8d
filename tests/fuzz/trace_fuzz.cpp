// The trace reader (flight::parseTrace) on any bytes: a trace whose rows keep
// their promises (times finite, 0 or more and increasing, one value per
// channel per row), or a TraceError whose message is safe to show.
#include <cmath>
#include <cstdint>
#include <sstream>
#include <string>

#include "host/flight/trace.h"
#include "tests/fuzz/fuzz_checks.h"

using vorlat::fuzz::finding;

namespace {

void checkTrace(const vorlat::flight::Trace& trace) {
    if (trace.rowCount() == 0) finding("a trace without rows", {});
    if (trace.columnNames.size() != trace.channels.size()) finding("column names and channels differ in number", {});
    if (trace.values.size() != trace.rowCount() * trace.channels.size()) finding("values of the wrong count", {});
    for (std::size_t row = 0; row < trace.rowCount(); ++row) {
        const double time = trace.times[row];
        if (!std::isfinite(time) || time < 0) finding("a time not finite or negative", std::to_string(time));
        if (row > 0 && !(time > trace.times[row - 1])) finding("times that do not increase", std::to_string(time));
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::istringstream input{std::string(vorlat::fuzz::textOf(data, size))};
    try {
        checkTrace(vorlat::flight::parseTrace(input, "fuzz.csv"));
    } catch (const vorlat::flight::TraceError& error) {
        vorlat::fuzz::requireSafeMessage(error.what());
    }
    return 0;
}
