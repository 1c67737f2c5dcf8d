// Safe outputs on POSIX systems: identities by device and inode, mkstemp
// beside the target with the old file's mode and owner, rename, and the
// signal handler that removes live temporary files. The handler uses only
// unlink, rmdir, sigaction and raise, and reads a fixed table filled before
// a slot is marked live.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <climits>
#include <csignal>
#include <cstring>
#include <optional>

#include "common/output_files.h"
#include "common/output_platform.h"

namespace vorlat::files {

void prepareStandardStreams() {}  // bytes pass unchanged and the terminal takes UTF-8 already

namespace platform {

namespace fs = std::filesystem;

namespace {

// --- Live temporary files, removed by the signal handler ---------------------
constexpr int MAX_LIVE_TEMPORARIES = 256;  // a replay may hold one per picture asked for
constexpr int SLOT_FREE = 0, SLOT_FILLING = 1, SLOT_LIVE = 2;
constexpr int STOP_SIGNALS[] = {SIGINT, SIGTERM, SIGHUP};

struct LiveTemporary {
    std::atomic<int> state{SLOT_FREE};
    bool folder = false;  // removed after every file, when empty
    char path[PATH_MAX] = {};
};
LiveTemporary liveTemporaries[MAX_LIVE_TEMPORARIES];
static_assert(std::atomic<int>::is_always_lock_free, "the signal handler reads the slots' states");

extern "C" void removeTemporariesAndStop(int signalNumber) {
    const int savedErrno = errno;
    for (LiveTemporary& temporary : liveTemporaries)
        if (temporary.state.load() == SLOT_LIVE && !temporary.folder) unlink(temporary.path);
    for (LiveTemporary& temporary : liveTemporaries)
        if (temporary.state.load() == SLOT_LIVE && temporary.folder) rmdir(temporary.path);
    struct sigaction original = {};
    original.sa_handler = SIG_DFL;
    sigemptyset(&original.sa_mask);
    sigaction(signalNumber, &original, nullptr);
    errno = savedErrno;
    raise(signalNumber);  // delivered with the default action when the handler returns
}

// A signal the user or a parent chose to ignore (nohup) stays ignored, and a
// handler someone else installed stays theirs.
void installStopHandlers() {
    static const bool installed = [] {
        for (int signalNumber : STOP_SIGNALS) {
            struct sigaction current = {};
            if (sigaction(signalNumber, nullptr, &current) != 0 || current.sa_handler != SIG_DFL) continue;
            struct sigaction handler = {};
            handler.sa_handler = removeTemporariesAndStop;
            sigemptyset(&handler.sa_mask);
            for (int other : STOP_SIGNALS) sigaddset(&handler.sa_mask, other);
            sigaction(signalNumber, &handler, nullptr);
        }
        return true;
    }();
    (void)installed;
}

mode_t processUmask() {
    static const mode_t mask = [] {
        const mode_t current = umask(0);
        umask(current);
        return current;
    }();
    return mask;
}

std::optional<struct stat> statOf(const fs::path& path) {
    struct stat info = {};
    if (::stat(path.c_str(), &info) != 0) return std::nullopt;
    return info;
}

FileIdentity identityOf(const struct stat& info) {
    return {.exists = true,
            .deviceOrPipe = S_ISCHR(info.st_mode) || S_ISBLK(info.st_mode) || S_ISFIFO(info.st_mode) ||
                            S_ISSOCK(info.st_mode),
            .folder = S_ISDIR(info.st_mode),
            .volume = static_cast<std::uint64_t>(info.st_dev),
            .fileHigh = 0,
            .fileLow = static_cast<std::uint64_t>(info.st_ino)};
}

}  // namespace

int registerTemporary(const fs::path& absolutePath, bool folder) {
    const std::string& text = absolutePath.native();
    if (text.size() >= PATH_MAX) return -1;
    installStopHandlers();
    for (int slot = 0; slot < MAX_LIVE_TEMPORARIES; ++slot) {
        int expected = SLOT_FREE;
        if (!liveTemporaries[slot].state.compare_exchange_strong(expected, SLOT_FILLING)) continue;
        std::memcpy(liveTemporaries[slot].path, text.c_str(), text.size() + 1);
        liveTemporaries[slot].folder = folder;
        liveTemporaries[slot].state.store(SLOT_LIVE);
        return slot;
    }
    return -1;
}

void releaseTemporary(int& slot) noexcept {
    if (slot >= 0) liveTemporaries[slot].state.store(SLOT_FREE);
    slot = -1;
}

FileIdentity identify(const fs::path& path) {
    const auto info = statOf(path);
    return info ? identityOf(*info) : FileIdentity{};
}

FileIdentity identifyStandardInput() {
    struct stat info = {};
    if (::fstat(STDIN_FILENO, &info) != 0) return {.deviceOrPipe = true};
    return identityOf(info);
}

bool sameResolvedPath(const fs::path& a, const fs::path& b) { return a == b; }

std::FILE* createTemporaryBeside(const fs::path& target, bool targetExists, fs::path& temporary,
                                 std::string& reason) {
    // Appended, not "." + name: GCC 12 at -O3 takes that form for overlapping
    // copies (a false -Wrestrict warning in its own string header).
    std::string temporaryName = ".";
    temporaryName += target.filename().string();
    temporaryName += ".XXXXXX";
    std::string pattern = (target.parent_path() / temporaryName).string();
    const int descriptor = mkstemp(pattern.data());
    if (descriptor < 0) {
        reason = lastErrorReason();
        return nullptr;
    }
    temporary = pattern;
    // The new file gets the old one's mode and owner, or the mode a new file would get.
    const auto existing = targetExists ? statOf(target) : std::nullopt;
    fchmod(descriptor, existing ? (existing->st_mode & 07777) : (0666 & ~processUmask()));
    if (existing && fchown(descriptor, existing->st_uid, existing->st_gid) != 0) {
        // Only root may give a file away; the file then belongs to whoever writes it.
    }
    std::FILE* stream = fdopen(descriptor, "wb");
    if (stream == nullptr) {
        reason = lastErrorReason();
        close(descriptor);
        removeFile(temporary);
        temporary.clear();
    }
    return stream;
}

std::FILE* openForWriting(const fs::path& file, std::string& reason) {
    std::FILE* stream = std::fopen(file.c_str(), "wb");
    if (stream == nullptr) reason = lastErrorReason();
    return stream;
}

bool replaceWith(const fs::path& temporary, const fs::path& target, std::string& reason) {
    if (std::rename(temporary.c_str(), target.c_str()) == 0) return true;
    reason = lastErrorReason();
    return false;
}

void removeFile(const fs::path& file) noexcept { ::unlink(file.c_str()); }

std::string firstBytesOfRegularFile(const fs::path& file, std::size_t count) {
    struct stat info = {};
    if (::lstat(file.c_str(), &info) != 0 || !S_ISREG(info.st_mode)) return {};
    const int descriptor = ::open(file.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW);
    if (descriptor < 0) return {};
    std::string start(count, '\0');
    const ssize_t got = ::read(descriptor, start.data(), count);
    ::close(descriptor);
    start.resize(got > 0 ? static_cast<std::size_t>(got) : 0);
    return start;
}

std::string lastErrorReason() { return errorReason(errno); }
std::string errorReason(int errnoValue) { return std::strerror(errnoValue); }

}  // namespace platform
}  // namespace vorlat::files
