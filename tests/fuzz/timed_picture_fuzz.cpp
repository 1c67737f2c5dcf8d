// The `--png-at TIME:FILE` parser (cli::parseTimedPicture) on any text: a
// finite time of 0 or more and the file named after the first colon, or a
// UsageError whose message is safe to show.
#include <cmath>
#include <cstdint>
#include <string>

#include "host/fly/press_options.h"
#include "tests/fuzz/fuzz_checks.h"

using vorlat::fuzz::finding;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string argument(vorlat::fuzz::textOf(data, size));
    try {
        const vorlat::cli::TimedPicture picture = vorlat::cli::parseTimedPicture(argument, "OUT.png");
        if (!std::isfinite(picture.time) || picture.time < 0)
            finding("a picture time not finite or negative", argument);
        if (picture.file.empty() || picture.file != argument.substr(argument.find(':') + 1)) {
            finding("a file that is not all of the text after the first colon", argument);
        }
    } catch (const vorlat::cli::UsageError& error) {
        vorlat::fuzz::requireSafeMessage(error.what());
    }
    return 0;
}
