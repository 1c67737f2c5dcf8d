// The panel's grid of boxes, as the background bitmap draws it and the text
// fields and help areas sit on it: six columns and six rows of 44-pixel-wide
// dark interiors, and the dark position area at the bottom right; and the size
// of the two button icons, as drawn and as pressed.
#pragma once

#include <cstdint>

inline constexpr std::int32_t PANEL_WIDTH = 436;  // pixels: the background bitmap's size
inline constexpr std::int32_t PANEL_HEIGHT = 85;

// Box (column, row), both counted from 1: its interior's top-left pixel.
inline constexpr std::int32_t GRID_COLUMNS = 6;
inline constexpr std::int32_t GRID_ROWS = 6;
inline constexpr std::int32_t FIRST_INTERIOR_X = 4;
inline constexpr std::int32_t FIRST_INTERIOR_Y = 4;
inline constexpr std::int32_t BOX_PITCH_X = 72;
inline constexpr std::int32_t BOX_PITCH_Y = 13;
inline constexpr std::int32_t BOX_INTERIOR_WIDTH = 44;
inline constexpr std::int32_t BOX_INTERIOR_HEIGHT = 12;

constexpr std::int32_t boxLeft(std::int32_t column) { return FIRST_INTERIOR_X + BOX_PITCH_X * (column - 1); }
constexpr std::int32_t boxTop(std::int32_t row) { return FIRST_INTERIOR_Y + BOX_PITCH_Y * (row - 1); }

// The record and pause icons: both bitmaps of each, and the button over it.
inline constexpr std::int32_t BUTTON_ICON_WIDTH = 10;
inline constexpr std::int32_t BUTTON_ICON_HEIGHT = 12;

// The two position lines share a dark area that runs to the frame.
inline constexpr std::int32_t POSITION_AREA_LEFT = 346;
inline constexpr std::int32_t POSITION_AREA_TOP = 60;
inline constexpr std::int32_t LATITUDE_LINE_TOP = POSITION_AREA_TOP;
inline constexpr std::int32_t LONGITUDE_LINE_TOP = 72;
