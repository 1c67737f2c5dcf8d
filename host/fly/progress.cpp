#include "host/fly/progress.h"

#include <unistd.h>

#include <string>

namespace vorlat::cli {

namespace {
constexpr auto SHOW_AFTER = std::chrono::seconds(1);
constexpr auto REDRAW_EVERY = std::chrono::milliseconds(100);
constexpr int BAR_WIDTH = 40;
constexpr std::int64_t CLOCK_CHECK_EVERY = 64;  // updates between looks at the clock
}  // namespace

ProgressBar::ProgressBar(std::int64_t total, bool enabled)
    : total_(total > 0 ? total : 1), enabled_(enabled), started_(Clock::now()), lastDrawn_(started_) {}

ProgressBar::~ProgressBar() { finish(); }

bool ProgressBar::stderrIsTerminal() { return isatty(STDERR_FILENO) == 1; }

void ProgressBar::update(std::int64_t done, double simulatedSeconds) {
    if (!enabled_ || done % CLOCK_CHECK_EVERY != 0) return;
    const auto now = Clock::now();
    if (now - started_ < SHOW_AFTER || now - lastDrawn_ < REDRAW_EVERY) return;
    lastDrawn_ = now;
    const double fraction = static_cast<double>(done) / static_cast<double>(total_);
    const int filled = static_cast<int>(fraction * BAR_WIDTH);
    const std::string bar = std::string(static_cast<std::size_t>(filled), '#') +
                            std::string(static_cast<std::size_t>(BAR_WIDTH - filled), '.');
    std::fprintf(stderr, "\r[%s] %3d%%  %.1f s flown", bar.c_str(), static_cast<int>(fraction * 100), simulatedSeconds);
    std::fflush(stderr);
    drawn_ = true;
}

void ProgressBar::finish() {
    if (!drawn_) return;
    std::fprintf(stderr, "\r%*s\r", BAR_WIDTH + 30, "");
    std::fflush(stderr);
    drawn_ = false;
}

}  // namespace vorlat::cli
