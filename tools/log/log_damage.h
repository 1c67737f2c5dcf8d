// What the reader found wrong in a log and worked around: the kinds of damage,
// each with a stable keyword for machines and words for people, how many lines
// carry each kind, and the first few of those lines with what was expected there.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace vorlat::flightlog {

enum class DamageKind : std::size_t {  // in the order they show in a file
    ByteOrderMark,                     // a byte-order mark before the first line (an editor saved it): removed; UTF-16 decoded
    CrCrLf,                            // lines ended by CR CR LF (converted to CR LF twice): read as CR LF
    MissingOpening,                    // the log does not begin with "Recording Enabled"
    MissingHeader,                     // rows with no header line before them
    BadRow,                            // a row that does not read: field count, a field, binary bytes
    LongLine,                          // a line longer than any log line: skipped unread
    IndexOutOfOrder,                   // a row whose index does not follow the rows before it
    UnexpectedLine,                    // a line that is no part of a flight log
    SecondLog,                         // a second "Recording Enabled", and the lines of a second log that is skipped
    TextAfterEnd,                      // a line after "End recording" or "Exit" that starts no new log
    PartialLastLine,                   // the file ends inside a line: the recorder stopped while writing it
    TrailingNul,                       // NUL bytes at the end (a crash with a preallocated file): removed
};
inline constexpr std::size_t DAMAGE_KIND_COUNT = static_cast<std::size_t>(DamageKind::TrailingNul) + 1;

struct DamageKindInfo {
    DamageKind kind;
    std::string_view keyword;  // in the summary's JSON
    std::string_view one;      // "bad row"
    std::string_view many;     // "bad rows"
    bool onEveryLine = false;  // may stand on every line of a log: only its first line is named
};
// clang-format off
inline constexpr std::array<DamageKindInfo, DAMAGE_KIND_COUNT> DAMAGE_KINDS{{
    {.kind = DamageKind::ByteOrderMark,   .keyword = "byte_order_mark",    .one = "byte-order mark",          .many = "byte-order marks"},
    {.kind = DamageKind::CrCrLf,          .keyword = "cr_cr_lf",           .one = "line ended by CR CR LF",   .many = "lines ended by CR CR LF", .onEveryLine = true},
    {.kind = DamageKind::MissingOpening,  .keyword = "missing_opening",    .one = "missing opening line",     .many = "missing opening lines"},
    {.kind = DamageKind::MissingHeader,   .keyword = "missing_header",     .one = "missing header line",      .many = "missing header lines"},
    {.kind = DamageKind::BadRow,          .keyword = "bad_row",            .one = "bad row",                  .many = "bad rows"},
    {.kind = DamageKind::LongLine,        .keyword = "long_line",          .one = "over-long line",           .many = "over-long lines"},
    {.kind = DamageKind::IndexOutOfOrder, .keyword = "index_out_of_order", .one = "row out of order",         .many = "rows out of order"},
    {.kind = DamageKind::UnexpectedLine,  .keyword = "unexpected_line",    .one = "unexpected line",          .many = "unexpected lines"},
    {.kind = DamageKind::SecondLog,       .keyword = "second_log",         .one = "line of a second log",     .many = "lines of a second log"},
    {.kind = DamageKind::TextAfterEnd,    .keyword = "text_after_end",     .one = "line after the last line", .many = "lines after the last line"},
    {.kind = DamageKind::PartialLastLine, .keyword = "partial_last_line",  .one = "partial last line",        .many = "partial last lines"},
    {.kind = DamageKind::TrailingNul,     .keyword = "trailing_nul",       .one = "NUL byte at the end",      .many = "NUL bytes at the end"},
}};
// clang-format on
constexpr bool damageKindsInOrder() {
    for (std::size_t k = 0; k < DAMAGE_KIND_COUNT; ++k)
        if (static_cast<std::size_t>(DAMAGE_KINDS[k].kind) != k) return false;
    return true;
}
static_assert(damageKindsInOrder(), "DAMAGE_KINDS lists every kind once, in the enum's order");

inline const DamageKindInfo& infoOf(DamageKind kind) { return DAMAGE_KINDS[static_cast<std::size_t>(kind)]; }

// How many of the damaged lines a report names.
inline constexpr std::size_t DAMAGED_LINES_SHOWN = 5;

struct DamagedLine {
    std::size_t line;  // 1-based
    DamageKind kind;
    std::string expected;  // what was expected there, as --strict would say it
};

struct Damage {
    std::array<std::size_t, DAMAGE_KIND_COUNT> lines{};  // lines carrying each kind
    std::size_t skippedLines = 0;                        // lines not read at all
    std::uint64_t trailingNulBytes = 0;
    std::vector<DamagedLine> first;  // the first DAMAGED_LINES_SHOWN, in file order (of an onEveryLine kind, its first)

    std::size_t count(DamageKind kind) const { return lines[static_cast<std::size_t>(kind)]; }
    std::size_t total() const;  // damaged lines of every kind
    bool any() const { return total() != 0; }
};

// "2 bad rows, 512 NUL bytes at the end; 2 lines skipped"; empty when sound.
std::string damageHeadline(const Damage& damage);
// "and 7 more damaged lines" when the report names only the first few; else empty.
std::string damageMore(const Damage& damage);

}  // namespace vorlat::flightlog
