// The stand-in host: loads a gauge module, lends it panel services and host
// variables, drives its routines and reads back what it shows.
//
// It reads the module's records at their documented byte offsets
// (docs/records.md) and never includes the module's headers: it is an
// independent check of the layout, as a real host would be.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "host/gauge_facts.h"
#include "host/load_error.h"

namespace vorlat {

// The host cannot keep its promise around a call into the module: its log
// folder cannot be entered before the call or the previous folder not regained after it.
struct HostError : std::runtime_error {
    using std::runtime_error::runtime_error;
};

// Host service slots the module may call.
enum class Service : int {
    ElementsRelay1 = 24,
    ElementsSetup = 25,
    ElementsStart = 26,
    ElementsRelay4 = 27,
    ElementsRelay5 = 28,
    ElementsRelay6 = 29,
    ElementsFinal = 31,
    MouseAreasPrepare = 32,
    MouseAreasRegister = 33,
    MouseAreasRelease = 34,
    RegisterVariable = 38,
    RefreshVariable = 40,
};
const char* serviceName(int slot);

// One call the module made to a host service, with its raw argument words.
struct ServiceCall {
    int slot;
    std::vector<std::uintptr_t> args;
    std::uint32_t variableId = 0;  // RegisterVariable / RefreshVariable: the record's id
};

using gauge::COLOUR_GREEN;  // 0x00BBGGRR, as host/gauge_facts.h gives them
using gauge::COLOUR_RED;
using gauge::COLOUR_YELLOW;
using gauge::PRESS_EVENT;
inline constexpr std::size_t TEXT_BUFFER_SIZE = 32;  // bytes the host lends each text element

// An element record as the host reads it. Fields not of the element's kind stay default.
struct ElementView {
    int kind = -1;          // gauge::IMAGE_KIND, TEXT_KIND or ICON_KIND
    std::size_t child = 0;  // index in the child list (the background: none)
    std::int32_t resourceId = 0;
    std::int32_t x = 0, y = 0;
    std::uint32_t drawFlags = 0;
    std::vector<std::array<std::uint32_t, 2>> conditions;  // pairs before the (0, 0) end
    bool hasConditions = false;
    bool hasCallback = false;
    // text elements
    std::array<std::uint32_t, 3> variableIds{};
    std::int32_t width = 0, height = 0, charCount = 0;
    std::uint32_t foreColour = 0, backColour = 0, highlightColour = 0;
    std::string fontName;
    std::int32_t fontWeight = 0;
    std::uint32_t fontCharset = 0, textFlags = 0;
    std::string text;  // the host buffer's current text
    // icons
    std::uint32_t imageCount = 0, selectMode = 0;
    int shownImage = -1;  // from the last update: image index, or -1 for none
    // the double the callback returned at the last update (NaN before any)
    double lastResult = 0;
    bool called = false;
};

struct MouseAreaView {
    std::uint32_t kind = 0;  // gauge::AREA_END, AREA_BEGIN_GROUP, AREA_ACTIVE or AREA_END_GROUP
    std::int32_t x = 0, y = 0, width = 0, height = 0, cursor = 0;
    std::uint32_t helpId = 0, eventMask = 0, eventId = 0, userData = 0;
    bool hasHandler = false;
    int depth = 0;  // groups open around this record
};

// A decoded bitmap resource of the module.
struct Bitmap {
    int width = 0, height = 0;
    int bitsPerPixel = 0;
    std::vector<std::array<std::uint8_t, 3>> palette;  // (red, green, blue)
    std::vector<std::uint8_t> indices;                 // row-major from the top, width * height
    std::array<std::uint8_t, 3> pixel(int x, int y) const { return palette.at(indices.at(std::size_t(y) * width + x)); }
};

struct HostOptions {
    std::string modulePath;      // the module file to load
    bool privateCopy = true;     // load a private copy so the module's state starts at zero
    std::string resourceScript;  // where bitmaps are found without Windows resources; empty: the built-in default
    // The simulator's current folder, where the module's relative log name lands.
    // The host enters it only while the module runs and returns at once; empty:
    // the process's own current folder. Defaulted so option lists may leave it out.
    std::string logFolder{};
};

class Host {
public:
    // Loads, checks tags and name, fills ImportTable; throws LoadError. Calls that
    // run module code throw HostError when the log folder cannot be entered or left.
    explicit Host(HostOptions options);
    ~Host();  // unloads without calling any routine
    Host(const Host&) = delete;
    Host& operator=(const Host&) = delete;

    // Lifecycle, in the order the module needs.
    void setup(std::uint32_t value = 0);
    void start();
    void update();  // one panel update: refresh every child's variable slots, call the children in order
    // A clock driven fast: `updates` times, host variable `tick` moves on by
    // `ticksPerUpdate` and child `index` alone is updated (its slots refreshed, its
    // callback called), all in one call into the module. The other children are
    // not called and keep what they showed. For catching a sampler up over a long
    // stretch (a replay) without drawing the whole panel at every tick.
    void advanceClock(std::size_t index, std::uint32_t tick, double ticksPerUpdate, std::size_t updates);
    void final();
    void relay1();
    void relay4();
    void relay5(std::uint32_t value);
    void relay6();
    void unload();  // moduleDeinit, then unload the library now

    // Host variables: one double per identifier; the throttle (gauge::THROTTLE) also has 16-bit storage.
    void setVariable(std::uint32_t id, double value);
    double variable(std::uint32_t id) const;
    void setThrottleWord(std::int16_t word);
    void setDataWord(std::size_t index, std::int32_t value);  // HostDataBlock, signed 32-bit words

    // The panel as the host reads it now.
    ElementView background() const;
    std::vector<ElementView> children() const;
    ElementView child(std::size_t index) const;
    std::optional<std::size_t> textChildAt(int x, int y) const;  // the text field covering a point

    // Mouse: a press at panel coordinates calls the handler of the active area under it.
    bool press(int x, int y);  // true when a handler ran
    std::optional<std::uint32_t> helpIdAt(int x, int y) const;
    std::vector<MouseAreaView> mouseAreas() const;  // the list as registered; empty when released

    // What the module asked of the host, in order, and calls it had no right to make.
    const std::vector<ServiceCall>& calls() const;
    void clearCalls();
    const std::vector<std::string>& violations() const;

    // Bitmap resources of the module by identifier; throws LoadError when missing.
    Bitmap bitmap(int resourceId) const;

    // Raw access for layout tests.
    const std::byte* linkageRecord() const;
    const std::byte* gaugeHeaderRecord() const;
    const std::byte* rootRecord() const;
    const std::byte* childRecord(std::size_t index) const;
    std::size_t childCount() const;

    struct State;

private:
    State* state_;
};

// The default module file and resource script of this build.
std::string defaultModulePath();
std::string defaultResourceScript();

}  // namespace vorlat
