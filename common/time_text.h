// Times as users write them on the command line, one syntax for every option:
// seconds ("140", "140.5"), m:ss ("2:20", "2:20.5") or h:mm:ss ("1:02:20"),
// and the TIME:WHAT values that put a time before a file name or a press.
#pragma once

#include <string>
#include <string_view>

#include "common/command_error.h"

namespace vorlat::timetext {

inline constexpr char TIME_FORMS[] = "seconds (140, 140.5), m:ss (2:20) or h:mm:ss (1:02:20)";

// Seconds from the text; minutes and seconds after a colon below 60; never
// negative. Throws UsageError naming the text.
double parseTime(std::string_view text);

// "TIME:WHAT": the time is the longest part before a colon that reads as a
// time, so "2:20:x.png" is 2:20 and "x.png", "1:30:record" is 1:30 and
// "record". A WHAT that itself starts with two digits and a colon is written
// with "./" before it ("2:./20:x.png"). Throws UsageError, the message
// showing `whatForm` ("expected TIME:OUT.png").
struct Timed {
    double time = 0;
    std::string_view what;
};
Timed splitTimed(std::string_view argument, std::string_view whatForm);

}  // namespace vorlat::timetext
