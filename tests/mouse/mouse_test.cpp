// The mouse areas as the host reads them, and which presses reach the
// recorder's two buttons.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "tests/recorder/recorder_harness.h"

namespace recorder_test {
namespace {

constexpr std::uint32_t END = 0, BEGIN = 1, ACTIVE = 2, CLOSE = 3;

struct AreaRow {
    std::uint32_t kind;
    std::int32_t x, y, width, height, cursor;
    std::uint32_t helpId, eventMask;
    bool hasHandler;
    int depth;
};

// clang-format off
const AreaRow EXPECTED_AREAS[] = {
    {BEGIN,    0,  0,  0,  0, -1,      0,          0, false, 0},  // the whole gauge
    {BEGIN,    4, 17, 44, 12, -1, 0xA204,          0, false, 1},  // Gal
    {CLOSE,    0,  0,  0,  0, -1,      0,          0, false, 1},
    {BEGIN,    4, 56, 44, 12, -1, 0xA019,          0, false, 1},  // Ailrn
    {CLOSE,    0,  0,  0,  0, -1,      0,          0, false, 1},
    {BEGIN,  292,  4, 44, 12, -1, 0xA021,          0, false, 1},  // Mpsi
    {CLOSE,    0,  0,  0,  0, -1,      0,          0, false, 1},
    {BEGIN,  292, 17, 44, 12, -1, 0xA606,          0, false, 1},  // Fpsi
    {CLOSE,    0,  0,  0,  0, -1,      0,          0, false, 1},
    {BEGIN,   76, 56, 44, 12, -1, 0xA105,          0, false, 1},  // Bank
    {CLOSE,    0,  0,  0,  0, -1,      0,          0, false, 1},
    {BEGIN,   76,  4, 44, 12, -1, 0xA001,          0, false, 1},  // Ft
    {CLOSE,    0,  0,  0,  0, -1,      0,          0, false, 1},
    {BEGIN,   76, 17, 44, 12, -1, 0xA003,          0, false, 1},  // TAS
    {CLOSE,    0,  0,  0,  0, -1,      0,          0, false, 1},
    {BEGIN,   76, 30, 44, 12, -1, 0xA005,          0, false, 1},  // IAS
    {CLOSE,    0,  0,  0,  0, -1,      0,          0, false, 1},
    {BEGIN,  148,  4, 44, 12, -1, 0xA51C,          0, false, 1},  // G's
    {CLOSE,    0,  0,  0,  0, -1,      0,          0, false, 1},
    {BEGIN,  148, 56, 44, 12, -1, 0xA133,          0, false, 1},  // Climb
    {CLOSE,    0,  0,  0,  0, -1,      0,          0, false, 1},
    {BEGIN,   76, 69, 44, 12, -1, 0xA105,          0, false, 1},  // Pitch
    {CLOSE,    0,  0,  0,  0, -1,      0,          0, false, 1},
    {BEGIN,  220,  4, 44, 12, -1, 0xA020,          0, false, 1},  // Rpm
    {CLOSE,    0,  0,  0,  0, -1,      0,          0, false, 1},
    {BEGIN,  220, 43, 44, 12, -1, 0xA024,          0, false, 1},  // Prop
    {CLOSE,    0,  0,  0,  0, -1,      0,          0, false, 1},
    {BEGIN,  364, 69, 44, 12, -1, 0xA431,          0, false, 1},  // position area patch
    {CLOSE,    0,  0,  0,  0, -1,      0,          0, false, 1},
    {ACTIVE,  51,  4, 10, 12,  5,      0, 0x20000000,  true, 1},  // record button
    {ACTIVE,  63,  4, 10, 12,  5,      0, 0x20000000,  true, 1},  // pause button
    {CLOSE,    0,  0,  0,  0, -1,      0,          0, false, 0},  // closes the whole gauge
    {END,      0,  0,  0,  0, -1,      0,          0, false, 0},
};
// clang-format on

class Mouse : public ::testing::Test {
protected:
    ScratchFolder scratch;
    CurrentFolderScope inScratch{scratch.path()};
};

TEST_F(Mouse, ListHoldsEveryAreaInOrder) {
    Panel panel;
    const std::vector<vorlat::MouseAreaView> areas = panel.host().mouseAreas();
    ASSERT_EQ(areas.size(), std::size(EXPECTED_AREAS));
    int begins = 0, ends = 0, open = 0;
    for (std::size_t i = 0; i < areas.size(); ++i) {
        SCOPED_TRACE("record " + std::to_string(i));
        const vorlat::MouseAreaView& a = areas[i];
        const AreaRow& e = EXPECTED_AREAS[i];
        EXPECT_EQ(a.kind, e.kind);
        EXPECT_EQ(a.x, e.x);
        EXPECT_EQ(a.y, e.y);
        EXPECT_EQ(a.width, e.width);
        EXPECT_EQ(a.height, e.height);
        EXPECT_EQ(a.cursor, e.cursor);
        EXPECT_EQ(a.helpId, e.helpId);
        EXPECT_EQ(a.eventMask, e.eventMask);
        EXPECT_EQ(a.eventId, 0u);
        EXPECT_EQ(a.userData, 0u);
        EXPECT_EQ(a.hasHandler, e.hasHandler);
        EXPECT_EQ(a.depth, e.depth);
        begins += a.kind == BEGIN;
        ends += a.kind == CLOSE;
        open += a.kind == BEGIN ? 1 : a.kind == CLOSE ? -1 : 0;
        EXPECT_GE(open, 0);
    }
    EXPECT_EQ(begins, 15);
    EXPECT_EQ(ends, 15);
    EXPECT_EQ(areas.back().kind, END);
}

TEST_F(Mouse, FinalRoutineTakesTheListBack) {
    Panel panel;
    panel.host().final();
    EXPECT_TRUE(panel.host().mouseAreas().empty());
    EXPECT_FALSE(panel.host().press(55, 8));
}

// Each case starts while a recording is being written, so the effect names
// the handler: the record button ends the recording, the pause button pauses.
TEST_F(Mouse, PressesReachTheButtonUnderThem) {
    enum class Reaches { Record, Pause, Nothing };
    struct Case {
        int x, y;
        Reaches reaches;
    };
    // clang-format off
    const Case cases[] = {
        {51,  4, Reaches::Record},  {60, 15, Reaches::Record},
        {61,  4, Reaches::Nothing}, {62, 15, Reaches::Nothing},  // the gap between the icons
        {63,  4, Reaches::Pause},   {72, 15, Reaches::Pause},
        {73,  4, Reaches::Nothing}, {50,  4, Reaches::Nothing},
        {51,  3, Reaches::Nothing}, {51, 16, Reaches::Nothing},
        {63, 16, Reaches::Nothing},
    };
    // clang-format on
    for (const Case& c : cases) {
        SCOPED_TRACE("press at (" + std::to_string(c.x) + ", " + std::to_string(c.y) + ")");
        const ScratchFolder directory;
        const CurrentFolderScope inDirectory(directory.path());
        Panel panel;
        panel.pressRecord();
        panel.update();
        ASSERT_EQ(panel.recordIcon(), GREEN);

        EXPECT_EQ(panel.host().press(c.x, c.y), c.reaches != Reaches::Nothing);
        panel.update();
        EXPECT_EQ(panel.recordIcon(), c.reaches == Reaches::Record ? RED : GREEN);
        EXPECT_EQ(panel.pauseIcon(), c.reaches == Reaches::Nothing ? GREEN : RED);
    }
}

TEST_F(Mouse, PressesOverReadoutsCallNothing) {
    Panel panel;
    std::size_t boxes = 0;
    for (const vorlat::ElementView& element : panel.host().children()) {
        if (element.kind != 2) continue;
        ++boxes;
        const int x = element.x + element.width / 2;
        const int y = element.y + element.height / 2;
        EXPECT_FALSE(panel.host().press(x, y)) << "box at (" << element.x << ", " << element.y << ")";
        EXPECT_FALSE(panel.host().press(element.x, element.y));
    }
    EXPECT_EQ(boxes, 36u);
    EXPECT_FALSE(panel.host().press(380, 75));  // the help patch of the position area
    panel.update();
    EXPECT_EQ(panel.recordIcon(), RED);
    EXPECT_FALSE(readFile().has_value());
}

TEST_F(Mouse, HelpIdentifiersCoverTheirBoxes) {
    Panel panel;
    int groups = 0;
    for (const AreaRow& area : EXPECTED_AREAS) {
        if (area.kind != BEGIN || area.helpId == 0) continue;
        ++groups;
        const int right = area.x + area.width - 1, bottom = area.y + area.height - 1;
        SCOPED_TRACE("help group at (" + std::to_string(area.x) + ", " + std::to_string(area.y) + ")");
        for (const auto& [x, y] :
             {std::pair{area.x, area.y}, std::pair{right, bottom}, std::pair{area.x + 20, area.y + 6}}) {
            EXPECT_EQ(panel.host().helpIdAt(x, y), area.helpId);
        }
        for (const auto& [x, y] :
             {std::pair{area.x - 1, area.y}, std::pair{right + 1, bottom}, std::pair{area.x, bottom + 1}}) {
            EXPECT_EQ(panel.host().helpIdAt(x, y).value_or(0), 0u);
        }
    }
    EXPECT_EQ(groups, 14);
    EXPECT_EQ(panel.host().helpIdAt(55, 8).value_or(0), 0u);    // record button
    EXPECT_EQ(panel.host().helpIdAt(150, 20).value_or(0), 0u);  // Acel: no help
}

TEST_F(Mouse, TwoRecordPressesStartAndStopAndPauseBeforeRecordChangesNothing) {
    Panel panel;
    EXPECT_TRUE(panel.host().press(63, 4));
    panel.update();
    EXPECT_EQ(panel.recordIcon(), RED);
    EXPECT_EQ(panel.pauseIcon(), RED);
    EXPECT_FALSE(readFile().has_value());
    EXPECT_TRUE(panel.host().press(51, 4));
    EXPECT_TRUE(panel.host().press(51, 4));
    EXPECT_EQ(readFile(), ENABLED_LINE + HEADER_LINE + END_LINE);
}

}  // namespace
}  // namespace recorder_test
