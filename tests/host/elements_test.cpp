// The element tree of the real module as the host reads it, against the panel
// as designed: drawing order, kinds, places, sizes, fonts, colours, variables.
#include <gtest/gtest.h>

#include <cmath>

#include "host/host.h"

namespace {

using vorlat::ElementView;
using vorlat::Host;

constexpr int IMAGE = 0;
constexpr int TEXT = 2;
constexpr int ICON = 4;

struct ChildRow {
    const char* name;
    int kind;
    std::int32_t x, y;
    std::int32_t width;      // text: field width; icon: unused
    std::int32_t chars;      // text: character cells
    std::uint32_t variable;  // the first (or only) slot's identifier
    std::uint32_t second = 0;
    std::int32_t resource = -1;
    std::uint32_t imageCount = 0;
};

// clang-format off
const ChildRow CHILDREN[] = {
    {"record icon", ICON, 51,  4, 0, 0,   1, 0, 8192, 2},
    {"pause icon",  ICON, 63,  4, 0, 0,   1, 0, 8448, 2},
    {"stall icon",  ICON, 201, 70, 0, 0, 67, 0, 8704, 1},
    {"Gal",    TEXT,   4, 17, 44, 5, 386},
    {"Aux",    TEXT,   4, 30, 44, 5, 385},
    {"Fpsi",   TEXT, 292, 17, 44, 5, 425},
    {"Mpsi",   TEXT, 292,  4, 44, 5, 391},
    {"Thrt",   TEXT, 292, 30, 44, 5,   0},
    {"Wsgt",   TEXT, 292, 43, 44, 5, 410},
    {"Gph",    TEXT,   4, 43, 44, 5, 421},
    {"Ailrn",  TEXT,   4, 56, 44, 5, 312},
    {"Bank",   TEXT,  76, 56, 44, 5,  80},
    {"Ft",     TEXT,  76,  4, 44, 5,  73, 2},
    {"TAS",    TEXT,  76, 17, 44, 5,  61},
    {"IAS",    TEXT,  76, 30, 44, 5,  61},
    {"Hdg",    TEXT,  76, 43, 44, 5,  84},
    {"Turn",   TEXT, 148, 43, 44, 5,   1},
    {"Roll",   TEXT, 148, 30, 44, 5,   1},
    {"Acel",   TEXT, 148, 17, 44, 5,  61},
    {"G's",    TEXT, 148,  4, 44, 5, 351},
    {"Climb",  TEXT, 148, 56, 44, 5,  65},
    {"Pitch",  TEXT,  76, 69, 44, 5,  78},
    {"Rpm",    TEXT, 220,  4, 44, 5, 390},
    {"Hp",     TEXT, 220, 17, 44, 5, 402},
    {"Thrst",  TEXT, 220, 56, 44, 5, 412},
    {"Prop",   TEXT, 220, 43, 44, 5, 411},
    {"Torq",   TEXT, 220, 30, 44, 5, 403},
    {"WepT",   TEXT, 220, 69, 44, 5, 409},
    {"rows (1, 1)",         TEXT,   4,  4, 44, 5,   1},
    {"pressure (5, 5)",     TEXT, 292, 56, 44, 5, 342},
    {"temperature (5, 6)",  TEXT, 292, 69, 44, 5, 350},
    {"AoA",    TEXT, 148, 69, 44, 5, 349},
    {"Oil T",  TEXT, 364, 30, 44, 5, 416},
    {"Oil P",  TEXT, 364, 43, 44, 5, 418},
    {"ROT",    TEXT, 364,  4, 44, 5, 417},
    {"CHT",    TEXT, 364, 17, 44, 5, 415},
    {"latitude",  TEXT, 346, 60, 88, 10, 71},
    {"longitude", TEXT, 346, 72, 88, 10, 72},
    {"Elev",   TEXT,   4, 69, 44, 5, 310},
};
// clang-format on

class ElementTree : public testing::Test {
protected:
    Host host{vorlat::HostOptions{.modulePath = {}, .privateCopy = true, .resourceScript = {}}};
};

TEST_F(ElementTree, BackgroundIsTheRootImage) {
    const ElementView root = host.background();
    EXPECT_EQ(root.kind, IMAGE);
    EXPECT_EQ(root.resourceId, 4096);
    EXPECT_EQ(root.x, 0);
    EXPECT_EQ(root.y, 0);
    EXPECT_EQ(root.drawFlags, 1u);
    EXPECT_FALSE(root.hasConditions);
}

TEST_F(ElementTree, ChildrenInDrawingOrderMatchThePanel) {
    ASSERT_EQ(host.childCount(), std::size(CHILDREN));
    const std::vector<std::array<std::uint32_t, 2>> conditions = {{1, 3}};
    for (std::size_t i = 0; i < std::size(CHILDREN); ++i) {
        const ChildRow& row = CHILDREN[i];
        SCOPED_TRACE(row.name);
        const ElementView e = host.child(i);
        EXPECT_EQ(e.kind, row.kind);
        EXPECT_EQ(e.x, row.x);
        EXPECT_EQ(e.y, row.y);
        EXPECT_EQ(e.resourceId, row.resource);
        EXPECT_TRUE(e.hasConditions);
        EXPECT_EQ(e.conditions, conditions);
        EXPECT_TRUE(e.hasCallback);
        EXPECT_EQ(e.variableIds[0], row.variable);
        if (row.kind == ICON) {
            EXPECT_EQ(e.drawFlags, 3u);
            EXPECT_EQ(e.imageCount, row.imageCount);
            EXPECT_EQ(e.selectMode, 3u);
        } else {
            EXPECT_EQ(e.drawFlags, 6u);
            EXPECT_EQ(e.width, row.width);
            EXPECT_EQ(e.height, 11);
            EXPECT_EQ(e.charCount, row.chars);
            EXPECT_EQ(e.variableIds[1], row.second);
            EXPECT_EQ(e.variableIds[2], 0u);
            EXPECT_EQ(e.fontName, "Courier New");
            EXPECT_EQ(e.fontWeight, 400);
            EXPECT_EQ(e.fontCharset, 1u);
            EXPECT_EQ(e.textFlags, 0x25u);
            EXPECT_EQ(e.foreColour, vorlat::COLOUR_GREEN);
            EXPECT_EQ(e.backColour, 0x5C5C5Cu);
            EXPECT_EQ(e.highlightColour, 0u);
        }
    }
}

TEST_F(ElementTree, TextFieldsAreFoundByPoint) {
    for (std::size_t i = 0; i < std::size(CHILDREN); ++i) {
        const ChildRow& row = CHILDREN[i];
        if (row.kind != TEXT) continue;
        SCOPED_TRACE(row.name);
        EXPECT_EQ(host.textChildAt(row.x, row.y), i);
        EXPECT_EQ(host.textChildAt(row.x + row.width - 1, row.y + 10), i);
    }
    EXPECT_EQ(host.textChildAt(3, 4), std::nullopt);   // a border line
    EXPECT_EQ(host.textChildAt(4, 15), std::nullopt);  // the box's last row lies below the field
}

// ---------------------------------------------------------------------------
// The stall light: shown exactly while variable 67 truncates to non-zero.

constexpr std::size_t STALL_ICON = 2;
constexpr std::size_t AOA_TEXT = 31;

struct StallCase {
    const char* name;
    double stall;
    int shownImage;
    std::uint32_t aoaColour;  // the AoA text turns red under the same flag
};

class StallLight : public testing::TestWithParam<StallCase> {};

TEST_P(StallLight, ShowsTheDiscWhileTheFlagTruncatesToNonZero) {
    Host host({.modulePath = {}, .privateCopy = true, .resourceScript = {}});
    host.setup();
    host.start();
    host.setVariable(67, GetParam().stall);
    host.update();
    EXPECT_EQ(host.child(STALL_ICON).shownImage, GetParam().shownImage);
    EXPECT_EQ(host.child(AOA_TEXT).foreColour, GetParam().aoaColour);
    EXPECT_TRUE(host.violations().empty());
}

INSTANTIATE_TEST_SUITE_P(Host, StallLight,
                         testing::Values(StallCase{"Zero", 0.0, -1, vorlat::COLOUR_GREEN},
                                         StallCase{"One", 1.0, 0, vorlat::COLOUR_RED},
                                         StallCase{"JustBelowOne", 0.99, -1, vorlat::COLOUR_GREEN},
                                         StallCase{"JustAboveMinusOne", -0.99, -1, vorlat::COLOUR_GREEN},
                                         StallCase{"MinusOne", -1.0, 0, vorlat::COLOUR_RED},
                                         StallCase{"TwoPointSeven", 2.7, 0, vorlat::COLOUR_RED}),
                         [](const auto& testRow) { return testRow.param.name; });

// ---------------------------------------------------------------------------
// Bitmap resources as the host loads them for the elements.

struct BitmapRow {
    int id;
    int width, height;
    int x, y;  // a pixel to check
    std::array<std::uint8_t, 3> colour;
};

class PanelBitmap : public testing::TestWithParam<BitmapRow> {};

TEST_P(PanelBitmap, LoadsWithItsSizeAndColours) {
    Host host({.modulePath = {}, .privateCopy = true, .resourceScript = {}});
    const BitmapRow& row = GetParam();
    const vorlat::Bitmap bitmap = host.bitmap(row.id);
    EXPECT_EQ(bitmap.width, row.width);
    EXPECT_EQ(bitmap.height, row.height);
    EXPECT_EQ(bitmap.bitsPerPixel, 8);
    EXPECT_EQ(bitmap.pixel(row.x, row.y), row.colour);
}

// clang-format off
INSTANTIATE_TEST_SUITE_P(
    Host, PanelBitmap,
    testing::Values(BitmapRow{4096, 436, 85, 0, 0, {232, 232, 232}},   // frame
                    BitmapRow{4096, 436, 85, 4, 4, {32, 32, 32}},      // box (1, 1) interior
                    BitmapRow{4096, 436, 85, 3, 4, {232, 232, 232}},   // its left border
                    BitmapRow{4096, 436, 85, 1, 1, {96, 96, 96}},      // panel grey
                    BitmapRow{4096, 436, 85, 434, 83, {32, 32, 32}},   // position area
                    BitmapRow{8192, 10, 12, 0, 0, {0, 255, 0}},
                    BitmapRow{8192, 10, 12, 2, 2, {0, 128, 0}},
                    BitmapRow{8195, 10, 12, 0, 0, {255, 0, 0}},
                    BitmapRow{8448, 10, 12, 6, 9, {0, 128, 0}},
                    BitmapRow{8451, 10, 12, 4, 5, {255, 0, 0}},
                    BitmapRow{8704, 9, 9, 4, 4, {255, 0, 0}},
                    BitmapRow{8704, 9, 9, 0, 0, {96, 96, 96}}));
// clang-format on

TEST(PanelBitmapMissing, IsALoadError) {
    Host host({.modulePath = {}, .privateCopy = true, .resourceScript = {}});
    EXPECT_THROW(host.bitmap(4097), vorlat::LoadError);
}

}  // namespace
