#include "recorder/log_file.h"

namespace {
#if defined(_WIN32)
// Text mode, asked for explicitly so a host's default file mode cannot change
// it: the CRT writes each "\n" as CR LF.
constexpr char OPEN_MODE[] = "wt";
constexpr std::string_view LINE_END = "\n";
#else
constexpr char OPEN_MODE[] = "w";
constexpr std::string_view LINE_END = "\r\n";
#endif

// The stream's buffer: the module allocates nothing of its own.
char streamBuffer[LOG_STREAM_BUFFER_SIZE];
}  // namespace

std::FILE* openLogFile() {
    std::FILE* log = std::fopen(LOG_FILE_NAME, OPEN_MODE);
    if (log == nullptr) return nullptr;
    if (std::setvbuf(log, streamBuffer, _IOFBF, sizeof streamBuffer) != 0) {
        std::fclose(log);
        return nullptr;
    }
    return log;
}

bool writeLogLine(std::FILE* log, std::string_view text) {
    std::fwrite(text.data(), 1, text.size(), log);
    std::fwrite(LINE_END.data(), 1, LINE_END.size(), log);
    return std::ferror(log) == 0;
}

void closeLogFile(std::FILE* log) { std::fclose(log); }
