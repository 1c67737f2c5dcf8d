// The element records of the panel: the background, three icons, 36 text fields.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

#include "module/linkage.h"
#include "readouts/constants.h"  // the text colours

// The text fields in drawing order. Each entry names one row of the element
// table (panel/elements.cpp) and the one element its readout writes.
enum class TextField : std::uint8_t {
    GAL,
    AUX,
    FPSI,
    MPSI,
    THRT,
    WSGT,
    GPH,
    AILRN,
    BANK,
    FT,
    TAS,
    IAS,
    HDG,
    TURN,
    ROLL,
    ACEL,  // the recorder's clock: a row carries this update's values of the fields above
    GS,
    CLIMB,
    PITCH,
    RPM,
    HP,
    THRST,
    PROP,
    TORQ,
    WEPT,
    ROW_INDEX,    // unlabelled (1, 1): the recorder's row counter
    PRESSURE,     // unlabelled (5, 5)
    TEMPERATURE,  // unlabelled (5, 6)
    AOA,
    OIL_T,
    OIL_P,
    ROT,
    CHT,
    LATITUDE,   // the upper position line
    LONGITUDE,  // the lower position line
    ELEV,
    COUNT  // not a field: the number of fields above
};

inline constexpr std::size_t TEXT_FIELD_COUNT = static_cast<std::size_t>(TextField::COUNT);
inline constexpr std::size_t ICON_COUNT = 3;

// Where the two button icons stand; the mouse areas lie over them.
inline constexpr std::int32_t BUTTON_ICONS_Y = 4;
inline constexpr std::int32_t RECORD_ICON_X = 51;
inline constexpr std::int32_t PAUSE_ICON_X = 63;
inline constexpr std::size_t CHILD_COUNT = ICON_COUNT + TEXT_FIELD_COUNT;

extern ImageElement background;
extern IconElement recordIcon;
extern IconElement pauseIcon;
extern IconElement stallIcon;
extern std::array<TextElement, TEXT_FIELD_COUNT> textFields;  // in TextField order

// The element of a text field, as its readout reaches it.
inline TextElement& element(TextField field) { return textFields[static_cast<std::size_t>(field)]; }

extern ConditionPair conditionList[2];
extern std::array<ElementHeader*, CHILD_COUNT + 1> childList;  // the drawing order, then null
extern ElementHeader* elementList[2];

// The stall light: shows the red disc while host variable STALL_VAR_ID truncates to non-zero.
double stallIconState(ModuleVariable* stallSlot);
