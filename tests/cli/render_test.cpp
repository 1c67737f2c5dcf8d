// Pictures of the panel: size, the bitmaps' known pixels, the icons' state,
// text colours inside their fields and where digits stand in them, the stall
// disc, and the same bytes for the same panel.
#include <gtest/gtest.h>

#include <array>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "host/flight/builtin_flight.h"
#include "host/flight/run.h"
#include "host/gauge_facts.h"
#include "host/render/panel_renderer.h"
#include "tests/cli/work_dir.h"

namespace vorlat::render {
namespace {

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
        pictures_ = new std::map<double, Shot>();
        flight::runFlight(host, source, options, [&](const Host& h, const flight::UpdateInfo& info) {
            for (double moment : {ON_GROUND, CRUISE, STALLED}) {
                if (pictures_->contains(moment) || info.time < moment) continue;
                // A renderer of its own draws every glyph afresh; the flight's renderer has them cached.
                pictures_->emplace(moment, Shot{.image = renderer.render(h),
                                                .texts = textElements(h),
                                                .freshPng = PanelRenderer(h, SCALE).pngBytes(h)});
            }
        });
    }
    static void TearDownTestSuite() { delete pictures_; }

    struct Shot {
        PanelImage image;
        std::vector<ElementView> texts;
        std::string freshPng;
    };
    static const PanelImage& at(double moment) { return pictures_->at(moment).image; }
    static const Shot& shot(double moment) { return pictures_->at(moment); }
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
    static std::vector<ElementView> textElements(const Host& host) {
        std::vector<ElementView> texts;
        for (const ElementView& element : host.children())
            if (element.kind == gauge::TEXT_KIND) texts.push_back(element);
        return texts;
    }
    static std::map<double, Shot>* pictures_;
};
std::map<double, PanelPictures::Shot>* PanelPictures::pictures_ = nullptr;

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

TEST_F(PanelPictures, TheSamePanelGivesTheSameBytes) {
    for (double moment : {ON_GROUND, STALLED}) {
        const std::string png = at(moment).pngBytes();
        EXPECT_EQ(png.substr(1, 3), "PNG");
        EXPECT_EQ(png, at(moment).pngBytes()) << moment;
        EXPECT_EQ(png, shot(moment).freshPng) << "a fresh renderer at " << moment;
    }
    EXPECT_NE(at(ON_GROUND).pngBytes(), at(STALLED).pngBytes());
}

// At scale 3 a field 11 panel pixels high is one 33-pixel cell of Liberation
// Mono: the baseline 24 pixels down (ascent 1705 of 2320 units) and digits 19
// pixels tall (1349 units), rounded to whole pixels so that their tops and
// bottoms are solid rows of the text's own colour.
TEST_F(PanelPictures, DigitsFillTheirRowsBetweenCapHeightAndBaseline) {
    constexpr int FIRST_ROW = 24 - 19, LAST_ROW = 24 - 1, FIELD_HEIGHT = 11;
    int checked = 0;
    for (double moment : {ON_GROUND, CRUISE, STALLED}) {
        for (const ElementView& text : shot(moment).texts) {
            if (text.height != FIELD_HEIGHT || text.text.find_first_of("0123456789") == std::string::npos) continue;
            const Rgb ink{std::uint8_t(text.foreColour), std::uint8_t(text.foreColour >> 8),
                          std::uint8_t(text.foreColour >> 16)};
            int top = -1, bottom = -1;  // rows of the field, from its top, with a pixel all ink
            for (int row = 0; row < FIELD_HEIGHT * SCALE; ++row)
                for (int column = 0; column < text.width * SCALE; ++column)
                    if (at(moment).pixel(text.x * SCALE + column, text.y * SCALE + row) == ink) {
                        if (top < 0) top = row;
                        bottom = row;
                    }
            EXPECT_EQ(top, FIRST_ROW) << '"' << text.text << "\" at " << moment;
            EXPECT_EQ(bottom, LAST_ROW) << '"' << text.text << "\" at " << moment;
            ++checked;
        }
    }
    EXPECT_GT(checked, 50);
}

TEST_F(PanelPictures, CentredTextsSitInTheMiddleOfTheirField) {
    // Every glyph advances 1229 of the cell's 2320 units, 17.48 pixels at scale 3,
    // and the line (spaces too) is centred in the field: the first and last
    // visible glyphs' ink lies within their own advance.
    constexpr double ADVANCE = 1229.0 / 2320 * 11 * SCALE;
    int checked = 0;
    for (const ElementView& text : shot(CRUISE).texts) {
        const std::size_t first = text.text.find_first_not_of(' '), last = text.text.find_last_not_of(' ');
        if (!(text.textFlags & TEXT_CENTRE) || text.height != 11 || first == std::string::npos) continue;
        int leftmost = -1, rightmost = -1;  // picture columns from the field's left edge
        for (int column = 0; column < text.width * SCALE; ++column)
            for (int row = 0; row < text.height * SCALE; ++row)
                if (greenText(at(CRUISE).pixel(text.x * SCALE + column, text.y * SCALE + row))) {
                    if (leftmost < 0) leftmost = column;
                    rightmost = column;
                }
        if (leftmost < 0) continue;  // not green
        const double lineStart = (text.width * SCALE - ADVANCE * double(text.text.size())) / 2;
        EXPECT_GE(leftmost, lineStart + ADVANCE * double(first)) << '"' << text.text << '"';
        EXPECT_LT(leftmost, lineStart + ADVANCE * double(first + 1)) << '"' << text.text << '"';
        EXPECT_GE(rightmost, lineStart + ADVANCE * double(last)) << '"' << text.text << '"';
        EXPECT_LT(rightmost, lineStart + ADVANCE * double(last + 1)) << '"' << text.text << '"';
        ++checked;
    }
    EXPECT_GT(checked, 20);
}

TEST(FontResolution, EveryFontIsTheBuiltInMonospaceFace) {
    struct Case {
        const char* name;
        int weight;
        const char* file;
    };
    const Case cases[] = {
        {.name = "Courier New", .weight = 400, .file = "LiberationMono-Regular.ttf"},
        {.name = "Courier New", .weight = 700, .file = "LiberationMono-Bold.ttf"},
        {.name = "Arial", .weight = 400, .file = "LiberationMono-Regular.ttf"},
    };
    for (const Case& c : cases) {
        const ResolvedFont font = resolveFont(c.name, c.weight);
        EXPECT_EQ(font.family, "Liberation Mono") << c.name;
        EXPECT_EQ(font.file, c.file) << c.name << ' ' << c.weight;
    }
}

}  // namespace
}  // namespace vorlat::render
