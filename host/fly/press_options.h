// Parsing of the command-line TIME:WHAT arguments: presses and timed pictures.
#pragma once

#include <string>
#include <string_view>

#include "common/command_error.h"
#include "host/flight/source.h"

namespace vorlat::cli {

// A value that does not say what it should is bad usage (exit code 2).
using vorlat::UsageError;

// "TIME:record", "TIME:pause" or "TIME:X,Y" (panel pixels); TIME in seconds.
flight::Press parsePress(std::string_view argument);

// "TIME:FILE": the panel at TIME seconds written to FILE, which is split off at
// the first colon and may hold more. Both `vorlat fly --png-at` and
// `vorlat log replay --png-at` read their values here; `fileForm` names the
// file in the message for a value without one ("expected TIME:OUT.png").
struct TimedPicture {
    double time = 0;
    std::string file;
};
TimedPicture parseTimedPicture(std::string_view argument, std::string_view fileForm = "FILE");

std::string describePress(const flight::Press& press);

}  // namespace vorlat::cli
