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
#include "common/time_text.h"
#include "common/utf8_path.h"
#include "tools/log/number_text.h"
#include "tools/log/summary_text.h"

namespace vorlat::flightlog {

namespace {
// A time as the messages give it: "140.5 s", or from an hour on "1:02:20" as --from reads it.
std::string momentText(double time) {
    return summary_text::readsAsClock(time) ? summary_text::clockText(time) : numberText(time, -1) + " s";
}
}  // namespace

std::string rangeText(const TimeRange& range) {
    const auto side = [](const std::optional<double>& time, const char* open) {
        return time ? momentText(*time) : std::string(open);
    };
    return "from " + side(range.from, "the start") + " to " + side(range.to, "the end");
}

double parseFlightTime(std::string_view text) {
    try {
        return timetext::parseTime(text);
    } catch (const UsageError& e) {
        throw RangeError(e.what());
    }
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
        throw RangeError("--from " + momentText(*range.from) + " comes after --to " +
                         momentText(*range.to));
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
                     momentText(*firstTime_) + " to " + momentText(*lastTime_));
}

std::string flightLabel(const std::string& path, const std::optional<std::string>& label) {
    if (label) return *label;
    if (path == STANDARD_INPUT) return "standard input";
    namespace fs = std::filesystem;
    std::error_code error;
    fs::path full = fs::absolute(pathFromUtf8(path), error);
    if (error) full = pathFromUtf8(path);
    full = full.lexically_normal();
    const fs::path folder = full.parent_path().filename();
    if (folder.empty()) return utf8Of(full.filename());
    // "folder/name" on every system, so a page or table says the same on Windows.
    return utf8Of(folder) + "/" + utf8Of(full.filename());
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
