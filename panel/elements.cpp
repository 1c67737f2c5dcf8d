// The element tree: one background image, three icons and 36 text fields.
// Every record is constant-initialised data; the host reads and fills it.
//
// To add a text field: add its entry to TextField (elements.h) at its place in
// the drawing order, its row at the same place in TEXT_ROWS below, and its
// readout (readouts/pipeline.h says how). The records and childList follow.
#include "panel/elements.h"

#include "panel/bitmap_ids.h"  // generated from the BITMAP lines of panel/resources/gauge.rc
#include "readouts/readouts.h"
#include "recorder/recorder.h"
#include "schema/panel_grid.h"

namespace {

constexpr std::int32_t NO_BITMAP = -1;
// The host shows image n of an icon from resource firstBitmap + n * ICON_IMAGE_STRIDE.
constexpr std::int32_t ICON_IMAGE_STRIDE = 3;
static_assert(RECORD_OFF_BITMAP == RECORD_ON_BITMAP + ICON_IMAGE_STRIDE, "the record icon's second image");
static_assert(PAUSE_OFF_BITMAP == PAUSE_ON_BITMAP + ICON_IMAGE_STRIDE, "the pause icon's second image");

constexpr std::uint32_t BACKGROUND_DRAW_FLAGS = 1;
constexpr std::uint32_t ICON_DRAW_FLAGS = 3;
constexpr std::uint32_t TEXT_DRAW_FLAGS = 6;
constexpr std::uint32_t SELECT_BY_INDEX = 3;

constexpr std::int32_t BOX_FIELD_WIDTH = BOX_INTERIOR_WIDTH;
constexpr std::int32_t POSITION_FIELD_WIDTH = 88;
constexpr std::int32_t FIELD_HEIGHT = 11;
constexpr std::int32_t BOX_CHARS = 5;
constexpr std::int32_t POSITION_CHARS = 10;

constexpr std::uint32_t FIELD_GREY = 0x5C5C5C;
constexpr std::uint32_t HIGHLIGHT_BLACK = 0x000000;
constexpr std::int32_t FONT_WEIGHT_NORMAL = 400;
constexpr std::uint32_t DEFAULT_CHARSET = 1;
constexpr std::uint32_t TEXT_CENTRED_SINGLE_LINE = 0x01 | 0x04 | 0x20;

// One row of the text-field table; everything else is common to all fields.
struct TextRow {
    TextField field;  // the row's own entry: rows stand in TextField order
    std::int32_t x;
    std::int32_t y;
    std::int32_t width = BOX_FIELD_WIDTH;
    std::int32_t chars = BOX_CHARS;
    std::uint32_t hostVariable;
    std::uint32_t secondVariable = 0;
    ReadoutCallback readout;
};

constexpr TextElement textElement(TextRow row) {
    return TextElement{
        .header = {.type = TEXT_ELEMENT,
                   .resourceId = NO_BITMAP,
                   .x = row.x,
                   .y = row.y,
                   .gauge = &gaugeHeader,
                   .conditions = conditionList,
                   .drawFlags = TEXT_DRAW_FLAGS},
        .vars = {{.id = row.hostVariable}, {.id = row.secondVariable}, {.id = 0}},
        .callback = row.readout,
        .width = row.width,
        .height = FIELD_HEIGHT,
        .foreColour = COLOUR_GREEN,
        .backColour = FIELD_GREY,
        .highlightColour = HIGHLIGHT_BLACK,
        .fontName = "Courier New",
        .fontWeight = FONT_WEIGHT_NORMAL,
        .fontCharset = DEFAULT_CHARSET,
        .textFlags = TEXT_CENTRED_SINGLE_LINE,
        .charCount = row.chars,
    };
}

struct IconRow {
    std::int32_t x;
    std::int32_t y;
    std::int32_t firstBitmap;
    std::uint32_t imageCount;
    std::uint32_t hostVariable;
    IconCallback state;
};

constexpr IconElement icon(IconRow row) {
    return IconElement{
        .header = {.type = ICON_ELEMENT,
                   .resourceId = row.firstBitmap,
                   .x = row.x,
                   .y = row.y,
                   .gauge = &gaugeHeader,
                   .conditions = conditionList,
                   .drawFlags = ICON_DRAW_FLAGS},
        .var = {.id = row.hostVariable},
        .callback = row.state,
        .selectMode = SELECT_BY_INDEX,
        .imageCount = row.imageCount,
    };
}

}  // namespace

constinit ConditionPair conditionList[2] = {{.key = 1, .action = 3}, {.key = 0, .action = 0}};

constinit ImageElement background = {
    .header = {.type = IMAGE_ELEMENT,
               .resourceId = BACKGROUND_BITMAP,
               .x = 0,
               .y = 0,
               .gauge = &gaugeHeader,
               .children = childList.data(),
               .conditions = nullptr,
               .drawFlags = BACKGROUND_DRAW_FLAGS},
};

// clang-format off
constinit IconElement recordIcon = icon({.x = RECORD_ICON_X, .y = BUTTON_ICONS_Y, .firstBitmap = RECORD_ON_BITMAP, .imageCount = 2, .hostVariable = TICK_VAR_ID,  .state = recordIconState});
constinit IconElement pauseIcon  = icon({.x = PAUSE_ICON_X,  .y = BUTTON_ICONS_Y, .firstBitmap = PAUSE_ON_BITMAP,  .imageCount = 2, .hostVariable = TICK_VAR_ID,  .state = pauseIconState});
constinit IconElement stallIcon  = icon({.x = 201,           .y = 70,             .firstBitmap = STALL_BITMAP,     .imageCount = 1, .hostVariable = STALL_VAR_ID, .state = stallIconState});

namespace {
constexpr TextRow TEXT_ROWS[] = {
    {.field = TextField::GAL,         .x = boxLeft(1), .y = boxTop(2), .hostVariable = 386,            .readout = galReadout},
    {.field = TextField::AUX,         .x = boxLeft(1), .y = boxTop(3), .hostVariable = 385,            .readout = auxReadout},
    {.field = TextField::FPSI,        .x = boxLeft(5), .y = boxTop(2), .hostVariable = 425,            .readout = fpsiReadout},
    {.field = TextField::MPSI,        .x = boxLeft(5), .y = boxTop(1), .hostVariable = 391,            .readout = mpsiReadout},
    {.field = TextField::THRT,        .x = boxLeft(5), .y = boxTop(3), .hostVariable = 0,              .readout = thrtReadout},
    {.field = TextField::WSGT,        .x = boxLeft(5), .y = boxTop(4), .hostVariable = 410,            .readout = wsgtReadout},
    {.field = TextField::GPH,         .x = boxLeft(1), .y = boxTop(4), .hostVariable = 421,            .readout = gphReadout},
    {.field = TextField::AILRN,       .x = boxLeft(1), .y = boxTop(5), .hostVariable = 312,            .readout = ailrnReadout},
    {.field = TextField::BANK,        .x = boxLeft(2), .y = boxTop(5), .hostVariable = BANK_VAR_ID,    .readout = bankReadout},
    {.field = TextField::FT,          .x = boxLeft(2), .y = boxTop(1), .hostVariable = 73,             .secondVariable = GROUND_VAR_ID, .readout = ftReadout},
    {.field = TextField::TAS,         .x = boxLeft(2), .y = boxTop(2), .hostVariable = SPEED_VAR_ID,   .readout = tasReadout},
    {.field = TextField::IAS,         .x = boxLeft(2), .y = boxTop(3), .hostVariable = SPEED_VAR_ID,   .readout = iasReadout},
    {.field = TextField::HDG,         .x = boxLeft(2), .y = boxTop(4), .hostVariable = HEADING_VAR_ID, .readout = hdgReadout},
    {.field = TextField::TURN,        .x = boxLeft(3), .y = boxTop(4), .hostVariable = TICK_VAR_ID,    .readout = turnReadout},
    {.field = TextField::ROLL,        .x = boxLeft(3), .y = boxTop(3), .hostVariable = TICK_VAR_ID,    .readout = rollReadout},
    {.field = TextField::ACEL,        .x = boxLeft(3), .y = boxTop(2), .hostVariable = SPEED_VAR_ID,   .readout = acelReadout},
    {.field = TextField::GS,          .x = boxLeft(3), .y = boxTop(1), .hostVariable = 351,            .readout = gsReadout},
    {.field = TextField::CLIMB,       .x = boxLeft(3), .y = boxTop(5), .hostVariable = 65,             .readout = climbReadout},
    {.field = TextField::PITCH,       .x = boxLeft(2), .y = boxTop(6), .hostVariable = 78,             .readout = pitchReadout},
    {.field = TextField::RPM,         .x = boxLeft(4), .y = boxTop(1), .hostVariable = 390,            .readout = rpmReadout},
    {.field = TextField::HP,          .x = boxLeft(4), .y = boxTop(2), .hostVariable = 402,            .readout = hpReadout},
    {.field = TextField::THRST,       .x = boxLeft(4), .y = boxTop(5), .hostVariable = 412,            .readout = thrstReadout},
    {.field = TextField::PROP,        .x = boxLeft(4), .y = boxTop(4), .hostVariable = 411,            .readout = propReadout},
    {.field = TextField::TORQ,        .x = boxLeft(4), .y = boxTop(3), .hostVariable = 403,            .readout = torqReadout},
    {.field = TextField::WEPT,        .x = boxLeft(4), .y = boxTop(6), .hostVariable = 409,            .readout = weptReadout},
    {.field = TextField::ROW_INDEX,   .x = boxLeft(1), .y = boxTop(1), .hostVariable = TICK_VAR_ID,    .readout = rowIndexReadout},
    {.field = TextField::PRESSURE,    .x = boxLeft(5), .y = boxTop(5), .hostVariable = 342,            .readout = pressureReadout},
    {.field = TextField::TEMPERATURE, .x = boxLeft(5), .y = boxTop(6), .hostVariable = 350,            .readout = temperatureReadout},
    {.field = TextField::AOA,         .x = boxLeft(3), .y = boxTop(6), .hostVariable = 349,            .readout = aoaReadout},
    {.field = TextField::OIL_T,       .x = boxLeft(6), .y = boxTop(3), .hostVariable = 416,            .readout = oilTReadout},
    {.field = TextField::OIL_P,       .x = boxLeft(6), .y = boxTop(4), .hostVariable = 418,            .readout = oilPReadout},
    {.field = TextField::ROT,         .x = boxLeft(6), .y = boxTop(1), .hostVariable = 417,            .readout = rotReadout},
    {.field = TextField::CHT,         .x = boxLeft(6), .y = boxTop(2), .hostVariable = 415,            .readout = chtReadout},
    {.field = TextField::LATITUDE,    .x = POSITION_AREA_LEFT, .y = LATITUDE_LINE_TOP, .width = POSITION_FIELD_WIDTH, .chars = POSITION_CHARS, .hostVariable = 71,             .readout = latitudeReadout},
    {.field = TextField::LONGITUDE,   .x = POSITION_AREA_LEFT, .y = LONGITUDE_LINE_TOP, .width = POSITION_FIELD_WIDTH, .chars = POSITION_CHARS, .hostVariable = 72,             .readout = longitudeReadout},
    {.field = TextField::ELEV,        .x = boxLeft(1), .y = boxTop(6), .hostVariable = 310,            .readout = elevReadout},
};
// clang-format on

// A row out of place would give its readout another field's element. (That
// each row names a readout of its own is checked by the element-binding test:
// function addresses are not comparable at compile time in every build.)
constexpr bool rowsMatchTheirFields() {
    for (std::size_t i = 0; i < std::size(TEXT_ROWS); ++i) {
        if (TEXT_ROWS[i].field != static_cast<TextField>(i)) return false;
    }
    return true;
}
static_assert(std::size(TEXT_ROWS) == TEXT_FIELD_COUNT, "one row per TextField entry");
static_assert(rowsMatchTheirFields(), "row i must name TextField entry i");

constexpr std::array<TextElement, TEXT_FIELD_COUNT> textElements() {
    std::array<TextElement, TEXT_FIELD_COUNT> elements{};
    for (std::size_t i = 0; i < TEXT_FIELD_COUNT; ++i) elements[i] = textElement(TEXT_ROWS[i]);
    return elements;
}

// The drawing order: icons first, then the text fields in TextField order, then
// the null the host stops at. The stall icon and the readouts from Gal to Roll
// come before Acel, the recorder's clock.
constexpr std::array<ElementHeader*, CHILD_COUNT + 1> drawingOrder() {
    std::array<ElementHeader*, CHILD_COUNT + 1> order{&recordIcon.header, &pauseIcon.header, &stallIcon.header};
    for (std::size_t i = 0; i < TEXT_FIELD_COUNT; ++i) order[ICON_COUNT + i] = &textFields[i].header;
    return order;
}
}  // namespace

constinit std::array<TextElement, TEXT_FIELD_COUNT> textFields = textElements();
constinit std::array<ElementHeader*, CHILD_COUNT + 1> childList = drawingOrder();

constinit ElementHeader* elementList[2] = {&background.header, nullptr};
