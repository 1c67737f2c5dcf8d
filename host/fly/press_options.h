// Parsing of the command-line TIME:WHAT arguments: presses and timed pictures.
#pragma once

#include <string>
#include <string_view>

#include "common/command_error.h"
#include "host/flight/source.h"

namespace vorlat::cli {

// A value that does not say what it should is bad usage (exit code 2).
using vorlat::UsageError;

// "TIME:record", "TIME:pause" or "TIME:X,Y" (panel pixels); TIME as every
// option writes it (common/time_text.h): "1:30:record" is 1:30 and record.
flight::Press parsePress(std::string_view argument);

// "TIME:FILE": the panel at TIME written to FILE; the time is the longest part
// before a colon that reads as one ("2:20:x.png" is 2:20 and x.png). Both `vorlat fly --png-at` and
// `vorlat log replay --png-at` read their values here; `fileForm` names the
// file in the message for a value without one ("expected TIME:OUT.png").
struct TimedPicture {
    double time = 0;
    std::string file;
};
TimedPicture parseTimedPicture(std::string_view argument, std::string_view fileForm = "FILE");

std::string describePress(const flight::Press& press);

}  // namespace vorlat::cli
