#include "host/flight/trace.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <fstream>
#include <limits>
#include <optional>
#include <string_view>

namespace vorlat::flight {

namespace {

constexpr double NO_VALUE = std::numeric_limits<double>::quiet_NaN();

std::string_view trim(std::string_view text) {
    const auto isSpace = [](char c) { return c == ' ' || c == '\t' || c == '\r'; };
    while (!text.empty() && isSpace(text.front())) text.remove_prefix(1);
    while (!text.empty() && isSpace(text.back())) text.remove_suffix(1);
    return text;
}

std::vector<std::string_view> splitFields(std::string_view line) {
    std::vector<std::string_view> fields;
    std::size_t start = 0;
    while (true) {
        const std::size_t comma = line.find(',', start);
        fields.push_back(
            trim(line.substr(start, comma == std::string_view::npos ? std::string_view::npos : comma - start)));
        if (comma == std::string_view::npos) break;
        start = comma + 1;
    }
    return fields;
}

// Locale-free: a full stop is the decimal separator whatever the environment says.
std::optional<double> parseNumber(std::string_view text) {
    if (!text.empty() && text.front() == '+') text.remove_prefix(1);
    if (text.empty()) return std::nullopt;
    double value = 0;
    auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc{} || end != text.data() + text.size()) return std::nullopt;
    return value;
}

bool skippedLine(std::string_view line) {
    const std::string_view content = trim(line);
    return content.empty() || content.front() == '#';
}

std::string formatTime(double seconds) {
    char buffer[64];
    auto [end, error] = std::to_chars(buffer, buffer + sizeof buffer, seconds);
    return error == std::errc{} ? std::string(buffer, end) : std::string("?");
}

}  // namespace

TraceError::TraceError(std::string file, std::size_t line, std::size_t column, std::string columnName,
                       std::string message)
    : std::runtime_error(file + ":" + (line == 0 ? std::string() : std::to_string(line) + ":") + " " +
                         (column == 0 ? std::string()
                                      : "column " + std::to_string(column) +
                                            (columnName.empty() ? std::string() : " (" + columnName + ")") + ": ") +
                         message),
      file_(std::move(file)),
      line_(line),
      column_(column),
      message_(std::move(message)) {}

namespace {

// Reads a trace line by line: the first line that is not skipped names the
// columns, every later one is a row.
class TraceParser {
public:
    explicit TraceParser(const std::string& fileName) : fileName_(fileName) {}
    Trace parse(std::istream& input);

private:
    void readHeader(const std::vector<std::string_view>& fields);
    void addInputColumn(std::size_t field, const std::string& name);
    void readRow(const std::vector<std::string_view>& fields);
    double readTime(std::string_view text) const;
    TraceError fail(std::size_t column, std::string message) const;

    const std::string& fileName_;
    Trace trace_;
    std::vector<std::string> headerNames_;  // every header field, `time` included
    std::size_t timeColumn_ = 0;
    std::vector<std::size_t> inputColumn_;  // header field -> input column, or npos for `time`
    std::vector<double> current_;           // the values as held after the last row
    bool haveHeader_ = false;
    std::size_t lineNumber_ = 0;
};

Trace TraceParser::parse(std::istream& input) {
    for (std::string line; std::getline(input, line);) {
        ++lineNumber_;
        if (skippedLine(line)) continue;
        const std::vector<std::string_view> fields = splitFields(line);
        if (haveHeader_) readRow(fields);
        else readHeader(fields);
    }
    if (input.bad()) throw TraceError(fileName_, lineNumber_, 0, {}, "reading failed");
    if (!haveHeader_)
        throw TraceError(fileName_, std::max<std::size_t>(lineNumber_, 1), 0, {},
                         "the trace is empty: it needs a header line and at least one row");
    if (trace_.times.empty()) throw TraceError(fileName_, lineNumber_, 0, {}, "the trace has a header but no rows");
    return std::move(trace_);
}

void TraceParser::readHeader(const std::vector<std::string_view>& fields) {
    haveHeader_ = true;
    std::optional<std::size_t> foundTime;
    for (std::size_t i = 0; i < fields.size(); ++i) {
        const std::string name(fields[i]);
        headerNames_.push_back(name);
        if (name.empty()) throw fail(i + 1, "empty column name");
        if (std::count(headerNames_.begin(), headerNames_.end() - 1, name) > 0)
            throw fail(i + 1, "column \"" + name + "\" appears twice");
        if (name == "time") {
            foundTime = i;
            inputColumn_.push_back(std::string::npos);
        } else {
            addInputColumn(i, name);
        }
    }
    if (!foundTime) throw fail(0, "the header has no \"time\" column");
    timeColumn_ = *foundTime;
    current_.assign(trace_.channels.size(), NO_VALUE);
}

void TraceParser::addInputColumn(std::size_t field, const std::string& name) {
    const auto channel = channelByName(name);
    if (!channel)
        throw fail(field + 1, "unknown column \"" + name +
                                  "\": use a host variable identifier, dataN, or a name from docs/trace-format.md");
    if (channel->kind == Channel::Kind::Variable && channel->index == gauge::TICK_VARIABLE)
        throw fail(field + 1, "host variable " + std::to_string(gauge::TICK_VARIABLE) +
                                  " is the tick count, which the program drives itself");
    for (std::size_t j = 0; j < trace_.channels.size(); ++j)
        if (trace_.channels[j] == *channel)
            throw fail(field + 1, "\"" + name + "\" feeds " + describeChannel(*channel) + ", as column \"" +
                                      trace_.columnNames[j] + "\" does already");
    inputColumn_.push_back(trace_.channels.size());
    trace_.channels.push_back(*channel);
    trace_.columnNames.push_back(name);
}

void TraceParser::readRow(const std::vector<std::string_view>& fields) {
    if (fields.size() != headerNames_.size())
        throw fail(std::min(fields.size(), headerNames_.size()) + 1,
                   std::to_string(fields.size()) + " fields, but the header names " +
                       std::to_string(headerNames_.size()) + " columns");
    const double time = readTime(fields[timeColumn_]);
    for (std::size_t i = 0; i < fields.size(); ++i) {
        if (i == timeColumn_ || fields[i].empty()) continue;  // empty: the value holds
        const auto value = parseNumber(fields[i]);
        if (!value) throw fail(i + 1, "\"" + std::string(fields[i]) + "\" is not a number");
        const std::size_t column = inputColumn_[i];
        if (auto problem = checkChannelValue(trace_.channels[column], *value))
            throw fail(i + 1, std::string(fields[i]) + " is " + *problem);
        current_[column] = *value;
    }
    trace_.times.push_back(time);
    trace_.values.insert(trace_.values.end(), current_.begin(), current_.end());
}

double TraceParser::readTime(std::string_view text) const {
    const std::size_t column = timeColumn_ + 1;
    if (text.empty()) throw fail(column, "the time is missing");
    const auto time = parseNumber(text);
    if (!time) throw fail(column, "\"" + std::string(text) + "\" is not a number");
    if (!std::isfinite(*time)) throw fail(column, "the time is not a finite number");
    if (*time < 0) throw fail(column, "the time " + std::string(text) + " is negative");
    if (!trace_.times.empty() && !(*time > trace_.times.back()))
        throw fail(column, "the time " + std::string(text) + " does not increase (the row before is at " +
                               formatTime(trace_.times.back()) + ")");
    return *time;
}

TraceError TraceParser::fail(std::size_t column, std::string message) const {
    const std::string name = column >= 1 && column <= headerNames_.size() ? headerNames_[column - 1] : std::string();
    return TraceError(fileName_, lineNumber_, column, name, std::move(message));
}

}  // namespace

Trace parseTrace(std::istream& input, const std::string& fileName) { return TraceParser(fileName).parse(input); }

Trace loadTrace(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    if (!file) throw TraceError(path, 0, 0, {}, "cannot open the file");
    return parseTrace(file, path);
}

TraceSource::TraceSource(Trace trace) : trace_(std::move(trace)) {}

double TraceSource::duration() const { return trace_.times.empty() ? 0 : trace_.times.back(); }

void TraceSource::apply(Host& host, double time) {
    if (trace_.times.empty()) return;
    if (time < lastTime_) {
        next_ = 0;
        applied_ = SIZE_MAX;
    }
    lastTime_ = time;
    while (next_ < trace_.times.size() && trace_.times[next_] <= time) ++next_;
    const std::size_t row = next_ == 0 ? 0 : next_ - 1;
    if (row == applied_) return;
    applied_ = row;
    const std::size_t width = trace_.channels.size();
    for (std::size_t column = 0; column < width; ++column) {
        const double value = trace_.values[row * width + column];
        if (!std::isnan(value)) applyChannel(host, trace_.channels[column], value);
    }
}

}  // namespace vorlat::flight
