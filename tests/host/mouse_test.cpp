// The real module's mouse areas as the host walks them: list structure, help
// identifiers, and which presses reach the recorder's buttons.
#include <gtest/gtest.h>

#include <filesystem>

#include "host/host.h"

namespace {

using vorlat::Host;

constexpr std::uint32_t BEGIN_GROUP = 1;
constexpr std::uint32_t ACTIVE = 2;
constexpr std::uint32_t END_GROUP = 3;
constexpr std::size_t RECORD_ICON = 0;
constexpr std::size_t PAUSE_ICON = 1;
constexpr int GREEN_IMAGE = 0;
constexpr int RED_IMAGE = 1;

class MouseAreas : public testing::Test {
protected:
    void SetUp() override {
        host.setup();
        host.start();
    }
    void TearDown() override {
        host.final();  // closes the log if a test left a recording on
        EXPECT_TRUE(host.violations().empty());
        std::error_code ignored;
        std::filesystem::remove("data_log.txt", ignored);
    }
    int shown(std::size_t icon) {
        host.update();
        return host.child(icon).shownImage;
    }
    Host host{vorlat::HostOptions{.modulePath = {}, .privateCopy = true, .resourceScript = {}}};
};

TEST_F(MouseAreas, ListHasThirtyThreeBalancedRecords) {
    const auto areas = host.mouseAreas();
    ASSERT_EQ(areas.size(), 33u);
    EXPECT_EQ(areas.back().kind, 0u);
    int begins = 0, ends = 0, active = 0;
    for (const auto& area : areas) {
        begins += area.kind == BEGIN_GROUP;
        ends += area.kind == END_GROUP;
        active += area.kind == ACTIVE;
    }
    EXPECT_EQ(begins, 15);
    EXPECT_EQ(ends, 15);
    EXPECT_EQ(active, 2);
    EXPECT_EQ(areas.front().depth, 0);
    EXPECT_EQ(areas[29].depth, 1);  // the buttons lie inside the outer group
    EXPECT_EQ(areas[31].depth, 0);  // which the last end-group closes
    EXPECT_EQ(areas[29].cursor, 5);
    EXPECT_TRUE(areas[29].hasHandler);
    EXPECT_FALSE(areas[1].hasHandler);
}

struct HelpRow {
    const char* box;
    int x, y;
    std::uint32_t helpId;
};

TEST_F(MouseAreas, HelpIdentifiersCoverTheirBoxes) {
    const HelpRow rows[] = {
        {"Gal", 4, 17, 0xA204},   {"Ailrn", 4, 56, 0xA019},  {"Mpsi", 292, 4, 0xA021},  {"Fpsi", 292, 17, 0xA606},
        {"Bank", 76, 56, 0xA105}, {"Ft", 76, 4, 0xA001},     {"TAS", 76, 17, 0xA003},   {"IAS", 76, 30, 0xA005},
        {"G's", 148, 4, 0xA51C},  {"Climb", 148, 56, 0xA133}, {"Pitch", 76, 69, 0xA105}, {"Rpm", 220, 4, 0xA020},
        {"Prop", 220, 43, 0xA024}, {"position patch", 364, 69, 0xA431},
    };
    for (const HelpRow& row : rows) {
        SCOPED_TRACE(row.box);
        EXPECT_EQ(host.helpIdAt(row.x, row.y), row.helpId);
        EXPECT_EQ(host.helpIdAt(row.x + 43, row.y + 11), row.helpId);  // the full 44 x 12 interior
        EXPECT_EQ(host.helpIdAt(row.x + 44, row.y), std::nullopt);
        EXPECT_EQ(host.helpIdAt(row.x, row.y + 12), std::nullopt);
    }
    EXPECT_EQ(host.helpIdAt(148, 17), std::nullopt);  // Acel has no help
    EXPECT_EQ(host.helpIdAt(51, 4), std::nullopt);    // nor the buttons
}

struct PressRow {
    const char* name;
    int x, y;
    bool handled;
    int recordImage;  // after the press
};

class ButtonPress : public MouseAreas, public testing::WithParamInterface<PressRow> {};

TEST_P(ButtonPress, ReachesOnlyTheButtonUnderThePoint) {
    const PressRow& row = GetParam();
    EXPECT_EQ(shown(RECORD_ICON), RED_IMAGE);
    EXPECT_EQ(host.press(row.x, row.y), row.handled);
    EXPECT_EQ(shown(RECORD_ICON), row.recordImage);
}

INSTANTIATE_TEST_SUITE_P(Host, ButtonPress,
                         testing::Values(PressRow{"RecordTopLeft", 51, 4, true, GREEN_IMAGE},
                                         PressRow{"RecordBottomRight", 60, 15, true, GREEN_IMAGE},
                                         PressRow{"GapLeft", 61, 4, false, RED_IMAGE},
                                         PressRow{"GapRight", 62, 15, false, RED_IMAGE},
                                         PressRow{"PauseTopLeft", 63, 4, true, RED_IMAGE},
                                         PressRow{"PauseBottomRight", 72, 15, true, RED_IMAGE},
                                         PressRow{"RightOfPause", 73, 4, false, RED_IMAGE},
                                         PressRow{"BelowRecord", 51, 16, false, RED_IMAGE},
                                         PressRow{"HelpBox", 76, 4, false, RED_IMAGE},
                                         PressRow{"TextWithoutHelp", 148, 17, false, RED_IMAGE}),
                         [](const auto& testRow) { return testRow.param.name; });

TEST_F(MouseAreas, ButtonsDriveTheRecorderIcons) {
    EXPECT_EQ(shown(PAUSE_ICON), RED_IMAGE);
    EXPECT_TRUE(host.press(63, 4));  // pause before recording: nothing
    EXPECT_EQ(shown(RECORD_ICON), RED_IMAGE);
    EXPECT_EQ(shown(PAUSE_ICON), RED_IMAGE);

    EXPECT_TRUE(host.press(51, 4));  // record
    EXPECT_EQ(shown(RECORD_ICON), GREEN_IMAGE);
    EXPECT_EQ(shown(PAUSE_ICON), GREEN_IMAGE);
    EXPECT_TRUE(host.press(63, 4));  // pause
    EXPECT_EQ(shown(RECORD_ICON), GREEN_IMAGE);
    EXPECT_EQ(shown(PAUSE_ICON), RED_IMAGE);
    EXPECT_TRUE(host.press(63, 4));  // resume
    EXPECT_EQ(shown(PAUSE_ICON), GREEN_IMAGE);
    EXPECT_TRUE(host.press(51, 4));  // stop
    EXPECT_EQ(shown(RECORD_ICON), RED_IMAGE);
    EXPECT_EQ(shown(PAUSE_ICON), RED_IMAGE);
}

TEST_F(MouseAreas, ReleasedAreasReachNothing) {
    host.final();
    EXPECT_TRUE(host.mouseAreas().empty());
    EXPECT_FALSE(host.press(51, 4));
    EXPECT_EQ(host.helpIdAt(76, 4), std::nullopt);
    host.setup();  // TearDown's final needs a registered list again
}

}  // namespace
