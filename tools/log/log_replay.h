// Replay: the logged values fed back into the real module through the
// stand-in host, and the panel rendered as it stood at a moment of the log.
#pragma once

#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <ostream>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "host/cli/press_options.h"
#include "host/host.h"
#include "tools/log/log_reader.h"

namespace vorlat::render {
class PanelRenderer;
}

namespace vorlat::flightlog {

class ReplayError : public std::runtime_error {
public:
    ReplayError(std::string message, bool badUsage) : std::runtime_error(std::move(message)), badUsage_(badUsage) {}
    bool badUsage() const { return badUsage_; }

private:
    bool badUsage_;
};

// "TIME:OUT.png": the panel at TIME seconds written to OUT.png. The value is
// read as `vorlat fly --png-at` reads its own, and the picture must be a PNG.
using ReplayShot = cli::TimedPicture;
ReplayShot parseReplayShot(std::string_view argument);  // throws ReplayError (bad usage)

// The host inputs that make the panel show a row's values: each readout's
// conversion inverted, aiming at the middle of what the log's rounding or
// truncation leaves open so that the panel's own rounding lands on the logged text.
struct HostInput {
    std::uint32_t variable;  // host variable id
    double value;
};
struct HostInputs {
    std::vector<HostInput> variables;
    std::int32_t tasWord = 0;  // host data block words gauge::TAS_WORD and IAS_WORD
    std::int32_t iasWord = 0;
};
HostInputs hostInputsFor(const Row& row);

// The row shown at a time: the last row at or before it. Throws ReplayError
// (bad usage) when the time lies outside the recording.
std::size_t rowAtTime(const FlightLog& log, double time, double tickRate);

// One panel update per sample costs some microseconds: a replay drives the
// row counter at most this far (about a day and a half of samples).
inline constexpr std::int64_t MAX_CATCH_UP_SAMPLES = 250'000;

// One stand-in host fed row after row. Rows were written while the recorder
// was recording, so the replay presses the record button too, with the host's
// log folder a scratch folder for the module's own log, and both icons show
// green. The host's tick count advances by one sample per update until the
// module's row counter reaches the row's index, then the row's values go in
// and one more update (no sample) shows them. Rows are best shown in order: an
// earlier index starts a fresh host.
class Replayer {
public:
    explicit Replayer(const FlightLog& log, std::string modulePath = {},
                      std::int64_t maxCatchUp = MAX_CATCH_UP_SAMPLES);
    ~Replayer();
    Replayer(const Replayer&) = delete;
    Replayer& operator=(const Replayer&) = delete;

    const Host& show(std::size_t row);
    // False when the row's index lay too far beyond the samples already taken
    // (maxCatchUp samples): the row-index box then shows a smaller count.
    bool indexShown() const { return lag_ == 0; }
    void writePng(const std::string& path);  // the panel as shown last; throws ReplayError

private:
    void restart(std::size_t row);
    void makeScratchFolder();
    void startRecording();
    void stopHost();

    const FlightLog& log_;
    std::string modulePath_;
    std::int64_t maxCatchUp_;
    std::unique_ptr<Host> host_;
    std::unique_ptr<render::PanelRenderer> renderer_;
    double ticks_ = 0;
    std::int64_t samples_ = 0;
    std::int64_t lag_ = 0;           // how far the module's counter stays behind the log's index
    std::filesystem::path scratch_;  // the host's log folder: where the module's own log goes
    bool recording_ = false;
};

struct ReplayRequest {
    std::vector<ReplayShot> shots;
    std::string framesDir;  // one PNG per row when not empty
    double tickRate = DEFAULT_TICK_RATE;
    std::string modulePath;  // empty: the build's own module
};
void replayLog(const FlightLog& log, const ReplayRequest& request, std::ostream& report);

}  // namespace vorlat::flightlog
