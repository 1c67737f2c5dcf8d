// The state machine of the reader: the table of states, and one handler per
// action. Lines from the splitter arrive one at a time; the bulk of a log,
// rows inside a segment, takes the short way straight to the row parser.
#include "tools/log/log_parser.h"

#include <utility>

namespace vorlat::flightlog {

namespace {

// The shortest row: sixteen one-character fields, their TABs and a line end.
constexpr std::size_t MIN_ROW_BYTES = 2 * COLUMN_COUNT;

using enum LineAction;
// clang-format off
constexpr StateRule STATE_RULES[] = {
    {.state = ReaderState::BeforeOpening, .expected = FIRST_LINE,  .expectedWords = "the line",
     .opening = Open,      .header = HeaderWithoutOpening, .lastLine = SkipBeforeOpening, .other = RowsWithoutOpening},
    {.state = ReaderState::Opened,        .expected = HEADER_LINE, .expectedWords = "the header line",
     .opening = OpenAgain, .header = StartSegment,         .lastLine = EndWithoutHeader,  .other = RowsWithoutHeader},
    {.state = ReaderState::InSegment,     .expected = "",          .expectedWords = "",
     .opening = OpenAgain, .header = StartSegment,         .lastLine = End,               .other = ReadRow},
    {.state = ReaderState::Ended,         .expected = "",          .expectedWords = "",
     .opening = OpenAgain, .header = SkipAfterEnd,         .lastLine = SkipAfterEnd,      .other = SkipAfterEnd},
    {.state = ReaderState::SkippingLog,   .expected = "",          .expectedWords = "",
     .opening = OpenAgain, .header = SkipSecondLog,        .lastLine = SkipSecondLog,     .other = SkipSecondLog},
};
// clang-format on
constexpr bool rulesInOrder() {
    for (std::size_t s = 0; s < std::size(STATE_RULES); ++s)
        if (static_cast<std::size_t>(STATE_RULES[s].state) != s) return false;
    return std::size(STATE_RULES) == static_cast<std::size_t>(ReaderState::SkippingLog) + 1;
}
static_assert(rulesInOrder(), "STATE_RULES has one row per state, in the enum's order");

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

// "expected the header line "index\tTAS...", found "..."" where a state waits for one line.
std::string expectedLineMessage(const StateRule& rule, std::string_view text) {
    const bool beforeOpening = rule.state == ReaderState::BeforeOpening;
    return "expected " + std::string(rule.expectedWords) + " " + printable(rule.expected) + ", found " +
           printable(text) + (beforeOpening ? notALogHint(text) : "");
}

}  // namespace

LogParser::LogParser(std::string file, RowSink& sink, ReadOptions options, RecordingSink* each)
    : sink_(sink),
      out_(&sink),
      strict_(options.strict),
      each_(each),
      only_(each == nullptr ? options.recording : std::nullopt) {
    info_.file = std::move(file);
    if (only_ && *only_ != recording_) out_ = &passOver_;
}

LineKind kindOf(std::string_view text) {
    if (text == FIRST_LINE) return LineKind::Opening;
    if (text == HEADER_LINE) return LineKind::Header;
    if (text == END_RECORDING_LINE || text == EXIT_LINE) return LineKind::LastLine;
    return LineKind::Other;
}

LineAction StateRule::of(LineKind kind) const {
    switch (kind) {
        case LineKind::Opening: return opening;
        case LineKind::Header: return header;
        case LineKind::LastLine: return lastLine;
        case LineKind::Other: return other;
    }
    return other;
}

const StateRule& ruleOf(ReaderState state) { return STATE_RULES[static_cast<std::size_t>(state)]; }

void LogParser::completeLine(std::size_t number, const Line& line) {
    info_.lineCount = number;
    if (!line.crlf) ++info_.lfOnlyLines;
    if (shortRow_) settleShortRow(false);
    if (line.length > MAX_LINE_BYTES) return overLong(number, line.text, line.length);
    std::string_view text = number == 1 ? withoutByteOrderMark(line.text) : line.text;
    const bool secondCr = line.crlf && !text.empty() && text.back() == '\r';
    if (secondCr) text.remove_suffix(1);
    // The bulk of every log: a row inside a segment (no line the table names starts like one).
    if (state_ == ReaderState::InSegment && !text.empty() && startsLikeRow(text.front())) row(number, text);
    else take(ruleOf(state_).of(kindOf(text)), number, text);
    if (secondCr) noteSecondCr(number);  // once the line is read: in the recording it belongs to
}

void LogParser::take(LineAction action, std::size_t number, std::string_view text) {
    const auto expectedLine = [&] { return expectedLineMessage(ruleOf(state_), text); };
    switch (action) {
        case Open: state_ = ReaderState::Opened; return;
        case OpenAgain: return split() ? nextRecording() : openAgain(number);
        case StartSegment: return startSegment(number, false);
        case HeaderWithoutOpening:
            note(DamageKind::MissingOpening, number, text, false, expectedLine);
            state_ = ReaderState::Opened;
            return startSegment(number, false);
        case RowsWithoutOpening: return rowsWithoutOpening(number, text);
        case RowsWithoutHeader: return rowsWithoutHeader(number, text);
        case EndWithoutHeader: note(DamageKind::MissingHeader, number, text, false, expectedLine); return endLine(text);
        case End: return endLine(text);
        case ReadRow: return row(number, text);
        case SkipBeforeOpening: return skip(DamageKind::UnexpectedLine, number, text, expectedLine);
        case SkipAfterEnd:
            return skip(DamageKind::TextAfterEnd, number, text, [&] { return afterEndMessage(text); });
        case SkipSecondLog:
            return skip(DamageKind::SecondLog, number, text,
                        [] { return std::string("a line of a second log that is skipped"); });
    }
}

// A row before any "Recording Enabled" starts the log without it.
void LogParser::rowsWithoutOpening(std::size_t number, std::string_view text) {
    const auto expectedLine = [&] { return expectedLineMessage(ruleOf(state_), text); };
    if (!isRowLike(text)) return skip(DamageKind::UnexpectedLine, number, text, expectedLine);
    note(DamageKind::MissingOpening, number, text, false, expectedLine);
    state_ = ReaderState::Opened;
    rowsWithoutHeader(number, text);
}

// Rows where the header line should be: read with the log's fixed columns.
void LogParser::rowsWithoutHeader(std::size_t number, std::string_view text) {
    const auto expectedLine = [&] { return expectedLineMessage(ruleOf(state_), text); };
    if (!isRowLike(text)) return skip(DamageKind::UnexpectedLine, number, text, expectedLine);
    note(DamageKind::MissingHeader, number, text, false, expectedLine);
    startSegment(number, true);
    row(number, text);
}

void LogParser::openAgain(std::size_t number) {
    if (strict_) {
        if (state_ == ReaderState::Ended) fail(number, FIRST_LINE, afterEndMessage(FIRST_LINE));
        if (state_ == ReaderState::Opened) fail(number, FIRST_LINE, expectedLineMessage(ruleOf(state_), FIRST_LINE));
        fail(number, FIRST_LINE, describe(RowProblem::of(RowProblem::NotARow), FIRST_LINE));
    }
    ++recording_;
    note(DamageKind::SecondLog, number, FIRST_LINE, false,
         [] { return std::string("a second log begins here: two logs pasted together"); });
    // Its rows are read if they go on from the first log's, as a second recording of one session would.
    decidingLog_ = lastIndex_.has_value();
    heldSegment_.reset();  // a log that ended before its first row leaves no segment
    endingBeforeLog_ = info_.ending;
    info_.ending = Ending::CutOff;
    state_ = ReaderState::Opened;
}

// Read as recordings of their own: the one before is done, and this one starts afresh.
void LogParser::nextRecording() {
    endRecording();
    LogInfo fresh;
    fresh.file = std::move(info_.file);
    info_ = std::move(fresh);
    lastLine_ = {};
    lastIndex_.reset();
    segmentRows_ = skippedSinceRow_ = skippedBytesSinceRow_ = 0;
    decidingLog_ = false;
    heldSegment_.reset();
    ++recording_;
    out_ = only_ && *only_ != recording_ ? static_cast<RowSink*>(&passOver_) : &sink_;
    state_ = ReaderState::Opened;
}

void LogParser::endRecording() {
    info_.recording = info_.recordings = recording_;
    if (each_ != nullptr) each_->recordingEnded(info_);
    if (only_ == recording_) chosen_ = info_;
}

void LogParser::endLine(std::string_view text) {
    const bool exit = text == EXIT_LINE;
    info_.ending = exit ? Ending::Exit : Ending::EndRecording;
    lastLine_ = exit ? EXIT_LINE : END_RECORDING_LINE;
    state_ = ReaderState::Ended;
}

// A second log's segment is announced with its first row, once the row shows the log is read.
void LogParser::startSegment(std::size_t number, bool recovered) {
    segmentRows_ = 0;
    state_ = ReaderState::InSegment;
    const SegmentStart start{.segment = 0, .line = number, .recovered = recovered};
    if (!decidingLog_) return announceSegment(start);
    if (heldSegment_) announceSegment(*heldSegment_);  // an empty one before it: too late to take back
    heldSegment_ = start;
}

void LogParser::announceSegment(SegmentStart start) {
    start.segment = info_.segments++;
    out_->segmentStarted(start);
}

void LogParser::row(std::size_t number, std::string_view text) {
    Row parsed;
    RowText rowText;
    RowProblem problem;
    if (!parseRow(text, parsed, rowText, problem)) return rowProblem(number, text, problem);
    const auto index = static_cast<std::int64_t>(parsed[INDEX]);
    if (lastIndex_ && !indexFits(number, text, index)) return;
    keepRow(parsed, rowText);
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

void LogParser::keepRow(const Row& row, const RowText& rowText) {
    const auto index = static_cast<std::int64_t>(row[INDEX]);
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
    out_->row(row, rowText, info_.segments - 1);
}

bool LogParser::indexFits(std::size_t number, std::string_view text, std::int64_t index) {
    const std::int64_t last = *lastIndex_;
    const auto indexText = [&] { return "index " + std::to_string(index); };
    if (decidingLog_) {
        decidingLog_ = false;
        if (index > last) return true;
        info_.ending = endingBeforeLog_;
        state_ = ReaderState::SkippingLog;
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

}  // namespace vorlat::flightlog
