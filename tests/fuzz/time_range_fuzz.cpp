// The `--from`/`--to` time parser (flightlog::parseTimeRange, parseFlightTime)
// on any text, split at the first newline into FROM and TO (no newline: FROM
// alone): times finite and 0 or more, FROM not after TO, or a RangeError whose
// message is safe to show.
#include <cmath>
#include <cstdint>
#include <optional>
#include <string>

#include "tests/fuzz/fuzz_checks.h"
#include "tools/log/log_range.h"

using vorlat::fuzz::finding;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string text(vorlat::fuzz::textOf(data, size));
    const std::size_t newline = text.find('\n');
    const std::optional<std::string> from = text.substr(0, newline);
    const std::optional<std::string> to =
        newline == std::string::npos ? std::nullopt : std::optional<std::string>(text.substr(newline + 1));
    try {
        const vorlat::flightlog::TimeRange range = vorlat::flightlog::parseTimeRange(from, to);
        for (const std::optional<double>& time : {range.from, range.to}) {
            if (time && (!std::isfinite(*time) || *time < 0)) finding("a time not finite or negative", text);
        }
        if (range.from && range.to && *range.from > *range.to) finding("a range that ends before it starts", text);
        vorlat::fuzz::requireSafeMessage(vorlat::flightlog::rangeText(range));
    } catch (const vorlat::flightlog::RangeError& error) {
        vorlat::fuzz::requireSafeMessage(error.what());
    }
    return 0;
}
