// The --from/--to time parser (flightlog::parseFlightTime) on any text: a
// finite time of 0 or more, written only with digits, colons and one decimal
// point, and for plain seconds the very number the text reads as; or a
// RangeError whose message is safe to show.
#include <charconv>
#include <cmath>
#include <cstdint>
#include <string>

#include "tests/fuzz/fuzz_checks.h"
#include "tools/log/log_range.h"

using vorlat::fuzz::finding;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string text(vorlat::fuzz::textOf(data, size));
    try {
        const double seconds = vorlat::flightlog::parseFlightTime(text);
        if (!std::isfinite(seconds) || seconds < 0) finding("a time not finite or negative", text);
        if (text.find_first_not_of("0123456789:.") != std::string::npos) finding("a time with other characters", text);
        if (text.find(':') == std::string::npos) {
            double plain = -1;
            std::from_chars(text.data(), text.data() + text.size(), plain);
            if (plain != seconds) finding("plain seconds read as another number", text);
        }
    } catch (const vorlat::flightlog::RangeError& error) {
        vorlat::fuzz::requireSafeMessage(error.what());
    }
    return 0;
}
