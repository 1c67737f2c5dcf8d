// The output folder of one flight: one flight at a time writes into it, and a
// log an earlier run left there is only replaced when the user says so.
#pragma once

#include <filesystem>
#include <string>

namespace vorlat::cli {

// A lock on the folder itself (flock; on Windows a mutex named after the
// folder), held while the object lives. The system releases it when the
// process ends, however it ends, so a killed flight never leaves a folder
// locked; no lock file is created.
class FolderLock {
public:
    // Throws CommandError (exit 1) naming `shownFolder` when another flight holds the lock.
    FolderLock(const std::filesystem::path& folder, const std::string& shownFolder);
    ~FolderLock();
    FolderLock(const FolderLock&) = delete;
    FolderLock& operator=(const FolderLock&) = delete;

private:
#ifdef _WIN32
    void* lock_ = nullptr;  // the mutex's HANDLE
#else
    int descriptor_ = -1;
#endif
};

// Refuses (exit 2) a log file (`log`, shown as `shownLog`) that already exists,
// unless `force`: the module would replace it with this flight's recording.
void refuseEarlierLog(const std::filesystem::path& log, const std::string& shownLog, bool force);

}  // namespace vorlat::cli
