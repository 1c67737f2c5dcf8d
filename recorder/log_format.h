// The text of the flight log: its header line and its rows, both built from
// one column table. Lines come without their ending; the log writer adds it.
#pragma once

#include <cstddef>
#include <cstdint>

#include "readouts/latest_values.h"

// Enough for any row: every decimal column written in full even for the
// largest double, every integer column at its widest, the tabs and the NUL.
inline constexpr std::size_t LOG_LINE_BUFFER_SIZE = 3072;

// "index\tTAS\t...\tStall"; returns the length written (at most size - 1).
std::size_t formatLogHeader(char* out, std::size_t size);

// One row for the sample numbered rowIndex, from the values as last published.
std::size_t formatLogRow(char* out, std::size_t size, std::int32_t rowIndex, const LatestValuesRecord& values);
