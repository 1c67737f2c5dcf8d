#include "tools/log/log_csv.h"

#include <charconv>
#include <cmath>
#include <cstdint>
#include <string>
#include <string_view>

#include "tools/log/log_summary.h"

namespace vorlat::flightlog {

namespace {

// numberText without a string per field: the export writes sixteen per row.
void appendNumber(std::string& text, double value, int decimals) {
    if (!std::isfinite(value)) {
        text += numberText(value, decimals);
        return;
    }
    char buffer[400];
    if (decimals == 0 && std::fabs(value) < 1e15 && value == std::trunc(value)) {
        // The integer columns: whole numbers, written as such (and much faster).
        const auto whole = std::to_chars(buffer, buffer + sizeof buffer, static_cast<std::int64_t>(value));
        text.append(buffer, whole.ptr);
        return;
    }
    const auto result = decimals < 0 ? std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed)
                                     : std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed, decimals);
    const std::string_view digits(buffer, static_cast<std::size_t>(result.ptr - buffer));
    // A value that rounds to zero reads "0.0", not "-0.0".
    if (digits.starts_with("-0") && digits.find_first_not_of("0.", 1) == std::string_view::npos) text += digits.substr(1);
    else text += digits;
}

}  // namespace

void writeCsv(std::ostream& out, const FlightLog& log, double tickRate) {
    std::string text = "time_s,segment";
    for (const ColumnInfo& column : COLUMNS) text += ',', text += column.csvName;
    text += "\r\n";
    for (std::size_t s = 0; s < log.segments.size(); ++s) {
        const Segment& segment = log.segments[s];
        const std::string segmentNumber = std::to_string(s + 1);
        for (std::size_t r = segment.firstRow; r < segment.firstRow + segment.rowCount; ++r) {
            const Row& row = log.rows[r];
            appendNumber(text, timeOfIndex(row[INDEX], tickRate), -1);
            text += ',';
            text += segmentNumber;
            for (std::size_t c = 0; c < COLUMN_COUNT; ++c) {
                text += ',';
                appendNumber(text, row[c], COLUMNS[c].decimals);
            }
            text += "\r\n";
            if (text.size() > (1u << 20)) {
                out << text;
                text.clear();
            }
        }
    }
    out << text;
}

}  // namespace vorlat::flightlog
