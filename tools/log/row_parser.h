// One line of a flight log read as a row of sixteen numbers. The rows the
// recorder writes take a single pass over their bytes; anything else gets the
// careful field-by-field reading, which also says what was expected where.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "tools/log/log_columns.h"

namespace vorlat::flightlog {

// One row: the sixteen values in column order, the index and Stall included.
struct Row {
    std::array<double, COLUMN_COUNT> values;
    double operator[](std::size_t column) const { return values[column]; }
};

// Each number of a row as the log wrote it, padding removed. The views point
// into the reader's buffer: valid only while the row is being delivered. Left
// uninitialised (a row is read in every column before it is delivered): this is
// written for every row of the log. A row without text has canonical == 0.
struct RowText {
    std::array<std::string_view, COLUMN_COUNT> fields;
    // Bit c set: fields[c] is exactly the text numberText() writes for the value
    // (no leading zero, no "-0.0", a short exact decimal), so it may be copied.
    std::uint32_t canonical = 0;
    bool isCanonical(std::size_t column) const { return ((canonical >> column) & 1U) != 0; }
};

// Why a line is not a row.
struct RowProblem {
    enum Kind {
        EmptyLine,
        NotARow,        // one field that cannot even start a number
        TooManyFields,  // fields: how many (0: "more", for a line cut off mid-write)
        BadField,       // column, field
        TooFewFields,   // fields: how many; every one of them reads
    } kind = NotARow;
    std::size_t fields = 0;
    std::size_t column = 0;
    std::string_view field;  // points into the line

    static RowProblem of(Kind kind, std::size_t fields = 0) {
        return {.kind = kind, .fields = fields, .column = 0, .field = {}};
    }
    static RowProblem badField(std::size_t column, std::string_view field) {
        return {.kind = BadField, .fields = 0, .column = column, .field = field};
    }
};

// Reads the line (its line end removed) as a row. False with the problem when it is none.
bool parseRow(std::string_view line, Row& row, RowText& text, RowProblem& problem);

// The two readings parseRow tries in turn, open for the tests that hold them to
// one answer. The fast one takes only the forms the recorder writes, with few
// enough digits to read exactly, and leaves every other line (false) to the
// careful one; where it answers, the careful one must answer the same.
bool parseRowFast(std::string_view line, Row& row, RowText& text);
bool parseRowCareful(std::string_view line, Row& row, RowText& text, RowProblem& problem);

// The start of a row the recorder was writing when it stopped: whole fields
// before the cut, and a cut field that could still grow into a number.
bool isRowPrefix(std::string_view line, RowProblem& problem);

// What was expected where the line went wrong, for a message "FILE:LINE: ...".
std::string describe(const RowProblem& problem, std::string_view line);

}  // namespace vorlat::flightlog
