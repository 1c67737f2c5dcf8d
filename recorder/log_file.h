// The log file "data_log.txt": opening, writing whole lines, closing.
//
// Every line ends in CR LF on every platform; the line ending is added here
// and nowhere else.
#pragma once

#include <cstdio>
#include <string_view>

inline constexpr char LOG_FILE_NAME[] = "data_log.txt";
inline constexpr std::size_t LOG_STREAM_BUFFER_SIZE = 4096;

// Creates or empties the log in the current directory, fully buffered in the
// module's own buffer; null when it cannot be opened. One log at a time.
std::FILE* openLogFile();

// Writes text and the line ending; false once the stream is in error.
bool writeLogLine(std::FILE* log, std::string_view text);

void closeLogFile(std::FILE* log);
