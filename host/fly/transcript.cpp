#include "host/fly/transcript.h"

#include <cstdio>
#include <utility>

#include "host/gauge_facts.h"

namespace vorlat::cli {

std::string elementLabel(const ElementView& element) {
    using namespace gauge;
    if (element.kind == ICON_KIND) {
        for (const IconRole& role : ICON_ROLES)
            if (role.firstBitmap == element.resourceId) return std::string(role.label);
        return "icon_" + std::to_string(element.child);
    }
    if (element.x == POSITION_AREA_X && element.y == LATITUDE_LINE_Y) return "latitude";
    if (element.x == POSITION_AREA_X && element.y == LONGITUDE_LINE_Y) return "longitude";
    const int column = (element.x - GRID_LEFT) / BOX_PITCH_X, row = (element.y - GRID_TOP) / BOX_PITCH_Y;
    const bool onGrid = element.x >= GRID_LEFT && element.y >= GRID_TOP && (element.x - GRID_LEFT) % BOX_PITCH_X == 0 &&
                        (element.y - GRID_TOP) % BOX_PITCH_Y == 0;
    if (onGrid && column < GRID_COLUMNS && row < GRID_ROWS && !BOX_LABELS[row][column].empty())
        return std::string(BOX_LABELS[row][column]);
    return "text_" + std::to_string(element.child);
}

std::string colourName(std::uint32_t bgr) {
    switch (bgr) {
        case gauge::COLOUR_GREEN: return "green";
        case gauge::COLOUR_YELLOW: return "yellow";
        case gauge::COLOUR_RED: return "red";
        default: break;
    }
    char buffer[16];
    std::snprintf(buffer, sizeof buffer, "0x%06X", bgr);
    return buffer;
}

Transcript::Transcript(const std::filesystem::path& file, std::string name, const Host& host)
    : file_(file, std::move(name)) {
    std::string header = "update\ttime\ttick";
    for (const ElementView& element : host.children()) {
        const std::string label = elementLabel(element);
        if (element.kind == gauge::TEXT_KIND) header += '\t' + label + '\t' + label + "_colour";
        else if (element.kind == gauge::ICON_KIND) header += '\t' + label;
    }
    header += '\n';
    std::fputs(header.c_str(), file_.stream());
}

// Write errors stay in the stream's error flag until close() reports them.
void Transcript::write(const Host& host, const flight::UpdateInfo& info) {
    std::FILE* out = file_.stream();
    std::fprintf(out, "%lld\t%.4f\t%u", static_cast<long long>(info.index), info.time, info.tick);
    for (const ElementView& element : host.children()) {
        if (element.kind == gauge::TEXT_KIND)
            std::fprintf(out, "\t%s\t%s", element.text.c_str(), colourName(element.foreColour).c_str());
        else if (element.kind == gauge::ICON_KIND) std::fprintf(out, "\t%d", element.shownImage);
    }
    std::fputc('\n', out);
}

void Transcript::close() { file_.commit(); }

}  // namespace vorlat::cli
