#include "host/cli/transcript.h"

#include <array>
#include <cstdio>
#include <stdexcept>

namespace vorlat::cli {

namespace {

constexpr int TEXT_KIND = 2;
constexpr int ICON_KIND = 4;
constexpr int GRID_LEFT = 4, GRID_TOP = 4, BOX_PITCH_X = 72, BOX_PITCH_Y = 13;
constexpr int COLUMNS = 6, ROWS = 6;

// The background's box labels by row, then column; "" where a box has none.
constexpr std::array<std::array<const char*, COLUMNS>, ROWS> BOX_LABELS{{
    {"row", "Ft", "G's", "Rpm", "Mpsi", "ROT"},
    {"Gal", "TAS", "Acel", "Hp", "Fpsi", "CHT"},
    {"Aux", "IAS", "Roll", "Torq", "Thrt", "Oil T"},
    {"Gph", "Hdg", "Turn", "Prop", "Wsgt", "Oil P"},
    {"Ailrn", "Bank", "Climb", "Thrst", "pressure", ""},
    {"Elev", "Pitch", "AoA", "WepT", "temperature", ""},
}};

struct IconRole {
    std::int32_t resourceId;
    const char* label;
};
constexpr std::array<IconRole, 3> ICON_ROLES{{{8192, "record_icon"}, {8448, "pause_icon"}, {8704, "stall_icon"}}};

constexpr int POSITION_AREA_X = 346, LATITUDE_Y = 60, LONGITUDE_Y = 72;

}  // namespace

std::string elementLabel(const ElementView& element) {
    if (element.kind == ICON_KIND) {
        for (const auto& role : ICON_ROLES)
            if (role.resourceId == element.resourceId) return role.label;
        return "icon_" + std::to_string(element.child);
    }
    if (element.x == POSITION_AREA_X && element.y == LATITUDE_Y) return "latitude";
    if (element.x == POSITION_AREA_X && element.y == LONGITUDE_Y) return "longitude";
    const int column = (element.x - GRID_LEFT) / BOX_PITCH_X, row = (element.y - GRID_TOP) / BOX_PITCH_Y;
    const bool onGrid = element.x >= GRID_LEFT && element.y >= GRID_TOP &&
                        (element.x - GRID_LEFT) % BOX_PITCH_X == 0 && (element.y - GRID_TOP) % BOX_PITCH_Y == 0;
    if (onGrid && column < COLUMNS && row < ROWS && *BOX_LABELS[row][column] != '\0')
        return BOX_LABELS[row][column];
    return "text_" + std::to_string(element.child);
}

std::string colourName(std::uint32_t bgr) {
    switch (bgr) {
    case COLOUR_GREEN:
        return "green";
    case COLOUR_YELLOW:
        return "yellow";
    case COLOUR_RED:
        return "red";
    default:
        break;
    }
    char buffer[16];
    std::snprintf(buffer, sizeof buffer, "0x%06X", bgr);
    return buffer;
}

Transcript::Transcript(const std::string& path, const Host& host) : path_(path), file_(path, std::ios::binary) {
    if (!file_) throw std::runtime_error(path + ": cannot create the transcript");
    file_ << "update\ttime\ttick";
    for (const ElementView& element : host.children()) {
        const std::string label = elementLabel(element);
        if (element.kind == TEXT_KIND) file_ << '\t' << label << '\t' << label << "_colour";
        else if (element.kind == ICON_KIND) file_ << '\t' << label;
    }
    file_ << '\n';
}

void Transcript::write(const Host& host, const flight::UpdateInfo& info) {
    char time[32];
    std::snprintf(time, sizeof time, "%.4f", info.time);
    file_ << info.index << '\t' << time << '\t' << info.tick;
    for (const ElementView& element : host.children()) {
        if (element.kind == TEXT_KIND) file_ << '\t' << element.text << '\t' << colourName(element.foreColour);
        else if (element.kind == ICON_KIND) file_ << '\t' << element.shownImage;
    }
    file_ << '\n';
}

void Transcript::close() {
    file_.close();
    if (file_.fail()) throw std::runtime_error(path_ + ": writing the transcript failed");
}

}  // namespace vorlat::cli
