// The end of a log and its damage: a cut-off last line, NUL bytes after it,
// over-long lines, a byte-order mark, and what is known once all is read.
#include "tools/log/log_parser.h"

#include <algorithm>
#include <cstdio>
#include <utility>

namespace vorlat::flightlog {

namespace {

constexpr std::string_view BYTE_ORDER_MARK = "\xEF\xBB\xBF";

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

}  // namespace

void LogParser::fail(std::size_t number, std::string_view text, std::string message) const {
    throw LogFormatError(info_.file, number, binaryOr(text, std::move(message)));
}

void LogParser::noted(DamageKind kind, std::size_t number, std::string_view text, bool skipped, std::string message) {
    Damage& damage = info_.damage;
    const std::size_t lines = ++damage.lines[static_cast<std::size_t>(kind)];
    if (skipped) ++damage.skippedLines;
    const bool named = lines == 1 || !infoOf(kind).onEveryLine;
    if (named && damage.first.size() < DAMAGED_LINES_SHOWN)
        damage.first.push_back({.line = number, .kind = kind, .expected = binaryOr(text, std::move(message))});
}

void LogParser::lastPiece(std::size_t number, const Line& line) {
    std::string_view text = number == 1 ? withoutByteOrderMark(line.text) : line.text;
    std::size_t length = line.length - (line.text.size() - text.size());
    if (!strict_ && line.restIsNul) text = withoutTrailingNul(number, text, length);
    if (shortRow_) settleShortRow(text.empty());
    if (text.empty()) return;
    if (length > MAX_LINE_BYTES) return overLong(number, text, length);
    partialLine(number, text);
}

// NUL bytes at the very end (a crash with a preallocated file): removed.
std::string_view LogParser::withoutTrailingNul(std::size_t number, std::string_view text, std::size_t& length) {
    const std::size_t kept = text.find_last_not_of('\0') + 1;  // npos + 1 is 0: all NUL
    const std::uint64_t nulBytes = length - kept;
    if (nulBytes == 0) return text;
    note(DamageKind::TrailingNul, number, {}, false, [&] {
        return std::to_string(nulBytes) + " NUL bytes at the end of the file (a crash with a preallocated file): removed";
    });
    info_.damage.trailingNulBytes = nulBytes;
    length = kept;
    return text.substr(0, kept);
}

// A last line with no line end: kept as dropped when it could be the start of a log line.
void LogParser::partialLine(std::size_t number, std::string_view text) {
    const StateRule& rule = ruleOf(state_);
    if (rule.other == LineAction::SkipAfterEnd || rule.other == LineAction::SkipSecondLog) return take(rule.other, number, text);
    if (!text.empty() && text.back() == '\r') text.remove_suffix(1);
    if (structuralPrefix(text)) return dropLine(number, text);
    if (strict_ && !rule.expected.empty())
        fail(number, text, "expected " + printable(rule.expected) + ", found " + printable(text));
    RowProblem problem;
    if (isRowPrefix(text, problem)) return dropLine(number, text);
    skip(problem.kind == RowProblem::NotARow ? DamageKind::UnexpectedLine : DamageKind::BadRow, number, text,
         [&] { return describe(problem, text); });
}

// Could the cut-off line be the start of a line the log may hold here? Strict
// mode takes only the one line a state waits for; else any structural line.
bool LogParser::structuralPrefix(std::string_view text) const {
    if (strict_ && !ruleOf(state_).expected.empty()) return startsWith(ruleOf(state_).expected, text);
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

// UTF-16 as an editor saves it: decoded by the source, noted here (strict mode refuses it).
void LogParser::textEncoding(TextEncoding encoding) {
    if (encoding == TextEncoding::OneByte) return;
    const bool little = encoding == TextEncoding::Utf16LittleEndian;
    note(DamageKind::ByteOrderMark, 1, {}, false, [&] {
        return std::string("UTF-16 text with a ") + (little ? "little" : "big") +
               "-endian byte-order mark (an editor saved the file): read as plain text";
    });
}

// A line ended by CR CR LF: a log converted to CR LF twice. Nothing is lost.
void LogParser::noteSecondCr(std::size_t number) {
    note(DamageKind::CrCrLf, number, {}, false,
         [] { return std::string("a line ended by CR CR LF (the file was converted to CR LF twice): read as CR LF"); });
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
    info_.recordings = recording_;
    if (only_) {
        endRecording();
        if (!chosen_)
            throw LogFormatError(info_.file, 0,
                                 "there is no recording " + std::to_string(*only_) + ": the file holds " +
                                     std::to_string(recording_));
        info_ = std::move(*chosen_);
        info_.recordings = recording_;
    }
    if (info_.rows == 0) throw NoRowsError(info_.file, noRowsMessage(), info_.damage);
    return std::move(info_);
}

std::size_t LogParser::finishRecordings(std::uint64_t bytes) {
    if (shortRow_) settleShortRow(true);
    if (bytes == 0)
        throw LogFormatError(info_.file, 1, "the file is empty; expected the line " + printable(FIRST_LINE));
    endRecording();
    return recording_;
}

}  // namespace vorlat::flightlog
