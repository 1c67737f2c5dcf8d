#include "host/fly/output_folder.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "common/command_error.h"

namespace vorlat::cli {

FolderLock::FolderLock(const std::filesystem::path& folder, const std::string& shownFolder) {
    descriptor_ = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (descriptor_ < 0)
        throw CommandError(shownFolder + ": cannot open the output folder (" + std::strerror(errno) + ")",
                           EXIT_FAILED);
    if (::flock(descriptor_, LOCK_EX | LOCK_NB) == 0) return;
    const int problem = errno;
    ::close(descriptor_);
    descriptor_ = -1;
    if (problem == EWOULDBLOCK)
        throw CommandError(shownFolder + ": another vorlat fly is writing into this output folder; "
                                         "wait for it to end or choose another --out",
                           EXIT_FAILED);
    throw CommandError(shownFolder + ": cannot lock the output folder (" + std::strerror(problem) + ")", EXIT_FAILED);
}

FolderLock::~FolderLock() {
    if (descriptor_ >= 0) ::close(descriptor_);
}

// Only a file is refused: a folder or a device in the log's place is the
// recording watch's to report, and replacing one loses nothing.
void refuseEarlierLog(const std::filesystem::path& log, const std::string& shownLog, bool force) {
    struct stat info = {};
    if (force || ::stat(log.c_str(), &info) != 0 || !S_ISREG(info.st_mode)) return;
    throw UsageError(shownLog + ": the folder already holds a log from an earlier run, which this flight's "
                                "recording would replace; --force replaces it, or choose another --out");
}

}  // namespace vorlat::cli
