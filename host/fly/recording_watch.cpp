#include "host/fly/recording_watch.h"

#ifdef _WIN32
#include <io.h>
#else
#include <unistd.h>
#endif

#include <cerrno>
#include <cstring>
#include <fstream>
#include <utility>

#include "common/utf8_path.h"
#include "host/fly/press_options.h"
#include "host/gauge_facts.h"
#include "schema/log_schema.h"

namespace vorlat::cli {

namespace {

namespace fs = std::filesystem;

constexpr int RECORDING_IMAGE = 0;  // the record icon's first image (green): a recording runs
constexpr std::string_view LOG_LINE_END = "\r\n";

std::string seconds(double value) {
    char text[32];
    std::snprintf(text, sizeof text, "%.2f s", value);
    return text;
}

std::string folderWords(const std::string& shownFolder) {
    return shownFolder == "." || shownFolder.empty() ? "the current folder" : "the folder " + shownFolder;
}

bool writable(const fs::path& path) {
#ifdef _WIN32
    constexpr int WRITE_ACCESS = 2;
    return ::_waccess(path.c_str(), WRITE_ACCESS) == 0;
#else
    return ::access(path.c_str(), W_OK) == 0;
#endif
}

// Why the module could not open its log, as far as the host can tell from outside.
std::string whyNotOpened(const fs::path& log, const std::string& shownFolder) {
    std::error_code ignored;
    if (fs::is_directory(log, ignored)) return "a folder of that name is in the way";
    if (!writable(log.parent_path())) return folderWords(shownFolder) + " is not writable: " + std::strerror(errno);
    if (fs::exists(log, ignored) && !writable(log))
        return "the file is not writable: " + std::string(std::strerror(errno));
    return "the file could not be opened";
}

bool diskFull(const fs::path& folder) {
    std::error_code unknown;
    const fs::space_info space = fs::space(folder, unknown);
    return !unknown && space.available == 0;
}

bool endsWith(const fs::path& file, const std::string& tail) {
    std::ifstream input(file, std::ios::binary | std::ios::ate);
    const std::streamoff size = input.tellg();
    if (!input || size < static_cast<std::streamoff>(tail.size())) return false;
    input.seekg(size - static_cast<std::streamoff>(tail.size()));
    std::string last(tail.size(), '\0');
    input.read(last.data(), static_cast<std::streamsize>(last.size()));
    return input && last == tail;
}

}  // namespace

RecordingWatch::RecordingWatch(const Host& host, fs::path logFolder, std::string shownFolder)
    : logFile_(std::move(logFolder) / gauge::LOG_FILE_NAME),
      shownLog_(genericUtf8Of((pathFromUtf8(shownFolder) / gauge::LOG_FILE_NAME).lexically_normal())),
      shownFolder_(std::move(shownFolder)) {
    for (const ElementView& element : host.children()) {
        if (element.kind != gauge::ICON_KIND || element.resourceId != gauge::RECORD_ICON_BITMAP) continue;
        const Bitmap image = host.bitmap(element.resourceId);
        recordIcon_ = element.child;
        iconLeft_ = element.x;
        iconTop_ = element.y;
        iconRight_ = element.x + image.width;
        iconBottom_ = element.y + image.height;
        return;
    }
    throw LoadError("the module has no record icon (bitmap " + std::to_string(gauge::RECORD_ICON_BITMAP) + ")");
}

bool RecordingWatch::recorderRunning(const Host& host) const {
    return host.child(recordIcon_).shownImage == RECORDING_IMAGE;
}

// A press at a point counts as a record press when it lands on the record icon.
bool RecordingWatch::isRecordPress(const flight::Press& press) const {
    using Target = flight::Press::Target;
    if (press.target != Target::Point) return press.target == Target::Record;
    return press.x >= iconLeft_ && press.x < iconRight_ && press.y >= iconTop_ && press.y < iconBottom_;
}

bool RecordingWatch::allowPress(const Host&, const flight::Press& press) {
    if (!isRecordPress(press) || running_ || !unended_) return true;
    add(false, "the press " + describePress(press) + " was skipped: it was meant to end the recording that " +
                   *unended_ + ", and would start a new one that empties " + shownLog_);
    unended_.reset();
    return false;
}

void RecordingWatch::observe(const Host& host, const flight::UpdateInfo& info) {
    int recordPresses = 0;
    std::optional<flight::Press> lastRecordPress;
    for (const flight::PressOutcome& outcome : info.presses) {
        if (outcome.skipped || !outcome.handled || !isRecordPress(outcome.press)) continue;
        ++recordPresses;
        lastRecordPress = outcome.press;
    }
    const bool was = running_, now = recorderRunning(host);
    running_ = now;
    if (now) {
        if (!was) recordingStarted(info);
        recordedAny_ = true;
        return;
    }
    if (was) recordings_.back().end = info.time;
    if (!was && recordPresses % 2 == 1) {
        unended_ = "did not start at " + seconds(lastRecordPress->time);
        add(true, "the press " + describePress(*lastRecordPress) + " did not start a recording: the module could " +
                      "not create its log " + shownLog_ + " in " + folderWords(shownFolder_) + " (" +
                      whyNotOpened(logFile_, shownFolder_) + ")");
    }
    if (!was) return;
    endedByPress_ = recordPresses % 2 == 1;
    if (endedByPress_) return;
    unended_ = "stopped on its own at " + seconds(info.time);
    add(true, "the recorder stopped on its own at " + seconds(info.time) + ": a write to " + shownLog_ + " failed" +
                  (diskFull(logFile_.parent_path()) ? " (the disk is full)" : "") +
                  "; the log keeps the rows written before, less the last ones still in the recorder's buffer");
}

// The module starts a new log at each recording: the earlier one's rows are gone.
void RecordingWatch::recordingStarted(const flight::UpdateInfo& info) {
    if (!recordings_.empty())
        add(false, "the recording from " + describeRecording(recordings_.back()) +
                       " was replaced by the one started at " + seconds(info.time) + ": the module starts " +
                       shownLog_ + " anew at each recording");
    recordings_.push_back({.start = info.time, .end = std::nullopt});
}

std::string describeRecording(const Recording& recording) {
    return seconds(recording.start) + " to " + (recording.end ? seconds(*recording.end) : "the end");
}

void RecordingWatch::finish() {
    std::error_code ignored;
    const bool logIsFile = fs::is_regular_file(logFile_, ignored);
    if (!recordedAny_) {
        if (logIsFile)
            add(false, "warning: " + shownLog_ + " is not from this flight: it made no recording " +
                           "(the file was left by an earlier run)");
        return;
    }
    // A recording that ran to the end was closed by the final routine ("Exit").
    std::string_view lastLine;
    if (running_) lastLine = LOG_EXIT_LINE;
    else if (endedByPress_) lastLine = LOG_END_RECORDING_LINE;
    if (lastLine.empty() || !logIsFile) return;
    if (!endsWith(logFile_, std::string(lastLine) + std::string(LOG_LINE_END)))
        add(true, shownLog_ + " does not end with \"" + std::string(lastLine) + "\": its last lines were lost when " +
                      "the module closed it" + (diskFull(logFile_.parent_path()) ? " (the disk is full)" : ""));
}

bool RecordingWatch::failed() const {
    for (const RecordingFinding& finding : findings_)
        if (finding.failure) return true;
    return false;
}

}  // namespace vorlat::cli
