// Safe outputs: the same-file check, files written through a temporary file
// and renamed into place, the frames folder, and standard output's last check.
// What the operating system does for them is in output_files_posix.cpp and
// output_files_windows.cpp (output_platform.h); the rules are here, once.
#include "common/output_files.h"

#include <cerrno>
#include <iostream>
#include <system_error>
#include <utility>

#include "common/output_platform.h"
#include "common/utf8_path.h"

namespace vorlat::files {

namespace fs = std::filesystem;

// --- SignalCleanup ------------------------------------------------------------------
void SignalCleanup::file(const fs::path& path) {
    std::error_code ignored;
    slots_.push_back(platform::registerTemporary(fs::absolute(path, ignored), false));
}

void SignalCleanup::folder(const fs::path& path) {
    std::error_code ignored;
    slots_.push_back(platform::registerTemporary(fs::absolute(path, ignored), true));
}

SignalCleanup::~SignalCleanup() {
    for (int& slot : slots_) platform::releaseTemporary(slot);
}

namespace {

fs::path folderOf(const fs::path& file) { return file.has_parent_path() ? file.parent_path() : fs::path("."); }

// Where a path given by the user leads: the file's identity when it exists,
// else its resolved path. An empty path is standard input.
struct Identity {
    platform::FileIdentity file;
    fs::path resolved;
};

Identity identify(const std::string& path) {
    if (path.empty()) return {platform::identifyStandardInput(), {}};
    const fs::path named = pathFromUtf8(path);
    Identity identity{platform::identify(named), {}};
    if (identity.file.exists) return identity;
    std::error_code ignored;
    identity.resolved = fs::weakly_canonical(fs::absolute(named, ignored), ignored);
    return identity;
}

bool sameFile(const Identity& a, const Identity& b) {
    if (a.file.deviceOrPipe || b.file.deviceOrPipe) return false;
    if (a.file.exists != b.file.exists) return false;
    if (a.file.exists)
        return a.file.volume == b.file.volume && a.file.fileHigh == b.file.fileHigh &&
               a.file.fileLow == b.file.fileLow;
    return !a.resolved.empty() && platform::sameResolvedPath(a.resolved, b.resolved);
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
    const fs::path resolvedFolder = fs::weakly_canonical(fs::absolute(pathFromUtf8(folder.path), ignored), ignored);
    for (const Entry& entry : entries_) {
        if (&entry == &folder || entry.path.empty()) continue;
        const fs::path file = fs::absolute(pathFromUtf8(entry.path), ignored);
        if (!FramesFolder::isFrameName(utf8Of(file.filename())) ||
            !platform::sameResolvedPath(fs::weakly_canonical(file.parent_path(), ignored), resolvedFolder))
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
    const platform::FileIdentity existing = platform::identify(target);
    if (existing.folder) throw OutputError(shownName_ + ": is a folder, not a file");
    if (existing.deviceOrPipe) {
        direct_ = true;
        target_ = temporary_ = std::move(target);
        return;
    }
    std::error_code error;
    // A symlink to a file stays a symlink: its target is the file replaced.
    target_ = existing.exists ? fs::canonical(target, error) : fs::absolute(target, error);
    if (error) throw OutputError(shownName_ + ": " + error.message());

    std::string reason;
    stream_ = platform::createTemporaryBeside(target_, existing.exists, temporary_, reason);
    if (stream_ == nullptr)
        throw OutputError(shownName_ + ": cannot write into the folder " +
                          utf8Of(folderOf(pathFromUtf8(shownName_))) + " (" + reason + ")");
    slot_ = platform::registerTemporary(temporary_, false);
}

AtomicFile::AtomicFile(const std::string& target, std::string shownName)
    : AtomicFile(pathFromUtf8(target), std::move(shownName)) {}

AtomicFile::~AtomicFile() {
    if (!committed_) discard();
}

void AtomicFile::discard() noexcept {
    if (stream_ != nullptr) std::fclose(stream_);
    stream_ = nullptr;
    if (!direct_ && !temporary_.empty()) platform::removeFile(temporary_);
    platform::releaseTemporary(slot_);
}

std::FILE* AtomicFile::stream() {
    if (stream_ == nullptr && direct_ && !committed_) {
        std::string reason;
        stream_ = platform::openForWriting(target_, reason);
        if (stream_ == nullptr) throw OutputError(shownName_ + ": cannot write (" + reason + ")");
    }
    return stream_;
}

const fs::path& AtomicFile::temporary() const { return temporary_; }

void AtomicFile::commit() {
    if (committed_) return;
    std::string problem;
    if (stream_ != nullptr) {
        // errno is not cleared: a write that failed earlier (a full disk) left its cause there.
        if (std::fflush(stream_) != 0 || std::ferror(stream_) != 0) problem = platform::errorReason(errno != 0 ? errno : EIO);
        if (std::fclose(stream_) != 0 && problem.empty()) problem = platform::errorReason(errno);
        stream_ = nullptr;
    }
    if (problem.empty() && !direct_) platform::replaceWith(temporary_, target_, problem);
    if (!problem.empty()) {
        discard();
        committed_ = true;
        throw OutputError(shownName_ + ": cannot write (" + problem + ")");
    }
    platform::releaseTemporary(slot_);
    committed_ = true;
}

// --- FramesFolder -------------------------------------------------------------------
namespace {
// A regular file (not a link) that starts with the PNG signature: a frame an
// earlier run wrote, as far as the folder can tell.
bool holdsPicture(const fs::path& file) {
    constexpr std::string_view PNG_SIGNATURE("\x89PNG\r\n\x1a\n", 8);
    return platform::firstBytesOfRegularFile(file, PNG_SIGNATURE.size()) == PNG_SIGNATURE;
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
        if (isFrameName(utf8Of(entry->path().filename()))) earlierFrames.push_back(entry->path());
        else ++others;
    }
    if (error) throw OutputError(shownName + ": cannot read the folder (" + error.message() + ")");
    if (!force && (others > 0 || !earlierFrames.empty()))
        throw SameFileError(shownName + ": the folder is not empty (" + std::to_string(earlierFrames.size()) +
                            " frame(s), " + std::to_string(others) +
                            " other file(s)); --force replaces the earlier frames and leaves other files alone");
    for (const fs::path& frame : earlierFrames)
        if (!holdsPicture(frame))
            throw SameFileError(shownName + ": " + utf8Of(frame.filename()) +
                                " is named like a frame but is not a PNG picture; --force removes only earlier "
                                "frames: move it away or choose another folder");
    for (const fs::path& frame : earlierFrames) {
        if (!fs::remove(frame, error) && error)
            throw OutputError(shownName + ": cannot remove the earlier frame " + utf8Of(frame.filename()) + " (" +
                              error.message() + ")");
    }
}

FramesFolder::FramesFolder(const std::string& folder, std::string shownName, bool force)
    : FramesFolder(pathFromUtf8(folder), std::move(shownName), force) {}

fs::path FramesFolder::frame(std::int64_t number) const {
    char name[40];
    std::snprintf(name, sizeof name, "frame_%06lld.png", static_cast<long long>(number));
    // Joined with '/' on every system (Windows takes it), so a frame's name reads alike everywhere.
    fs::path frame = folder_;
    const auto last = frame.native().empty() ? '/' : frame.native().back();
    if (last != '/' && last != fs::path::preferred_separator) frame += "/";
    frame += name;
    return frame;
}

// --- Standard output -------------------------------------------------------------------
namespace {
[[noreturn]] void standardOutputFailed(int problem) {
    throw OutputError("standard output: cannot write (" +
                      (problem != 0 ? platform::errorReason(problem) : std::string("write error")) + ")");
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
