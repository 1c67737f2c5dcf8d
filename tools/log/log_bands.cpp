// The band table's rules: a value's band, the stretches a band covers, how its limits read.
#include "tools/log/log_bands.h"

#include "tools/log/number_text.h"

namespace vorlat::flightlog {

std::optional<BandLevel> bandLevelOf(const Band& band, double value) {
    const std::uint32_t colour = band.side == BandSide::Above ? upperBandColour(value, band.red, band.yellow)
                                                              : symmetricBandColour(value, band.red, band.yellow);
    for (const BandLevel level : BAND_LEVELS)
        if (lookOf(level).panelColour == colour) return level;
    return std::nullopt;
}

std::vector<BandInterval> bandIntervals(const Band& band) {
    constexpr double NO_END = std::numeric_limits<double>::infinity();
    std::vector<BandInterval> intervals;
    for (const BandLevel level : BAND_LEVELS) {
        const double from = limitOf(band, level);
        const double to = level == BandLevel::Yellow ? band.red : NO_END;
        intervals.push_back({.from = from, .to = to, .level = level});
        if (band.side == BandSide::EitherSign) intervals.push_back({.from = -to, .to = -from, .level = level});
    }
    return intervals;
}

std::vector<const Band*> panelBands(PlotGroup group) {
    std::vector<const Band*> bands;
    for (const Band& band : BANDS) {
        if (group == PlotGroup::None || COLUMNS[band.column].plot != group) continue;
        bool repeated = false;
        for (const Band* drawn : bands)
            repeated = repeated || (drawn->side == band.side && drawn->yellow == band.yellow && drawn->red == band.red);
        if (!repeated) bands.push_back(&band);
    }
    return bands;
}

std::string limitText(const Band& band, BandLevel level, LimitWords words) {
    const std::string limit = numberText(limitOf(band, level), -1) + " " + std::string(COLUMNS[band.column].unit);
    if (band.side == BandSide::EitherSign) return "beyond +-" + limit;
    return (words == LimitWords::Sign ? "> " : "above ") + limit;
}

}  // namespace vorlat::flightlog
