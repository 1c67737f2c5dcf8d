// Rows: a fast single pass for what the recorder writes, and the careful
// reading (field by field, with the message of the first problem) for the rest.
#include "tools/log/row_parser.h"

#include <charconv>
#include <cstring>
#include <limits>

#include "common/printable.h"

namespace vorlat::flightlog {

namespace {

constexpr double POWERS_OF_TEN[] = {1, 10, 100, 1000};
// A decimal's integer and fraction digits together: exact in a double, so one
// division by a power of ten rounds as from_chars would.
constexpr std::size_t MAX_EXACT_DIGITS = 15;
constexpr std::size_t MAX_INTEGER_DIGITS = 10;  // a 32-bit integer, as "%5d" writes it

constexpr bool isDigit(char c) { return static_cast<unsigned char>(c - '0') < 10; }

constexpr std::array<int, COLUMN_COUNT> DECIMALS = [] {
    std::array<int, COLUMN_COUNT> decimals{};
    for (std::size_t c = 0; c < COLUMN_COUNT; ++c) decimals[c] = COLUMNS[c].decimals;
    return decimals;
}();

bool inInt32(std::int64_t value) {
    return value >= std::numeric_limits<std::int32_t>::min() && value <= std::numeric_limits<std::int32_t>::max();
}

// One number of the row starting at p, ended by a TAB or the line's end. Only
// the common forms: anything else (nan, long numbers) is left to the careful path.
bool fastField(const char*& p, const char* end, std::size_t column, Row& row, RowText& text) {
    while (p != end && *p == ' ') ++p;
    const char* number = p;
    const bool negative = p != end && *p == '-';
    p += negative ? 1 : 0;
    const char* digits = p;
    std::uint64_t mantissa = 0;
    while (p != end && isDigit(*p)) mantissa = mantissa * 10 + static_cast<std::uint64_t>(*p++ - '0');
    const auto integerDigits = static_cast<std::size_t>(p - digits);
    const int decimals = DECIMALS[column];
    if (integerDigits == 0) return false;
    if (decimals == 0) {
        if (integerDigits > MAX_INTEGER_DIGITS) return false;
        const auto value = negative ? -static_cast<std::int64_t>(mantissa) : static_cast<std::int64_t>(mantissa);
        if (!inInt32(value)) return false;
        row.values[column] = static_cast<double>(value);
    } else {
        if (p == end || *p != '.') return false;
        const char* fraction = ++p;
        while (p != end && isDigit(*p)) mantissa = mantissa * 10 + static_cast<std::uint64_t>(*p++ - '0');
        if (p - fraction != decimals || integerDigits + static_cast<std::size_t>(decimals) > MAX_EXACT_DIGITS)
            return false;
        const double magnitude = static_cast<double>(mantissa) / POWERS_OF_TEN[decimals];
        row.values[column] = negative ? -magnitude : magnitude;
    }
    text.fields[column] = {number, static_cast<std::size_t>(p - number)};
    const bool signedZero = negative && mantissa == 0;
    const bool leadingZero = integerDigits > 1 && *digits == '0';
    if (!signedZero && !leadingZero) text.canonical |= 1U << column;
    return true;
}

}  // namespace

bool parseRowFast(std::string_view line, Row& row, RowText& text) {
    const char* p = line.data();
    const char* end = p + line.size();
    text.canonical = 0;
    for (std::size_t c = 0; c < COLUMN_COUNT; ++c) {
        if (!fastField(p, end, c, row, text)) return false;
        if (c + 1 < COLUMN_COUNT) {
            if (p == end || *p != '\t') return false;
            ++p;
        }
    }
    return p == end;
}

namespace {

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
    while (i < number.size() && isDigit(number[i])) ++i;
    const std::size_t integerDigits = i - digitsStart;
    if (integerDigits == 0) return column.decimals != 0 && parseNotFinite(number, value);
    if (column.decimals == 0) {
        if (i != number.size() || integerDigits > MAX_INTEGER_DIGITS) return false;
        std::int64_t magnitude = 0;
        for (std::size_t d = digitsStart; d < i; ++d) magnitude = magnitude * 10 + (number[d] - '0');
        const std::int64_t signedValue = number[0] == '-' ? -magnitude : magnitude;
        if (!inInt32(signedValue)) return false;
        value = static_cast<double>(signedValue);
        return true;
    }
    if (i >= number.size() || number[i] != '.') return false;
    ++i;
    const std::size_t fractionStart = i;
    while (i < number.size() && isDigit(number[i])) ++i;
    if (i != number.size() || i - fractionStart != static_cast<std::size_t>(column.decimals)) return false;
    if (integerDigits + static_cast<std::size_t>(column.decimals) <= MAX_EXACT_DIGITS) {
        std::int64_t mantissa = 0;
        for (std::size_t d = digitsStart; d < i; ++d)
            if (number[d] != '.') mantissa = mantissa * 10 + (number[d] - '0');
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
        if (c == '\0' || std::strchr(" -.0123456789nafi", c) == nullptr) return false;
    return true;
}

std::string_view trimmedLeft(std::string_view field) {
    const std::size_t first = field.find_first_not_of(' ');
    return first == std::string_view::npos ? field.substr(field.size()) : field.substr(first);
}

// Splits the line at its TABs: at most COLUMN_COUNT fields, else TooManyFields.
bool splitFields(std::string_view line, std::array<std::string_view, COLUMN_COUNT>& fields, std::size_t& count,
                 RowProblem& problem) {
    count = 0;
    std::size_t at = 0;
    while (true) {
        const std::size_t tab = line.find('\t', at);
        if (count == COLUMN_COUNT) {
            std::size_t total = COLUMN_COUNT + 1;
            for (std::size_t t = tab; t != std::string_view::npos; t = line.find('\t', t + 1)) ++total;
            problem = RowProblem::of(RowProblem::TooManyFields, total);
            return false;
        }
        fields[count++] = line.substr(at, tab == std::string_view::npos ? std::string_view::npos : tab - at);
        if (tab == std::string_view::npos) return true;
        at = tab + 1;
    }
}

std::string expectedForm(const ColumnInfo& column) {
    switch (column.decimals) {
        case 0: return "an integer (like \"  123\")";
        case 1: return "a number with 1 decimal (like \"123.4\")";
        default: return "a number with " + std::to_string(column.decimals) + " decimals (like \"-2.50\")";
    }
}

}  // namespace

// The careful reading: the same checks in the order a person reads the line.
bool parseRowCareful(std::string_view line, Row& row, RowText& text, RowProblem& problem) {
    if (line.empty()) {
        problem = RowProblem::of(RowProblem::EmptyLine);
        return false;
    }
    std::array<std::string_view, COLUMN_COUNT> fields;
    std::size_t count = 0;
    if (!splitFields(line, fields, count, problem)) return false;
    if (count == 1 && !isFieldPrefix(line)) {
        problem = RowProblem::of(RowProblem::NotARow);
        return false;
    }
    for (std::size_t c = 0; c < count; ++c) {
        if (!parseField(fields[c], COLUMNS[c], row.values[c])) {
            problem = RowProblem::badField(c, fields[c]);
            return false;
        }
        text.fields[c] = trimmedLeft(fields[c]);
    }
    text.canonical = 0;
    if (count < COLUMN_COUNT) {
        problem = RowProblem::of(RowProblem::TooFewFields, count);
        return false;
    }
    return true;
}

bool parseRow(std::string_view line, Row& row, RowText& text, RowProblem& problem) {
    return parseRowFast(line, row, text) || parseRowCareful(line, row, text, problem);
}

bool isRowPrefix(std::string_view line, RowProblem& problem) {
    std::size_t count = 0, at = 0;
    while (true) {
        const std::size_t tab = line.find('\t', at);
        if (tab == std::string_view::npos) break;
        if (count == COLUMN_COUNT - 1) {
            problem = RowProblem::of(RowProblem::TooManyFields, 0);
            return false;
        }
        double ignored = 0;
        const std::string_view field = line.substr(at, tab - at);
        if (!parseField(field, COLUMNS[count], ignored)) {
            problem = RowProblem::badField(count, field);
            return false;
        }
        ++count;
        at = tab + 1;
    }
    if (isFieldPrefix(line.substr(at))) return true;
    problem = RowProblem::of(RowProblem::NotARow);
    return false;
}

std::string describe(const RowProblem& problem, std::string_view line) {
    const std::string rowOrLine =
        "a row of 16 tab-separated numbers, the header line or " + printable(LOG_END_RECORDING_LINE);
    switch (problem.kind) {
        case RowProblem::EmptyLine: return "empty line; expected " + rowOrLine;
        case RowProblem::NotARow: return "expected " + rowOrLine + ", found " + printable(line);
        case RowProblem::TooManyFields:
        case RowProblem::TooFewFields:
            return "expected 16 tab-separated fields, found " +
                   (problem.fields == 0 ? std::string("more") : std::to_string(problem.fields));
        case RowProblem::BadField: {
            const ColumnInfo& column = COLUMNS[problem.column];
            return "field " + std::to_string(problem.column + 1) + " (" + std::string(column.header) + "): expected " +
                   expectedForm(column) + ", found " + printable(problem.field);
        }
    }
    return {};
}

}  // namespace vorlat::flightlog
