// The one reader of command-line times and of the time in TIME:WHAT values.
#include "common/time_text.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <optional>

#include "common/printable.h"

namespace vorlat::timetext {

namespace {

constexpr std::int64_t SECONDS_PER_MINUTE = 60;
constexpr std::size_t MAX_FIELDS = 3;           // h:mm:ss
constexpr std::size_t MAX_LEADING_DIGITS = 12;  // about 31,000 years of seconds: no integer overflow below

[[noreturn]] void badTime(std::string_view text, const std::string& why) {
    throw UsageError("the time " + printable(text) + " " + why + "; expected " + TIME_FORMS);
}

bool allDigits(std::string_view text) {
    return !text.empty() && text.find_first_not_of("0123456789") == std::string_view::npos;
}

// The whole seconds of "h:mm:ss" fields; the last may carry the fraction, split off before.
std::int64_t wholeSeconds(std::string_view text, std::string_view whole) {
    std::int64_t total = 0;
    std::size_t fields = 0;
    for (std::size_t start = 0;; ++fields) {
        const std::size_t colon = whole.find(':', start);
        const std::string_view field = whole.substr(start, colon == std::string_view::npos ? colon : colon - start);
        if (!allDigits(field)) badTime(text, "has a field that is not a whole number");
        if (fields + 1 > MAX_FIELDS) badTime(text, "has more than three fields");
        std::int64_t value = 0;
        if (fields == 0) {
            const std::size_t significant = field.size() - std::min(field.find_first_not_of('0'), field.size());
            if (significant > MAX_LEADING_DIGITS) badTime(text, "is too large");
        } else if (field.size() != 2) {
            badTime(text, "needs two digits after each colon");
        }
        std::from_chars(field.data(), field.data() + field.size(), value);
        if (fields != 0 && value >= SECONDS_PER_MINUTE) badTime(text, "has minutes or seconds of 60 or more");
        total = total * SECONDS_PER_MINUTE + value;
        if (colon == std::string_view::npos) break;
        start = colon + 1;
    }
    return total;
}

std::optional<double> readTime(std::string_view text) {
    try {
        return parseTime(text);
    } catch (const UsageError&) {
        return std::nullopt;
    }
}

}  // namespace

double parseTime(std::string_view text) {
    if (text.empty()) badTime(text, "is empty");
    if (text.front() == '-') badTime(text, "is negative");
    const std::size_t point = text.find('.');
    const std::string_view whole = text.substr(0, point);
    const std::string_view fraction = point == std::string_view::npos ? std::string_view{} : text.substr(point + 1);
    if (point != std::string_view::npos && !allDigits(fraction))
        badTime(text, "needs digits after its decimal point, and nothing else");
    // The whole seconds and the fraction read as one decimal number: correctly
    // rounded, so "2:20.1" is the very same double as "140.1".
    const std::string decimal = std::to_string(wholeSeconds(text, whole)) + "." + std::string(fraction) + "0";
    double seconds = 0;
    const auto result = std::from_chars(decimal.data(), decimal.data() + decimal.size(), seconds);
    if (result.ec != std::errc{} || !std::isfinite(seconds)) badTime(text, "is not a number of seconds");
    return seconds;
}

// A time has at most three fields: only the first three colons can end one.
Timed splitTimed(std::string_view argument, std::string_view whatForm) {
    const std::string expected = "expected TIME:" + std::string(whatForm) + ", TIME as " + TIME_FORMS;
    const std::size_t first = argument.find(':');
    if (first == std::string_view::npos) throw UsageError(printable(argument) + ": no colon; " + expected);
    std::optional<Timed> longest;
    for (std::size_t n = 0, colon = first; n < MAX_FIELDS && colon != std::string_view::npos; ++n) {
        if (const auto time = readTime(argument.substr(0, colon)))
            longest = Timed{.time = *time, .what = argument.substr(colon + 1)};
        colon = argument.find(':', colon + 1);
    }
    if (!longest) {
        try {
            parseTime(argument.substr(0, first));
        } catch (const UsageError& e) {
            throw UsageError(printable(argument) + ": " + e.what());
        }
    }
    if (!longest || longest->what.empty())
        throw UsageError(printable(argument) + ": nothing after the time; " + expected);
    return *longest;
}

}  // namespace vorlat::timetext
