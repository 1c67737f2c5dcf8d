// The flight log's schema, declared once: the three fixed lines and the sixteen
// columns (header name, kind, width, decimals). The recorder writes its header
// line and rows from it (recorder/log_sources.h says which published value each
// column takes) and the log tools read with it. Header-only constexpr data.
// To add a column: add one row to LOG_COLUMNS and its source to LOG_SOURCES.
#pragma once

#include <array>
#include <cstddef>
#include <iterator>
#include <string_view>

// The first line of every log, and the two lines that may end one.
inline constexpr std::string_view LOG_RECORDING_ENABLED_LINE = "Recording Enabled";
inline constexpr std::string_view LOG_END_RECORDING_LINE = "End recording";  // the record button ended it
inline constexpr std::string_view LOG_EXIT_LINE = "Exit";                    // the gauge shut down while recording

inline constexpr char LOG_FIELD_SEPARATOR = '\t';

enum class LogColumnKind {
    RowIndex,   // the recorder's sample counter, "%5d"
    Decimal,    // a double as "%W.Pf"
    Truncated,  // a double truncated toward zero, "%Wd"
    Flag,       // a 32-bit integer as it is, "%Wd"
};

struct LogColumn {
    std::string_view name;  // in the header line
    LogColumnKind kind;
    int width;
    int decimals = 0;  // Decimal columns only
};

inline constexpr int LOG_FIELD_WIDTH = 5;
inline constexpr int LOG_FLAG_WIDTH = 1;

constexpr LogColumn rowIndexLogColumn(std::string_view name) {
    return {.name = name, .kind = LogColumnKind::RowIndex, .width = LOG_FIELD_WIDTH};
}
constexpr LogColumn decimalLogColumn(std::string_view name, int decimals) {
    return {.name = name, .kind = LogColumnKind::Decimal, .width = LOG_FIELD_WIDTH, .decimals = decimals};
}
constexpr LogColumn truncatedLogColumn(std::string_view name) {
    return {.name = name, .kind = LogColumnKind::Truncated, .width = LOG_FIELD_WIDTH};
}
constexpr LogColumn flagLogColumn(std::string_view name) {
    return {.name = name, .kind = LogColumnKind::Flag, .width = LOG_FLAG_WIDTH};
}

// clang-format off
inline constexpr LogColumn LOG_COLUMNS[] = {
    rowIndexLogColumn ("index"),
    decimalLogColumn  ("TAS",   1),
    decimalLogColumn  ("IAS",   1),
    truncatedLogColumn("alt"),
    decimalLogColumn  ("pitch", 2),
    truncatedLogColumn("climb"),
    decimalLogColumn  ("gforc", 2),
    truncatedLogColumn("hdng"),
    truncatedLogColumn("turn"),
    decimalLogColumn  ("bank",  1),
    truncatedLogColumn("roll"),
    decimalLogColumn  ("prop",  1),
    truncatedLogColumn("hp"),
    truncatedLogColumn("thrst"),
    decimalLogColumn  ("AoA",   2),
    flagLogColumn     ("Stall"),
};
// clang-format on

inline constexpr std::size_t LOG_COLUMN_COUNT = std::size(LOG_COLUMNS);

// Only decimal columns have decimals (at most 3, as the log tools read them),
// and names are non-empty, free of separators and line breaks, and unique.
constexpr bool logColumnsAreSound() {
    for (std::size_t i = 0; i < LOG_COLUMN_COUNT; ++i) {
        const LogColumn& column = LOG_COLUMNS[i];
        const bool decimal = column.kind == LogColumnKind::Decimal;
        if (decimal ? column.decimals < 1 || column.decimals > 3 : column.decimals != 0) return false;
        if (column.name.empty() || column.name.find_first_of("\t\r\n") != std::string_view::npos) return false;
        for (std::size_t j = 0; j < i; ++j) {
            if (LOG_COLUMNS[j].name == column.name) return false;
        }
    }
    return LOG_COLUMNS[0].kind == LogColumnKind::RowIndex;
}

static_assert(LOG_COLUMN_COUNT == 16, "a row has sixteen values");
static_assert(logColumnsAreSound());

// The header line: the names in order, one separator between two.
constexpr std::size_t logHeaderLength() {
    std::size_t length = LOG_COLUMN_COUNT - 1;
    for (const LogColumn& column : LOG_COLUMNS) length += column.name.size();
    return length;
}
inline constexpr std::array<char, logHeaderLength()> LOG_HEADER_TEXT = [] {
    std::array<char, logHeaderLength()> text{};
    std::size_t at = 0;
    for (std::size_t i = 0; i < LOG_COLUMN_COUNT; ++i) {
        if (i != 0) text[at++] = LOG_FIELD_SEPARATOR;
        for (char c : LOG_COLUMNS[i].name) text[at++] = c;
    }
    return text;
}();
inline constexpr std::string_view LOG_HEADER_LINE{LOG_HEADER_TEXT.data(), LOG_HEADER_TEXT.size()};

// No fixed line could be taken for the header or for another fixed line.
constexpr bool logLinesAreDistinct() {
    const std::string_view lines[] = {LOG_RECORDING_ENABLED_LINE, LOG_END_RECORDING_LINE, LOG_EXIT_LINE,
                                      LOG_HEADER_LINE};
    for (std::size_t i = 0; i < std::size(lines); ++i) {
        if (lines[i].empty() || lines[i].find_first_of("\r\n") != std::string_view::npos) return false;
        for (std::size_t j = 0; j < i; ++j) {
            if (lines[j] == lines[i]) return false;
        }
    }
    return true;
}
static_assert(logLinesAreDistinct());
