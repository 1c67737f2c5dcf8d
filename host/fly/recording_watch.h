// Whether the flight's recording went as its presses meant. The record icon
// shows the recorder's state after every update: its first image while a
// recording runs, its second while the recorder is idle. A record press that
// leaves the recorder idle could not open the log; a recording that turns idle
// with no press lost a write (a full disk). The next record press, meant to end
// such a recording, would start a new one that empties the log: it is skipped.
#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "host/flight/run.h"
#include "host/host.h"

namespace vorlat::cli {

// What the watch found, in the order it happened. A failure makes the run fail (exit 1).
struct RecordingFinding {
    bool failure = false;
    std::string text;
};

// One recording the flight made, in simulated seconds; `end` is empty while it
// ran to the flight's end.
struct Recording {
    double start = 0;
    std::optional<double> end;
};

class RecordingWatch {
public:
    // `logFolder` is where the module writes its log; `shownFolder` is that folder as the user gave it.
    RecordingWatch(const Host& host, std::filesystem::path logFolder, std::string shownFolder);

    // The run's press gate (flight::RunOptions::allowPress).
    bool allowPress(const Host& host, const flight::Press& press);
    // After every update (flight::UpdateObserver).
    void observe(const Host& host, const flight::UpdateInfo& info);
    // After the module's final routine: the log's last line, and a log left by an earlier run.
    void finish();

    const std::vector<RecordingFinding>& findings() const { return findings_; }
    bool failed() const;
    // Every recording, in order; only the last one is in the log.
    const std::vector<Recording>& recordings() const { return recordings_; }

private:
    bool recorderRunning(const Host& host) const;
    bool isRecordPress(const flight::Press& press) const;
    void recordingStarted(const flight::UpdateInfo& info);
    void add(bool failure, std::string text) { findings_.push_back({failure, std::move(text)}); }

    std::filesystem::path logFile_;
    std::string shownLog_, shownFolder_;
    std::size_t recordIcon_ = 0;
    int iconLeft_ = 0, iconTop_ = 0, iconRight_ = 0, iconBottom_ = 0;  // panel pixels, right and bottom excluded
    bool running_ = false;                                             // as the icon showed it after the last update
    bool recordedAny_ = false;                                         // a recording ran during this flight
    bool endedByPress_ = false;                                        // the last recording ended with a record press
    // The recording the next record press was meant to end, when it is not
    // running ("stopped on its own at 61.50 s"); cleared once that press is skipped.
    std::optional<std::string> unended_;
    std::vector<RecordingFinding> findings_;
    std::vector<Recording> recordings_;
};

// "10.00 s to 20.00 s" or "30.00 s to the end".
std::string describeRecording(const Recording& recording);

}  // namespace vorlat::cli
