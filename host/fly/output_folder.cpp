#include "host/fly/output_folder.h"

#ifdef _WIN32
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>
#else
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#endif

#include <system_error>

#include "common/command_error.h"

namespace vorlat::cli {

namespace {

const char BUSY[] =
    ": another vorlat fly is writing into this output folder; wait for it to end or choose another --out";

}  // namespace

#ifdef _WIN32
// Windows cannot lock a folder (LockFileEx takes files only), and a lock file
// would be left behind by a crash: the lock is a mutex named after the
// folder's identity (volume serial number and file index, so every path to
// the folder meets the same one). The system destroys it when the process ends.
FolderLock::FolderLock(const std::filesystem::path& folder, const std::string& shownFolder) {
    const auto failed = [&shownFolder](const char* what) {
        const std::string why = std::system_category().message(static_cast<int>(GetLastError()));
        return CommandError(shownFolder + ": cannot " + what + " the output folder (" + why + ")", EXIT_FAILED);
    };
    HANDLE opened =
        CreateFileW(folder.c_str(), FILE_READ_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                    nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (opened == INVALID_HANDLE_VALUE) throw failed("open");
    BY_HANDLE_FILE_INFORMATION identity{};
    const bool known = GetFileInformationByHandle(opened, &identity) != 0;
    CloseHandle(opened);
    if (!known) throw failed("identify");
    const std::wstring name = L"Local\\vorlat-fly-" + std::to_wstring(identity.dwVolumeSerialNumber) + L"-" +
                              std::to_wstring(identity.nFileIndexHigh) + L"-" + std::to_wstring(identity.nFileIndexLow);
    lock_ = CreateMutexW(nullptr, FALSE, name.c_str());
    if (lock_ == nullptr) throw failed("lock");
    if (GetLastError() != ERROR_ALREADY_EXISTS) return;
    CloseHandle(lock_);
    lock_ = nullptr;
    throw CommandError(shownFolder + BUSY, EXIT_FAILED);
}

FolderLock::~FolderLock() {
    if (lock_ != nullptr) CloseHandle(lock_);
}
#else
FolderLock::FolderLock(const std::filesystem::path& folder, const std::string& shownFolder) {
    descriptor_ = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (descriptor_ < 0)
        throw CommandError(shownFolder + ": cannot open the output folder (" + std::strerror(errno) + ")", EXIT_FAILED);
    if (::flock(descriptor_, LOCK_EX | LOCK_NB) == 0) return;
    const int problem = errno;
    ::close(descriptor_);
    descriptor_ = -1;
    if (problem == EWOULDBLOCK) throw CommandError(shownFolder + BUSY, EXIT_FAILED);
    throw CommandError(shownFolder + ": cannot lock the output folder (" + std::strerror(problem) + ")", EXIT_FAILED);
}

FolderLock::~FolderLock() {
    if (descriptor_ >= 0) ::close(descriptor_);
}
#endif

// Only a file is refused: a folder or a device in the log's place is the
// recording watch's to report, and replacing one loses nothing.
void refuseEarlierLog(const std::filesystem::path& log, const std::string& shownLog, bool force) {
    std::error_code unreadable;
    if (force || !std::filesystem::is_regular_file(log, unreadable)) return;
    throw UsageError(shownLog +
                     ": the folder already holds a log from an earlier run, which this flight's "
                     "recording would replace; --force replaces it, or choose another --out");
}

}  // namespace vorlat::cli
