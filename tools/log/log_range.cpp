// Times as users write them ("140.5", "2:20", "1:02:20"), the range of rows a
// command reads, and the labels of flights shown side by side.
#include "tools/log/log_range.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <filesystem>
#include <utility>

#include "common/printable.h"
#include "tools/log/number_text.h"

namespace vorlat::flightlog {

namespace {

constexpr std::int64_t SECONDS_PER_MINUTE = 60;
constexpr std::size_t MAX_FIELDS = 3;           // h:mm:ss
constexpr std::size_t MAX_LEADING_DIGITS = 12;  // about 31,000 years of seconds: no integer overflow below

[[noreturn]] void badTime(std::string_view text, const std::string& why) {
    throw RangeError("the time " + printable(text) + " " + why +
                     "; expected seconds (140, 140.5), m:ss (2:20) or h:mm:ss (1:02:20)");
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

}  // namespace

std::string rangeText(const TimeRange& range) {
    const auto side = [](const std::optional<double>& time, const char* open) {
        return time ? numberText(*time, -1) + " s" : std::string(open);
    };
    return "from " + side(range.from, "the start") + " to " + side(range.to, "the end");
}

double parseFlightTime(std::string_view text) {
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

TimeRange parseTimeRange(const std::optional<std::string>& from, const std::optional<std::string>& to) {
    TimeRange range;
    const auto parse = [](const std::string& text, const char* option) {
        try {
            return parseFlightTime(text);
        } catch (const RangeError& e) {
            throw RangeError(std::string(option) + ": " + e.what());
        }
    };
    if (from) range.from = parse(*from, "--from");
    if (to) range.to = parse(*to, "--to");
    if (range.from && range.to && *range.from > *range.to)
        throw RangeError("--from " + numberText(*range.from, -1) + " s comes after --to " + numberText(*range.to, -1) +
                         " s");
    return range;
}

RangeFilter::RangeFilter(TimeRange range, double tickRate, RowSink& next)
    : range_(range), tickRate_(tickRate), next_(next) {}

// The whole recording passes every segment on at once, empty ones included;
// a range announces a segment with its first row inside the range.
void RangeFilter::segmentStarted(const SegmentStart& start) {
    if (!range_.limited()) return next_.segmentStarted(start);
    pendingSegment_ = start;
}

void RangeFilter::row(const Row& row, const RowText& text, std::size_t segment) {
    const double time = timeOfIndex(row[INDEX], tickRate_);
    if (!firstTime_) firstTime_ = time;
    lastTime_ = time;
    if (!range_.contains(time)) return;
    if (pendingSegment_) next_.segmentStarted(*std::exchange(pendingSegment_, std::nullopt));
    ++passed_;
    next_.row(row, text, segment);
}

std::size_t RangeFilter::rowsPassed() const { return passed_; }

void RangeFilter::requireRows(const std::string& file) const {
    if (!range_.limited() || passed_ != 0 || !firstTime_) return;
    throw RangeError(file + ": no row lies in the range " + rangeText(range_) + "; the recording's rows run from " +
                     numberText(*firstTime_, -1) + " s to " + numberText(*lastTime_, -1) + " s");
}

std::string flightLabel(const std::string& path, const std::optional<std::string>& label) {
    if (label) return *label;
    if (path == STANDARD_INPUT) return "standard input";
    namespace fs = std::filesystem;
    std::error_code error;
    fs::path full = fs::absolute(fs::path(path), error);
    if (error) full = fs::path(path);
    full = full.lexically_normal();
    const fs::path folder = full.parent_path().filename();
    return folder.empty() ? full.filename().string() : (folder / full.filename()).string();
}

std::vector<std::string> flightLabels(const std::vector<std::string>& paths, const std::vector<std::string>& labels) {
    if (!labels.empty() && labels.size() != paths.size())
        throw UsageError("--label given " + countedText(labels.size(), "time", "times") + " for " +
                         countedText(paths.size(), "log", "logs") + ": give it once per log, in order, or not at all");
    std::vector<std::string> names;
    for (std::size_t i = 0; i < paths.size(); ++i)
        names.push_back(flightLabel(paths[i], labels.empty() ? std::nullopt : std::optional(labels[i])));
    return names;
}

}  // namespace vorlat::flightlog
