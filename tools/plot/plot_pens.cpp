// The pens' colours, the text escaping and the legend box.
#include "tools/plot/plot_pens.h"

#include "tools/log/log_bands.h"
#include "tools/plot/plot_draw.h"

namespace vorlat::flightlog {

std::string plotText(std::string_view text) {
    std::string out;
    for (char c : text) {
        out += c;
        if (c == '#') out += '#';
    }
    return out;
}

void drawLegend(const std::vector<LegendEntry>& entries, PLINT position, double offset) {
    std::vector<PLINT> options, pens, styles, patterns;
    std::vector<PLFLT> widths, scales;
    std::vector<const char*> texts;
    std::vector<std::string> escaped;
    for (const LegendEntry& e : entries) escaped.push_back(plotText(e.label));
    for (std::size_t i = 0; i < entries.size(); ++i) {
        const LegendEntry& e = entries[i];
        options.push_back(e.box ? PL_LEGEND_COLOR_BOX : PL_LEGEND_LINE);
        pens.push_back(e.pen);
        styles.push_back(e.style);
        patterns.push_back(0);
        widths.push_back(2.0);
        scales.push_back(0.8);
        texts.push_back(escaped[i].c_str());
    }
    const auto n = static_cast<PLINT>(entries.size());
    std::vector<PLINT> inks(entries.size(), INK);
    PLFLT legendWidth = 0, legendHeight = 0;
    plschr(CHAR_MM, 0.9);
    pllegend(&legendWidth, &legendHeight, PL_LEGEND_BACKGROUND, position, offset, 0.0, 0.05, BACKGROUND, INK, 1, n,
             1, n, options.data(), 0.8, 1.0, 2.0, 0.0, inks.data(), texts.data(), pens.data(), patterns.data(),
             scales.data(), widths.data(), pens.data(), styles.data(), widths.data(), nullptr, nullptr, nullptr,
             nullptr);
}

void definePlotPens() {
    plscmap0n(PEN_COUNT);
    setPen(BACKGROUND, {255, 255, 255});
    setPen(INK, {0, 0, 0});
    setPen(GRID, {200, 200, 200});
    setPen(YELLOW_BAND, lookOf(BandLevel::Yellow).plotColour, PLOT_BAND_ALPHA);
    setPen(RED_BAND, lookOf(BandLevel::Red).plotColour, PLOT_BAND_ALPHA);
    setPen(STALL_SHADE, PLOT_STALL, PLOT_BAND_ALPHA);
    setPen(PAUSE_MARK, PLOT_PAUSE);
    setPen(YELLOW_MARK, lookOf(BandLevel::Yellow).plotColour);
    setPen(RED_MARK, lookOf(BandLevel::Red).plotColour);
    setPen(STALL_MARK, PLOT_STALL);
    for (std::size_t c = 0; c < COLUMN_COUNT; ++c)
        setPen(seriesPen(static_cast<Column>(c)), COLUMNS[c].colour);
    for (std::size_t f = 0; f < std::size(PLOT_FLIGHTS); ++f) setPen(flightPen(f), PLOT_FLIGHTS[f]);
}

}  // namespace vorlat::flightlog
