#include "tools/log/log_reader.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <charconv>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <limits>
#include <sstream>

namespace vorlat::flightlog {

LogFormatError::LogFormatError(std::string file, std::size_t line, std::string message)
    : std::runtime_error(file + ":" + std::to_string(line) + ": " + message),
      file_(std::move(file)),
      line_(line),
      message_(std::move(message)) {}

std::string_view endingName(Ending ending) {
    switch (ending) {
        case Ending::EndRecording: return "ended normally (\"End recording\")";
        case Ending::Exit: return "ended by the gauge's shutdown (\"Exit\")";
        case Ending::CutOff: return "cut off (no last line)";
    }
    return "";
}

std::string_view endingKeyword(Ending ending) {
    switch (ending) {
        case Ending::EndRecording: return "end_recording";
        case Ending::Exit: return "exit";
        case Ending::CutOff: return "cut_off";
    }
    return "";
}

std::vector<Pause> FlightLog::pauses() const {
    std::vector<Pause> result;
    for (std::size_t s = 0; s + 1 < segments.size(); ++s) {
        Pause pause{.segmentBefore = s, .skippedSamples = std::nullopt};
        const Segment& before = segments[s];
        const Segment& after = segments[s + 1];
        if (before.rowCount != 0 && after.rowCount != 0) {
            const auto last = static_cast<std::int64_t>(rows[before.firstRow + before.rowCount - 1][INDEX]);
            const auto first = static_cast<std::int64_t>(rows[after.firstRow][INDEX]);
            pause.skippedSamples = first - last - 1;
        }
        result.push_back(pause);
    }
    return result;
}

std::int64_t FlightLog::skippedSamples() const {
    // Across empty segments the single pauses are unknown, but the gap between
    // the rows on either side still counts every sample not written.
    std::int64_t skipped = 0;
    std::optional<std::int64_t> lastIndex;
    for (const Segment& segment : segments) {
        if (segment.rowCount == 0) continue;
        const auto first = static_cast<std::int64_t>(rows[segment.firstRow][INDEX]);
        if (lastIndex) skipped += first - *lastIndex - 1;
        lastIndex = static_cast<std::int64_t>(rows[segment.firstRow + segment.rowCount - 1][INDEX]);
    }
    return skipped;
}

namespace {

// A short, printable rendering of a piece of the file for an error message.
std::string quoted(std::string_view text) {
    constexpr std::size_t SHOWN = 40;
    std::string out = "\"";
    for (std::size_t i = 0; i < text.size() && i < SHOWN; ++i) {
        const auto c = static_cast<unsigned char>(text[i]);
        if (c == '\t') out += "\\t";
        else if (c == '\r') out += "\\r";
        else if (c < 0x20 || c > 0x7E) {
            char hex[8];
            std::snprintf(hex, sizeof hex, "\\x%02X", c);
            out += hex;
        } else out += static_cast<char>(c);
    }
    out += text.size() > SHOWN ? "...\"" : "\"";
    return out;
}

constexpr bool isTextByte(unsigned char c) { return (c >= 0x20 && c <= 0x7E) || c == '\t' || c == '\r' || c == '\n'; }

std::string expectedForm(const ColumnInfo& column) {
    switch (column.decimals) {
        case 0: return "an integer (like \"  123\")";
        case 1: return "a number with 1 decimal (like \"123.4\")";
        default: return "a number with " + std::to_string(column.decimals) + " decimals (like \"-2.50\")";
    }
}

// The texts the recorder writes for values that are not finite numbers.
bool parseNotFinite(std::string_view text, double& value) {
    if (text == "nan" || text == "-nan") value = std::numeric_limits<double>::quiet_NaN();
    else if (text == "inf") value = std::numeric_limits<double>::infinity();
    else if (text == "-inf") value = -std::numeric_limits<double>::infinity();
    else return false;
    return true;
}

// One field as its column's format writes it: spaces on the left, then the number.
bool parseField(std::string_view field, const ColumnInfo& column, double& value) {
    std::size_t at = 0;
    while (at < field.size() && field[at] == ' ') ++at;
    const std::string_view number = field.substr(at);
    std::size_t i = 0;
    if (i < number.size() && number[i] == '-') ++i;
    const std::size_t digitsStart = i;
    while (i < number.size() && number[i] >= '0' && number[i] <= '9') ++i;
    const std::size_t integerDigits = i - digitsStart;
    if (integerDigits == 0) return column.decimals != 0 && parseNotFinite(number, value);
    if (column.decimals == 0) {
        // A 32-bit integer, as "%5d" and "%1d" write it.
        if (i != number.size() || integerDigits > 10) return false;
        std::int64_t magnitude = 0;
        for (std::size_t d = digitsStart; d < i; ++d) magnitude = magnitude * 10 + (number[d] - '0');
        const std::int64_t signedValue = number[0] == '-' ? -magnitude : magnitude;
        if (signedValue < std::numeric_limits<std::int32_t>::min() ||
            signedValue > std::numeric_limits<std::int32_t>::max())
            return false;
        value = static_cast<double>(signedValue);
        return true;
    }
    if (i >= number.size() || number[i] != '.') return false;
    ++i;
    const std::size_t fractionStart = i;
    while (i < number.size() && number[i] >= '0' && number[i] <= '9') ++i;
    if (i != number.size() || i - fractionStart != static_cast<std::size_t>(column.decimals)) return false;
    if (integerDigits + column.decimals <= 15) {
        // Both parts exact in a double, so the one division rounds as from_chars would.
        std::int64_t mantissa = 0;
        for (std::size_t d = digitsStart; d < i; ++d)
            if (number[d] != '.') mantissa = mantissa * 10 + (number[d] - '0');
        constexpr double POWERS_OF_TEN[] = {1, 10, 100, 1000};
        const double magnitude = static_cast<double>(mantissa) / POWERS_OF_TEN[column.decimals];
        value = number[0] == '-' ? -magnitude : magnitude;
        return true;
    }
    const auto result = std::from_chars(number.data(), number.data() + number.size(), value);
    return result.ec == std::errc{} && result.ptr == number.data() + number.size();
}

// Could this be the start of a field that was cut off mid-write?
bool isFieldPrefix(std::string_view field) {
    for (char c : field)
        if (std::strchr(" -.0123456789nafi", c) == nullptr) return false;
    return true;
}

bool startsWith(std::string_view whole, std::string_view part) { return whole.substr(0, part.size()) == part; }

class Parser {
public:
    Parser(std::string_view text, std::string fileName) : text_(text) { log_.file = std::move(fileName); }

    FlightLog run() {
        if (text_.empty()) fail(1, "the file is empty; expected the line " + quoted(FIRST_LINE));
        // Rows are about 90 bytes: one allocation instead of a doubling series.
        log_.rows.reserve(text_.size() / 80 + 1);
        std::size_t at = 0;
        std::size_t lineNumber = 0;
        while (at < text_.size()) {
            ++lineNumber;
            const void* found = std::memchr(text_.data() + at, '\n', text_.size() - at);
            if (found == nullptr) {
                partialLastLine(lineNumber, text_.substr(at));
                break;
            }
            const auto end = static_cast<std::size_t>(static_cast<const char*>(found) - text_.data());
            std::string_view line = text_.substr(at, end - at);
            if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
            else ++log_.lfOnlyLines;
            at = end + 1;
            log_.lineCount = lineNumber;
            completeLine(lineNumber, line, at == text_.size());
        }
        return std::move(log_);
    }

private:
    // Every line with a byte that is not text fails somewhere, so the search for
    // binary data waits until something has failed, and then names it instead.
    [[noreturn]] void fail(std::size_t line, const std::string& message) const {
        failOnBinary(line);
        throw LogFormatError(log_.file, line, message);
    }

    void failOnBinary(std::size_t upToLine) const {
        const auto* bytes = reinterpret_cast<const unsigned char*>(text_.data());
        std::size_t lineOfByte = 1;
        for (std::size_t i = 0; i < text_.size() && lineOfByte <= upToLine; ++i) {
            if (bytes[i] == '\n') ++lineOfByte;
            if (isTextByte(bytes[i])) continue;
            std::size_t line = 1, lineStart = 0;
            for (std::size_t j = 0; j < i; ++j)
                if (bytes[j] == '\n') ++line, lineStart = j + 1;
            char hex[8];
            std::snprintf(hex, sizeof hex, "0x%02X", bytes[i]);
            throw LogFormatError(log_.file, line,
                                 std::string("binary data (byte ") + hex + " at column " +
                                     std::to_string(i - lineStart + 1) + "); a flight log is plain ASCII text");
        }
    }

    void completeLine(std::size_t number, std::string_view line, bool lastInFile) {
        if (ended_) fail(number, "unexpected text after the last line " + quoted(lastLineText_) + ": " + quoted(line));
        if (number == 1) {
            if (line != FIRST_LINE)
                fail(number, "expected the line " + quoted(FIRST_LINE) + ", found " + quoted(line) + notALogHint(line));
            return;
        }
        if (line == HEADER_LINE) {
            log_.segments.push_back(Segment{.headerLine = number, .firstRow = log_.rows.size(), .rowCount = 0});
            return;
        }
        if (number == 2) fail(number, "expected the header line " + quoted(HEADER_LINE) + ", found " + quoted(line));
        if (line == END_RECORDING_LINE || line == EXIT_LINE) {
            log_.ending = line == EXIT_LINE ? Ending::Exit : Ending::EndRecording;
            lastLineText_ = line;
            ended_ = true;
            return;
        }
        row(number, line, lastInFile);
    }

    static std::string notALogHint(std::string_view line) {
        if (line.find(',') != std::string_view::npos || line.find(';') != std::string_view::npos)
            return "; this looks like a CSV file, not a flight log";
        if (line == HEADER_LINE) return "; the opening line is missing";
        return "";
    }

    void row(std::size_t number, std::string_view line, bool lastInFile) {
        if (line.empty())
            fail(number, "empty line; expected a row of 16 tab-separated numbers, the header line or " +
                             quoted(END_RECORDING_LINE));
        std::array<std::string_view, COLUMN_COUNT> fields;
        std::size_t count = 0;
        std::size_t at = 0;
        while (true) {
            const std::size_t tab = line.find('\t', at);
            const std::string_view field =
                line.substr(at, tab == std::string_view::npos ? std::string_view::npos : tab - at);
            if (count == COLUMN_COUNT) {
                std::size_t total = COLUMN_COUNT + 1;
                for (std::size_t t = line.find('\t', at); t != std::string_view::npos; t = line.find('\t', t + 1))
                    ++total;
                fail(number, "expected 16 tab-separated fields, found " + std::to_string(total));
            }
            fields[count++] = field;
            if (tab == std::string_view::npos) break;
            at = tab + 1;
        }
        if (count == 1 && !isFieldPrefix(line))
            fail(number, "expected a row of 16 tab-separated numbers, the header line or " +
                             quoted(END_RECORDING_LINE) + ", found " + quoted(line));
        Row parsed{};
        for (std::size_t c = 0; c < count; ++c) {
            if (!parseField(fields[c], COLUMNS[c], parsed.values[c]))
                fail(number, "field " + std::to_string(c + 1) + " (" + std::string(COLUMNS[c].header) + "): expected " +
                                 expectedForm(COLUMNS[c]) + ", found " + quoted(fields[c]));
        }
        if (count < COLUMN_COUNT) {
            // Short by some fields: a damaged row, unless the file stops right here.
            if (!lastInFile) fail(number, "expected 16 tab-separated fields, found " + std::to_string(count));
            drop(number, line);
            return;
        }
        if (log_.segments.empty()) fail(number, "a row before the header line");
        addRow(number, parsed);
    }

    void addRow(std::size_t number, const Row& parsed) {
        Segment& segment = log_.segments.back();
        const auto index = static_cast<std::int64_t>(parsed[INDEX]);
        if (lastIndex_) {
            if (segment.rowCount != 0 && index != *lastIndex_ + 1)
                fail(number, "index " + std::to_string(index) + " does not follow " + std::to_string(*lastIndex_) +
                                 " (the rows between two header lines count up by one)");
            if (segment.rowCount == 0 && index <= *lastIndex_)
                fail(number, "index " + std::to_string(index) + " is not after " + std::to_string(*lastIndex_) +
                                 ", the last index before the pause");
        }
        lastIndex_ = index;
        log_.rows.push_back(parsed);
        ++segment.rowCount;
    }

    void partialLastLine(std::size_t number, std::string_view line) {
        if (ended_) fail(number, "unexpected text after the last line " + quoted(lastLineText_) + ": " + quoted(line));
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        const bool textPrefix = number == 1   ? startsWith(FIRST_LINE, line)
                                : number == 2 ? startsWith(HEADER_LINE, line)
                                              : startsWith(HEADER_LINE, line) || startsWith(END_RECORDING_LINE, line) ||
                                                    startsWith(EXIT_LINE, line);
        if (!textPrefix) {
            if (number <= 2)
                fail(number, "expected " + quoted(number == 1 ? FIRST_LINE : HEADER_LINE) + ", found " + quoted(line));
            rowPrefix(number, line);
        }
        drop(number, line);
    }

    // The start of a row: whole fields before the cut, and a cut field that could still be a number.
    void rowPrefix(std::size_t number, std::string_view line) const {
        std::size_t count = 0, at = 0;
        while (true) {
            const std::size_t tab = line.find('\t', at);
            if (tab == std::string_view::npos) break;
            if (count == COLUMN_COUNT - 1) fail(number, "expected 16 tab-separated fields, found more");
            double ignored = 0;
            const std::string_view field = line.substr(at, tab - at);
            if (!parseField(field, COLUMNS[count], ignored))
                fail(number, "field " + std::to_string(count + 1) + " (" + std::string(COLUMNS[count].header) +
                                 "): expected " + expectedForm(COLUMNS[count]) + ", found " + quoted(field));
            ++count;
            at = tab + 1;
        }
        if (!isFieldPrefix(line.substr(at)))
            fail(number, "expected a row of 16 tab-separated numbers, the header line or " +
                             quoted(END_RECORDING_LINE) + ", found " + quoted(line));
    }

    void drop(std::size_t number, std::string_view line) {
        log_.dropped = DroppedLine{.line = number, .text = std::string(line.substr(0, 80))};
    }

    std::string_view text_;
    FlightLog log_;
    bool ended_ = false;
    std::string_view lastLineText_;
    std::optional<std::int64_t> lastIndex_;
};

}  // namespace

FlightLog parseLog(std::string_view text, std::string fileName) { return Parser(text, std::move(fileName)).run(); }

namespace {

// The file mapped into memory: no copy of a log that may be a hundred megabytes.
class MappedFile {
public:
    explicit MappedFile(const std::string& path) {
        descriptor_ = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
        if (descriptor_ < 0) return;
        struct stat status {};
        if (::fstat(descriptor_, &status) != 0 || !S_ISREG(status.st_mode) || status.st_size <= 0) return;
        size_ = static_cast<std::size_t>(status.st_size);
        void* address = ::mmap(nullptr, size_, PROT_READ, MAP_PRIVATE | MAP_POPULATE, descriptor_, 0);
        if (address == MAP_FAILED) return;
        data_ = static_cast<const char*>(address);
    }
    ~MappedFile() {
        if (data_ != nullptr) ::munmap(const_cast<char*>(data_), size_);
        if (descriptor_ >= 0) ::close(descriptor_);
    }
    MappedFile(const MappedFile&) = delete;
    MappedFile& operator=(const MappedFile&) = delete;

    bool mapped() const { return data_ != nullptr; }
    std::string_view text() const { return {data_, size_}; }

private:
    int descriptor_ = -1;
    const char* data_ = nullptr;
    std::size_t size_ = 0;
};

}  // namespace

FlightLog readLog(const std::string& path) {
    std::error_code error;
    if (std::filesystem::is_directory(path, error)) throw LogReadError(path + ": is a directory, not a flight log");
    if (const MappedFile file(path); file.mapped()) return parseLog(file.text(), path);
    // Empty files, pipes and the like: read them as a stream.
    std::ifstream in(path, std::ios::binary);
    if (!in) throw LogReadError(path + ": cannot open the file: " + std::strerror(errno));
    std::string content{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    if (in.bad()) throw LogReadError(path + ": cannot read the file");
    return parseLog(content, path);
}

}  // namespace vorlat::flightlog
