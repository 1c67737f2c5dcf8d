// The replayed panel beside the live one at the same moment of the built-in
// flight: a box the log holds is drawn pixel for pixel as the flight drew it,
// a box whose inputs the log lacks is hatched, and every pixel outside the
// hatched fields is the picture the replay drew before boxes were marked.
#include <gtest/gtest.h>

#include <cmath>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>

#include "host/flight/builtin_flight.h"
#include "host/flight/run.h"
#include "host/gauge_facts.h"
#include "host/render/panel_renderer.h"
#include "tests/log/log_test_support.h"
#include "tools/log/flight_log.h"
#include "tools/replay/log_replay.h"

namespace {

using namespace log_test;
using namespace vorlat;
using flightlog::INDEX;
using render::PanelImage;

constexpr double MOMENT_S = 151.5;  // the pull-out, a row's time: TAS in the red, IAS in the yellow
constexpr int SCALE = render::DEFAULT_SCALE;

// The live panel at MOMENT_S, and the log the flight wrote up to then.
struct LiveFlight {
    std::optional<PanelImage> picture;
    flightlog::FlightLog log;
};

LiveFlight flyToTheMoment() {
    const ScratchFolder work;
    Host host(HostOptions{.modulePath = defaultModulePath(),
                          .privateCopy = true,
                          .resourceScript = {},
                          .logFolder = work.path().string()});
    flight::BuiltinFlight source;
    flight::RunOptions options;
    options.duration = MOMENT_S + 1;
    options.presses = source.ownPresses();
    LiveFlight live;
    std::optional<render::PanelRenderer> renderer;
    flight::runFlight(host, source, options, [&](const Host& flown, const flight::UpdateInfo& info) {
        if (std::fabs(info.time - MOMENT_S) > 1e-9) return;
        renderer.emplace(flown, SCALE);
        live.picture = renderer->render(flown);
    });
    host.unload();
    live.log = flightlog::parseLog(readFile(work / std::string(gauge::LOG_FILE_NAME)), "data_log.txt");
    return live;
}

struct Field {
    int left, top, right, bottom;  // picture pixels, right and bottom exclusive
};
Field fieldOf(const Host& host, std::string_view box) {
    const gauge::ReadoutPlace place = gauge::readoutPlace(box);
    const ElementView element = host.child(host.textChildAt(place.x, place.y).value());
    return {element.x * SCALE, element.y * SCALE, (element.x + element.width) * SCALE,
            (element.y + element.height) * SCALE};
}

// Readout ink: any pixel brighter than the dark box in one channel than the others (green, yellow, red text).
bool hasInk(const PanelImage& image, const Field& field) {
    for (int y = field.top; y < field.bottom; ++y)
        for (int x = field.left; x < field.right; ++x) {
            const auto [r, g, b] = image.pixel(x, y);
            if (std::abs(int(r) - int(b)) > 40 || std::abs(int(g) - int(b)) > 40) return true;
        }
    return false;
}

bool samePixels(const PanelImage& a, const PanelImage& b, const Field& field) {
    for (int y = field.top; y < field.bottom; ++y)
        for (int x = field.left; x < field.right; ++x)
            if (a.pixel(x, y) != b.pixel(x, y)) return false;
    return true;
}

class ReplayPicture : public testing::Test {
protected:
    static void SetUpTestSuite() { live_ = new LiveFlight(flyToTheMoment()); }
    static void TearDownTestSuite() { delete live_; }
    static const LiveFlight& live() { return *live_; }

    // The row at MOMENT_S, shown by the replay.
    const Host& showTheMoment(flightlog::Replayer& replayer) const {
        for (const flightlog::Row& row : live().log.rows)
            if (flightlog::timeOfIndex(row[INDEX], gauge::DEFAULT_TICK_RATE) == MOMENT_S) return replayer.show(row);
        throw std::runtime_error("no row at the moment");
    }

private:
    static LiveFlight* live_;
};
LiveFlight* ReplayPicture::live_ = nullptr;

enum class Drawn { AsLive, Hatched };
struct BoxCase {
    std::string_view box;
    Drawn drawn;
};
// The boxes the log holds from the update that wrote the row (the readouts
// drawn after the sampler, G's, Climb, Pitch, Hp, Thrst, Prop and AoA, log
// the update before), and boxes whose inputs it lacks: an engine value, the
// fuel, a temperature, a rate, a position line, and Ft, whose colour reads the
// ground elevation.
// clang-format off
constexpr BoxCase BOX_CASES[] = {
    {.box = "row",              .drawn = Drawn::AsLive},
    {.box = "TAS",              .drawn = Drawn::AsLive},
    {.box = "IAS",              .drawn = Drawn::AsLive},
    {.box = "Hdg",              .drawn = Drawn::AsLive},
    {.box = "Bank",             .drawn = Drawn::AsLive},
    {.box = "Ft",               .drawn = Drawn::Hatched},
    {.box = "Rpm",              .drawn = Drawn::Hatched},
    {.box = "Gal",              .drawn = Drawn::Hatched},
    {.box = "CHT",              .drawn = Drawn::Hatched},
    {.box = "Oil T",            .drawn = Drawn::Hatched},
    {.box = "Roll",             .drawn = Drawn::Hatched},
    {.box = gauge::LATITUDE_LINE, .drawn = Drawn::Hatched},
};
// clang-format on

TEST_F(ReplayPicture, LoggedBoxesAreDrawnAsLiveAndTheOthersHatched) {
    ASSERT_TRUE(live().picture) << "the flight passed no update at " << MOMENT_S << " s";
    flightlog::Replayer replayer;
    const Host& host = showTheMoment(replayer);
    render::PanelRenderer renderer(host, SCALE);
    const PanelImage replayed = renderer.render(host, flightlog::notLoggedFields(host));
    for (const BoxCase& c : BOX_CASES) {
        SCOPED_TRACE(std::string(c.box));
        const Field field = fieldOf(host, c.box);
        if (c.drawn == Drawn::AsLive) {
            EXPECT_TRUE(hasInk(replayed, field));
            EXPECT_TRUE(samePixels(replayed, *live().picture, field));
        } else {
            EXPECT_TRUE(hasInk(*live().picture, field)) << "the live flight shows a value there";
            EXPECT_FALSE(hasInk(replayed, field));
            EXPECT_FALSE(samePixels(replayed, *live().picture, field));
        }
    }
    // The replayer's own pictures are these, marks included.
    EXPECT_EQ(replayer.png(SCALE), replayed.pngBytes());
}

// Marking changes the hatched fields and nothing else: every other pixel is
// the unmarked picture's (`log replay --invent`).
TEST_F(ReplayPicture, MarkingTouchesOnlyTheHatchedFields) {
    flightlog::Replayer replayer;
    const Host& host = showTheMoment(replayer);
    render::PanelRenderer renderer(host, SCALE);
    const std::vector<std::size_t> hatched = flightlog::notLoggedFields(host);
    const PanelImage marked = renderer.render(host, hatched);
    const PanelImage invented = renderer.render(host);
    std::vector<bool> inField(std::size_t(marked.width()) * marked.height(), false);
    for (const std::size_t child : hatched) {
        const ElementView e = host.child(child);
        for (int y = e.y * SCALE; y < (e.y + e.height) * SCALE; ++y)
            for (int x = e.x * SCALE; x < (e.x + e.width) * SCALE; ++x)
                inField[std::size_t(y) * marked.width() + x] = true;
    }
    std::size_t changedOutside = 0, changedInside = 0;
    for (int y = 0; y < marked.height(); ++y)
        for (int x = 0; x < marked.width(); ++x) {
            const bool changed = marked.pixel(x, y) != invented.pixel(x, y);
            (inField[std::size_t(y) * marked.width() + x] ? changedInside : changedOutside) += changed;
        }
    EXPECT_EQ(changedOutside, 0u);
    EXPECT_GT(changedInside, 0u);
    flightlog::Replayer inventing({}, flightlog::MAX_CATCH_UP_SAMPLES, flightlog::CatchUp::Fast,
                                  flightlog::Unlogged::Invented);
    showTheMoment(inventing);
    EXPECT_EQ(inventing.png(SCALE), invented.pngBytes());
}

}  // namespace
