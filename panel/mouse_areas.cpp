// Help groups over fourteen readout patches, and the record and pause buttons.
#include "panel/mouse_areas.h"

#include "panel/elements.h"
#include "recorder/recorder.h"
#include "schema/panel_grid.h"

namespace {
constexpr std::int32_t NO_CURSOR = -1;
constexpr std::int32_t BUTTON_CURSOR = 5;

// A help group covers the full interior of box (column, row) and closes at once.
constexpr MouseArea helpGroup(std::int32_t column, std::int32_t row, std::uint32_t helpId) {
    return {.kind = AREA_BEGIN_GROUP,
            .x = boxLeft(column),
            .y = boxTop(row),
            .width = BOX_INTERIOR_WIDTH,
            .height = BOX_INTERIOR_HEIGHT,
            .cursor = NO_CURSOR,
            .helpId = helpId};
}
constexpr MouseArea button(std::int32_t x, MouseHandler handler) {
    return {.kind = AREA_ACTIVE,
            .x = x,
            .y = BUTTON_ICONS_Y,
            .width = BUTTON_ICON_WIDTH,
            .height = BUTTON_ICON_HEIGHT,
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
    helpGroup(1, 2, 0xA204), END_GROUP,  // Gal
    helpGroup(1, 5, 0xA019), END_GROUP,  // Ailrn
    helpGroup(5, 1, 0xA021), END_GROUP,  // Mpsi
    helpGroup(5, 2, 0xA606), END_GROUP,  // Fpsi
    helpGroup(2, 5, 0xA105), END_GROUP,  // Bank
    helpGroup(2, 1, 0xA001), END_GROUP,  // Ft
    helpGroup(2, 2, 0xA003), END_GROUP,  // TAS
    helpGroup(2, 3, 0xA005), END_GROUP,  // IAS
    helpGroup(3, 1, 0xA51C), END_GROUP,  // G's
    helpGroup(3, 5, 0xA133), END_GROUP,  // Climb
    helpGroup(2, 6, 0xA105), END_GROUP,  // Pitch
    helpGroup(4, 1, 0xA020), END_GROUP,  // Rpm
    helpGroup(4, 4, 0xA024), END_GROUP,  // Prop
    helpGroup(6, 6, 0xA431), END_GROUP,  // box (6, 6): a patch of the position area
    button(RECORD_ICON_X, recordButtonPressed),
    button(PAUSE_ICON_X, pauseButtonPressed),
    END_GROUP,                           // closes the whole gauge
    END_OF_LIST,
};
// clang-format on
