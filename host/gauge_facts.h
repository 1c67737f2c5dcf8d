// What the stand-in host knows about the gauge it drives, written once and
// independently of the module's own headers (as host/layout.h is for the record
// offsets): the host inputs the gauge reads and their units, the element kinds,
// the bitmaps, the clock, the log's name, the panel's boxes and what each
// readout reads. The host, the built-in flight, traces, pictures, transcripts,
// the replay and the log tools all read the gauge from here; a module that
// disagrees with these facts shows up as a difference instead of being followed.
//
// Where is host variable 73 described? In HOST_INPUTS below, row ALTITUDE.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "schema/sample_clock.h"

namespace vorlat::gauge {

// --- Identity and the exported records' tags --------------------------------
inline constexpr std::string_view GAUGE_NAME = "ZEK.vorlat";
inline constexpr std::uint32_t MODULE_TAG = 0x13;
inline constexpr std::uint32_t HEADER_TAG = 0x262;
inline constexpr std::uint32_t SERVICES_IMPORT_ID = 0x0F;  // ImportTable entry the host fills with its services
inline constexpr std::uint32_t DATA_IMPORT_ID = 2;         // ... and with its data block

// --- Elements, bitmaps and mouse ---------------------------------------------
inline constexpr int PANEL_WIDTH = 436;  // pixels, the background bitmap's size
inline constexpr int PANEL_HEIGHT = 85;

inline constexpr int IMAGE_KIND = 0;  // ElementHeader.type
inline constexpr int TEXT_KIND = 2;
inline constexpr int ICON_KIND = 4;

inline constexpr int BACKGROUND_BITMAP = 4096;
inline constexpr int RECORD_ICON_BITMAP = 8192;  // green triangle; the red one is the next image
inline constexpr int PAUSE_ICON_BITMAP = 8448;   // green bars; the red ones are the next image
inline constexpr int STALL_ICON_BITMAP = 8704;   // the red disc
inline constexpr int ICON_IMAGE_STRIDE = 3;      // an icon's images are resources id, id + 3, id + 6, ...

inline constexpr std::uint32_t AREA_END = 0;  // MouseArea.kind
inline constexpr std::uint32_t AREA_BEGIN_GROUP = 1;
inline constexpr std::uint32_t AREA_ACTIVE = 2;
inline constexpr std::uint32_t AREA_END_GROUP = 3;
inline constexpr std::uint32_t PRESS_EVENT = 0x20000000;  // the event bit the two buttons react to

// Text colours, 0x00BBGGRR: the only three the readouts write.
inline constexpr std::uint32_t COLOUR_RED = 0x0000FF;
inline constexpr std::uint32_t COLOUR_YELLOW = 0x00FFFF;
inline constexpr std::uint32_t COLOUR_GREEN = 0x00FF00;

// --- The clock and the recorder ----------------------------------------------
// The host raises the tick count (variable 1) by one per panel update, at
// DEFAULT_TICK_RATE updates a second; the recorder samples whenever the count
// has moved by TICKS_PER_SAMPLE (schema/sample_clock.h, shared with the module
// and the log tools, so each number has one name and one home).
using ::DEFAULT_TICK_RATE;
using ::TICKS_PER_SAMPLE;
inline constexpr std::string_view LOG_FILE_NAME = "data_log.txt";  // in the simulator's current folder

// --- Host inputs ---------------------------------------------------------------
// Where a value goes in the host: a host variable the module reads as a double,
// a signed 32-bit word of the host's data block, or the throttle's signed 16-bit
// word (variable 127, which the Thrt readout reads through its host address).
enum class Storage { Variable, DataWord, ThrottleWord };

// One input of the gauge. `panelPerRaw` is what the box shows per raw unit
// where that is a plain product; the other conversions have named constants
// below. These are the host's own numbers: the built-in flight and the replay
// compute raw values with them, so a wrong factor in the module shows.
struct HostInput {
    std::string_view traceName;  // column name in a trace file (docs/trace-format.md)
    Storage storage;
    std::uint32_t index;       // variable identifier, or data-block word
    std::string_view rawUnit;  // one raw unit, in words
    std::string_view shownAs;  // what the panel makes of it
    double panelPerRaw = 1.0;
};

// clang-format off
inline constexpr HostInput GROUND_ELEVATION = {.traceName = "ground_elevation_raw", .storage = Storage::Variable, .index = 2,   .rawUnit = "1/256 metre", .shownAs = "Ft colour: red below 500 ft above it, yellow below 3000 ft", .panelPerRaw = 0.01281578125};
inline constexpr HostInput SPEED            = {.traceName = "speed_kt",             .storage = Storage::Variable, .index = 61,  .rawUnit = "knot (the Acel box's speed)", .shownAs = "Acel: the change between samples"};
inline constexpr HostInput CLIMB            = {.traceName = "climb_raw",            .storage = Storage::Variable, .index = 65,  .rawUnit = "0.76875 ft/min", .shownAs = "Climb, ft/min", .panelPerRaw = 0.76875};
inline constexpr HostInput STALL            = {.traceName = "stall_flag",           .storage = Storage::Variable, .index = 67,  .rawUnit = "non-zero while stalled", .shownAs = "stall disc, AoA red, the log's Stall column"};
inline constexpr HostInput LATITUDE         = {.traceName = "latitude_raw",         .storage = Storage::Variable, .index = 71,  .rawUnit = "0.0323943 arc second", .shownAs = "upper position line, N/S"};
inline constexpr HostInput LONGITUDE        = {.traceName = "longitude_raw",        .storage = Storage::Variable, .index = 72,  .rawUnit = "1.27897692e-12 degree, 0 to 360 east", .shownAs = "lower position line, E/W", .panelPerRaw = 1.27897692e-12};
inline constexpr HostInput ALTITUDE         = {.traceName = "altitude_m",           .storage = Storage::Variable, .index = 73,  .rawUnit = "metre", .shownAs = "Ft, feet", .panelPerRaw = 3.28084};
inline constexpr HostInput PITCH            = {.traceName = "pitch_deg",            .storage = Storage::Variable, .index = 78,  .rawUnit = "degree, nose down positive", .shownAs = "Pitch, sign reversed", .panelPerRaw = -1.0};
inline constexpr HostInput BANK             = {.traceName = "bank_deg",             .storage = Storage::Variable, .index = 80,  .rawUnit = "degree", .shownAs = "Bank; Roll is its rate"};
inline constexpr HostInput HEADING          = {.traceName = "heading_deg",          .storage = Storage::Variable, .index = 84,  .rawUnit = "degree", .shownAs = "Hdg; Turn is its rate"};
inline constexpr HostInput THROTTLE         = {.traceName = "throttle_word",        .storage = Storage::ThrottleWord, .index = 127, .rawUnit = "1/16384 of full throttle, 16-bit", .shownAs = "Thrt, (word + 1) / 16384 in percent, at most 100"};
inline constexpr HostInput TAS_WORD         = {.traceName = "tas_word",             .storage = Storage::DataWord, .index = 174, .rawUnit = "0.009 knot, 32-bit", .shownAs = "TAS, knots", .panelPerRaw = 0.009};
inline constexpr HostInput IAS_WORD         = {.traceName = "ias_word",             .storage = Storage::DataWord, .index = 175, .rawUnit = "0.009 knot, 32-bit", .shownAs = "IAS, knots", .panelPerRaw = 0.009};
inline constexpr HostInput ELEVATOR         = {.traceName = "elevator_raw",         .storage = Storage::Variable, .index = 310, .rawUnit = "15/8192 degree", .shownAs = "Elev", .panelPerRaw = 0.0018310546875};
inline constexpr HostInput AILERON          = {.traceName = "aileron_raw",          .storage = Storage::Variable, .index = 312, .rawUnit = "73/32768 degree", .shownAs = "Ailrn", .panelPerRaw = 0.002227783203125};
inline constexpr HostInput PRESSURE         = {.traceName = "pressure_raw",         .storage = Storage::Variable, .index = 342, .rawUnit = "0.0018467021875 psi", .shownAs = "unlabelled box (5, 5), #", .panelPerRaw = 0.0018467021875};
inline constexpr HostInput AOA              = {.traceName = "aoa_raw",              .storage = Storage::Variable, .index = 349, .rawUnit = "32767 minus angle / (77/16384 degree)", .shownAs = "AoA, degrees"};
inline constexpr HostInput TEMPERATURE      = {.traceName = "temperature_raw",      .storage = Storage::Variable, .index = 350, .rawUnit = "460 F above 32 F", .shownAs = "unlabelled box (5, 6), F"};
inline constexpr HostInput G_LOAD           = {.traceName = "g_raw",                .storage = Storage::Variable, .index = 351, .rawUnit = "0.001669449 g", .shownAs = "G's", .panelPerRaw = 0.001669449};
inline constexpr HostInput AUX_FUEL         = {.traceName = "aux_fuel_gal",         .storage = Storage::Variable, .index = 385, .rawUnit = "gallon", .shownAs = "Aux"};
inline constexpr HostInput FUEL             = {.traceName = "fuel_gal",             .storage = Storage::Variable, .index = 386, .rawUnit = "gallon", .shownAs = "Gal"};
inline constexpr HostInput RPM              = {.traceName = "rpm",                  .storage = Storage::Variable, .index = 390, .rawUnit = "revolution per minute", .shownAs = "Rpm"};
inline constexpr HostInput MANIFOLD         = {.traceName = "manifold_raw",         .storage = Storage::Variable, .index = 391, .rawUnit = "0.014139 psi", .shownAs = "Mpsi", .panelPerRaw = 0.014139};
inline constexpr HostInput POWER            = {.traceName = "power_raw",            .storage = Storage::Variable, .index = 402, .rawUnit = "0.0018182 hp", .shownAs = "Hp", .panelPerRaw = 0.0018182};
inline constexpr HostInput TORQUE           = {.traceName = "torque",               .storage = Storage::Variable, .index = 403, .rawUnit = "as shown", .shownAs = "Torq"};
inline constexpr HostInput WEP              = {.traceName = "wep_count",            .storage = Storage::Variable, .index = 409, .rawUnit = "as shown", .shownAs = "WepT"};
inline constexpr HostInput WSGT             = {.traceName = "wsgt",                 .storage = Storage::Variable, .index = 410, .rawUnit = "as shown", .shownAs = "Wsgt"};
inline constexpr HostInput PROP             = {.traceName = "prop_rad",             .storage = Storage::Variable, .index = 411, .rawUnit = "radian", .shownAs = "Prop, degrees (the gauge's own 57.2519 per radian)", .panelPerRaw = 57.2519};
inline constexpr HostInput THRUST           = {.traceName = "thrust_lb",            .storage = Storage::Variable, .index = 412, .rawUnit = "pound", .shownAs = "Thrst"};
inline constexpr HostInput CHT              = {.traceName = "cht_rankine",          .storage = Storage::Variable, .index = 415, .rawUnit = "degree Rankine", .shownAs = "CHT, F"};
inline constexpr HostInput OIL_TEMPERATURE  = {.traceName = "oil_temp_rankine",     .storage = Storage::Variable, .index = 416, .rawUnit = "degree Rankine", .shownAs = "Oil T, F"};
inline constexpr HostInput ROT              = {.traceName = "rot_rankine",          .storage = Storage::Variable, .index = 417, .rawUnit = "degree Rankine", .shownAs = "ROT, F (0 leaves the box as it was)"};
inline constexpr HostInput OIL_PRESSURE     = {.traceName = "oil_pressure_raw",     .storage = Storage::Variable, .index = 418, .rawUnit = "0.006944 psi", .shownAs = "Oil P", .panelPerRaw = 0.006944};
inline constexpr HostInput FUEL_FLOW        = {.traceName = "fuel_flow_raw",        .storage = Storage::Variable, .index = 421, .rawUnit = "1/6 gallon per hour", .shownAs = "Gph", .panelPerRaw = 0.1666667};
inline constexpr HostInput FUEL_PRESSURE    = {.traceName = "fuel_pressure_raw",    .storage = Storage::Variable, .index = 425, .rawUnit = "0.009263 psi", .shownAs = "Fpsi", .panelPerRaw = 0.009263};
// clang-format on

// Every input a flight or a trace may feed, in the order the trace documentation lists them.
inline constexpr std::array<const HostInput*, 35> HOST_INPUTS = {
    &GROUND_ELEVATION, &SPEED,    &CLIMB,        &STALL,     &LATITUDE,      &LONGITUDE,
    &ALTITUDE,         &PITCH,    &BANK,         &HEADING,   &THROTTLE,      &TAS_WORD,
    &IAS_WORD,         &ELEVATOR, &AILERON,      &PRESSURE,  &AOA,           &TEMPERATURE,
    &G_LOAD,           &AUX_FUEL, &FUEL,         &RPM,       &MANIFOLD,      &POWER,
    &TORQUE,           &WEP,      &WSGT,         &PROP,      &THRUST,        &CHT,
    &OIL_TEMPERATURE,  &ROT,      &OIL_PRESSURE, &FUEL_FLOW, &FUEL_PRESSURE,
};

// The tick count the host itself raises; no flight or trace may set it.
inline constexpr std::uint32_t TICK_VARIABLE = 1;
inline constexpr std::size_t DATA_BLOCK_WORDS = 256;  // the host's data block, of which the gauge reads two

// Conversions that are more than a product (panel value from raw value x):
inline constexpr double AOA_ZERO_RAW = 32767.0;                  // AoA = (32767 - x) * AOA_DEGREES_PER_RAW
inline constexpr double AOA_DEGREES_PER_RAW = 0.00469970703125;  // 77 / 16384
inline constexpr double TEMPERATURE_SPAN_F = 460.0;              // temperature box: x * 460 + 32 F
inline constexpr double TEMPERATURE_BASE_F = 32.0;
inline constexpr double RANKINE_OFFSET_F = 459.7;      // CHT, Oil T, ROT: x - 459.7 F
inline constexpr double THROTTLE_FULL_WORD = 16384.0;  // Thrt: (word + 1) / 16384 * 100 percent
inline constexpr double LATITUDE_FACTOR = 0.0647886;   // latitude: x * 0.0647886 / 2 arc seconds
inline constexpr double LATITUDE_DIVISOR = 2.0;
inline constexpr double ARC_SECONDS_PER_DEGREE = 3600.0;
inline constexpr double FULL_TURN_DEGREES = 360.0;  // longitudes from 0 to 360 east

// --- The panel's boxes -----------------------------------------------------------
// A box is named by its background label; (1, 1), (5, 5) and (5, 6) have none and
// are named after what they show. Two position lines share the dark area.
inline constexpr int GRID_LEFT = 4, GRID_TOP = 4;  // the top-left box's inner top-left pixel
inline constexpr int BOX_PITCH_X = 72, BOX_PITCH_Y = 13;
inline constexpr int GRID_COLUMNS = 6, GRID_ROWS = 6;
inline constexpr std::array<std::array<std::string_view, GRID_COLUMNS>, GRID_ROWS> BOX_LABELS{{
    {"row", "Ft", "G's", "Rpm", "Mpsi", "ROT"},
    {"Gal", "TAS", "Acel", "Hp", "Fpsi", "CHT"},
    {"Aux", "IAS", "Roll", "Torq", "Thrt", "Oil T"},
    {"Gph", "Hdg", "Turn", "Prop", "Wsgt", "Oil P"},
    {"Ailrn", "Bank", "Climb", "Thrst", "pressure", ""},
    {"Elev", "Pitch", "AoA", "WepT", "temperature", ""},
}};
inline constexpr int POSITION_AREA_X = 346, LATITUDE_LINE_Y = 60, LONGITUDE_LINE_Y = 72;

// What each readout's text and colour read: its host inputs and how it uses
// the tick count. A picture drawn from fewer inputs than these (a replay of a
// log) cannot show that readout as the flight did.
enum class Clock {
    None,
    Samples,    // counts the recorder's samples (the row box)
    PerSample,  // a change between samples (Acel)
    PerUpdate,  // a change summed over the last updates (Roll, Turn): needs its input at every update
};
struct ReadoutInputs {
    std::string_view box;                      // a BOX_LABELS name, or a position line's
    std::array<const HostInput*, 2> inputs{};  // unused places null
    Clock clock = Clock::None;
};
inline constexpr std::string_view LATITUDE_LINE = "latitude", LONGITUDE_LINE = "longitude";

// clang-format off
inline constexpr std::array<ReadoutInputs, 36> READOUT_INPUTS{{
    {.box = "row",         .inputs = {},                               .clock = Clock::Samples},
    {.box = "Ft",          .inputs = {&ALTITUDE, &GROUND_ELEVATION}},  // colour: height above the ground
    {.box = "G's",         .inputs = {&G_LOAD}},
    {.box = "Rpm",         .inputs = {&RPM}},
    {.box = "Mpsi",        .inputs = {&MANIFOLD}},
    {.box = "ROT",         .inputs = {&ROT}},
    {.box = "Gal",         .inputs = {&FUEL}},
    {.box = "TAS",         .inputs = {&TAS_WORD}},
    {.box = "Acel",        .inputs = {&SPEED},                         .clock = Clock::PerSample},
    {.box = "Hp",          .inputs = {&POWER}},
    {.box = "Fpsi",        .inputs = {&FUEL_PRESSURE}},
    {.box = "CHT",         .inputs = {&CHT}},
    {.box = "Aux",         .inputs = {&AUX_FUEL}},
    {.box = "IAS",         .inputs = {&IAS_WORD}},
    {.box = "Roll",        .inputs = {&BANK},                          .clock = Clock::PerUpdate},
    {.box = "Torq",        .inputs = {&TORQUE}},
    {.box = "Thrt",        .inputs = {&THROTTLE}},
    {.box = "Oil T",       .inputs = {&OIL_TEMPERATURE}},
    {.box = "Gph",         .inputs = {&FUEL_FLOW}},
    {.box = "Hdg",         .inputs = {&HEADING}},
    {.box = "Turn",        .inputs = {&HEADING},                       .clock = Clock::PerUpdate},
    {.box = "Prop",        .inputs = {&PROP}},
    {.box = "Wsgt",        .inputs = {&WSGT}},
    {.box = "Oil P",       .inputs = {&OIL_PRESSURE}},
    {.box = "Ailrn",       .inputs = {&AILERON}},
    {.box = "Bank",        .inputs = {&BANK}},
    {.box = "Climb",       .inputs = {&CLIMB}},
    {.box = "Thrst",       .inputs = {&THRUST}},
    {.box = "pressure",    .inputs = {&PRESSURE}},
    {.box = "Elev",        .inputs = {&ELEVATOR}},
    {.box = "Pitch",       .inputs = {&PITCH}},
    {.box = "AoA",         .inputs = {&AOA, &STALL}},                  // colour: red while stalled
    {.box = "WepT",        .inputs = {&WEP}},
    {.box = "temperature", .inputs = {&TEMPERATURE}},
    {.box = LATITUDE_LINE, .inputs = {&LATITUDE}},
    {.box = LONGITUDE_LINE, .inputs = {&LONGITUDE}},
}};
// clang-format on

// Where a readout's text field lies: a box's top-left inner pixel, or a position line's.
struct ReadoutPlace {
    int x = 0, y = 0;
};
constexpr ReadoutPlace readoutPlace(std::string_view box) {
    if (box == LATITUDE_LINE) return {POSITION_AREA_X, LATITUDE_LINE_Y};
    if (box == LONGITUDE_LINE) return {POSITION_AREA_X, LONGITUDE_LINE_Y};
    for (int row = 0; row < GRID_ROWS; ++row)
        for (int column = 0; column < GRID_COLUMNS; ++column)
            if (BOX_LABELS[std::size_t(row)][std::size_t(column)] == box)
                return {GRID_LEFT + column * BOX_PITCH_X, GRID_TOP + row * BOX_PITCH_Y};
    return {-1, -1};
}

// Every labelled box and both position lines have one row. (That every input
// listed is one of HOST_INPUTS is a test's: a sanitizer's null checks keep
// "pointer == nullptr" out of constant expressions.)
constexpr bool readoutInputsAreComplete() {
    std::size_t boxes = 2;
    for (const auto& row : BOX_LABELS)
        for (const std::string_view label : row) boxes += !label.empty();
    if (boxes != READOUT_INPUTS.size()) return false;
    for (std::size_t i = 0; i < READOUT_INPUTS.size(); ++i) {
        const ReadoutInputs& readout = READOUT_INPUTS[i];
        if (readoutPlace(readout.box).x < 0) return false;
        for (std::size_t j = 0; j < i; ++j)
            if (READOUT_INPUTS[j].box == readout.box) return false;
    }
    return true;
}
static_assert(readoutInputsAreComplete(), "READOUT_INPUTS: one row per box");

struct IconRole {
    int firstBitmap;
    std::string_view label;
};
inline constexpr std::array<IconRole, 3> ICON_ROLES{{
    {RECORD_ICON_BITMAP, "record_icon"},
    {PAUSE_ICON_BITMAP, "pause_icon"},
    {STALL_ICON_BITMAP, "stall_icon"},
}};

}  // namespace vorlat::gauge
