// The `--press TIME:WHAT` parser (cli::parsePress) on any text: a press at a
// finite time of 0 or more whose description shows that time (to the
// hundredth), or a UsageError whose message is safe to show.
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "host/fly/press_options.h"
#include "tests/fuzz/fuzz_checks.h"

using vorlat::fuzz::finding;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string argument(vorlat::fuzz::textOf(data, size));
    try {
        const vorlat::flight::Press press = vorlat::cli::parsePress(argument);
        if (!std::isfinite(press.time) || press.time < 0) finding("a press time not finite or negative", argument);
        const std::string described = vorlat::cli::describePress(press);
        vorlat::fuzz::requireSafeMessage(described);
        // The description starts with the time in seconds, rounded to the hundredth at most.
        const double shown = std::strtod(described.c_str(), nullptr);
        if (std::fabs(shown - press.time) > 0.0051 + 1e-12 * press.time) {
            finding("a description that misstates the time", described);
        }
    } catch (const vorlat::cli::UsageError& error) {
        vorlat::fuzz::requireSafeMessage(error.what());
    }
    return 0;
}
