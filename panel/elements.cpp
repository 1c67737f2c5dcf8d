// The element tree: one background image, three icons and 36 text fields.
// Every record is constant-initialised data; the host reads and fills it.
//
// To add a text field: declare it in elements.h, add one row below, and put it
// into childList at its place in the drawing order.
#include "panel/elements.h"

#include "readouts/readouts.h"
#include "recorder/recorder.h"

namespace {

constexpr std::int32_t BACKGROUND_BITMAP = 4096;
constexpr std::int32_t RECORD_ICON_BITMAP = 8192;
constexpr std::int32_t PAUSE_ICON_BITMAP = 8448;
constexpr std::int32_t STALL_ICON_BITMAP = 8704;
constexpr std::int32_t NO_BITMAP = -1;

constexpr std::uint32_t BACKGROUND_DRAW_FLAGS = 1;
constexpr std::uint32_t ICON_DRAW_FLAGS = 3;
constexpr std::uint32_t TEXT_DRAW_FLAGS = 6;
constexpr std::uint32_t SELECT_BY_INDEX = 3;

constexpr std::int32_t BOX_FIELD_WIDTH = 44;
constexpr std::int32_t POSITION_FIELD_WIDTH = 88;
constexpr std::int32_t FIELD_HEIGHT = 11;
constexpr std::int32_t BOX_CHARS = 5;
constexpr std::int32_t POSITION_CHARS = 10;

constexpr std::uint32_t FIELD_GREY = 0x5C5C5C;
constexpr std::uint32_t HIGHLIGHT_BLACK = 0x000000;
constexpr std::int32_t FONT_WEIGHT_NORMAL = 400;
constexpr std::uint32_t DEFAULT_CHARSET = 1;
constexpr std::uint32_t TEXT_CENTRED_SINGLE_LINE = 0x01 | 0x04 | 0x20;

constexpr std::uint32_t STALL_VAR_ID = 67;
constexpr std::uint32_t GROUND_VAR_ID = 2;

// One row of the text-field table; everything else is common to all fields.
struct TextRow {
    std::int32_t x;
    std::int32_t y;
    std::int32_t width = BOX_FIELD_WIDTH;
    std::int32_t chars = BOX_CHARS;
    std::uint32_t hostVariable;
    std::uint32_t secondVariable = 0;
    ReadoutCallback readout;
};

constexpr TextElement textField(TextRow row) {
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
               .children = childList,
               .conditions = nullptr,
               .drawFlags = BACKGROUND_DRAW_FLAGS},
};

// clang-format off
constinit IconElement recordIcon = icon({.x =  51, .y =  4, .firstBitmap = RECORD_ICON_BITMAP, .imageCount = 2, .hostVariable = TICK_VAR_ID,  .state = recordIconState});
constinit IconElement pauseIcon  = icon({.x =  63, .y =  4, .firstBitmap = PAUSE_ICON_BITMAP,  .imageCount = 2, .hostVariable = TICK_VAR_ID,  .state = pauseIconState});
constinit IconElement stallIcon  = icon({.x = 201, .y = 70, .firstBitmap = STALL_ICON_BITMAP,  .imageCount = 1, .hostVariable = STALL_VAR_ID, .state = stallIconState});

constinit TextElement galBox         = textField({.x =   4, .y = 17, .hostVariable = 386, .readout = galReadout});
constinit TextElement auxBox         = textField({.x =   4, .y = 30, .hostVariable = 385, .readout = auxReadout});
constinit TextElement fpsiBox        = textField({.x = 292, .y = 17, .hostVariable = 425, .readout = fpsiReadout});
constinit TextElement mpsiBox        = textField({.x = 292, .y =  4, .hostVariable = 391, .readout = mpsiReadout});
constinit TextElement thrtBox        = textField({.x = 292, .y = 30, .hostVariable =   0, .readout = thrtReadout});
constinit TextElement wsgtBox        = textField({.x = 292, .y = 43, .hostVariable = 410, .readout = wsgtReadout});
constinit TextElement gphBox         = textField({.x =   4, .y = 43, .hostVariable = 421, .readout = gphReadout});
constinit TextElement ailrnBox       = textField({.x =   4, .y = 56, .hostVariable = 312, .readout = ailrnReadout});
constinit TextElement bankBox        = textField({.x =  76, .y = 56, .hostVariable =  80, .readout = bankReadout});
constinit TextElement ftBox          = textField({.x =  76, .y =  4, .hostVariable =  73, .secondVariable = GROUND_VAR_ID, .readout = ftReadout});
constinit TextElement tasBox         = textField({.x =  76, .y = 17, .hostVariable =  61, .readout = tasReadout});
constinit TextElement iasBox         = textField({.x =  76, .y = 30, .hostVariable =  61, .readout = iasReadout});
constinit TextElement hdgBox         = textField({.x =  76, .y = 43, .hostVariable =  84, .readout = hdgReadout});
constinit TextElement turnBox        = textField({.x = 148, .y = 43, .hostVariable =   1, .readout = turnReadout});
constinit TextElement rollBox        = textField({.x = 148, .y = 30, .hostVariable =   1, .readout = rollReadout});
constinit TextElement acelBox        = textField({.x = 148, .y = 17, .hostVariable =  61, .readout = acelReadout});
constinit TextElement gsBox          = textField({.x = 148, .y =  4, .hostVariable = 351, .readout = gsReadout});
constinit TextElement climbBox       = textField({.x = 148, .y = 56, .hostVariable =  65, .readout = climbReadout});
constinit TextElement pitchBox       = textField({.x =  76, .y = 69, .hostVariable =  78, .readout = pitchReadout});
constinit TextElement rpmBox         = textField({.x = 220, .y =  4, .hostVariable = 390, .readout = rpmReadout});
constinit TextElement hpBox          = textField({.x = 220, .y = 17, .hostVariable = 402, .readout = hpReadout});
constinit TextElement thrstBox       = textField({.x = 220, .y = 56, .hostVariable = 412, .readout = thrstReadout});
constinit TextElement propBox        = textField({.x = 220, .y = 43, .hostVariable = 411, .readout = propReadout});
constinit TextElement torqBox        = textField({.x = 220, .y = 30, .hostVariable = 403, .readout = torqReadout});
constinit TextElement weptBox        = textField({.x = 220, .y = 69, .hostVariable = 409, .readout = weptReadout});
constinit TextElement rowIndexBox    = textField({.x =   4, .y =  4, .hostVariable =   1, .readout = rowIndexReadout});
constinit TextElement pressureBox    = textField({.x = 292, .y = 56, .hostVariable = 342, .readout = pressureReadout});
constinit TextElement temperatureBox = textField({.x = 292, .y = 69, .hostVariable = 350, .readout = temperatureReadout});
constinit TextElement aoaBox         = textField({.x = 148, .y = 69, .hostVariable = 349, .readout = aoaReadout});
constinit TextElement oilTBox        = textField({.x = 364, .y = 30, .hostVariable = 416, .readout = oilTReadout});
constinit TextElement oilPBox        = textField({.x = 364, .y = 43, .hostVariable = 418, .readout = oilPReadout});
constinit TextElement rotBox         = textField({.x = 364, .y =  4, .hostVariable = 417, .readout = rotReadout});
constinit TextElement chtBox         = textField({.x = 364, .y = 17, .hostVariable = 415, .readout = chtReadout});
constinit TextElement latitudeLine   = textField({.x = 346, .y = 60, .width = POSITION_FIELD_WIDTH, .chars = POSITION_CHARS, .hostVariable = 71, .readout = latitudeReadout});
constinit TextElement longitudeLine  = textField({.x = 346, .y = 72, .width = POSITION_FIELD_WIDTH, .chars = POSITION_CHARS, .hostVariable = 72, .readout = longitudeReadout});
constinit TextElement elevBox        = textField({.x =   4, .y = 69, .hostVariable = 310, .readout = elevReadout});
// clang-format on

// The drawing order: icons first, then the text fields. The stall icon and
// the readouts from Gal to Roll come before Acel, the recorder's clock.
constinit ElementHeader* childList[CHILD_COUNT + 1] = {
    &recordIcon.header, &pauseIcon.header,  &stallIcon.header,      &galBox.header,       &auxBox.header,
    &fpsiBox.header,    &mpsiBox.header,    &thrtBox.header,        &wsgtBox.header,      &gphBox.header,
    &ailrnBox.header,   &bankBox.header,    &ftBox.header,          &tasBox.header,       &iasBox.header,
    &hdgBox.header,     &turnBox.header,    &rollBox.header,        &acelBox.header,      &gsBox.header,
    &climbBox.header,   &pitchBox.header,   &rpmBox.header,         &hpBox.header,        &thrstBox.header,
    &propBox.header,    &torqBox.header,    &weptBox.header,        &rowIndexBox.header,  &pressureBox.header,
    &temperatureBox.header, &aoaBox.header, &oilTBox.header,        &oilPBox.header,      &rotBox.header,
    &chtBox.header,     &latitudeLine.header, &longitudeLine.header, &elevBox.header,     nullptr,
};

constinit ElementHeader* elementList[2] = {&background.header, nullptr};
