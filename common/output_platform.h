// What safe outputs need from the operating system, one implementation per
// platform (output_files_posix.cpp, output_files_windows.cpp); the rules
// themselves live once in output_files.cpp. Private to common/.
#pragma once

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <string>
#include <string_view>

namespace vorlat::files::platform {

// Where a path leads: an existing file's identity (device and inode, or
// volume serial number and file index), or nothing.
struct FileIdentity {
    bool exists = false;
    bool deviceOrPipe = false;  // clashes with nothing
    bool folder = false;
    std::uint64_t volume = 0;
    std::uint64_t fileHigh = 0, fileLow = 0;
};
FileIdentity identify(const std::filesystem::path& path);
FileIdentity identifyStandardInput();  // a closed one counts as a device

// Whether two resolved paths of files that do not exist yet name one file
// (names differing only in case do on Windows).
bool sameResolvedPath(const std::filesystem::path& a, const std::filesystem::path& b);

// The live temporary files and folders a stop (SIGINT, SIGTERM, SIGHUP; on
// Windows Ctrl-C, Ctrl-Break, closing the console) removes. -1 when the table
// is full or the path too long: then only the ordinary paths remove it.
int registerTemporary(const std::filesystem::path& absolutePath, bool folder);
void releaseTemporary(int& slot) noexcept;

// A new, empty temporary file beside `target` named after it, opened for
// writing bytes; it gets the mode an existing target has. nullptr (and
// `reason` set) when the folder takes no new file.
std::FILE* createTemporaryBeside(const std::filesystem::path& target, bool targetExists,
                                 std::filesystem::path& temporary, std::string& reason);
std::FILE* openForWriting(const std::filesystem::path& file, std::string& reason);  // a device or pipe
// Moves `temporary` over `target` in one step; false (and `reason`) when it could not.
bool replaceWith(const std::filesystem::path& temporary, const std::filesystem::path& target, std::string& reason);
void removeFile(const std::filesystem::path& file) noexcept;
// The first bytes of a regular file that is not a link; empty when it is none.
std::string firstBytesOfRegularFile(const std::filesystem::path& file, std::size_t count);

// The text of the last failure of a system call (errno, GetLastError) in the
// C library's words ("No such file or directory"), so messages read alike everywhere.
std::string lastErrorReason();
std::string errorReason(int errnoValue);

}  // namespace vorlat::files::platform
