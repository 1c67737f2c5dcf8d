// Safe outputs: the same-file check, files written through a temporary file
// and renamed into place, the frames folder, and standard output's last check.
// The signal handler that removes live temporary files uses only unlink,
// sigaction and raise, and reads a fixed table filled before a slot is marked live.
#include "common/output_files.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <climits>
#include <csignal>
#include <cstring>
#include <iostream>
#include <optional>
#include <system_error>
#include <utility>

namespace vorlat::files {

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

// -1 when every slot is taken: the file is then still removed on every
// ordinary path, only not on a signal.
int registerTemporary(const fs::path& absolutePath, bool folder = false) {
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

void releaseTemporary(int& slot) {
    if (slot >= 0) liveTemporaries[slot].state.store(SLOT_FREE);
    slot = -1;
}

}  // namespace

// --- SignalCleanup ------------------------------------------------------------------
void SignalCleanup::file(const fs::path& path) {
    std::error_code ignored;
    slots_.push_back(registerTemporary(fs::absolute(path, ignored)));
}

void SignalCleanup::folder(const fs::path& path) {
    std::error_code ignored;
    slots_.push_back(registerTemporary(fs::absolute(path, ignored), true));
}

SignalCleanup::~SignalCleanup() {
    for (int& slot : slots_) releaseTemporary(slot);
}

namespace {

// --- Helpers ------------------------------------------------------------------
std::string reason(int error) { return std::strerror(error); }

mode_t processUmask() {
    static const mode_t mask = [] {
        const mode_t current = umask(0);
        umask(current);
        return current;
    }();
    return mask;
}

std::optional<struct stat> statOf(const std::string& path) {
    struct stat info = {};
    if (::stat(path.c_str(), &info) != 0) return std::nullopt;
    return info;
}

bool isDeviceOrPipe(const struct stat& info) {
    return S_ISCHR(info.st_mode) || S_ISBLK(info.st_mode) || S_ISFIFO(info.st_mode) || S_ISSOCK(info.st_mode);
}

fs::path folderOf(const fs::path& file) { return file.has_parent_path() ? file.parent_path() : fs::path("."); }

// Where two paths lead: the file's identity when it exists, else its resolved path.
struct Identity {
    bool exists = false;
    bool deviceOrPipe = false;
    dev_t device = 0;
    ino_t inode = 0;
    fs::path resolved;
};

Identity identify(const std::string& path) {
    Identity identity;
    struct stat standardInput = {};
    const bool isStandardInput = path.empty();
    if (isStandardInput && ::fstat(STDIN_FILENO, &standardInput) != 0) {
        identity.deviceOrPipe = true;  // closed: nothing to destroy
        return identity;
    }
    if (const auto info = isStandardInput ? std::optional(standardInput) : statOf(path)) {
        identity.exists = true;
        identity.deviceOrPipe = isDeviceOrPipe(*info);
        identity.device = info->st_dev;
        identity.inode = info->st_ino;
        return identity;
    }
    std::error_code ignored;
    identity.resolved = fs::weakly_canonical(fs::absolute(path, ignored), ignored);
    return identity;
}

bool sameFile(const Identity& a, const Identity& b) {
    if (a.deviceOrPipe || b.deviceOrPipe) return false;
    if (a.exists != b.exists) return false;
    if (a.exists) return a.device == b.device && a.inode == b.inode;
    return !a.resolved.empty() && a.resolved == b.resolved;
}

}  // namespace

// --- FilePlan -------------------------------------------------------------------
void FilePlan::input(const std::string& path, std::string_view role, std::string_view shownName) {
    entries_.push_back({path, std::string(role), std::string(shownName.empty() ? path : shownName), false});
}

void FilePlan::output(const std::string& path, std::string_view role, std::string_view shownName) {
    entries_.push_back({path, std::string(role), std::string(shownName.empty() ? path : shownName), true});
}

void FilePlan::standardInput(std::string_view role) {
    entries_.push_back({std::string(), std::string(role), "standard input", false});
}

void FilePlan::frames(const std::string& folder, std::string_view shownName) {
    entries_.push_back({folder, "--frames", std::string(shownName.empty() ? folder : shownName), true, true});
}

// The folder's own links are resolved, a file's last name is not: a link
// named like a frame is itself what a frame would replace.
void FilePlan::checkFramesFolder(const Entry& folder) const {
    std::error_code ignored;
    const fs::path resolvedFolder = fs::weakly_canonical(fs::absolute(folder.path, ignored), ignored);
    for (const Entry& entry : entries_) {
        if (&entry == &folder || entry.path.empty()) continue;
        const fs::path file = fs::absolute(entry.path, ignored);
        if (!FramesFolder::isFrameName(file.filename().string()) ||
            fs::weakly_canonical(file.parent_path(), ignored) != resolvedFolder)
            continue;
        throw SameFileError(entry.role + " " + entry.shownName + " lies in --frames " + folder.shownName +
                            " under a frame's name: " +
                            (entry.isOutput ? "a frame would overwrite it" : "a frame would destroy the input"));
    }
}

void FilePlan::check() const {
    for (const Entry& entry : entries_)
        if (entry.isFramesFolder) checkFramesFolder(entry);
    std::vector<Identity> identities;
    identities.reserve(entries_.size());
    for (const Entry& entry : entries_) identities.push_back(identify(entry.path));
    for (std::size_t i = 0; i < entries_.size(); ++i) {
        for (std::size_t j = i + 1; j < entries_.size(); ++j) {
            const Entry &a = entries_[i], &b = entries_[j];
            if ((!a.isOutput && !b.isOutput) || !sameFile(identities[i], identities[j])) continue;
            const Entry& written = a.isOutput ? a : b;
            const Entry& other = a.isOutput ? b : a;
            throw SameFileError(
                written.role + " " + written.shownName + " and " + other.role + " " + other.shownName +
                " are the same file: " +
                (other.isOutput ? "one output would overwrite the other" : "writing would destroy the input"));
        }
    }
}

// --- AtomicFile -------------------------------------------------------------------
AtomicFile::AtomicFile(fs::path target, std::string shownName) : shownName_(std::move(shownName)) {
    const auto existing = statOf(target.string());
    if (existing && S_ISDIR(existing->st_mode)) throw OutputError(shownName_ + ": is a folder, not a file");
    if (existing && isDeviceOrPipe(*existing)) {
        direct_ = true;
        target_ = temporary_ = std::move(target);
        return;
    }
    std::error_code error;
    // A symlink to a file stays a symlink: its target is the file replaced.
    target_ = existing ? fs::canonical(target, error) : fs::absolute(target, error);
    if (error) throw OutputError(shownName_ + ": " + error.message());

    // Appended, not "." + name: GCC 12 at -O3 takes that form for overlapping
    // copies (a false -Wrestrict warning in its own string header).
    std::string temporaryName = ".";
    temporaryName += target_.filename().string();
    temporaryName += ".XXXXXX";
    std::string pattern = (folderOf(target_) / temporaryName).string();
    const int descriptor = mkstemp(pattern.data());
    if (descriptor < 0)
        throw OutputError(shownName_ + ": cannot write into the folder " + folderOf(fs::path(shownName_)).string() +
                          " (" + reason(errno) + ")");
    temporary_ = pattern;
    slot_ = registerTemporary(temporary_);
    // The new file gets the old one's mode and owner, or the mode a new file would get.
    fchmod(descriptor, existing ? (existing->st_mode & 07777) : (0666 & ~processUmask()));
    if (existing && fchown(descriptor, existing->st_uid, existing->st_gid) != 0) {
        // Only root may give a file away; the file then belongs to whoever writes it.
    }
    stream_ = fdopen(descriptor, "wb");
    if (stream_ == nullptr) {
        const int problem = errno;
        close(descriptor);
        discard();
        throw OutputError(shownName_ + ": cannot write (" + reason(problem) + ")");
    }
}

AtomicFile::~AtomicFile() {
    if (!committed_) discard();
}

void AtomicFile::discard() noexcept {
    if (stream_ != nullptr) std::fclose(stream_);
    stream_ = nullptr;
    if (!direct_ && !temporary_.empty()) ::unlink(temporary_.c_str());
    releaseTemporary(slot_);
}

std::FILE* AtomicFile::stream() {
    if (stream_ == nullptr && direct_ && !committed_) {
        stream_ = std::fopen(target_.c_str(), "wb");
        if (stream_ == nullptr) throw OutputError(shownName_ + ": cannot write (" + reason(errno) + ")");
    }
    return stream_;
}

const fs::path& AtomicFile::temporary() const { return temporary_; }

void AtomicFile::commit() {
    if (committed_) return;
    int problem = 0;
    if (stream_ != nullptr) {
        if (std::fflush(stream_) != 0 || std::ferror(stream_) != 0) problem = errno != 0 ? errno : EIO;
        if (std::fclose(stream_) != 0 && problem == 0) problem = errno;
        stream_ = nullptr;
    }
    if (problem == 0 && !direct_ && std::rename(temporary_.c_str(), target_.c_str()) != 0) problem = errno;
    if (problem != 0) {
        discard();
        committed_ = true;
        throw OutputError(shownName_ + ": cannot write (" + reason(problem) + ")");
    }
    releaseTemporary(slot_);
    committed_ = true;
}

// --- FramesFolder -------------------------------------------------------------------
namespace {
// A regular file (not a link) that starts with the PNG signature: a frame an
// earlier run wrote, as far as the folder can tell.
bool holdsPicture(const fs::path& file) {
    constexpr char PNG_SIGNATURE[] = "\x89PNG\r\n\x1a\n";
    constexpr std::size_t SIGNATURE_BYTES = sizeof PNG_SIGNATURE - 1;
    struct stat info = {};
    if (::lstat(file.c_str(), &info) != 0 || !S_ISREG(info.st_mode)) return false;
    const int descriptor = ::open(file.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW);
    if (descriptor < 0) return false;
    char start[SIGNATURE_BYTES] = {};
    const ssize_t got = ::read(descriptor, start, SIGNATURE_BYTES);
    ::close(descriptor);
    return got == static_cast<ssize_t>(SIGNATURE_BYTES) && std::memcmp(start, PNG_SIGNATURE, SIGNATURE_BYTES) == 0;
}
}  // namespace

bool FramesFolder::isFrameName(std::string_view fileName) {
    constexpr std::string_view prefix = "frame_", suffix = ".png";
    constexpr std::size_t MIN_DIGITS = 6;
    if (fileName.size() < prefix.size() + MIN_DIGITS + suffix.size() || !fileName.starts_with(prefix) ||
        !fileName.ends_with(suffix))
        return false;
    const std::string_view digits = fileName.substr(prefix.size(), fileName.size() - prefix.size() - suffix.size());
    return digits.find_first_not_of("0123456789") == std::string_view::npos;
}

FramesFolder::FramesFolder(fs::path folder, std::string shownName, bool force) : folder_(std::move(folder)) {
    std::error_code error;
    const fs::file_status status = fs::status(folder_, error);
    if (fs::exists(status) && !fs::is_directory(status)) throw OutputError(shownName + ": is a file, not a folder");
    if (!fs::exists(status)) {
        fs::create_directories(folder_, error);
        if (error) throw OutputError(shownName + ": cannot create the folder (" + error.message() + ")");
        return;
    }
    std::vector<fs::path> earlierFrames;
    std::size_t others = 0;
    for (fs::directory_iterator entry(folder_, error), end; !error && entry != end; entry.increment(error)) {
        if (isFrameName(entry->path().filename().string())) earlierFrames.push_back(entry->path());
        else ++others;
    }
    if (error) throw OutputError(shownName + ": cannot read the folder (" + error.message() + ")");
    if (!force && (others > 0 || !earlierFrames.empty()))
        throw SameFileError(shownName + ": the folder is not empty (" + std::to_string(earlierFrames.size()) +
                            " frame(s), " + std::to_string(others) +
                            " other file(s)); --force replaces the earlier frames and leaves other files alone");
    for (const fs::path& frame : earlierFrames)
        if (!holdsPicture(frame))
            throw SameFileError(shownName + ": " + frame.filename().string() +
                                " is named like a frame but is not a PNG picture; --force removes only earlier "
                                "frames: move it away or choose another folder");
    for (const fs::path& frame : earlierFrames) {
        if (!fs::remove(frame, error) && error)
            throw OutputError(shownName + ": cannot remove the earlier frame " + frame.filename().string() + " (" +
                              error.message() + ")");
    }
}

fs::path FramesFolder::frame(std::int64_t number) const {
    char name[40];
    std::snprintf(name, sizeof name, "frame_%06lld.png", static_cast<long long>(number));
    return folder_ / name;
}

// --- Standard output -------------------------------------------------------------------
namespace {
[[noreturn]] void standardOutputFailed(int problem) {
    throw OutputError("standard output: cannot write (" + (problem != 0 ? reason(problem) : "write error") + ")");
}
}  // namespace

void finishStandardOutput() {
    errno = 0;
    std::cout.flush();
    const bool streamFailed = std::cout.fail();
    const bool flushFailed = std::fflush(stdout) != 0 || std::ferror(stdout) != 0;
    if (streamFailed || flushFailed) standardOutputFailed(errno);
}

void writeStandardOutput(std::string_view text) {
    std::cout.flush();
    errno = 0;
    if (std::fwrite(text.data(), 1, text.size(), stdout) != text.size()) standardOutputFailed(errno);
    finishStandardOutput();
}

}  // namespace vorlat::files
