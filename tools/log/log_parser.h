// The reader's line-by-line state machine: which line a log may hold in each
// state, what reading it does and which state follows. The reader
// (log_reader.cpp) feeds it lines from the splitter; it hands the sound rows
// to the sink and notes the damage.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "common/printable.h"
#include "tools/log/log_reader.h"

namespace vorlat::flightlog {

inline constexpr std::size_t DROPPED_TEXT_SHOWN = 80;  // of a line kept as dropped

// Where the reader stands in the log.
enum class ReaderState {
    BeforeOpening,  // nothing read yet: "Recording Enabled" expected
    Opened,         // after "Recording Enabled": the header line expected
    InSegment,      // after a header line: rows, another header, or the last line
    Ended,          // after "End recording" or "Exit": nothing more expected
    SkippingLog,    // inside a second log that starts over: every line skipped
};

// What a line is, as far as the structure of a log goes (rows and anything else are Other).
enum class LineKind { Opening, Header, LastLine, Other };
LineKind kindOf(std::string_view text);

// What reading a line of some kind does in some state (log_parser.cpp's table says which).
enum class LineAction {
    Open,                 // the log begins -> Opened
    OpenAgain,            // a second log begins -> Opened (strict: refused)
    StartSegment,         // -> InSegment
    HeaderWithoutOpening, // damage, then StartSegment -> InSegment
    RowsWithoutOpening,   // a row-like line: damage, then as in Opened; else skipped
    RowsWithoutHeader,    // a row-like line: damage, a recovered segment and its row -> InSegment; else skipped
    EndWithoutHeader,     // damage, then End -> Ended
    End,                  // -> Ended
    ReadRow,              // a row, or a damaged one -> InSegment (a second log's restart: SkippingLog)
    SkipBeforeOpening,    // not a log line: skipped
    SkipAfterEnd,         // skipped -> Ended
    SkipSecondLog,        // skipped -> SkippingLog
};

// One state: the line it waits for, and what each kind of line does there.
struct StateRule {
    ReaderState state;
    std::string_view expected;       // the one line this state waits for; empty where rows may come
    std::string_view expectedWords;  // how a message names it: "the header line"
    LineAction opening, header, lastLine, other;
    LineAction of(LineKind kind) const;
};
const StateRule& ruleOf(ReaderState state);

class LogParser {
public:
    // With `each`, every recording is read as a log of its own and handed to it.
    LogParser(std::string file, RowSink& sink, ReadOptions options, RecordingSink* each = nullptr);
    void textEncoding(TextEncoding encoding);  // before the first line
    void completeLine(std::size_t number, const Line& line);
    void lastPiece(std::size_t number, const Line& line);
    LogInfo finish(std::uint64_t bytes);            // readLog's answer
    std::size_t finishRecordings(std::uint64_t bytes);  // readRecordings': how many recordings

private:
    // A row short of fields: the last line of a cut-off log, or damage if more follows.
    struct ShortRow {
        std::size_t line;
        std::string text;  // its start, as DroppedLine keeps it
        std::string expected;
        std::size_t bytes;
    };

    // Passes over the rows of a recording not asked for.
    class PassOver : public RowSink {
        void row(const Row& /*row*/, const RowText& /*text*/, std::size_t /*segment*/) override {}
    };

    bool split() const { return each_ != nullptr || only_.has_value(); }
    void take(LineAction action, std::size_t number, std::string_view text);
    void openAgain(std::size_t number);
    void nextRecording();
    void endRecording();
    void noteSecondCr(std::size_t number);
    void rowsWithoutHeader(std::size_t number, std::string_view text);
    void rowsWithoutOpening(std::size_t number, std::string_view text);
    void endLine(std::string_view text);
    void startSegment(std::size_t number, bool recovered);
    void announceSegment(SegmentStart start);
    void row(std::size_t number, std::string_view text);
    void rowProblem(std::size_t number, std::string_view text, const RowProblem& problem);
    void keepRow(const Row& row, const RowText& rowText);
    bool indexFits(std::size_t number, std::string_view text, std::int64_t index);
    bool gapAfterDamage(std::int64_t gap) const;
    void partialLine(std::size_t number, std::string_view text);
    bool structuralPrefix(std::string_view text) const;
    void overLong(std::size_t number, std::string_view text, std::size_t length);
    void dropLine(std::size_t number, std::string_view text);
    void settleShortRow(bool last);
    std::string_view withoutByteOrderMark(std::string_view text);
    std::string_view withoutTrailingNul(std::size_t number, std::string_view text, std::size_t& length);
    std::string afterEndMessage(std::string_view text) const {
        return "unexpected text after the last line " + printable(lastLine_) + ": " + printable(text);
    }
    std::string noRowsMessage() const;

    [[noreturn]] void fail(std::size_t number, std::string_view text, std::string message) const;
    // One damaged line: refused in strict mode, else counted and, among the first few, named.
    template <typename Message>
    void note(DamageKind kind, std::size_t number, std::string_view text, bool skipped, Message&& message) {
        if (strict_ && kind != DamageKind::PartialLastLine) fail(number, text, message());
        noted(kind, number, text, skipped, message());
    }
    void noted(DamageKind kind, std::size_t number, std::string_view text, bool skipped, std::string message);
    template <typename Message>
    void skip(DamageKind kind, std::size_t number, std::string_view text, Message&& message) {
        note(kind, number, text, true, message);
        ++skippedSinceRow_;
        skippedBytesSinceRow_ += text.size() + 1;
    }

    RowSink& sink_;
    RowSink* out_;  // sink_, or passOver_ in a recording not asked for
    PassOver passOver_;
    bool strict_;
    RecordingSink* each_;
    std::optional<std::size_t> only_;  // ReadOptions::recording
    std::size_t recording_ = 1;        // the one being read, counted from 1
    std::optional<LogInfo> chosen_;    // only_'s, once read
    LogInfo info_;
    ReaderState state_ = ReaderState::BeforeOpening;
    std::string_view lastLine_;  // "End recording" or "Exit", once read
    std::optional<std::int64_t> lastIndex_;
    std::size_t segmentRows_ = 0;
    std::size_t skippedSinceRow_ = 0, skippedBytesSinceRow_ = 0;  // lines and bytes skipped since the last row
    bool decidingLog_ = false;                                    // a second log's first row decides whether to read it
    Ending endingBeforeLog_ = Ending::CutOff;
    std::optional<SegmentStart> heldSegment_;  // of a second log not yet decided
    std::optional<ShortRow> shortRow_;
};

}  // namespace vorlat::flightlog
