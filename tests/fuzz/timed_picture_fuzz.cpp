// The `--png-at TIME:FILE` parser (cli::parseTimedPicture) on any text: a
// finite time of 0 or more that the text before the file reads as, no longer
// time before a later colon, or a UsageError whose message is safe to show.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <string>

#include "common/time_text.h"
#include "host/fly/press_options.h"
#include "tests/fuzz/fuzz_checks.h"

using vorlat::fuzz::finding;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string argument(vorlat::fuzz::textOf(data, size));
    try {
        const vorlat::cli::TimedPicture picture = vorlat::cli::parseTimedPicture(argument, "OUT.png");
        if (!std::isfinite(picture.time) || picture.time < 0)
            finding("a picture time not finite or negative", argument);
        const std::size_t timeEnd = argument.size() - picture.file.size() - 1;
        if (picture.file.empty() || !argument.ends_with(":" + picture.file) ||
            vorlat::timetext::parseTime(argument.substr(0, timeEnd)) != picture.time) {
            finding("a file that does not follow the time it was read with", argument);
        }
        const std::size_t later = argument.find(':', timeEnd + 1);
        if (later != std::string::npos && std::count(argument.begin(), argument.begin() + long(later), ':') < 3) {
            try {
                vorlat::timetext::parseTime(argument.substr(0, later));
                finding("a shorter time taken where a longer one reads", argument);
            } catch (const vorlat::cli::UsageError&) {
            }
        }
    } catch (const vorlat::cli::UsageError& error) {
        vorlat::fuzz::requireSafeMessage(error.what());
    }
    return 0;
}
