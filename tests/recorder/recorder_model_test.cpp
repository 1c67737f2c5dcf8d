// Random sequences of presses, panel updates and gauge restarts, run against
// the module through the stand-in host and against a small model of the
// recorder written here; icons, boxes and log files must agree throughout.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <random>
#include <sstream>
#include <string>

#include "tests/recorder/recorder_harness.h"

namespace recorder_test {
namespace {

namespace fs = std::filesystem;

constexpr unsigned FIRST_SEED = 20261209;
#if defined(_WIN32)
constexpr int SEQUENCES = 40;  // under Wine (32-bit: under qemu) every module load is slow
#elif defined(__SANITIZE_ADDRESS__)
constexpr int SEQUENCES = 300;  // an instrumented module costs ~40 ms a load
#else
constexpr int SEQUENCES = 2000;
#endif
constexpr int STEPS_PER_SEQUENCE = 60;

// The host's double to a 32-bit count: toward zero, keeping the low 32 bits;
// values beyond the 64-bit range (and NaN) count as 0.
std::int32_t toCount(double value) {
    if (!(std::fabs(value) < 9.2e18)) return 0;
    return static_cast<std::int32_t>(
        static_cast<std::uint32_t>(static_cast<std::uint64_t>(static_cast<std::int64_t>(value))));
}

// What the recorder is meant to do, state by state.
struct Model {
    bool recording = false;
    bool writing = false;
    std::int32_t rowIndex = 0;
    std::int32_t lastTick = 0;
    double lastSpeed = 0;
    std::int32_t rate = 0;
    bool blocked = false;            // a directory stands where the log would be
    std::optional<std::string> log;  // what the file holds once flushed

    // Icon states as the next update shows them, before its sample.
    int recordIcon = RED;
    int pauseIcon = RED;

    void recordPress() {
        if (recording) {
            *log += END_LINE;
            recording = writing = false;
        } else if (blocked) {
            rowIndex = 0;
        } else {
            log = ENABLED_LINE + HEADER_LINE;
            recording = writing = true;
        }
    }
    void pausePress() {
        if (!recording) return;
        writing = !writing;
        if (writing) *log += HEADER_LINE;
    }
    void update(double ticks, double speed) {
        recordIcon = recording ? GREEN : RED;
        pauseIcon = writing ? GREEN : RED;
        const std::int32_t now = toCount(ticks);
        const auto gap =
            static_cast<std::int32_t>(static_cast<std::uint32_t>(now) - static_cast<std::uint32_t>(lastTick));
        if (gap <= 8) return;
        const std::int32_t s = toCount(speed);
        rate = toCount((s - lastSpeed) * 20.7306 / gap);
        lastSpeed = s;
        lastTick = now;
        if (writing) *log += SteadyFlight::row(rowIndex);
        rowIndex = static_cast<std::int32_t>(static_cast<std::uint32_t>(rowIndex) + 1);
    }
    void shutdown() {
        if (!recording) return;
        *log += EXIT_LINE;
        recording = writing = false;
    }
    void start(double ticks, double speed) {
        lastTick = toCount(ticks);
        lastSpeed = speed;
    }
};

class Sequence {
public:
    explicit Sequence(unsigned seed) : random_(seed) {}

    // Runs one sequence; false (with a failure recorded) at the first disagreement.
    bool run() {
        const double startTicks = pick(0.0, 1.0) < 0.2 ? 2147483600.0 : double(pick(0, 100000));
        const double startSpeed = pick(-300.0, 300.0);
        Panel panel(startTicks, startSpeed);
        ticks_ = startTicks;
        speed_ = startSpeed;
        model_.start(startTicks, startSpeed);
        model_.update(ticks_, speed_);
        if (!agree(panel)) return false;

        for (int step = 0; step < STEPS_PER_SEQUENCE; ++step) {
            const double choice = pick(0.0, 1.0);
            if (choice < 0.12) {
                trace_ << "record; ";
                panel.pressRecord();
                model_.recordPress();
            } else if (choice < 0.22) {
                trace_ << "pause; ";
                panel.pressPause();
                model_.pausePress();
            } else if (choice < 0.25) {
                trace_ << "restart; ";
                panel.restart();
                model_.shutdown();
                model_.start(ticks_, speed_);
            } else if (choice < 0.29 && !model_.recording) {
                toggleBlock();
            } else {
                moveTicks();
                trace_ << "update " << ticks_ << " " << speed_ << "; ";
                panel.setTicks(ticks_);
                panel.setSpeed(speed_);
                panel.update();
                model_.update(ticks_, speed_);
                if (!agree(panel)) return false;
            }
            if (!model_.recording && !logAgrees()) return false;
        }

        if (pick(0, 1) == 0) {
            trace_ << "final; ";
            panel.host().final();
            model_.shutdown();
        } else {
            trace_ << "unload; ";
            panel.host().unload();
        }
        return logAgrees();
    }

    std::string trace() const { return trace_.str(); }

private:
    int pick(int low, int high) { return std::uniform_int_distribution<int>(low, high)(random_); }
    double pick(double low, double high) { return std::uniform_real_distribution<double>(low, high)(random_); }

    // Mostly small forward steps; sometimes a fall, a long pause, or a jump
    // far enough to wrap the 32-bit count.
    void moveTicks() {
        const double kind = pick(0.0, 1.0);
        if (kind < 0.70) {
            ticks_ += pick(0, 12);
        } else if (kind < 0.85) {
            ticks_ -= pick(1, 30);
        } else if (kind < 0.95) {
            ticks_ += pick(13, 5000) + pick(0.0, 0.99);
        } else {
            ticks_ += pick(0, 1) == 0 ? 2147483648.0 : 4294967296.0 - 5;
        }
        if (pick(0, 2) == 0) speed_ = pick(-300.0, 300.0);
    }

    void toggleBlock() {
        std::error_code error;
        fs::remove(LOG_NAME, error);
        if (model_.blocked) {
            trace_ << "unblock; ";
        } else {
            trace_ << "block; ";
            fs::create_directory(LOG_NAME);
        }
        model_.blocked = !model_.blocked;
        model_.log.reset();
    }

    bool agree(Panel& panel) {
        EXPECT_EQ(panel.recordIcon(), model_.recordIcon);
        EXPECT_EQ(panel.pauseIcon(), model_.pauseIcon);
        EXPECT_EQ(panel.acelText(), boxText(model_.rate));
        EXPECT_EQ(panel.rowIndexText(), boxText(model_.rowIndex));
        return !::testing::Test::HasFailure();
    }
    bool logAgrees() {
        EXPECT_EQ(readFile(), model_.log);
        return !::testing::Test::HasFailure();
    }

    std::mt19937 random_;
    Model model_;
    double ticks_ = 0;
    double speed_ = 0;
    std::ostringstream trace_;
};

TEST(RecorderModel, RandomSequencesAgreeWithTheModel) {
    for (int i = 0; i < SEQUENCES; ++i) {
        const unsigned seed = FIRST_SEED + static_cast<unsigned>(i);
        const ScratchFolder directory;
        const CurrentFolderScope inDirectory(directory.path());
        Sequence sequence(seed);
        if (!sequence.run()) {
            ADD_FAILURE() << "seed " << seed << ": " << sequence.trace();
            return;
        }
    }
}

}  // namespace
}  // namespace recorder_test
