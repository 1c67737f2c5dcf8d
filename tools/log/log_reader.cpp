// The reader: lines from the splitter, the log's structure (opening line,
// header lines, rows, the last line) followed line by line, each sound row
// handed to the sink, and every departure from the format either noted as
// damage and worked around or, in strict mode, refused with today's message.
#include "tools/log/log_reader.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <utility>

#include "common/printable.h"

namespace vorlat::flightlog {

LogFormatError::LogFormatError(std::string file, std::size_t line, std::string message)
    : std::runtime_error(file + (line == 0 ? std::string() : ":" + std::to_string(line)) + ": " + message),
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

namespace {

constexpr std::string_view BYTE_ORDER_MARK = "\xEF\xBB\xBF";
// The shortest row: sixteen one-character fields, their TABs and a line end.
constexpr std::size_t MIN_ROW_BYTES = 2 * COLUMN_COUNT;
constexpr std::size_t DROPPED_TEXT_SHOWN = 80;

constexpr bool isTextByte(unsigned char c) { return (c >= 0x20 && c <= 0x7E) || c == '\t' || c == '\r' || c == '\n'; }

// A line with a byte that is not text fails somewhere; what is wrong with it is then the byte.
std::string binaryOr(std::string_view line, std::string message) {
    const auto at =
        std::find_if(line.begin(), line.end(), [](char c) { return !isTextByte(static_cast<unsigned char>(c)); });
    if (at == line.end()) return message;
    char text[96];
    std::snprintf(text, sizeof text, "binary data (byte 0x%02X at column %zu); a flight log is plain ASCII text",
                  static_cast<unsigned char>(*at), static_cast<std::size_t>(at - line.begin()) + 1);
    return text;
}

bool startsWith(std::string_view whole, std::string_view part) { return whole.substr(0, part.size()) == part; }
constexpr bool startsLikeRow(char c) { return c == ' ' || c == '-' || (c >= '0' && c <= '9'); }

bool isRowLike(std::string_view text) {
    Row row{};
    RowText rowText;
    RowProblem problem;
    return parseRow(text, row, rowText, problem) || problem.kind == RowProblem::TooFewFields;
}

std::string notALogHint(std::string_view line) {
    if (line.find(',') != std::string_view::npos || line.find(';') != std::string_view::npos)
        return "; this looks like a CSV file, not a flight log";
    if (line == HEADER_LINE) return "; the opening line is missing";
    return "";
}

class LogParser {
public:
    LogParser(std::string file, RowSink& sink, ReadOptions options) : sink_(sink), strict_(options.strict) {
        info_.file = std::move(file);
    }
    void completeLine(std::size_t number, const Line& line);
    void lastPiece(std::size_t number, const Line& line);
    LogInfo finish(std::uint64_t bytes);

private:
    enum class State { BeforeOpening, Opened, InSegment, Ended, SkippingLog };

    // A row short of fields: the last line of a cut-off log, or damage if more follows.
    struct ShortRow {
        std::size_t line;
        std::string text;  // its start, as DroppedLine keeps it
        std::string expected;
        std::size_t bytes;
    };

    void structural(std::size_t number, std::string_view text);
    void beforeOpening(std::size_t number, std::string_view text);
    void afterOpening(std::size_t number, std::string_view text);
    void openingLine(std::size_t number);
    void endLine(std::string_view text);
    void startSegment(std::size_t number, bool recovered);
    void announceSegment(SegmentStart start);
    void row(std::size_t number, std::string_view text);
    void rowProblem(std::size_t number, std::string_view text, const RowProblem& problem);
    void keepRow(std::size_t number, std::string_view text, const Row& row, const RowText& rowText);
    bool indexFits(std::size_t number, std::string_view text, std::int64_t index);
    bool gapAfterDamage(std::int64_t gap) const;
    void partialLine(std::size_t number, std::string_view text);
    bool structuralPrefix(std::string_view text) const;
    void overLong(std::size_t number, std::string_view text, std::size_t length);
    void dropLine(std::size_t number, std::string_view text);
    void settleShortRow(bool last);
    std::string_view withoutByteOrderMark(std::string_view text);
    std::string afterEndMessage(std::string_view text) const {
        return "unexpected text after the last line " + printable(lastLine_) + ": " + printable(text);
    }
    static std::string expectedHeaderMessage(std::string_view text) {
        return "expected the header line " + printable(HEADER_LINE) + ", found " + printable(text);
    }
    std::string noRowsMessage() const;

    [[noreturn]] void fail(std::size_t number, std::string_view text, std::string message) const {
        throw LogFormatError(info_.file, number, binaryOr(text, std::move(message)));
    }
    // One damaged line: refused in strict mode, else counted and, among the first few, named.
    template <typename Message>
    void note(DamageKind kind, std::size_t number, std::string_view text, bool skipped, Message&& message) {
        if (strict_ && kind != DamageKind::PartialLastLine) fail(number, text, message());
        Damage& damage = info_.damage;
        ++damage.lines[static_cast<std::size_t>(kind)];
        if (skipped) ++damage.skippedLines;
        if (damage.first.size() < DAMAGED_LINES_SHOWN)
            damage.first.push_back({.line = number, .kind = kind, .expected = binaryOr(text, message())});
    }
    template <typename Message>
    void skip(DamageKind kind, std::size_t number, std::string_view text, Message&& message) {
        note(kind, number, text, true, message);
        ++skippedSinceRow_;
        skippedBytesSinceRow_ += text.size() + 1;
    }

    RowSink& sink_;
    bool strict_;
    LogInfo info_;
    State state_ = State::BeforeOpening;
    std::string_view lastLine_;  // "End recording" or "Exit", once read
    std::optional<std::int64_t> lastIndex_;
    std::size_t segmentRows_ = 0;
    std::size_t skippedSinceRow_ = 0, skippedBytesSinceRow_ = 0;  // lines and bytes skipped since the last row
    bool decidingLog_ = false;                                    // a second log's first row decides whether to read it
    Ending endingBeforeLog_ = Ending::CutOff;
    std::optional<SegmentStart> heldSegment_;  // of a second log not yet decided
    std::optional<ShortRow> shortRow_;
};

void LogParser::completeLine(std::size_t number, const Line& line) {
    info_.lineCount = number;
    if (!line.crlf) ++info_.lfOnlyLines;
    if (shortRow_) settleShortRow(false);
    if (line.length > MAX_LINE_BYTES) return overLong(number, line.text, line.length);
    const std::string_view text = number == 1 ? withoutByteOrderMark(line.text) : line.text;
    // The bulk of every log: a row inside a segment.
    if (state_ == State::InSegment && !text.empty() && startsLikeRow(text.front())) return row(number, text);
    structural(number, text);
}

void LogParser::structural(std::size_t number, std::string_view text) {
    const bool opening = text == FIRST_LINE;
    if (state_ == State::SkippingLog && !opening)
        return skip(DamageKind::SecondLog, number, text,
                    [] { return std::string("a line of a second log that is skipped"); });
    if (state_ == State::Ended && !opening)
        return skip(DamageKind::TextAfterEnd, number, text, [&] { return afterEndMessage(text); });
    if (opening) return openingLine(number);
    if (state_ == State::BeforeOpening) return beforeOpening(number, text);
    if (text == HEADER_LINE) return startSegment(number, false);
    if (state_ == State::Opened) return afterOpening(number, text);
    if (text == END_RECORDING_LINE || text == EXIT_LINE) return endLine(text);
    row(number, text);
}

// Lines before any "Recording Enabled": a header or a row starts the log without it.
void LogParser::beforeOpening(std::size_t number, std::string_view text) {
    const auto message = [&] {
        return "expected the line " + printable(FIRST_LINE) + ", found " + printable(text) + notALogHint(text);
    };
    if (text != HEADER_LINE && !isRowLike(text)) return skip(DamageKind::UnexpectedLine, number, text, message);
    note(DamageKind::MissingOpening, number, text, false, message);
    state_ = State::Opened;
    if (text == HEADER_LINE) return startSegment(number, false);
    afterOpening(number, text);
}

// The line after the opening one should be the header; rows read without it.
void LogParser::afterOpening(std::size_t number, std::string_view text) {
    const auto message = [&] { return expectedHeaderMessage(text); };
    const bool ending = text == END_RECORDING_LINE || text == EXIT_LINE;
    if (!ending && !isRowLike(text)) return skip(DamageKind::UnexpectedLine, number, text, message);
    note(DamageKind::MissingHeader, number, text, false, message);
    if (ending) return endLine(text);
    startSegment(number, true);
    row(number, text);
}

void LogParser::openingLine(std::size_t number) {
    if (state_ == State::BeforeOpening) {
        state_ = State::Opened;
        return;
    }
    if (strict_) {
        if (state_ == State::Ended) fail(number, FIRST_LINE, afterEndMessage(FIRST_LINE));
        if (state_ == State::Opened) fail(number, FIRST_LINE, expectedHeaderMessage(FIRST_LINE));
        fail(number, FIRST_LINE, describe(RowProblem::of(RowProblem::NotARow), FIRST_LINE));
    }
    note(DamageKind::SecondLog, number, FIRST_LINE, false,
         [] { return std::string("a second log begins here: two logs pasted together"); });
    // Its rows are read if they go on from the first log's, as a second recording of one session would.
    decidingLog_ = lastIndex_.has_value();
    heldSegment_.reset();  // a log that ended before its first row leaves no segment
    endingBeforeLog_ = info_.ending;
    info_.ending = Ending::CutOff;
    state_ = State::Opened;
}

void LogParser::endLine(std::string_view text) {
    const bool exit = text == EXIT_LINE;
    info_.ending = exit ? Ending::Exit : Ending::EndRecording;
    lastLine_ = exit ? EXIT_LINE : END_RECORDING_LINE;
    state_ = State::Ended;
}

// A second log's segment is announced with its first row, once the row shows the log is read.
void LogParser::startSegment(std::size_t number, bool recovered) {
    segmentRows_ = 0;
    state_ = State::InSegment;
    const SegmentStart start{.segment = 0, .line = number, .recovered = recovered};
    if (!decidingLog_) return announceSegment(start);
    if (heldSegment_) announceSegment(*heldSegment_);  // an empty one before it: too late to take back
    heldSegment_ = start;
}

void LogParser::announceSegment(SegmentStart start) {
    start.segment = info_.segments++;
    sink_.segmentStarted(start);
}

void LogParser::row(std::size_t number, std::string_view text) {
    Row parsed;
    RowText rowText;
    RowProblem problem;
    if (!parseRow(text, parsed, rowText, problem)) return rowProblem(number, text, problem);
    keepRow(number, text, parsed, rowText);
}

void LogParser::rowProblem(std::size_t number, std::string_view text, const RowProblem& problem) {
    if (problem.kind == RowProblem::TooFewFields) {
        shortRow_ = ShortRow{.line = number,
                             .text = std::string(text.substr(0, DROPPED_TEXT_SHOWN)),
                             .expected = describe(problem, text),
                             .bytes = text.size()};
        return;
    }
    const bool notARow = problem.kind == RowProblem::EmptyLine || problem.kind == RowProblem::NotARow;
    skip(notARow ? DamageKind::UnexpectedLine : DamageKind::BadRow, number, text,
         [&] { return describe(problem, text); });
}

void LogParser::keepRow(std::size_t number, std::string_view text, const Row& row, const RowText& rowText) {
    const auto index = static_cast<std::int64_t>(row[INDEX]);
    if (lastIndex_ && !indexFits(number, text, index)) return;
    if (lastIndex_ && segmentRows_ == 0) info_.skippedSamples += index - *lastIndex_ - 1;
    if (!info_.firstIndex) info_.firstIndex = index;
    if (heldSegment_) announceSegment(*std::exchange(heldSegment_, std::nullopt));
    lastIndex_ = index;
    info_.lastIndex = index;
    ++segmentRows_;
    ++info_.rows;
    skippedSinceRow_ = 0;
    skippedBytesSinceRow_ = 0;
    decidingLog_ = false;
    sink_.row(row, rowText, info_.segments - 1);
}

bool LogParser::indexFits(std::size_t number, std::string_view text, std::int64_t index) {
    const std::int64_t last = *lastIndex_;
    const auto indexText = [&] { return "index " + std::to_string(index); };
    if (decidingLog_) {
        decidingLog_ = false;
        if (index > last) return true;
        info_.ending = endingBeforeLog_;
        state_ = State::SkippingLog;
        heldSegment_.reset();
        skip(DamageKind::SecondLog, number, text, [&] {
            return indexText() + " is not after " + std::to_string(last) +
                   ", the last index before it: a second log that starts over, skipped";
        });
        return false;
    }
    if (segmentRows_ == 0) {
        if (index > last) return true;
        skip(DamageKind::IndexOutOfOrder, number, text, [&] {
            return indexText() + " is not after " + std::to_string(last) + ", the last index before the pause";
        });
        return false;
    }
    if (index == last + 1 || gapAfterDamage(index - last - 1)) return true;
    skip(DamageKind::IndexOutOfOrder, number, text, [&] {
        return indexText() + " does not follow " + std::to_string(last) +
               " (the rows between two header lines count up by one)";
    });
    return false;
}

// Rows lost in damaged lines leave a gap in the index: no larger than what the
// skipped bytes could have held, so that one row with a garbled index cannot
// make every row after it look out of order.
bool LogParser::gapAfterDamage(std::int64_t gap) const {
    if (gap <= 0 || skippedSinceRow_ == 0) return false;
    return static_cast<std::uint64_t>(gap) <= skippedSinceRow_ + skippedBytesSinceRow_ / MIN_ROW_BYTES;
}

void LogParser::lastPiece(std::size_t number, const Line& line) {
    std::string_view text = number == 1 ? withoutByteOrderMark(line.text) : line.text;
    std::size_t length = line.length - (line.text.size() - text.size());
    if (!strict_ && line.restIsNul) {
        const std::size_t kept = text.find_last_not_of('\0') + 1;  // npos + 1 is 0: all NUL
        const std::uint64_t nulBytes = length - kept;
        if (nulBytes != 0) {
            note(DamageKind::TrailingNul, number, {}, false, [&] {
                return std::to_string(nulBytes) +
                       " NUL bytes at the end of the file (a crash with a preallocated file): removed";
            });
            info_.damage.trailingNulBytes = nulBytes;
            text = text.substr(0, kept);
            length = kept;
        }
    }
    if (shortRow_) settleShortRow(text.empty());
    if (text.empty()) return;
    if (length > MAX_LINE_BYTES) return overLong(number, text, length);
    partialLine(number, text);
}

// A last line with no line end: kept as dropped when it could be the start of a log line.
void LogParser::partialLine(std::size_t number, std::string_view text) {
    if (state_ == State::SkippingLog)
        return skip(DamageKind::SecondLog, number, text,
                    [] { return std::string("a line of a second log that is skipped"); });
    if (state_ == State::Ended)
        return skip(DamageKind::TextAfterEnd, number, text, [&] { return afterEndMessage(text); });
    if (!text.empty() && text.back() == '\r') text.remove_suffix(1);
    if (structuralPrefix(text)) return dropLine(number, text);
    if (strict_ && (state_ == State::BeforeOpening || state_ == State::Opened))
        fail(number, text,
             "expected " + printable(state_ == State::BeforeOpening ? FIRST_LINE : HEADER_LINE) + ", found " +
                 printable(text));
    RowProblem problem;
    if (isRowPrefix(text, problem)) return dropLine(number, text);
    skip(problem.kind == RowProblem::NotARow ? DamageKind::UnexpectedLine : DamageKind::BadRow, number, text,
         [&] { return describe(problem, text); });
}

bool LogParser::structuralPrefix(std::string_view text) const {
    if (strict_ && state_ == State::BeforeOpening) return startsWith(FIRST_LINE, text);
    if (strict_ && state_ == State::Opened) return startsWith(HEADER_LINE, text);
    return startsWith(HEADER_LINE, text) || startsWith(END_RECORDING_LINE, text) || startsWith(EXIT_LINE, text) ||
           (!strict_ && startsWith(FIRST_LINE, text));
}

void LogParser::overLong(std::size_t number, std::string_view text, std::size_t length) {
    skip(DamageKind::LongLine, number, text, [&] {
        return "a line of " + std::to_string(length) + " bytes, longer than any log line (at most " +
               std::to_string(MAX_LINE_BYTES) + ")";
    });
    skippedBytesSinceRow_ += length - text.size();
}

void LogParser::dropLine(std::size_t number, std::string_view text) {
    info_.dropped = DroppedLine{.line = number, .text = std::string(text.substr(0, DROPPED_TEXT_SHOWN))};
    note(DamageKind::PartialLastLine, number, text, true,
         [] { return std::string("the file ends inside this line: the recorder stopped while writing it"); });
}

void LogParser::settleShortRow(bool last) {
    const ShortRow pending = std::move(*shortRow_);
    shortRow_.reset();
    if (last) return dropLine(pending.line, pending.text);
    skip(DamageKind::BadRow, pending.line, pending.text, [&] { return pending.expected; });
    skippedBytesSinceRow_ += pending.bytes - pending.text.size();
}

// An editor's byte-order mark: in strict mode it stays, and reads as binary data.
std::string_view LogParser::withoutByteOrderMark(std::string_view text) {
    if (strict_ || !startsWith(text, BYTE_ORDER_MARK)) return text;
    note(DamageKind::ByteOrderMark, 1, {}, false,
         [] { return std::string("a byte-order mark before the first line (an editor saved the file): removed"); });
    return text.substr(BYTE_ORDER_MARK.size());
}

std::string LogParser::noRowsMessage() const {
    const Damage& damage = info_.damage;
    if (damage.skippedLines == damage.count(DamageKind::PartialLastLine))
        return "no readable row: the recording ended before its first sample";
    return "no readable row (" + damageHeadline(damage) + ")";
}

LogInfo LogParser::finish(std::uint64_t bytes) {
    if (shortRow_) settleShortRow(true);
    if (bytes == 0)
        throw LogFormatError(info_.file, 1, "the file is empty; expected the line " + printable(FIRST_LINE));
    if (info_.rows == 0) throw NoRowsError(info_.file, noRowsMessage(), info_.damage);
    return std::move(info_);
}

}  // namespace

LogInfo readLog(ByteSource& source, RowSink& sink, ReadOptions options) {
    LineSplitter lines(source);
    LogParser parser(source.name(), sink, options);
    Line line{};
    std::size_t number = 0;
    while (lines.next(line)) {
        ++number;
        if (line.complete) parser.completeLine(number, line);
        else parser.lastPiece(number, line);
    }
    return parser.finish(lines.bytesRead());
}

LogInfo readLogFile(const std::string& pathOrDash, RowSink& sink, ReadOptions options) {
    FileSource source(pathOrDash);
    return readLog(source, sink, options);
}

FileSource::FileSource(const std::string& pathOrDash) {
    if (pathOrDash == STANDARD_INPUT) {
        descriptor_ = STDIN_FILENO;
        name_ = "standard input";
        return;
    }
    name_ = pathOrDash;
    descriptor_ = ::open(pathOrDash.c_str(), O_RDONLY | O_CLOEXEC);
    if (descriptor_ < 0) throw LogReadError(name_ + ": cannot open the file: " + std::strerror(errno));
    owned_ = true;
    struct stat status {};
    if (::fstat(descriptor_, &status) == 0 && S_ISDIR(status.st_mode)) {
        ::close(descriptor_);
        throw LogReadError(name_ + ": is a directory, not a flight log");
    }
    ::posix_fadvise(descriptor_, 0, 0, POSIX_FADV_SEQUENTIAL);
}

FileSource::~FileSource() {
    if (owned_) ::close(descriptor_);
}

std::size_t FileSource::read(char* buffer, std::size_t size) {
    while (true) {
        const ssize_t got = ::read(descriptor_, buffer, size);
        if (got >= 0) return static_cast<std::size_t>(got);
        if (errno != EINTR) throw LogReadError(name_ + ": cannot read the file: " + std::strerror(errno));
    }
}

std::size_t TextSource::read(char* buffer, std::size_t size) {
    const std::size_t count = std::min({size, step_, text_.size()});
    std::memcpy(buffer, text_.data(), count);
    text_.remove_prefix(count);
    return count;
}

}  // namespace vorlat::flightlog
