// The published value each column of the log schema (schema/log_schema.h)
// takes: one row per column, in the schema's order, checked against it at
// compile time. The schema itself knows nothing of the module's records.
#pragma once

#include <cstddef>
#include <cstdint>
#include <iterator>
#include <string_view>

#include "readouts/latest_values.h"
#include "schema/log_schema.h"

struct LogSource {
    std::string_view column;                           // the schema's name of the column
    double LatestValuesRecord::*number = nullptr;      // Decimal and Truncated columns
    std::int32_t LatestValuesRecord::*flag = nullptr;  // Flag columns
};

// clang-format off
inline constexpr LogSource LOG_SOURCES[] = {
    {.column = "index"},  // the recorder's own row counter
    {.column = "TAS",   .number = &LatestValuesRecord::tas},
    {.column = "IAS",   .number = &LatestValuesRecord::ias},
    {.column = "alt",   .number = &LatestValuesRecord::alt},
    {.column = "pitch", .number = &LatestValuesRecord::pitch},
    {.column = "climb", .number = &LatestValuesRecord::climb},
    {.column = "gforc", .number = &LatestValuesRecord::gforc},
    {.column = "hdng",  .number = &LatestValuesRecord::hdng},
    {.column = "turn",  .number = &LatestValuesRecord::turn},
    {.column = "bank",  .number = &LatestValuesRecord::bank},
    {.column = "roll",  .number = &LatestValuesRecord::roll},
    {.column = "prop",  .number = &LatestValuesRecord::prop},
    {.column = "hp",    .number = &LatestValuesRecord::hp},
    {.column = "thrst", .number = &LatestValuesRecord::thrst},
    {.column = "AoA",   .number = &LatestValuesRecord::aoa},
    {.column = "Stall", .flag   = &LatestValuesRecord::stall},
};
// clang-format on

// Row i speaks of schema column i, names a source exactly when the column's
// kind needs one (a number for Decimal and Truncated, a flag for Flag), and
// no published value is logged in two columns.
constexpr bool logSourcesFollowTheSchema() {
    for (std::size_t i = 0; i < LOG_COLUMN_COUNT; ++i) {
        const LogColumn& column = LOG_COLUMNS[i];
        const LogSource& source = LOG_SOURCES[i];
        if (source.column != column.name) return false;
        const bool needsNumber = column.kind == LogColumnKind::Decimal || column.kind == LogColumnKind::Truncated;
        if ((source.number != nullptr) != needsNumber) return false;
        if ((source.flag != nullptr) != (column.kind == LogColumnKind::Flag)) return false;
        for (std::size_t j = 0; j < i; ++j) {
            if (source.number != nullptr && LOG_SOURCES[j].number == source.number) return false;
            if (source.flag != nullptr && LOG_SOURCES[j].flag == source.flag) return false;
        }
    }
    return true;
}
static_assert(std::size(LOG_SOURCES) == LOG_COLUMN_COUNT, "one source row per schema column");
static_assert(logSourcesFollowTheSchema(), "LOG_SOURCES must follow LOG_COLUMNS row by row");
