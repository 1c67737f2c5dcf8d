// The flight data recorder: three states (Idle, Writing, Paused) driven by the
// two buttons, a sample clock driven by the Acel readout, and the log.
#include "recorder/recorder.h"

#include <string_view>

#include "module/convert.h"
#include "module/platform.h"
#include "panel/elements.h"
#include "readouts/latest_values.h"
#include "recorder/log_file.h"
#include "recorder/log_format.h"
#include "recorder/recorder_state.h"
#include "schema/log_schema.h"
#include "schema/sample_clock.h"

constinit RecorderStateRecord RecorderState = {};
constinit AccelSamplerRecord AccelSampler = {};

namespace {

constexpr std::int32_t SAMPLE_GAP = TICKS_PER_SAMPLE - 1;  // ticks: a sample needs the count to move by more
constexpr double ACCEL_FACTOR = 20.7306;

constexpr char BOX_FORMAT[] = "%5d";

// An icon shows its first image (green) for state 0, its second (red) for 1.
constexpr double ICON_GREEN = 0.0;
constexpr double ICON_RED = 1.0;

constexpr std::int32_t HANDLED = 1;

// Tick counts and the sample counter wrap at 32 bits.
std::int32_t wrappingDifference(std::int32_t later, std::int32_t earlier) {
    return static_cast<std::int32_t>(static_cast<std::uint32_t>(later) - static_cast<std::uint32_t>(earlier));
}
std::int32_t wrappingIncrement(std::int32_t value) {
    return static_cast<std::int32_t>(static_cast<std::uint32_t>(value) + 1u);
}

void closeRecording() {
    closeLogFile(RecorderState.logFile);
    RecorderState.logFile = nullptr;
    RecorderState.recording = 0;
    RecorderState.writing = 0;
}

// A line the stream cannot take ends the recording, so the record icon turns
// red instead of the recorder carrying on as if the rows were stored.
void writeLine(std::string_view text) {
    if (RecorderState.recording == 0) return;
    if (!writeLogLine(RecorderState.logFile, text)) closeRecording();
}

void writeHeader() {
    char line[LOG_LINE_BUFFER_SIZE];
    const std::size_t length = formatLogHeader(line, sizeof line);
    writeLine({line, length});
}

void writeRow() {
    char line[LOG_LINE_BUFFER_SIZE];
    const std::size_t length = formatLogRow(line, sizeof line, RecorderState.rowIndex, LatestValues);
    writeLine({line, length});
}

void endRecording(std::string_view lastLine) {
    writeLine(lastLine);
    if (RecorderState.recording == 1) closeRecording();
}

void startRecording() {
    std::FILE* log = openLogFile();
    if (log == nullptr) {
        RecorderState.recording = 0;
        RecorderState.writing = 0;
        RecorderState.rowIndex = 0;
        return;
    }
    RecorderState.logFile = log;
    RecorderState.recording = 1;
    RecorderState.writing = 1;
    writeLine(LOG_RECORDING_ENABLED_LINE);
    writeHeader();
}

void takeSample(double speed, std::int32_t ticks, std::int32_t gap) {
    const std::int32_t speedNow = truncateToInt32(speed);
    AccelSampler.rate = truncateToInt32((speedNow - AccelSampler.lastSpeed) * ACCEL_FACTOR / gap);
    AccelSampler.lastSpeed = speedNow;
    AccelSampler.lastTick = ticks;
    if (RecorderState.writing == 1) writeRow();
    // The index counts samples, whether or not a row was written.
    RecorderState.rowIndex = wrappingIncrement(RecorderState.rowIndex);
}

}  // namespace

std::int32_t recordButtonPressed(std::uint32_t, std::uint32_t) {
    if (RecorderState.recording == 1) {
        endRecording(LOG_END_RECORDING_LINE);
    } else {
        startRecording();
    }
    return HANDLED;
}

std::int32_t pauseButtonPressed(std::uint32_t, std::uint32_t) {
    if (RecorderState.recording == 0) return HANDLED;
    if (RecorderState.writing == 1) {
        RecorderState.writing = 0;
    } else {
        RecorderState.writing = 1;
        writeHeader();
    }
    return HANDLED;
}

double recordIconState(ModuleVariable* /*tickSlot*/) { return RecorderState.recording == 1 ? ICON_GREEN : ICON_RED; }

double pauseIconState(ModuleVariable* /*tickSlot*/) { return RecorderState.writing == 1 ? ICON_GREEN : ICON_RED; }

double acelReadout(double speed) {
    hostServices()->refreshVariable(&tickVar);
    const std::int32_t ticks = truncateToInt32(tickVar.value);
    const std::int32_t gap = wrappingDifference(ticks, AccelSampler.lastTick);
    if (gap > SAMPLE_GAP) takeSample(speed, ticks, gap);
    wsprintfA(element(TextField::ACEL).text, BOX_FORMAT, AccelSampler.rate);
    return speed;
}

double rowIndexReadout(double tickCount) {
    wsprintfA(element(TextField::ROW_INDEX).text, BOX_FORMAT, RecorderState.rowIndex);
    return tickCount;
}

void recorderShutdown() {
    if (RecorderState.recording == 1) endRecording(LOG_EXIT_LINE);
}

// The stream's buffer belongs to this module. A log still open when the module
// is unloaded without its final routine is closed here (no last line): what was
// written reaches the file, and no open stream outlives its buffer.
__attribute__((destructor)) static void closeLogAtUnload() {
    if (RecorderState.recording == 1) closeRecording();
}
