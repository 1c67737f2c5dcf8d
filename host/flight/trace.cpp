#include "host/flight/trace.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <exception>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <limits>
#include <optional>
#include <string_view>
#include <unordered_map>
#include <unordered_set>

#include "common/nearest_name.h"
#include "common/printable.h"
#include "common/utf8_path.h"

namespace vorlat::flight {

namespace {

constexpr double NO_VALUE = std::numeric_limits<double>::quiet_NaN();
constexpr std::string_view UTF8_BYTE_ORDER_MARK = "\xEF\xBB\xBF";
constexpr std::size_t CLOSEST_NAMES_SHOWN = 4;
// A trace line longer than this is not a trace's line; memory stays flat
// however long the line (a log's reader has the same cap).
constexpr std::size_t MAX_TRACE_LINE_BYTES = 64 * 1024;

// One line without its "\n", kept only up to MAX_TRACE_LINE_BYTES + 1 bytes:
// false at the end of the input. The rest of a longer line is read and dropped.
bool readLine(std::istream& input, std::string& line) {
    line.clear();
    std::streambuf* buffer = input.rdbuf();
    bool any = false;
    for (;;) {
        int c = 0;
        try {
            c = buffer->sbumpc();  // a file's read error is thrown by its buffer
        } catch (const std::exception&) {
            input.setstate(std::ios::badbit);
            return false;
        }
        if (c == std::char_traits<char>::eof()) {
            input.setstate(std::ios::eofbit);
            return any;
        }
        any = true;
        if (c == '\n') return true;
        if (line.size() <= MAX_TRACE_LINE_BYTES) line += static_cast<char>(c);
    }
}

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

// Text as a person or a spreadsheet writes it: no control bytes but tabs and
// CR, and bytes above ASCII only in well-formed UTF-8 sequences.
bool looksLikeText(std::string_view line) {
    for (std::size_t i = 0; i < line.size(); ++i) {
        const auto c = static_cast<unsigned char>(line[i]);
        if (c < 0x20 && c != '\t' && c != '\r') return false;
        if (c < 0x80) continue;
        const std::size_t length = c >= 0xC2 && c <= 0xDF   ? 2
                                   : c >= 0xE0 && c <= 0xEF ? 3
                                   : c >= 0xF0 && c <= 0xF4 ? 4
                                                            : 0;
        if (length == 0 || i + length > line.size()) return false;
        for (std::size_t k = 1; k < length; ++k)
            if ((static_cast<unsigned char>(line[i + k]) & 0xC0) != 0x80) return false;
        i += length - 1;
    }
    return true;
}

bool skippedLine(std::string_view line) {
    const std::string_view content = trim(line);
    return content.empty() || content.front() == '#';
}

// A name or number from the file as a message shows it: as typed when it is
// short plain text, else quoted, escaped and cut (vorlat::printable).
std::string shown(std::string_view text) {
    const bool plain = text.size() <= SHOWN_BYTES && std::all_of(text.begin(), text.end(), [](char c) {
                           return c >= 0x20 && c <= 0x7E && c != '"' && c != '\\';
                       });
    return plain ? std::string(text) : printable(text);
}

// What a column may be called, and the documented name nearest to one that was not recognised.
std::string unknownColumnMessage(std::string_view name) {
    std::vector<std::string> names{"time"};
    for (const auto& entry : channelNames()) names.push_back(entry.name);
    const std::string otherForms =
        "a host variable identifier, or dataN with N from 0 to " + std::to_string(gauge::DATA_BLOCK_WORDS - 1);
    const std::string start = "unknown column " + printable(name);
    const auto digits = [](std::string_view text) {
        return !text.empty() && std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
    };
    if (name.starts_with("data") && digits(name.substr(4)))
        return start + ": the data block's words are data0 to data" + std::to_string(gauge::DATA_BLOCK_WORDS - 1);
    if (digits(name)) return start + ": host variable identifiers are whole numbers from 1 to 4294967295";
    if (const auto meant = likelyMeant(name, names))
        return start + "; did you mean \"" + *meant + "\"? A column is a name from docs/trace-format.md, " + otherForms;
    std::string closest;
    for (const std::string& near : nearestNames(name, names, CLOSEST_NAMES_SHOWN))
        closest += (closest.empty() ? " (the closest: " : ", ") + near;
    if (!closest.empty()) closest += ", ...)";
    return start + ": a column is a name from docs/trace-format.md" + closest + ", " + otherForms;
}

// Equality that counts its calls: the header checks' comparisons, for TraceWork.
template <class T>
struct CountedEqual {
    std::size_t* count;
    bool operator()(const T& a, const T& b) const {
        ++*count;
        return a == b;
    }
};

std::string formatTime(double seconds) {
    char buffer[64];
    auto [end, error] = std::to_chars(buffer, buffer + sizeof buffer, seconds);
    return error == std::errc{} ? std::string(buffer, end) : std::string("?");
}

}  // namespace

TraceError::TraceError(std::string file, std::size_t line, std::size_t column, std::string columnName,
                       std::string message, Cause cause)
    : CommandError(
          file + ":" + (line == 0 ? std::string() : std::to_string(line) + ":") + " " +
              (column == 0 ? std::string()
                           : "column " + std::to_string(column) +
                                 (columnName.empty() ? std::string() : " (" + shown(columnName) + ")") + ": ") +
              message,
          cause == Cause::ReadFailure ? EXIT_FAILED : EXIT_BAD_INPUT),
      file_(std::move(file)),
      line_(line),
      column_(column),
      message_(std::move(message)),
      cause_(cause) {}

namespace {

// Reads a trace line by line: the first line that is not skipped names the
// columns, every later one is a row.
class TraceParser {
public:
    TraceParser(const std::string& fileName, TraceWork& work)
        : fileName_(fileName), work_(work), fedBy_(0, ChannelHash{}, CountedEqual<Channel>{&work.headerComparisons}) {}
    Trace parse(std::istream& input);

private:
    void readHeader(const std::vector<std::string_view>& fields);
    void checkHeaderText(std::string_view line, const std::vector<std::string_view>& fields) const;
    void addInputColumn(std::size_t field, std::string_view name);
    void readRow(const std::vector<std::string_view>& fields);
    double readTime(std::string_view text) const;
    TraceError fail(std::size_t column, std::string message) const;

    const std::string& fileName_;
    TraceWork& work_;
    Trace trace_;
    std::vector<std::string> headerNames_;  // every header field, `time` included
    std::size_t timeColumn_ = 0;
    std::vector<std::size_t> inputColumn_;                         // header field -> input column, or npos for `time`
    // channel -> the input column feeding it
    std::unordered_map<Channel, std::size_t, ChannelHash, CountedEqual<Channel>> fedBy_;
    std::vector<double> current_;                                  // the values as held after the last row
    bool haveHeader_ = false;
    std::size_t lineNumber_ = 0;
};

Trace TraceParser::parse(std::istream& input) {
    for (std::string line; readLine(input, line);) {
        ++lineNumber_;
        if (line.size() > MAX_TRACE_LINE_BYTES)
            throw TraceError(fileName_, lineNumber_, 0, {},
                             "the line is longer than " + std::to_string(MAX_TRACE_LINE_BYTES) +
                                 " bytes: a trace's line is a header or a row of numbers");
        if (lineNumber_ == 1 && line.starts_with(UTF8_BYTE_ORDER_MARK)) line.erase(0, UTF8_BYTE_ORDER_MARK.size());
        if (skippedLine(line)) continue;
        if (haveHeader_) {
            readRow(splitFields(line));
        } else {
            const std::vector<std::string_view> fields = splitFields(line);
            checkHeaderText(line, fields);
            readHeader(fields);
        }
    }
    if (input.bad()) throw TraceError(fileName_, lineNumber_, 0, {}, "reading failed", TraceError::Cause::ReadFailure);
    if (!haveHeader_)
        throw TraceError(fileName_, std::max<std::size_t>(lineNumber_, 1), 0, {},
                         "the trace is empty: it needs a header line and at least one row");
    if (trace_.times.empty()) throw TraceError(fileName_, lineNumber_, 0, {}, "the trace has a header but no rows");
    return std::move(trace_);
}

void TraceParser::readHeader(const std::vector<std::string_view>& fields) {
    haveHeader_ = true;
    std::optional<std::size_t> foundTime;
    // Views into the header line, which outlives this call.
    std::unordered_set<std::string_view, std::hash<std::string_view>, CountedEqual<std::string_view>> seen(
        0, std::hash<std::string_view>{}, CountedEqual<std::string_view>{&work_.headerComparisons});
    for (std::size_t i = 0; i < fields.size(); ++i) {
        const std::string_view name = fields[i];
        headerNames_.emplace_back(name);
        if (name.empty()) throw fail(i + 1, "empty column name");
        if (!seen.insert(name).second) throw fail(i + 1, "column " + printable(name) + " appears twice");
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

// Bytes no column name holds: no text at all, or another program's idea of CSV.
void TraceParser::checkHeaderText(std::string_view line, const std::vector<std::string_view>& fields) const {
    const std::string header = printable(trim(line));
    if (!looksLikeText(line))
        throw fail(0, "the header " + header + " is not text (a binary or UTF-16 file?): a trace is plain ASCII text");
    const auto quoted = [](std::string_view field) { return field.find('"') != field.npos; };
    if (std::any_of(fields.begin(), fields.end(), quoted))
        throw fail(
            0, "the header " + header + " quotes its names: a trace's names and numbers are written without quotes");
    for (const auto& [separator, what] : {std::pair{';', "semicolons"}, std::pair{'\t', "tabs"}}) {
        const auto holds = [mark = separator](std::string_view field) { return field.find(mark) != field.npos; };
        if (std::any_of(fields.begin(), fields.end(), holds))
            throw fail(0, "the header " + header + " is separated by " + what +
                              ": a trace separates its fields by commas, with a full stop as the decimal separator "
                              "(docs/trace-format.md)");
    }
}

void TraceParser::addInputColumn(std::size_t field, std::string_view name) {
    const auto channel = channelByName(name);
    if (!channel) throw fail(field + 1, unknownColumnMessage(name));
    if (channel->kind == Channel::Kind::Variable && channel->index == gauge::TICK_VARIABLE)
        throw fail(field + 1, "host variable " + std::to_string(gauge::TICK_VARIABLE) +
                                  " is the tick count, which the program drives itself");
    const auto [fed, added] = fedBy_.emplace(*channel, trace_.channels.size());
    if (!added)
        throw fail(field + 1, printable(name) + " feeds " + describeChannel(*channel) + ", as column " +
                                  printable(trace_.columnNames[fed->second]) + " does already");
    inputColumn_.push_back(trace_.channels.size());
    trace_.channels.push_back(*channel);
    trace_.columnNames.emplace_back(name);
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
        if (!value) throw fail(i + 1, printable(fields[i]) + " is not a number");
        const std::size_t column = inputColumn_[i];
        if (auto problem = checkChannelValue(trace_.channels[column], *value))
            throw fail(i + 1, shown(fields[i]) + " is " + *problem);
        current_[column] = *value;
    }
    trace_.times.push_back(time);
    trace_.values.insert(trace_.values.end(), current_.begin(), current_.end());
}

double TraceParser::readTime(std::string_view text) const {
    const std::size_t column = timeColumn_ + 1;
    if (text.empty()) throw fail(column, "the time is missing");
    const auto time = parseNumber(text);
    if (!time) throw fail(column, printable(text) + " is not a number");
    if (!std::isfinite(*time)) throw fail(column, "the time is not a finite number");
    if (*time < 0) throw fail(column, "the time " + shown(text) + " is negative");
    if (!trace_.times.empty() && !(*time > trace_.times.back()))
        throw fail(column, "the time " + shown(text) + " does not increase (the row before is at " +
                               formatTime(trace_.times.back()) + ")");
    return *time;
}

TraceError TraceParser::fail(std::size_t column, std::string message) const {
    const std::string name = column >= 1 && column <= headerNames_.size() ? headerNames_[column - 1] : std::string();
    return TraceError(fileName_, lineNumber_, column, name, std::move(message));
}

}  // namespace

Trace parseTrace(std::istream& input, const std::string& fileName, TraceWork* work) {
    TraceWork uncounted;
    return TraceParser(fileName, work != nullptr ? *work : uncounted).parse(input);
}

Trace loadTrace(const std::string& path) {
    if (path == "-") return parseTrace(std::cin, STANDARD_INPUT_NAME);
    std::error_code ignored;
    const std::filesystem::path traceFile = pathFromUtf8(path);
    if (std::filesystem::is_directory(traceFile, ignored))
        throw TraceError(path, 0, 0, {}, "a folder, not a trace file");
    std::ifstream file(traceFile, std::ios::binary);
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
