// Parsing of the fly command's option values: presses and timed pictures.
#pragma once

#include <stdexcept>
#include <string>
#include <string_view>

#include "host/flight/source.h"

namespace vorlat::cli {

// Bad usage: an option value that does not say what it should. Exit code 2.
struct UsageError : std::runtime_error {
    using std::runtime_error::runtime_error;
};

// "TIME:record", "TIME:pause" or "TIME:X,Y" (panel pixels); TIME in seconds.
flight::Press parsePress(std::string_view argument);

// "TIME:FILE": the panel at TIME seconds written to FILE.
struct TimedPicture {
    double time = 0;
    std::string file;
};
TimedPicture parseTimedPicture(std::string_view argument);

std::string describePress(const flight::Press& press);

}  // namespace vorlat::cli
