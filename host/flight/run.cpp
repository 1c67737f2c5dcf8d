#include "host/flight/run.h"

#include <algorithm>
#include <cmath>

namespace vorlat::flight {

namespace {

PanelPoint iconCentre(const Host& host, int resourceId) {
    for (const auto& element : host.children()) {
        if (element.kind != gauge::ICON_KIND || element.resourceId != resourceId) continue;
        const Bitmap image = host.bitmap(element.resourceId);
        return {element.x + image.width / 2, element.y + image.height / 2};
    }
    throw LoadError("the module has no icon with bitmap " + std::to_string(resourceId));
}

}  // namespace

std::int64_t updateCount(double duration, double rate) {
    if (!(duration > 0) || !(rate > 0)) return 1;
    // A time within a thousandth of an update of the next update reaches it, so
    // that trace times written with few decimals are not cut short by rounding.
    const double last = std::floor(duration * rate + 1e-3);
    return last >= static_cast<double>(MAX_UPDATE_COUNT) ? MAX_UPDATE_COUNT : static_cast<std::int64_t>(last) + 1;
}

PanelPoint pressPoint(const Host& host, const Press& press) {
    switch (press.target) {
        case Press::Target::Record: return iconCentre(host, gauge::RECORD_ICON_BITMAP);
        case Press::Target::Pause: return iconCentre(host, gauge::PAUSE_ICON_BITMAP);
        case Press::Target::Point: break;
    }
    return {press.x, press.y};
}

RunResult runFlight(Host& host, FlightSource& source, const RunOptions& options, const UpdateObserver& observer) {
    std::vector<Press> presses = options.presses;
    std::stable_sort(presses.begin(), presses.end(), [](const Press& a, const Press& b) { return a.time < b.time; });
    // Resolve every press point before the module runs, so a bad icon fails early.
    std::vector<PanelPoint> points;
    points.reserve(presses.size());
    for (const auto& press : presses) points.push_back(pressPoint(host, press));

    RunResult result;
    result.updates = updateCount(options.duration, options.rate);

    // The start routine samples bank, heading and speed: give it the flight's first moment.
    source.apply(host, 0.0);
    host.setVariable(gauge::TICK_VARIABLE, 0.0);
    host.setup();
    host.start();

    std::size_t nextPress = 0;
    UpdateInfo info;
    info.count = result.updates;
    for (std::int64_t n = 0; n < result.updates; ++n) {
        const double time = static_cast<double>(n) / options.rate;
        source.apply(host, time);
        const std::size_t pressesBefore = result.presses.size();
        while (nextPress < presses.size() && presses[nextPress].time <= time + 1e-9) {
            const Press& press = presses[nextPress];
            const bool skipped = options.allowPress && !options.allowPress(host, press);
            const bool handled = !skipped && host.press(points[nextPress].x, points[nextPress].y);
            result.presses.push_back({press, handled, skipped});
            ++nextPress;
        }
        info.presses = std::span<const PressOutcome>(result.presses).subspan(pressesBefore);
        info.index = n;
        info.time = time;
        info.tick = static_cast<std::uint32_t>(n);  // ticks since the start routine: the update's time times the rate
        host.setVariable(gauge::TICK_VARIABLE, static_cast<double>(info.tick));
        host.update();
        host.clearCalls();  // a long flight would otherwise keep every service call it made
        if (observer) observer(host, info);
    }
    host.final();
    return result;
}

}  // namespace vorlat::flight
