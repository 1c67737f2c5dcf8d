// The committed panel bitmaps, decoded on their own (no generator code): format, colours, the
// background's grid, position area and label placement, and the icon pictures.

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <functional>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "tests/bitmaps/committed_bitmaps.h"

namespace {

using Rgb = std::array<std::uint8_t, 3>;  // (red, green, blue)
using vorlat::Bitmap;
using vorlat::committed::committedBitmapFiles;
using vorlat::committed::loadCommittedBitmap;

constexpr Rgb BLACK{0, 0, 0};
constexpr Rgb DARK{32, 32, 32};
constexpr Rgb GREY{96, 96, 96};
constexpr Rgb LIGHT{232, 232, 232};
constexpr Rgb GREEN{0, 255, 0};
constexpr Rgb DARK_GREEN{0, 128, 0};
constexpr Rgb RED{255, 0, 0};
constexpr Rgb DARK_RED{128, 0, 0};

TEST(PanelResourceScript, NamesEachPanelBitmapOnce) {
    std::map<int, std::string> files;
    ASSERT_NO_THROW(files = committedBitmapFiles());
    std::set<int> ids;
    for (const auto& [id, file] : files) ids.insert(id);
    EXPECT_EQ(ids, (std::set<int>{4096, 8192, 8195, 8448, 8451, 8704}));
    std::set<std::string> names;
    for (const auto& [id, file] : files) names.insert(file);
    EXPECT_EQ(names.size(), files.size()) << "two identifiers share a file";
}

struct FormatCase {
    int id, width, height;
    std::vector<Rgb> colours;  // exactly the colours used
};

// clang-format off
const FormatCase FORMAT_CASES[] = {
    {4096, 436, 85, {DARK, GREY, LIGHT}},
    {8192, 10, 12, {GREEN, DARK_GREEN}},
    {8195, 10, 12, {RED, DARK_RED}},
    {8448, 10, 12, {GREEN, DARK_GREEN}},
    {8451, 10, 12, {RED, DARK_RED}},
    {8704, 9, 9, {GREY, RED}},
};
// clang-format on

TEST(PanelBitmaps, SizeDepthAndExactPalette) {
    for (const FormatCase& c : FORMAT_CASES) {
        SCOPED_TRACE("resource " + std::to_string(c.id));
        Bitmap bmp;
        ASSERT_NO_THROW(bmp = loadCommittedBitmap(c.id));
        EXPECT_EQ(bmp.width, c.width);
        EXPECT_EQ(bmp.height, c.height);
        EXPECT_EQ(bmp.bitsPerPixel, 8);

        std::set<Rgb> palette(bmp.palette.begin(), bmp.palette.end());
        EXPECT_EQ(palette.size(), bmp.palette.size()) << "a colour appears twice in the palette";
        EXPECT_EQ(palette, std::set<Rgb>(c.colours.begin(), c.colours.end()));
        std::set<std::uint8_t> used(bmp.indices.begin(), bmp.indices.end());
        EXPECT_EQ(used.size(), bmp.palette.size()) << "the palette lists a colour no pixel uses";
        EXPECT_EQ(palette.count(BLACK), 0u) << "black pixel";
    }
}

// ---- The background --------------------------------------------------------------------------------

constexpr int BG_WIDTH = 436, BG_HEIGHT = 85;

int boxCount(int column) { return column == 6 ? 4 : 6; }
int interiorLeft(int column) { return 4 + 72 * (column - 1); }
int interiorTop(int row) { return 4 + 13 * (row - 1); }
int rightBorder(int column) { return 48 + 72 * (column - 1); }
// The next vertical light line to the right of a box's label: the next box's left border, or the frame.
int nextLineRightOf(int column) { return column < 6 ? interiorLeft(column + 1) - 1 : BG_WIDTH - 1; }

struct Rect {
    int left, top, right, bottom;  // inclusive
    bool contains(int x, int y) const { return x >= left && x <= right && y >= top && y <= bottom; }
};

// Where a box's label may stand: between its right border and the next line, beside the box.
Rect labelArea(int column, int row) {
    return {rightBorder(column) + 1, interiorTop(row), nextLineRightOf(column) - 1, interiorTop(row) + 11};
}

const Rect POSITION_AREA{346, 60, 434, 83};

struct LabelCase {
    const char* text;  // "" for a box without a label
    int column, row;
};

// clang-format off
const LabelCase LABEL_CASES[] = {
    {"", 1, 1},      {"Gal", 1, 2},   {"Aux", 1, 3},   {"Gph", 1, 4},   {"Ailrn", 1, 5}, {"Elev", 1, 6},
    {"Ft", 2, 1},    {"TAS", 2, 2},   {"IAS", 2, 3},   {"Hdg", 2, 4},   {"Bank", 2, 5},  {"Pitch", 2, 6},
    {"G's", 3, 1},   {"Acel", 3, 2},  {"Roll", 3, 3},  {"Turn", 3, 4},  {"Climb", 3, 5}, {"AoA", 3, 6},
    {"Rpm", 4, 1},   {"Hp", 4, 2},    {"Torq", 4, 3},  {"Prop", 4, 4},  {"Thrst", 4, 5}, {"WepT", 4, 6},
    {"Mpsi", 5, 1},  {"Fpsi", 5, 2},  {"Thrt", 5, 3},  {"Wsgt", 5, 4},  {"", 5, 5},      {"", 5, 6},
    {"ROT", 6, 1},   {"CHT", 6, 2},   {"Oil T", 6, 3}, {"Oil P", 6, 4},
};
// clang-format on

const Bitmap& background() {
    static const Bitmap bmp = loadCommittedBitmap(4096);
    return bmp;
}

// What every pixel outside the label areas must be.
std::function<Rgb(int, int)> expectedBackground() {
    return [](int x, int y) {
        if (x == 0 || y == 0 || x == BG_WIDTH - 1 || y == BG_HEIGHT - 1) return LIGHT;
        if (POSITION_AREA.contains(x, y)) return DARK;
        for (int column = 1; column <= 6; ++column)
            for (int row = 1; row <= boxCount(column); ++row) {
                const Rect interior{interiorLeft(column), interiorTop(row), interiorLeft(column) + 43,
                                    interiorTop(row) + 11};
                const Rect outline{interior.left - 1, interior.top - 1, interior.right + 1, interior.bottom + 1};
                if (interior.contains(x, y)) return DARK;
                if (outline.contains(x, y)) return LIGHT;
            }
        return GREY;
    };
}

TEST(PanelBackground, FrameGridAndPositionAreaEverywhereOutsideTheLabels) {
    const Bitmap& bmp = background();
    ASSERT_EQ(bmp.width, BG_WIDTH);
    ASSERT_EQ(bmp.height, BG_HEIGHT);
    const auto expected = expectedBackground();
    int mismatches = 0;
    for (int y = 0; y < BG_HEIGHT; ++y)
        for (int x = 0; x < BG_WIDTH; ++x) {
            bool inLabelArea = false;
            for (const LabelCase& c : LABEL_CASES)
                inLabelArea |= *c.text != '\0' && labelArea(c.column, c.row).contains(x, y);
            if (inLabelArea) {
                if (bmp.pixel(x, y) != GREY && bmp.pixel(x, y) != LIGHT && ++mismatches <= 10)
                    ADD_FAILURE() << "label area pixel (" << x << ", " << y << ") is neither grey nor light";
            } else if (bmp.pixel(x, y) != expected(x, y) && ++mismatches <= 10) {
                ADD_FAILURE() << "pixel (" << x << ", " << y << ") is " << ::testing::PrintToString(bmp.pixel(x, y))
                              << ", expected " << ::testing::PrintToString(expected(x, y));
            }
        }
    EXPECT_EQ(mismatches, 0);
}

TEST(PanelBackground, GridHasSharedHorizontalLinesAndColumnSixStopsAfterRowFour) {
    const Bitmap& bmp = background();
    for (int column = 1; column <= 6; ++column) {
        SCOPED_TRACE("column " + std::to_string(column));
        const int x = interiorLeft(column) + 20;
        for (int lineY : {3, 16, 29, 42, 55, 68, 81}) {
            const bool present = column < 6 || lineY <= 55;
            EXPECT_EQ(bmp.pixel(x, lineY) == LIGHT, present) << "horizontal line at y " << lineY;
        }
    }
}

struct Ink {
    Rect bounds{1 << 20, 1 << 20, -1, -1};
    std::vector<std::pair<int, int>> columnRuns;  // [first, last] x of each run of columns holding ink
    bool empty() const { return bounds.right < 0; }
};

Ink inkIn(const Bitmap& bmp, const Rect& area) {
    Ink ink;
    bool inRun = false;
    for (int x = area.left; x <= area.right; ++x) {
        bool columnHasInk = false;
        for (int y = area.top; y <= area.bottom; ++y) {
            if (bmp.pixel(x, y) != LIGHT) continue;
            columnHasInk = true;
            ink.bounds = {std::min(ink.bounds.left, x), std::min(ink.bounds.top, y), std::max(ink.bounds.right, x),
                          std::max(ink.bounds.bottom, y)};
        }
        if (columnHasInk && !inRun) ink.columnRuns.push_back({x, x});
        if (columnHasInk) ink.columnRuns.back().second = x;
        inRun = columnHasInk;
    }
    return ink;
}

TEST(PanelBackground, LabelsStandBesideTheirBoxesAtCapitalHeight) {
    const Bitmap& bmp = background();
    for (const LabelCase& c : LABEL_CASES) {
        const std::string text = c.text;
        SCOPED_TRACE("label \"" + text + "\" of box (" + std::to_string(c.column) + ", " + std::to_string(c.row) + ")");
        const Ink ink = inkIn(bmp, labelArea(c.column, c.row));
        if (text.empty()) {
            EXPECT_TRUE(ink.empty());
            continue;
        }
        ASSERT_FALSE(ink.empty());
        const int capTop = 6 + 13 * (c.row - 1);
        const bool descends = text.find_first_of("gpqy") != std::string::npos;
        EXPECT_GE(ink.bounds.left - rightBorder(c.column), 2);
        EXPECT_LE(ink.bounds.left - rightBorder(c.column), 4);
        EXPECT_LE(ink.bounds.right, nextLineRightOf(c.column) - 2) << "no grey column before the next line";
        EXPECT_EQ(ink.bounds.top, capTop);
        EXPECT_EQ(ink.bounds.bottom, capTop + (descends ? 9 : 7));
        const auto letters = std::count_if(text.begin(), text.end(), [](char ch) { return ch != ' '; });
        EXPECT_EQ(std::ptrdiff_t(ink.columnRuns.size()), letters) << "letters apart from one another";
    }
}

TEST(PanelBackground, StallDiscHidesTheMiddleLetterOfAoA) {
    const Ink ink = inkIn(background(), labelArea(3, 6));
    ASSERT_EQ(ink.columnRuns.size(), 3u);
    EXPECT_EQ(ink.bounds.left, 195);
    EXPECT_EQ(ink.bounds.right, 215);
    // The stall icon is drawn at (201, 70), 9 x 9.
    EXPECT_GE(ink.columnRuns[1].first, 201);
    EXPECT_LE(ink.columnRuns[1].second, 209);
    EXPECT_GE(ink.bounds.top, 70);
    EXPECT_LE(ink.bounds.bottom, 78);
}

// ---- The icons -------------------------------------------------------------------------------------

bool triangle(int x, int y) {
    constexpr std::array<int, 8> widths{3, 4, 5, 6, 6, 5, 4, 3};
    return y >= 2 && y <= 9 && x >= 2 && x < 2 + widths[std::size_t(y - 2)];
}

bool bars(int x, int y) { return y >= 2 && y <= 9 && (x == 2 || x == 3 || x == 6 || x == 7); }

bool disc(int x, int y) {
    constexpr std::array<int, 9> widths{5, 7, 9, 9, 9, 9, 9, 7, 5};
    const int margin = (9 - widths[std::size_t(y)]) / 2;
    return x >= margin && x < 9 - margin;
}

struct IconCase {
    int id;
    Rgb field, ink;
    bool (*shape)(int x, int y);
};

// clang-format off
const IconCase ICON_CASES[] = {
    {8192, GREEN, DARK_GREEN, triangle},
    {8195, RED, DARK_RED, triangle},
    {8448, GREEN, DARK_GREEN, bars},
    {8451, RED, DARK_RED, bars},
    {8704, GREY, RED, disc},
};
// clang-format on

TEST(PanelIcons, EveryPixelMatchesThePicture) {
    for (const IconCase& c : ICON_CASES) {
        SCOPED_TRACE("resource " + std::to_string(c.id));
        Bitmap bmp;
        ASSERT_NO_THROW(bmp = loadCommittedBitmap(c.id));
        for (int y = 0; y < bmp.height; ++y)
            for (int x = 0; x < bmp.width; ++x)
                ASSERT_EQ(bmp.pixel(x, y), c.shape(x, y) ? c.ink : c.field) << "at (" << x << ", " << y << ")";
        EXPECT_EQ(bmp.pixel(0, 0), c.field);
        EXPECT_EQ(bmp.pixel(bmp.width - 1, bmp.height - 1), c.field);
    }
}

}  // namespace
