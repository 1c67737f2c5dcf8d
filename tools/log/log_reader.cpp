// The reader: lines from the splitter fed to the state machine (log_parser.h),
// which follows the log's structure line by line; and the sources of bytes.
#include "tools/log/log_reader.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#ifdef _WIN32
#include <io.h>
#endif

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <utility>

#include "common/printable.h"
#include "common/utf8_path.h"
#include "tools/log/log_parser.h"

namespace vorlat::flightlog {

namespace {

// "file:line: message", or "file: message" for line 0. Appended, not ":" + number:
// GCC 12 at -O3 takes that form for overlapping copies (a false -Wrestrict warning).
std::string placed(const std::string& file, std::size_t line, const std::string& message) {
    std::string text = file;
    if (line != 0) {
        text += ':';
        text += std::to_string(line);
    }
    text += ": ";
    return text += message;
}

}  // namespace

LogFormatError::LogFormatError(std::string file, std::size_t line, std::string message)
    : CommandError(placed(file, line, message), EXIT_BAD_INPUT),
      file_(std::move(file)),
      line_(line),
      message_(std::move(message)) {}

std::string_view endingName(Ending ending) {
    switch (ending) {
        case Ending::EndRecording: return "ended normally (\"End recording\")";
        case Ending::Exit: return "ended by the gauge's shutdown (\"Exit\")";
        case Ending::CutOff: return "cut off (no last line)";
    }
    return "";
}

std::string_view endingKeyword(Ending ending) {
    switch (ending) {
        case Ending::EndRecording: return "end_recording";
        case Ending::Exit: return "exit";
        case Ending::CutOff: return "cut_off";
    }
    return "";
}

namespace {

#ifdef _WIN32
// Bytes as they are (no CRLF translation, no end at Ctrl-Z), not inherited.
// Windows refuses to open a folder at all: it is named for what it is first.
int openForReading(const std::string& path, const std::string& name) {
    std::error_code unknown;
    const std::filesystem::path file = pathFromUtf8(path);
    if (std::filesystem::is_directory(file, unknown)) throw LogReadError(name + ": is a directory, not a flight log");
    return ::_wopen(file.c_str(), _O_RDONLY | _O_BINARY | _O_NOINHERIT);
}
// A read takes an unsigned int of bytes at most.
long long readSome(int descriptor, char* buffer, std::size_t size) {
    return ::_read(descriptor, buffer, static_cast<unsigned>(std::min<std::size_t>(size, 1u << 30)));
}
#else
int openForReading(const std::string& path, const std::string&) {
    const int descriptor = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (descriptor >= 0) ::posix_fadvise(descriptor, 0, 0, POSIX_FADV_SEQUENTIAL);
    return descriptor;
}
long long readSome(int descriptor, char* buffer, std::size_t size) { return ::read(descriptor, buffer, size); }
#endif

// Every line to the parser; the bytes of text read.
std::uint64_t feedLines(ByteSource& source, LogParser& parser) {
    DecodingSource text(source);
    LineSplitter lines(text);
    Line line{};
    std::size_t number = 0;
    while (lines.next(line)) {
        if (++number == 1) parser.textEncoding(text.encoding());
        if (line.complete) parser.completeLine(number, line);
        else parser.lastPiece(number, line);
    }
    return lines.bytesRead();
}

}  // namespace

LogInfo readLog(ByteSource& source, RowSink& sink, ReadOptions options) {
    LogParser parser(source.name(), sink, options);
    return parser.finish(feedLines(source, parser));
}

std::size_t readRecordings(ByteSource& source, RecordingSink& sink, ReadOptions options) {
    LogParser parser(source.name(), sink, options, &sink);
    return parser.finishRecordings(feedLines(source, parser));
}

LogInfo readLogFile(const std::string& pathOrDash, RowSink& sink, ReadOptions options) {
    FileSource source(pathOrDash);
    return readLog(source, sink, options);
}

FileSource::FileSource(const std::string& pathOrDash) {
    if (pathOrDash == STANDARD_INPUT) {
        descriptor_ = STDIN_FILENO;
        name_ = "standard input";
        return;
    }
    name_ = pathOrDash;
    descriptor_ = openForReading(pathOrDash, name_);
    if (descriptor_ < 0) throw LogReadError(name_ + ": cannot open the file: " + std::strerror(errno));
    owned_ = true;
    struct stat status {};
    if (::fstat(descriptor_, &status) == 0 && S_ISDIR(status.st_mode)) {
        ::close(descriptor_);
        throw LogReadError(name_ + ": is a directory, not a flight log");
    }
}

FileSource::~FileSource() {
    if (owned_) ::close(descriptor_);
}

std::size_t FileSource::read(char* buffer, std::size_t size) {
    while (true) {
        const long long got = readSome(descriptor_, buffer, size);
        if (got >= 0) return static_cast<std::size_t>(got);
        if (errno != EINTR) throw LogReadError(name_ + ": cannot read the file: " + std::strerror(errno));
    }
}

std::size_t TextSource::read(char* buffer, std::size_t size) {
    const std::size_t count = std::min({size, step_, text_.size()});
    std::memcpy(buffer, text_.data(), count);
    text_.remove_prefix(count);
    return count;
}

}  // namespace vorlat::flightlog
