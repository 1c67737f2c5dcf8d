#include "tools/log/log_csv.h"

#include <string>

#include "tools/log/number_text.h"

namespace vorlat::flightlog {

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
