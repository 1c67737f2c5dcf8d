#include "tools/bitmaps/pictures.h"

#include <array>
#include <stdexcept>
#include <string>
#include <string_view>

#include "schema/panel_grid.h"
#include "tools/bitmaps/label_font.h"

namespace vorlat::bitmaps {

namespace {

constexpr Rgb DARK{32, 32, 32};
constexpr Rgb PANEL_GREY{96, 96, 96};
constexpr Rgb LIGHT{232, 232, 232};
constexpr Rgb GREEN{0, 255, 0};
constexpr Rgb DARK_GREEN{0, 128, 0};
constexpr Rgb RED{255, 0, 0};
constexpr Rgb DARK_RED{128, 0, 0};

// Palette indices of the two-colour icons.
constexpr std::uint8_t ICON_FIELD = 0;
constexpr std::uint8_t ICON_INK = 1;

// Background palette indices.
constexpr std::uint8_t BG_GREY = 0;
constexpr std::uint8_t BG_DARK = 1;
constexpr std::uint8_t BG_LIGHT = 2;

// Box (column, row), both from 1: its dark interior sits where schema/panel_grid.h puts it, and a
// one-pixel light border surrounds it. Vertically adjacent boxes share a border line.
// A label starts this far right of its box's right border line, its capitals this far below the interior top.
constexpr int LABEL_GAP_X = 3;
constexpr int LABEL_DROP_Y = 2;

struct Box {
    int column, row;
    std::string_view label;  // empty: no label
};

// Every box of the grid with its label, column by column, from the top down.
// clang-format off
constexpr std::array<Box, 34> BOXES{{
    {1, 1, ""},    {1, 2, "Gal"},   {1, 3, "Aux"},   {1, 4, "Gph"},   {1, 5, "Ailrn"}, {1, 6, "Elev"},
    {2, 1, "Ft"},  {2, 2, "TAS"},   {2, 3, "IAS"},   {2, 4, "Hdg"},   {2, 5, "Bank"},  {2, 6, "Pitch"},
    {3, 1, "G's"}, {3, 2, "Acel"},  {3, 3, "Roll"},  {3, 4, "Turn"},  {3, 5, "Climb"}, {3, 6, "AoA"},
    {4, 1, "Rpm"}, {4, 2, "Hp"},    {4, 3, "Torq"},  {4, 4, "Prop"},  {4, 5, "Thrst"}, {4, 6, "WepT"},
    {5, 1, "Mpsi"}, {5, 2, "Fpsi"}, {5, 3, "Thrt"},  {5, 4, "Wsgt"},  {5, 5, ""},      {5, 6, ""},
    {6, 1, "ROT"}, {6, 2, "CHT"},   {6, 3, "Oil T"}, {6, 4, "Oil P"},
}};
// clang-format on

void drawBox(IndexedBitmap& picture, const Box& box) {
    const int left = boxLeft(box.column), top = boxTop(box.row);
    const int right = left + BOX_INTERIOR_WIDTH - 1, bottom = top + BOX_INTERIOR_HEIGHT - 1;
    picture.fillRect(left - 1, top - 1, right + 1, bottom + 1, BG_LIGHT);
    picture.fillRect(left, top, right, bottom, BG_DARK);
}

void drawBoxLabel(IndexedBitmap& picture, const Box& box) {
    if (box.label.empty()) return;
    const int left = boxLeft(box.column) + BOX_INTERIOR_WIDTH + LABEL_GAP_X;
    // A label must leave at least one grey column before the next box's border or the frame.
    const int limit = box.column < GRID_COLUMNS ? boxLeft(box.column + 1) - 3 : PANEL_WIDTH - 3;
    if (left + labelWidth(box.label) - 1 > limit)
        throw std::logic_error("label \"" + std::string(box.label) + "\" runs into the next box");
    drawLabel(picture, left, boxTop(box.row) + LABEL_DROP_Y, box.label, BG_LIGHT);
}

IndexedBitmap iconField(Rgb field, Rgb ink) { return IndexedBitmap(BUTTON_ICON_WIDTH, BUTTON_ICON_HEIGHT, {field, ink}, ICON_FIELD); }

// Rows 2 to 9 from column 2: a right-pointing triangle.
IndexedBitmap trianglePicture(Rgb field, Rgb ink) {
    constexpr std::array<int, 8> ROW_WIDTHS{3, 4, 5, 6, 6, 5, 4, 3};
    IndexedBitmap picture = iconField(field, ink);
    for (int i = 0; i < int(ROW_WIDTHS.size()); ++i)
        picture.fillRect(2, 2 + i, 2 + ROW_WIDTHS[std::size_t(i)] - 1, 2 + i, ICON_INK);
    return picture;
}

// Two bars, columns 2-3 and 6-7, rows 2 to 9.
IndexedBitmap barsPicture(Rgb field, Rgb ink) {
    IndexedBitmap picture = iconField(field, ink);
    picture.fillRect(2, 2, 3, 9, ICON_INK);
    picture.fillRect(6, 2, 7, 9, ICON_INK);
    return picture;
}

}  // namespace

IndexedBitmap backgroundPicture() {
    IndexedBitmap picture(PANEL_WIDTH, PANEL_HEIGHT, {PANEL_GREY, DARK, LIGHT}, BG_GREY);
    picture.fillRect(0, 0, PANEL_WIDTH - 1, PANEL_HEIGHT - 1, BG_LIGHT);
    picture.fillRect(1, 1, PANEL_WIDTH - 2, PANEL_HEIGHT - 2, BG_GREY);
    for (const Box& box : BOXES) drawBox(picture, box);
    for (const Box& box : BOXES) drawBoxLabel(picture, box);
    picture.fillRect(POSITION_AREA_LEFT, POSITION_AREA_TOP, PANEL_WIDTH - 2, PANEL_HEIGHT - 2, BG_DARK);
    return picture;
}

IndexedBitmap recordOnPicture() { return trianglePicture(GREEN, DARK_GREEN); }
IndexedBitmap recordOffPicture() { return trianglePicture(RED, DARK_RED); }
IndexedBitmap pauseOnPicture() { return barsPicture(GREEN, DARK_GREEN); }
IndexedBitmap pauseOffPicture() { return barsPicture(RED, DARK_RED); }

IndexedBitmap stallPicture() {
    constexpr int SIZE = 9;
    constexpr std::array<int, SIZE> ROW_WIDTHS{5, 7, 9, 9, 9, 9, 9, 7, 5};
    IndexedBitmap picture(SIZE, SIZE, {PANEL_GREY, RED}, ICON_FIELD);
    for (int y = 0; y < SIZE; ++y) {
        const int margin = (SIZE - ROW_WIDTHS[std::size_t(y)]) / 2;
        picture.fillRect(margin, y, SIZE - 1 - margin, y, ICON_INK);
    }
    return picture;
}

}  // namespace vorlat::bitmaps
