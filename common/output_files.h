// Writing the user's files safely: an output is never one of the inputs, it
// appears whole or not at all (a temporary file beside it, renamed into place
// on success and removed on failure or interruption), and a failed write is
// reported with the file's name, never taken for success.
#pragma once

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <stdexcept>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "common/command_error.h"

namespace vorlat::files {

// An output that would overwrite an input, or two outputs that are one file:
// bad usage (exit 2). The message names both paths as the user gave them.
struct SameFileError : CommandError {
    explicit SameFileError(const std::string& message) : CommandError(message, EXIT_BAD_INPUT) {}
};

// A file or folder that cannot be written, or a write that failed (exit 1).
// The message names the file as the user gave it.
struct OutputError : CommandError {
    explicit OutputError(const std::string& message) : CommandError(message, EXIT_FAILED) {}
};

// The files one command reads and writes, checked before anything is written:
// files are compared by device and inode (on Windows volume serial number and
// file index), so a symlink, a hard link or "./x" against "x" are caught.
// Outputs that do not exist yet are compared by their resolved paths (on
// Windows without regard to case). Devices and pipes (/dev/null, /dev/stdout,
// NUL) clash with nothing. Paths are UTF-8 text.
// `shownName` is the path as the user gave it when `path` is not (default: path).
class FilePlan {
public:
    void input(const std::string& path, std::string_view role,
               std::string_view shownName = {});  // role: "log", "trace", "module"...
    void output(const std::string& path, std::string_view role,
                std::string_view shownName = {});  // role: "--png", "-o"...
    // What standard input holds when it is read ("-"): a file redirected to it
    // is compared like any input; a pipe or terminal clashes with nothing.
    void standardInput(std::string_view role);
    // A folder of numbered frames (FramesFolder): an output, and no other
    // input or output may lie in it under a frame's name, where a frame would
    // replace it or --force would remove it.
    void frames(const std::string& folder, std::string_view shownName);
    void check() const;  // throws SameFileError

private:
    struct Entry {
        std::string path;  // empty for standard input
        std::string role;
        std::string shownName;
        bool isOutput;
        bool isFramesFolder = false;
    };
    void checkFramesFolder(const Entry& folder) const;
    std::vector<Entry> entries_;
};

// One output file written through a temporary file in the same folder.
// commit() flushes, checks every write and renames it into place; the
// destructor removes an uncommitted temporary file; a SIGINT, SIGTERM or SIGHUP
// (on Windows Ctrl-C, Ctrl-Break or a closed console) while it exists removes
// it too before the process ends.
// A symlink to a file is kept and its target replaced. A device or pipe
// (/dev/stdout) is written directly: temporary() is then the target itself.
class AtomicFile {
public:
    AtomicFile(std::filesystem::path target, std::string shownName);  // throws OutputError
    // A name as the user gave it: UTF-8 text (see utf8_path.h).
    AtomicFile(const std::string& target, std::string shownName);
    AtomicFile(const char* target, std::string shownName) : AtomicFile(std::string(target), std::move(shownName)) {}
    ~AtomicFile();
    AtomicFile(const AtomicFile&) = delete;
    AtomicFile& operator=(const AtomicFile&) = delete;

    std::FILE* stream();                             // for writers that take a stream
    const std::filesystem::path& temporary() const;  // for libraries that write by name (cairo, PLplot)
    void commit();                                   // throws OutputError; the temporary is gone either way
    const std::string& shownName() const { return shownName_; }

private:
    void discard() noexcept;

    std::filesystem::path target_, temporary_;
    std::string shownName_;
    std::FILE* stream_ = nullptr;
    bool committed_ = false;
    bool direct_ = false;  // a device or pipe: no temporary file
    int slot_ = -1;        // in the table the signal handler reads
};

// Files and folders a SIGINT, SIGTERM or SIGHUP removes while this object
// lives, like AtomicFile's temporary file: the files first, then the folders,
// which must be empty by then (register each file a folder may hold). The
// owner removes them itself on every ordinary path; the destructor only
// forgets them.
class SignalCleanup {
public:
    SignalCleanup() = default;
    ~SignalCleanup();
    SignalCleanup(const SignalCleanup&) = delete;
    SignalCleanup& operator=(const SignalCleanup&) = delete;
    void file(const std::filesystem::path& path);
    void folder(const std::filesystem::path& path);

private:
    std::vector<int> slots_;
};

// A folder of numbered frames (frame_000001.png, ...). Refuses a folder that
// holds any file unless `force`; with `force` it removes only earlier frames:
// regular files of the frame pattern that hold a PNG picture. A file of that
// name that is not one is refused (a frame would replace it); every other file
// is left alone. Creates a missing folder.
class FramesFolder {
public:
    FramesFolder(std::filesystem::path folder, std::string shownName, bool force);  // throws SameFileError, OutputError
    FramesFolder(const std::string& folder, std::string shownName, bool force);      // UTF-8 text
    FramesFolder(const char* folder, std::string shownName, bool force)
        : FramesFolder(std::string(folder), std::move(shownName), force) {}
    std::filesystem::path frame(std::int64_t number) const;                         // frame_NNNNNN.png, numbered from 1
    static bool isFrameName(std::string_view fileName);                             // frame_ + 6 or more digits + .png

private:
    std::filesystem::path folder_;
};

// Standard output at the end of a command: flushed and checked, so a full disk
// or a closed pipe is a failure ("standard output"), not a success.
void finishStandardOutput();  // throws OutputError

// Writes `text` to standard output and flushes it at once, so that a failure
// is reported with its cause (a failed write's cause is lost by the end).
void writeStandardOutput(std::string_view text);  // throws OutputError

// Called once at the start of main: standard input, output and error carry
// bytes unchanged (Windows would add CRs and stop at Ctrl-Z), and a Windows
// console shows UTF-8 messages. Nothing to do on POSIX systems.
void prepareStandardStreams();

}  // namespace vorlat::files
