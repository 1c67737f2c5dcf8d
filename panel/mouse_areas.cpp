// Help groups over fourteen readout patches, and the record and pause buttons.
#include "panel/mouse_areas.h"

#include "recorder/recorder.h"

namespace {
constexpr std::int32_t NO_CURSOR = -1;
constexpr std::int32_t BUTTON_CURSOR = 5;

// A help group covers a box's full 44 x 12 interior and closes at once.
constexpr MouseArea helpGroup(std::int32_t x, std::int32_t y, std::uint32_t helpId) {
    return {.kind = AREA_BEGIN_GROUP, .x = x, .y = y, .width = 44, .height = 12, .cursor = NO_CURSOR, .helpId = helpId};
}
constexpr MouseArea button(std::int32_t x, MouseHandler handler) {
    return {.kind = AREA_ACTIVE,
            .x = x,
            .y = 4,
            .width = 10,
            .height = 12,
            .cursor = BUTTON_CURSOR,
            .eventMask = PRESS_EVENT,
            .handler = handler};
}
constexpr MouseArea END_GROUP = {.kind = AREA_END_GROUP, .cursor = NO_CURSOR};
constexpr MouseArea END_OF_LIST = {.kind = AREA_END, .cursor = NO_CURSOR};
constexpr MouseArea WHOLE_GAUGE = {.kind = AREA_BEGIN_GROUP, .cursor = NO_CURSOR};
}  // namespace

// clang-format off
constinit MouseArea mouseAreas[MOUSE_AREA_COUNT] = {
    WHOLE_GAUGE,
    helpGroup(  4, 17, 0xA204), END_GROUP,  // Gal
    helpGroup(  4, 56, 0xA019), END_GROUP,  // Ailrn
    helpGroup(292,  4, 0xA021), END_GROUP,  // Mpsi
    helpGroup(292, 17, 0xA606), END_GROUP,  // Fpsi
    helpGroup( 76, 56, 0xA105), END_GROUP,  // Bank
    helpGroup( 76,  4, 0xA001), END_GROUP,  // Ft
    helpGroup( 76, 17, 0xA003), END_GROUP,  // TAS
    helpGroup( 76, 30, 0xA005), END_GROUP,  // IAS
    helpGroup(148,  4, 0xA51C), END_GROUP,  // G's
    helpGroup(148, 56, 0xA133), END_GROUP,  // Climb
    helpGroup( 76, 69, 0xA105), END_GROUP,  // Pitch
    helpGroup(220,  4, 0xA020), END_GROUP,  // Rpm
    helpGroup(220, 43, 0xA024), END_GROUP,  // Prop
    helpGroup(364, 69, 0xA431), END_GROUP,  // patch of the position area
    button(51, recordButtonPressed),
    button(63, pauseButtonPressed),
    END_GROUP,                              // closes the whole gauge
    END_OF_LIST,
};
// clang-format on
