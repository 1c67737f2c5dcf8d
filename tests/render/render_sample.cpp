// Writes a picture of the panel in one fixed state: texts in green, amber and
// red, the stall disc and the icons. Built for Linux and Windows alike, so
// that the two pictures' bytes can be compared (scripts/wine-run.sh runs it).
// Usage: render_sample OUT.png [SCALE [MODULE]]
#include <cstdint>
#include <cstdio>
#include <exception>
#include <string>

#include "host/host.h"
#include "host/render/panel_renderer.h"
#include "tests/support/scratch_folder.h"

namespace {

struct HostValue {
    std::uint32_t id;
    double value;
};
// Exact binary fractions, so every platform starts from the same doubles.
constexpr HostValue STATE[] = {
    {.id = 1, .value = 4096.75},   // tick count
    {.id = 2, .value = 25600},     // ground height, 1/256 m
    {.id = 73, .value = 1234.5},   // altitude, m
    {.id = 61, .value = 87.25},    // true speed
    {.id = 65, .value = -512},     // climb
    {.id = 78, .value = 0.25},     // pitch, radians
    {.id = 80, .value = -12.5},    // bank, degrees
    {.id = 84, .value = 271},      // heading, degrees
    {.id = 67, .value = 1},        // stalled
    {.id = 349, .value = 40000},   // angle of attack word
    {.id = 351, .value = -3000},   // g load word
    {.id = 386, .value = 87.25},   // fuel
    {.id = 390, .value = 2450},    // rpm
    {.id = 416, .value = 650},     // oil temperature
    {.id = 71, .value = 5000000},  // latitude, raw
};
constexpr std::size_t TAS_WORD = 174, IAS_WORD = 175;

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2 || argc > 4) {
        std::fputs("usage: render_sample OUT.png [SCALE [MODULE]]\n", stderr);
        return 2;
    }
    try {
        const int scale = argc > 2 ? std::stoi(argv[2]) : vorlat::render::DEFAULT_SCALE;
        const vorlat::test::ScratchFolder logFolder;
        vorlat::Host host(vorlat::HostOptions{.modulePath = argc > 3 ? argv[3] : vorlat::defaultModulePath(),
                                              .privateCopy = true,
                                              .resourceScript = {},
                                              .logFolder = logFolder.path().string()});
        host.setup();
        host.start();
        for (const HostValue& value : STATE) host.setVariable(value.id, value.value);
        host.setDataWord(TAS_WORD, 41000);
        host.setDataWord(IAS_WORD, 38000);
        host.update();
        host.update();
        vorlat::render::PanelRenderer(host, scale).writePng(host, argv[1]);
        host.final();
        return 0;
    } catch (const std::exception& error) {
        std::fprintf(stderr, "render_sample: %s\n", error.what());
        return 1;
    }
}
