#include "host/fly/press_options.h"

#include <charconv>
#include <cmath>

#include "common/printable.h"
#include "common/time_text.h"

namespace vorlat::cli {

namespace {

int parseCoordinate(std::string_view text, std::string_view argument) {
    int value = 0;
    auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || error != std::errc{} || end != text.data() + text.size())
        throw UsageError(printable(argument) + ": " + printable(text) +
                         " is not a whole pixel coordinate");
    return value;
}

// Hundredths, as a press time is usually written ("10.50"), when they say the
// time exactly; else the shortest text that reads back as the same number.
std::string formatSeconds(double seconds) {
    constexpr double LARGEST_IN_HUNDREDTHS = 1e9;
    char buffer[64];
    if (std::fabs(seconds) < LARGEST_IN_HUNDREDTHS) {
        const auto [end, error] = std::to_chars(buffer, buffer + sizeof buffer, seconds, std::chars_format::fixed, 2);
        double readBack = 0;
        if (error == std::errc{} && std::from_chars(buffer, end, readBack).ec == std::errc{} && readBack == seconds)
            return std::string(buffer, end);
    }
    const auto [end, error] = std::to_chars(buffer, buffer + sizeof buffer, seconds);
    return error == std::errc{} ? std::string(buffer, end) : std::string("?");
}

// No press holds a colon: "1:3:record" is a time gone wrong ("1:3"), not 1 s
// and "3:record". Says why the longer time does not read.
std::string misreadTime(std::string_view argument, std::string_view what) {
    const std::string_view meant = argument.substr(0, argument.size() - what.size() + what.find(':'));
    std::string why = "it is not a time";
    try {
        timetext::parseTime(meant);
    } catch (const UsageError& e) {
        why = e.what();
        why = why.substr(0, why.find("; expected"));
    }
    return printable(argument) + ": " + why + ", and " + printable(what) +
           " is no press; expected TIME:record, TIME:pause or TIME:X,Y, TIME as " + timetext::TIME_FORMS;
}

}  // namespace

flight::Press parsePress(std::string_view argument) {
    const timetext::Timed timed = timetext::splitTimed(argument, "record, TIME:pause or TIME:X,Y");
    flight::Press press;
    press.time = timed.time;
    const std::string_view what = timed.what;
    if (what == "record") {
        press.target = flight::Press::Target::Record;
    } else if (what == "pause") {
        press.target = flight::Press::Target::Pause;
    } else {
        const std::size_t comma = what.find(',');
        if (what.find(':') != std::string_view::npos) throw UsageError(misreadTime(argument, what));
        if (comma == std::string_view::npos)
            throw UsageError(printable(argument) + ": after the time, expected record, pause or X,Y");
        press.target = flight::Press::Target::Point;
        press.x = parseCoordinate(what.substr(0, comma), argument);
        press.y = parseCoordinate(what.substr(comma + 1), argument);
    }
    return press;
}

TimedPicture parseTimedPicture(std::string_view argument, std::string_view fileForm) {
    const timetext::Timed timed = timetext::splitTimed(argument, fileForm);
    return {timed.time, std::string(timed.what)};
}

std::string describePress(const flight::Press& press) {
    const std::string at = formatSeconds(press.time) + " s ";
    switch (press.target) {
        case flight::Press::Target::Record: return at + "record";
        case flight::Press::Target::Pause: return at + "pause";
        case flight::Press::Target::Point: break;
    }
    return at + "(" + std::to_string(press.x) + "," + std::to_string(press.y) + ")";
}

}  // namespace vorlat::cli
