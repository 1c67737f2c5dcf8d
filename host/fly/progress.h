// A progress bar on stderr for runs that take more than a second, shown only
// when stderr is a terminal.
#pragma once

#include <chrono>
#include <cstdint>
#include <cstdio>

namespace vorlat::cli {

class ProgressBar {
public:
    ProgressBar(std::int64_t total, bool enabled);
    ~ProgressBar();
    ProgressBar(const ProgressBar&) = delete;
    ProgressBar& operator=(const ProgressBar&) = delete;

    void update(std::int64_t done, double simulatedSeconds);
    void finish();  // clears the bar if one was drawn

    static bool stderrIsTerminal();

private:
    using Clock = std::chrono::steady_clock;
    std::int64_t total_;
    bool enabled_;
    bool drawn_ = false;
    Clock::time_point started_;
    Clock::time_point lastDrawn_;
};

}  // namespace vorlat::cli
