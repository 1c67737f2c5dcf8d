// The row parser's two readings at the edges of the row grammar: how many
// digits a field may have, signs, decimals, exponents, leading zeros and
// spaces. parseRow must give each case's answer; the fast pass must take
// exactly the cases marked fast, and where it answers, the careful reading
// must answer the same, bit for bit (the fuzz target row_parser does the same
// on any bytes).
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <string>
#include <vector>

#include "tools/log/row_parser.h"

namespace {

using namespace vorlat::flightlog;

constexpr std::size_t TAS = 1;  // one decimal ("%5.1f")
constexpr std::size_t ALT = 3;  // an integer ("%5d")
constexpr std::size_t AOA = 14; // two decimals ("%5.2f")
constexpr double NOT_A_ROW = -12345.0;  // the value of a case that must not read
const double NAN_VALUE = std::numeric_limits<double>::quiet_NaN();

struct FieldCase {
    const char* name;
    std::size_t column;
    const char* field;  // put in the column of a row the recorder wrote
    bool reads;
    double value = NOT_A_ROW;  // what the field reads as, when it reads
    bool fast = false;         // the fast pass answers
};

// clang-format off
const std::vector<FieldCase> CASES = {
    {.name = "as the recorder writes it",  .column = TAS, .field = "100.0",  .reads = true, .value = 100.0, .fast = true},
    {.name = "padded on the left",         .column = TAS, .field = "  7.5",  .reads = true, .value = 7.5,   .fast = true},
    {.name = "15 digits",                  .column = TAS, .field = "12345678901234.5", .reads = true, .value = 12345678901234.5, .fast = true},
    {.name = "15 digits, all nines",       .column = AOA, .field = "9999999999999.99", .reads = true, .value = 9999999999999.99, .fast = true},
    {.name = "16 digits",                  .column = TAS, .field = "123456789012345.6", .reads = true, .value = 123456789012345.6},
    {.name = "17 digits",                  .column = AOA, .field = "123456789012345.67", .reads = true, .value = 123456789012345.67},
    {.name = "21 digits",                  .column = TAS, .field = "12345678901234567890.1", .reads = true, .value = 12345678901234567890.1},
    {.name = "21 digits, negative",        .column = TAS, .field = "-99999999999999999999.9", .reads = true, .value = -99999999999999999999.9},
    {.name = "negative",                   .column = TAS, .field = "-12.5",  .reads = true, .value = -12.5, .fast = true},
    {.name = "negative zero",              .column = TAS, .field = " -0.0",  .reads = true, .value = -0.0,  .fast = true},
    {.name = "a plus sign",                .column = TAS, .field = "+12.5",  .reads = false},
    {.name = "a sign after the spaces only", .column = TAS, .field = " - 1.5", .reads = false},
    {.name = "too few decimals",           .column = AOA, .field = "1.5",    .reads = false},
    {.name = "too many decimals",          .column = TAS, .field = "1.50",   .reads = false},
    {.name = "no decimals",                .column = TAS, .field = "100",    .reads = false},
    {.name = "no integer digit",           .column = TAS, .field = ".5",     .reads = false},
    {.name = "an exponent",                .column = TAS, .field = "1.0e5",  .reads = false},
    {.name = "an exponent on an integer",  .column = ALT, .field = "1e5",    .reads = false},
    {.name = "leading zeros",              .column = TAS, .field = "007.5",  .reads = true, .value = 7.5, .fast = true},
    {.name = "a space on the right",       .column = TAS, .field = "7.5 ",   .reads = false},
    {.name = "only spaces",                .column = TAS, .field = "     ",  .reads = false},
    {.name = "not a number",               .column = TAS, .field = "nan",    .reads = true, .value = NAN_VALUE},
    {.name = "minus infinity",             .column = AOA, .field = "-inf",   .reads = true, .value = -std::numeric_limits<double>::infinity()},
    {.name = "not a number as an integer", .column = ALT, .field = "nan",    .reads = false},
    {.name = "the largest 32-bit integer", .column = ALT, .field = "2147483647",  .reads = true, .value = 2147483647.0, .fast = true},
    {.name = "the smallest 32-bit integer", .column = ALT, .field = "-2147483648", .reads = true, .value = -2147483648.0, .fast = true},
    {.name = "past 32 bits",               .column = ALT, .field = "2147483648",  .reads = false},
    {.name = "11 digits with leading zeros", .column = ALT, .field = "00000000001", .reads = false},
    {.name = "21 integer digits",          .column = ALT, .field = "123456789012345678901", .reads = false},
    {.name = "a decimal in an integer",    .column = ALT, .field = "1000.0", .reads = false},
};
// clang-format on

// A row the recorder wrote, with `field` in `column`.
std::string rowWith(std::size_t column, const std::string& field) {
    std::string line;
    for (std::size_t c = 0; c < COLUMN_COUNT; ++c) {
        if (c != 0) line += '\t';
        line += c == column ? field : (COLUMNS[c].decimals == 0 ? "    1" : std::string(" 1.") + std::string(COLUMNS[c].decimals, '0'));
    }
    return line;
}

bool sameBits(double a, double b) {
    if (std::isnan(a) && std::isnan(b)) return true;
    return std::memcmp(&a, &b, sizeof a) == 0;
}

TEST(RowParser, BothReadingsGiveOneAnswerAtTheEdgesOfTheGrammar) {
    for (const FieldCase& c : CASES) {
        SCOPED_TRACE(std::string(c.name) + ": \"" + c.field + "\"");
        const std::string line = rowWith(c.column, c.field);
        Row row{}, fast{}, careful{};
        RowText text, fastText, carefulText;
        RowProblem problem;
        ASSERT_EQ(parseRow(line, row, text, problem), c.reads);
        if (c.reads) EXPECT_TRUE(sameBits(row[c.column], c.value)) << row[c.column] << " instead of " << c.value;
        else EXPECT_EQ(problem.kind, RowProblem::BadField);
        const bool fastRead = parseRowFast(line, fast, fastText);
        EXPECT_EQ(fastRead, c.fast);
        if (!fastRead) continue;
        ASSERT_TRUE(parseRowCareful(line, careful, carefulText, problem));
        for (std::size_t column = 0; column < COLUMN_COUNT; ++column) {
            EXPECT_TRUE(sameBits(fast[column], careful[column])) << "column " << column;
            EXPECT_EQ(fastText.fields[column], carefulText.fields[column]) << "column " << column;
        }
    }
}

}  // namespace
