// Pictures of the panel: size, the bitmaps' known pixels, the icons' state,
// text colours inside their fields, and the stall disc.
#include <gtest/gtest.h>

#include <array>
#include <map>
#include <memory>

#include "host/flight/builtin_flight.h"
#include "host/flight/run.h"
#include "host/render/panel_renderer.h"
#include "tests/cli/work_dir.h"

namespace vorlat::render {
namespace {

// The font caches live as long as the process: free them once every test has run.
class FontCacheRelease : public ::testing::Environment {
public:
    void TearDown() override { releaseFontCaches(); }
};
[[maybe_unused]] const ::testing::Environment* const fontCacheRelease =
    ::testing::AddGlobalTestEnvironment(new FontCacheRelease);

using Rgb = std::array<std::uint8_t, 3>;
constexpr Rgb LIGHT{232, 232, 232}, DARK{32, 32, 32}, PANEL_GREY{96, 96, 96};
constexpr Rgb ICON_RED{255, 0, 0}, ICON_GREEN{0, 255, 0};
namespace script = flight::script;

// Pictures of the built-in flight at chosen moments, at scale 3.
class PanelPictures : public ::testing::Test {
protected:
    static constexpr int SCALE = 3;
    static constexpr double ON_GROUND = 20, CRUISE = 100, STALLED = 140;  // cruise: paused

    static void SetUpTestSuite() {
        const test::ScratchFolder work;
        const test::CurrentFolderScope inWork(work.path());
        Host host(
            HostOptions{.modulePath = defaultModulePath(), .privateCopy = true, .resourceScript = {}, .logFolder = {}});
        PanelRenderer renderer(host, SCALE);
        flight::BuiltinFlight source;
        flight::RunOptions options;
        options.duration = STALLED + 1;
        options.presses = source.ownPresses();
        pictures_ = new std::map<double, PanelImage>();
        flight::runFlight(host, source, options, [&](const Host& h, const flight::UpdateInfo& info) {
            for (double moment : {ON_GROUND, CRUISE, STALLED})
                if (!pictures_->contains(moment) && info.time >= moment) pictures_->emplace(moment, renderer.render(h));
        });
    }
    static void TearDownTestSuite() { delete pictures_; }

    static const PanelImage& at(double moment) { return pictures_->at(moment); }
    // The picture pixel in the middle of a panel pixel.
    static Rgb panelPixel(const PanelImage& image, int x, int y) {
        return image.pixel(x * SCALE + SCALE / 2, y * SCALE + SCALE / 2);
    }
    // Picture pixels inside a text field (x, y, width, height in panel pixels) that match a test.
    template <class Test>
    static int countInField(const PanelImage& image, int x, int y, int width, int height, Test test) {
        int count = 0;
        for (int py = y * SCALE; py < (y + height) * SCALE; ++py)
            for (int px = x * SCALE; px < (x + width) * SCALE; ++px) count += test(image.pixel(px, py));
        return count;
    }

private:
    static std::map<double, PanelImage>* pictures_;
};
std::map<double, PanelImage>* PanelPictures::pictures_ = nullptr;

bool greenText(const Rgb& p) { return p[1] > 150 && p[0] < 100 && p[2] < 100; }
bool redText(const Rgb& p) { return p[0] > 150 && p[1] < 100 && p[2] < 100; }

TEST_F(PanelPictures, SizeIsThePanelTimesTheScale) {
    EXPECT_EQ(at(CRUISE).width(), 436 * SCALE);
    EXPECT_EQ(at(CRUISE).height(), 85 * SCALE);
}

TEST_F(PanelPictures, FrameBoxAndPanelComeFromTheBackground) {
    const PanelImage& image = at(CRUISE);
    EXPECT_EQ(image.pixel(0, 0), LIGHT);
    EXPECT_EQ(image.pixel(image.width() - 1, image.height() - 1), LIGHT);
    EXPECT_EQ(panelPixel(image, 3, 10), LIGHT) << "left border of box (1, 1)";
    EXPECT_EQ(panelPixel(image, 20, 15), DARK) << "the box row below the text field";
    EXPECT_EQ(panelPixel(image, 1, 1), PANEL_GREY);
    EXPECT_EQ(panelPixel(image, 350, 83), DARK) << "the position area below its text lines";
}

TEST_F(PanelPictures, TextBackgroundIsTransparent) {
    // The field's left column holds no glyph: the dark box shows, not the grey field colour.
    EXPECT_EQ(panelPixel(at(CRUISE), 4, 9), DARK);
    EXPECT_EQ(panelPixel(at(CRUISE), 76, 9), DARK);
}

TEST_F(PanelPictures, RecordAndPauseIconsShowTheRecorderState) {
    // The icons' corners are their background colour: red when idle, green while recording.
    EXPECT_EQ(panelPixel(at(ON_GROUND), 51, 4), ICON_RED);
    EXPECT_EQ(panelPixel(at(ON_GROUND), 63, 4), ICON_RED);
    EXPECT_EQ(panelPixel(at(CRUISE), 51, 4), ICON_GREEN);
    EXPECT_EQ(panelPixel(at(CRUISE), 63, 4), ICON_RED) << "paused at " << script::PAUSE;
    EXPECT_EQ(panelPixel(at(STALLED), 63, 4), ICON_GREEN) << "resumed at " << script::RESUME;
}

TEST_F(PanelPictures, TextsAreDrawnInTheirElementColourInsideTheirField) {
    // Ft (76, 4, 44 x 11): red on the ground, green in cruise.
    EXPECT_GT(countInField(at(ON_GROUND), 76, 4, 44, 11, redText), 20);
    EXPECT_EQ(countInField(at(ON_GROUND), 76, 4, 44, 11, greenText), 0);
    EXPECT_GT(countInField(at(CRUISE), 76, 4, 44, 11, greenText), 20);
    EXPECT_EQ(countInField(at(CRUISE), 76, 4, 44, 11, redText), 0);
    // Nothing green spills into the panel grey between the first column's boxes and their labels.
    EXPECT_EQ(countInField(at(CRUISE), 49, 17, 2, 60, greenText), 0);
}

TEST_F(PanelPictures, StallFrameShowsTheRedDisc) {
    EXPECT_EQ(panelPixel(at(STALLED), 205, 74), ICON_RED) << "centre of the stall disc";
    EXPECT_NE(panelPixel(at(CRUISE), 205, 74), ICON_RED);
    // AoA (148, 69) is red in the stall.
    EXPECT_GT(countInField(at(STALLED), 148, 69, 44, 11, redText), 20);
}

TEST(PanelRendererScale, AnyScaleGivesThePanelTimesIt) {
    const test::ScratchFolder work;
    const test::CurrentFolderScope inWork(work.path());
    Host host(
        HostOptions{.modulePath = defaultModulePath(), .privateCopy = true, .resourceScript = {}, .logFolder = {}});
    host.setup();
    host.start();
    host.update();
    for (int scale : {1, 2, 5}) {
        const PanelImage image = PanelRenderer(host, scale).render(host);
        EXPECT_EQ(image.width(), 436 * scale);
        EXPECT_EQ(image.height(), 85 * scale);
        EXPECT_EQ(image.pixel(scale * 5, scale * 16 - 1), DARK) << scale;
    }
    EXPECT_THROW(PanelRenderer(host, 0), RenderError);
    host.final();
}

TEST(FontResolution, CourierNewResolvesToAMonospaceFace) {
    const ResolvedFont font = resolveFont("Courier New", 400);
    EXPECT_FALSE(font.file.empty());
    EXPECT_EQ(font.family, "Liberation Mono");
}

}  // namespace
}  // namespace vorlat::render
