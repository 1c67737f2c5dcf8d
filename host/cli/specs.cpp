#include "host/cli/specs.h"

#include <charconv>
#include <cmath>
#include <cstdio>

namespace vorlat::cli {

namespace {

double parseTime(std::string_view text, std::string_view spec) {
    double value = 0;
    if (!text.empty() && text.front() == '+') text.remove_prefix(1);
    auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || error != std::errc{} || end != text.data() + text.size())
        throw UsageError("\"" + std::string(spec) + "\": the time \"" + std::string(text) + "\" is not a number of seconds");
    if (!std::isfinite(value) || value < 0)
        throw UsageError("\"" + std::string(spec) + "\": the time must be a finite number of seconds, 0 or more");
    return value;
}

int parseCoordinate(std::string_view text, std::string_view spec) {
    int value = 0;
    auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || error != std::errc{} || end != text.data() + text.size())
        throw UsageError("\"" + std::string(spec) + "\": \"" + std::string(text) + "\" is not a whole pixel coordinate");
    return value;
}

std::string formatSeconds(double seconds) {
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "%.2f", seconds);
    return buffer;
}

}  // namespace

flight::Press parsePress(std::string_view spec) {
    const std::size_t colon = spec.find(':');
    if (colon == std::string_view::npos)
        throw UsageError("\"" + std::string(spec) + "\": expected TIME:record, TIME:pause or TIME:X,Y");
    flight::Press press;
    press.time = parseTime(spec.substr(0, colon), spec);
    const std::string_view what = spec.substr(colon + 1);
    if (what == "record") {
        press.target = flight::Press::Target::Record;
    } else if (what == "pause") {
        press.target = flight::Press::Target::Pause;
    } else {
        const std::size_t comma = what.find(',');
        if (comma == std::string_view::npos)
            throw UsageError("\"" + std::string(spec) + "\": after the time, expected record, pause or X,Y");
        press.target = flight::Press::Target::Point;
        press.x = parseCoordinate(what.substr(0, comma), spec);
        press.y = parseCoordinate(what.substr(comma + 1), spec);
    }
    return press;
}

TimedPicture parseTimedPicture(std::string_view spec) {
    const std::size_t colon = spec.find(':');
    if (colon == std::string_view::npos || colon + 1 == spec.size())
        throw UsageError("\"" + std::string(spec) + "\": expected TIME:FILE");
    return {parseTime(spec.substr(0, colon), spec), std::string(spec.substr(colon + 1))};
}

std::string describePress(const flight::Press& press) {
    const std::string at = formatSeconds(press.time) + " s ";
    switch (press.target) {
    case flight::Press::Target::Record:
        return at + "record";
    case flight::Press::Target::Pause:
        return at + "pause";
    case flight::Press::Target::Point:
        break;
    }
    return at + "(" + std::to_string(press.x) + "," + std::to_string(press.y) + ")";
}

}  // namespace vorlat::cli
