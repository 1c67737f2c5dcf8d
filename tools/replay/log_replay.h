// Replay: the logged values fed back into the real module through the
// stand-in host, and the panel rendered as it stood at moments of the log, as
// the rows stream past.
#pragma once

#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

#include "common/command_error.h"
#include "common/output_files.h"
#include "host/flight/source.h"
#include "host/fly/press_options.h"
#include "host/host.h"
#include "tools/log/log_range.h"
#include "tools/log/log_reader.h"

namespace vorlat::render {
class PanelRenderer;
}

namespace vorlat::flightlog {

class ReplayError : public CommandError {
public:
    ReplayError(const std::string& message, bool badUsage)
        : CommandError(message, badUsage ? EXIT_BAD_INPUT : EXIT_FAILED) {}
    bool badUsage() const { return exitCode() == EXIT_BAD_INPUT; }
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

// A readout the log holds everything of: each host input it reads is one a
// column gives back (COLUMN_FACTS' input), and its use of the tick count is one
// the replay rebuilds from the row index (sample counts, not every update).
bool readoutLogged(const gauge::ReadoutInputs& readout);
// The text fields (child indices) of the readouts the log does not hold.
std::vector<std::size_t> notLoggedFields(const Host& host);

// What a replay draws in the boxes the log does not hold: marked as not logged
// (hatched), or the values the module makes of the replay's stand-in inputs.
enum class Unlogged { Marked, Invented };

// Which row each picture shows: the last row at or before its time (the last
// row before a pause when the time falls in one), decided as the rows pass.
class ShotSchedule {
public:
    explicit ShotSchedule(const std::vector<double>& times);
    // A row at `time` has come: the shots (positions in the list given) that the row before it shows.
    std::vector<std::size_t> dueBefore(double time);
    // The log has ended: the shots its last row shows; the rest lie outside the recording.
    std::vector<std::size_t> dueAtEnd(double lastTime, double period);
    const std::vector<std::size_t>& outside() const { return outside_; }  // before the first row or after the last
    const std::vector<std::size_t>& order() const { return order_; }      // positions by time, ties as given

private:
    std::vector<double> times_;
    std::vector<std::size_t> order_;  // by time
    std::size_t next_ = 0;
    bool anyRow_ = false;
    std::vector<std::size_t> outside_;
};

// A replay drives the module's row counter at most this far for one row (about
// half an hour of samples): a longer gap, a pause or a damaged index of any
// size, costs no more than this, so the work of a replay is bounded by the rows
// and pictures asked for, never by the index values. Beyond it the row-index
// box falls short and the replay says so.
inline constexpr std::int64_t MAX_CATCH_UP_SAMPLES = 4'096;

// How a replay drives the module's sample counter over a stretch of samples.
// Full: one whole panel update per sample. Fast: whole windows of the rate
// readouts go by calling only the element that takes the samples
// (Host::advanceClock), with the recording paused meanwhile, and the last
// FAST_FULL_UPDATES or more samples are full updates; the rate readouts then
// see the same window of updates and the panel shows what Full shows.
enum class CatchUp { Full, Fast };
inline constexpr std::int64_t RATE_WINDOW_SAMPLES = 9;  // the rate readouts sum the last nine updates
inline constexpr std::int64_t FAST_FULL_UPDATES = 2 * RATE_WINDOW_SAMPLES;

// One stand-in host fed row after row. Rows were written while the recorder
// was recording, so the replay presses the record button too, with the host's
// log folder a scratch folder for the module's own log, and both icons show
// green. The row's values go in, the host's tick count advances by one sample
// per update until the module's row counter reaches the row's index, and one
// more update takes the row's sample and shows them, the row-index box at
// index + 1 as when the row was written. Rows are best shown in order: an
// earlier index starts a fresh host.
class Replayer {
public:
    explicit Replayer(std::string modulePath = {}, std::int64_t maxCatchUp = MAX_CATCH_UP_SAMPLES,
                      CatchUp catchUp = CatchUp::Fast, Unlogged unlogged = Unlogged::Marked);
    ~Replayer();
    Replayer(const Replayer&) = delete;
    Replayer& operator=(const Replayer&) = delete;

    const Host& show(const Row& row);
    // False when the row's index lay too far beyond the samples already taken
    // (maxCatchUp samples) or below zero: the row-index box then shows another count.
    bool indexShown() const { return lag_ == 0 && !belowZero_; }
    // Samples driven so far (full updates and the sampler's alone), over every host started.
    std::int64_t samplesDriven() const { return driven_; }
    // Hosts started so far: each earlier index starts a fresh one.
    std::int64_t hostsStarted() const { return started_; }
    // The panel as shown last, into `path`; messages call it `name`. Throws ReplayError.
    void writePng(const std::string& path, const std::string& name);
    // The panel as shown last as PNG bytes, `scale` pixels per bitmap pixel. Throws ReplayError.
    std::string png(int scale);

private:
    void restart(const Row& row);
    void catchUp(std::int64_t samples);
    void takeSample();  // one update with the tick count moved on by a sample
    void makeScratchFolder();
    void startRecording();
    void pressButton(flight::Press::Target button);
    render::PanelRenderer& renderer(int scale);
    void stopHost();

    std::string modulePath_;
    std::int64_t maxCatchUp_;
    CatchUp catchUpMode_;
    Unlogged unlogged_;
    std::vector<std::size_t> notLogged_;  // the fields the pictures mark
    std::unique_ptr<Host> host_;
    std::vector<std::unique_ptr<render::PanelRenderer>> renderers_;  // one per scale asked for
    std::optional<std::size_t> sampler_;                             // the child that takes the samples
    double ticks_ = 0;
    std::int64_t samples_ = 0;
    std::int64_t lag_ = 0;                    // how far the module's counter stays behind the log's index
    std::optional<std::int64_t> shownIndex_;  // the row shown last: its sample is taken
    std::filesystem::path scratch_;           // the host's log folder: where the module's own log goes
    std::optional<files::SignalCleanup> scratchOnSignal_;  // scratch_ and its log, removed on a signal
    bool recording_ = false;
    bool belowZero_ = false;  // the row shown last has a negative index: never reached from zero
    std::int64_t driven_ = 0;
    std::int64_t started_ = 0;
};

struct ReplayRequest {
    std::vector<ReplayShot> shots;
    std::string framesDir;  // one PNG per row when not empty
    bool force = false;     // --frames may replace earlier frames in a folder that has files
    double tickRate = DEFAULT_TICK_RATE;
    std::string modulePath;  // empty: the build's own module
    TimeRange range;         // the rows read; a picture's time must lie inside it
    Unlogged unlogged = Unlogged::Marked;
};

// The replay as the reader streams the rows: a frame per row as it comes, each
// picture when the row it shows is known. Pictures go to temporary files that
// finish() renames into place once every time proved inside the recording;
// each file written is reported on its own line.
class ReplaySink : public RowSink {
public:
    // Throws ReplayError (bad usage) for a picture's time outside the range,
    // before any file is made; files::OutputError, SameFileError.
    ReplaySink(const ReplayRequest& request, std::ostream& report);
    ~ReplaySink() override;
    void row(const Row& row, const RowText& text, std::size_t segment) override;
    void finish();  // throws ReplayError (a time outside the recording) or files::OutputError

private:
    struct Shot;
    void take(Shot& shot, const Row& row);
    void frame(const Row& row);
    std::string reportLine(const std::string& file, const Row& row) const;

    ReplayRequest request_;
    std::ostream& report_;
    Replayer replayer_;
    ShotSchedule schedule_;
    std::vector<Shot> shots_;
    std::unique_ptr<files::FramesFolder> frames_;
    std::int64_t frameCount_ = 0;
    std::optional<Row> previous_;
    double firstTime_ = 0;
};

}  // namespace vorlat::flightlog
