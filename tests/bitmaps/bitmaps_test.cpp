// The committed panel bitmaps, decoded on their own (no host, no generator code): format, colours,
// the background's grid, position area and label placement, and the icon pictures.

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <fstream>
#include <functional>
#include <iterator>
#include <map>
#include <regex>
#include <set>
#include <stdexcept>
#include <string>
#include <vector>

namespace {

struct Rgb {
    std::uint8_t red = 0, green = 0, blue = 0;
    friend bool operator==(const Rgb&, const Rgb&) = default;
    friend auto operator<=>(const Rgb&, const Rgb&) = default;
};

void PrintTo(const Rgb& c, std::ostream* os) { *os << '(' << int(c.red) << ", " << int(c.green) << ", " << int(c.blue) << ')'; }

constexpr Rgb DARK{32, 32, 32};
constexpr Rgb GREY{96, 96, 96};
constexpr Rgb LIGHT{232, 232, 232};
constexpr Rgb GREEN{0, 255, 0};
constexpr Rgb DARK_GREEN{0, 128, 0};
constexpr Rgb RED{255, 0, 0};
constexpr Rgb DARK_RED{128, 0, 0};

struct DecodedBmp {
    int width = 0, height = 0, bitsPerPixel = 0;
    std::vector<Rgb> palette;
    std::vector<std::uint8_t> indices;  // row-major from the top
    Rgb at(int x, int y) const { return palette.at(indices.at(std::size_t(y) * std::size_t(width) + std::size_t(x))); }
};

std::vector<std::uint8_t> readFile(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    if (!file) throw std::runtime_error("cannot open " + path);
    return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}

std::uint32_t read32(const std::vector<std::uint8_t>& b, std::size_t at) {
    if (at + 4 > b.size()) throw std::runtime_error("file too short");
    return std::uint32_t(b[at]) | std::uint32_t(b[at + 1]) << 8 | std::uint32_t(b[at + 2]) << 16 | std::uint32_t(b[at + 3]) << 24;
}

std::uint16_t read16(const std::vector<std::uint8_t>& b, std::size_t at) { return std::uint16_t(read32(b, at) & 0xFFFF); }

// Accepts only the plain form the panel uses: uncompressed, bottom-up, 8 bits, a palette of exactly
// biClrUsed entries right after the 40-byte header, rows padded with zeros to 4 bytes.
DecodedBmp decodeBmp(const std::vector<std::uint8_t>& b) {
    if (b.size() < 54 || b[0] != 'B' || b[1] != 'M') throw std::runtime_error("not a BMP file");
    if (read32(b, 2) != b.size()) throw std::runtime_error("file size field is wrong");
    if (read32(b, 6) != 0) throw std::runtime_error("reserved words not zero");
    if (read32(b, 14) != 40) throw std::runtime_error("not a 40-byte info header");
    DecodedBmp bmp;
    bmp.width = int(read32(b, 18));
    bmp.height = int(read32(b, 22));
    bmp.bitsPerPixel = read16(b, 28);
    const std::uint32_t colours = read32(b, 46);
    if (bmp.width <= 0 || bmp.height <= 0) throw std::runtime_error("not a bottom-up bitmap");
    if (read16(b, 26) != 1 || bmp.bitsPerPixel != 8 || read32(b, 30) != 0) throw std::runtime_error("not 8-bit uncompressed");
    if (colours == 0 || colours > 256) throw std::runtime_error("colours used not set");
    const std::size_t stride = (std::size_t(bmp.width) + 3) / 4 * 4;
    const std::size_t offset = 54 + 4 * std::size_t(colours);
    if (read32(b, 10) != offset) throw std::runtime_error("pixels do not follow the palette");
    if (read32(b, 34) != stride * std::size_t(bmp.height)) throw std::runtime_error("image size field is wrong");
    if (b.size() != offset + stride * std::size_t(bmp.height)) throw std::runtime_error("pixel data has the wrong length");
    for (std::size_t i = 0; i < colours; ++i) {
        const std::size_t at = 54 + 4 * i;
        if (b[at + 3] != 0) throw std::runtime_error("palette reserved byte not zero");
        bmp.palette.push_back({b[at + 2], b[at + 1], b[at]});
    }
    for (int y = 0; y < bmp.height; ++y) {
        const std::size_t row = offset + stride * std::size_t(bmp.height - 1 - y);
        for (std::size_t x = 0; x < stride; ++x) {
            const std::uint8_t value = b[row + x];
            if (x >= std::size_t(bmp.width)) {
                if (value != 0) throw std::runtime_error("row padding not zero");
            } else if (value >= colours) {
                throw std::runtime_error("pixel outside the palette");
            } else {
                bmp.indices.push_back(value);
            }
        }
    }
    return bmp;
}

// Bitmap file by resource identifier, as the stand-in host finds them: the BITMAP lines of gauge.rc.
std::map<int, std::string> bitmapLines() {
    std::ifstream script(std::string(VORLAT_RESOURCE_DIR) + "/gauge.rc");
    if (!script) throw std::runtime_error("cannot open gauge.rc");
    const std::regex bitmapLine(R"re(^\s*(\d+)\s+BITMAP\s+"([^"]+)"\s*\r?$)re");
    std::map<int, std::string> files;
    std::string line;
    std::smatch match;
    while (std::getline(script, line))
        if (std::regex_match(line, match, bitmapLine))
            if (!files.emplace(std::stoi(match[1]), match[2]).second) throw std::runtime_error("identifier listed twice");
    return files;
}

DecodedBmp loadResource(int id) {
    const auto files = bitmapLines();
    const auto entry = files.find(id);
    if (entry == files.end()) throw std::runtime_error("no BITMAP line for " + std::to_string(id));
    return decodeBmp(readFile(std::string(VORLAT_RESOURCE_DIR) + "/" + entry->second));
}

TEST(ResourceScript, NamesEachPanelBitmapOnce) {
    std::map<int, std::string> files;
    ASSERT_NO_THROW(files = bitmapLines());
    std::set<int> ids;
    for (const auto& [id, file] : files) ids.insert(id);
    EXPECT_EQ(ids, (std::set<int>{4096, 8192, 8195, 8448, 8451, 8704}));
    std::set<std::string> names;
    for (const auto& [id, file] : files) names.insert(file);
    EXPECT_EQ(names.size(), files.size()) << "two identifiers share a file";
}

struct FormatCase {
    int id, width, height;
    std::vector<Rgb> colours;  // exactly the colours used
};

const FormatCase FORMAT_CASES[] = {
    {4096, 436, 85, {DARK, GREY, LIGHT}},
    {8192, 10, 12, {GREEN, DARK_GREEN}},
    {8195, 10, 12, {RED, DARK_RED}},
    {8448, 10, 12, {GREEN, DARK_GREEN}},
    {8451, 10, 12, {RED, DARK_RED}},
    {8704, 9, 9, {GREY, RED}},
};

TEST(Bitmaps, SizeDepthAndExactPalette) {
    for (const FormatCase& c : FORMAT_CASES) {
        SCOPED_TRACE("resource " + std::to_string(c.id));
        DecodedBmp bmp;
        ASSERT_NO_THROW(bmp = loadResource(c.id));
        EXPECT_EQ(bmp.width, c.width);
        EXPECT_EQ(bmp.height, c.height);
        EXPECT_EQ(bmp.bitsPerPixel, 8);

        std::set<Rgb> palette(bmp.palette.begin(), bmp.palette.end());
        EXPECT_EQ(palette.size(), bmp.palette.size()) << "a colour appears twice in the palette";
        EXPECT_EQ(palette, std::set<Rgb>(c.colours.begin(), c.colours.end()));
        std::set<std::uint8_t> used(bmp.indices.begin(), bmp.indices.end());
        EXPECT_EQ(used.size(), bmp.palette.size()) << "the palette lists a colour no pixel uses";
        EXPECT_EQ(palette.count(Rgb{}), 0u) << "black pixel";
    }
}

// ---- The background --------------------------------------------------------------------------------

constexpr int BG_WIDTH = 436, BG_HEIGHT = 85;

int boxCount(int column) { return column == 6 ? 4 : 6; }
int interiorLeft(int column) { return 4 + 72 * (column - 1); }
int interiorTop(int row) { return 4 + 13 * (row - 1); }
int rightBorder(int column) { return 48 + 72 * (column - 1); }
// The next vertical light line to the right of a box's label: the next box's left border, or the frame.
int nextLineRightOf(int column) { return column < 6 ? interiorLeft(column + 1) - 1 : BG_WIDTH - 1; }

struct Rect {
    int left, top, right, bottom;  // inclusive
    bool contains(int x, int y) const { return x >= left && x <= right && y >= top && y <= bottom; }
};

// Where a box's label may stand: between its right border and the next line, beside the box.
Rect labelArea(int column, int row) {
    return {rightBorder(column) + 1, interiorTop(row), nextLineRightOf(column) - 1, interiorTop(row) + 11};
}

const Rect POSITION_AREA{346, 60, 434, 83};

struct LabelCase {
    const char* text;  // "" for a box without a label
    int column, row;
};

const LabelCase LABEL_CASES[] = {
    {"", 1, 1},      {"Gal", 1, 2},   {"Aux", 1, 3},   {"Gph", 1, 4},   {"Ailrn", 1, 5}, {"Elev", 1, 6},
    {"Ft", 2, 1},    {"TAS", 2, 2},   {"IAS", 2, 3},   {"Hdg", 2, 4},   {"Bank", 2, 5},  {"Pitch", 2, 6},
    {"G's", 3, 1},   {"Acel", 3, 2},  {"Roll", 3, 3},  {"Turn", 3, 4},  {"Climb", 3, 5}, {"AoA", 3, 6},
    {"Rpm", 4, 1},   {"Hp", 4, 2},    {"Torq", 4, 3},  {"Prop", 4, 4},  {"Thrst", 4, 5}, {"WepT", 4, 6},
    {"Mpsi", 5, 1},  {"Fpsi", 5, 2},  {"Thrt", 5, 3},  {"Wsgt", 5, 4},  {"", 5, 5},      {"", 5, 6},
    {"ROT", 6, 1},   {"CHT", 6, 2},   {"Oil T", 6, 3}, {"Oil P", 6, 4},
};

const DecodedBmp& background() {
    static const DecodedBmp bmp = loadResource(4096);
    return bmp;
}

// What every pixel outside the label areas must be.
std::function<Rgb(int, int)> expectedBackground() {
    return [](int x, int y) {
        if (x == 0 || y == 0 || x == BG_WIDTH - 1 || y == BG_HEIGHT - 1) return LIGHT;
        if (POSITION_AREA.contains(x, y)) return DARK;
        for (int column = 1; column <= 6; ++column)
            for (int row = 1; row <= boxCount(column); ++row) {
                const Rect interior{interiorLeft(column), interiorTop(row), interiorLeft(column) + 43, interiorTop(row) + 11};
                const Rect outline{interior.left - 1, interior.top - 1, interior.right + 1, interior.bottom + 1};
                if (interior.contains(x, y)) return DARK;
                if (outline.contains(x, y)) return LIGHT;
            }
        return GREY;
    };
}

TEST(Background, FrameGridAndPositionAreaEverywhereOutsideTheLabels) {
    const DecodedBmp& bmp = background();
    ASSERT_EQ(bmp.width, BG_WIDTH);
    ASSERT_EQ(bmp.height, BG_HEIGHT);
    const auto expected = expectedBackground();
    int mismatches = 0;
    for (int y = 0; y < BG_HEIGHT; ++y)
        for (int x = 0; x < BG_WIDTH; ++x) {
            bool inLabelArea = false;
            for (const LabelCase& c : LABEL_CASES)
                inLabelArea |= *c.text != '\0' && labelArea(c.column, c.row).contains(x, y);
            if (inLabelArea) {
                if (bmp.at(x, y) != GREY && bmp.at(x, y) != LIGHT && ++mismatches <= 10)
                    ADD_FAILURE() << "label area pixel (" << x << ", " << y << ") is neither grey nor light";
            } else if (bmp.at(x, y) != expected(x, y) && ++mismatches <= 10) {
                ADD_FAILURE() << "pixel (" << x << ", " << y << ") is " << testing::PrintToString(bmp.at(x, y))
                              << ", expected " << testing::PrintToString(expected(x, y));
            }
        }
    EXPECT_EQ(mismatches, 0);
}

TEST(Background, GridHasSharedHorizontalLinesAndColumnSixStopsAfterRowFour) {
    const DecodedBmp& bmp = background();
    for (int column = 1; column <= 6; ++column) {
        SCOPED_TRACE("column " + std::to_string(column));
        const int x = interiorLeft(column) + 20;
        for (int lineY : {3, 16, 29, 42, 55, 68, 81}) {
            const bool present = column < 6 || lineY <= 55;
            EXPECT_EQ(bmp.at(x, lineY) == LIGHT, present) << "horizontal line at y " << lineY;
        }
    }
}

struct Ink {
    Rect bounds{1 << 20, 1 << 20, -1, -1};
    std::vector<std::pair<int, int>> columnRuns;  // [first, last] x of each run of columns holding ink
    bool empty() const { return bounds.right < 0; }
};

Ink inkIn(const DecodedBmp& bmp, const Rect& area) {
    Ink ink;
    bool inRun = false;
    for (int x = area.left; x <= area.right; ++x) {
        bool columnHasInk = false;
        for (int y = area.top; y <= area.bottom; ++y) {
            if (bmp.at(x, y) != LIGHT) continue;
            columnHasInk = true;
            ink.bounds = {std::min(ink.bounds.left, x), std::min(ink.bounds.top, y), std::max(ink.bounds.right, x),
                          std::max(ink.bounds.bottom, y)};
        }
        if (columnHasInk && !inRun) ink.columnRuns.push_back({x, x});
        if (columnHasInk) ink.columnRuns.back().second = x;
        inRun = columnHasInk;
    }
    return ink;
}

TEST(Background, LabelsStandBesideTheirBoxesAtCapitalHeight) {
    const DecodedBmp& bmp = background();
    for (const LabelCase& c : LABEL_CASES) {
        const std::string text = c.text;
        SCOPED_TRACE("label \"" + text + "\" of box (" + std::to_string(c.column) + ", " + std::to_string(c.row) + ")");
        const Ink ink = inkIn(bmp, labelArea(c.column, c.row));
        if (text.empty()) {
            EXPECT_TRUE(ink.empty());
            continue;
        }
        ASSERT_FALSE(ink.empty());
        const int capTop = 6 + 13 * (c.row - 1);
        const bool descends = text.find_first_of("gpqy") != std::string::npos;
        EXPECT_GE(ink.bounds.left - rightBorder(c.column), 2);
        EXPECT_LE(ink.bounds.left - rightBorder(c.column), 4);
        EXPECT_LE(ink.bounds.right, nextLineRightOf(c.column) - 2) << "no grey column before the next line";
        EXPECT_EQ(ink.bounds.top, capTop);
        EXPECT_EQ(ink.bounds.bottom, capTop + (descends ? 9 : 7));
        const auto letters = std::count_if(text.begin(), text.end(), [](char ch) { return ch != ' '; });
        EXPECT_EQ(std::ptrdiff_t(ink.columnRuns.size()), letters) << "letters apart from one another";
    }
}

TEST(Background, StallDiscHidesTheMiddleLetterOfAoA) {
    const Ink ink = inkIn(background(), labelArea(3, 6));
    ASSERT_EQ(ink.columnRuns.size(), 3u);
    EXPECT_EQ(ink.bounds.left, 195);
    EXPECT_EQ(ink.bounds.right, 215);
    // The stall icon is drawn at (201, 70), 9 x 9.
    EXPECT_GE(ink.columnRuns[1].first, 201);
    EXPECT_LE(ink.columnRuns[1].second, 209);
    EXPECT_GE(ink.bounds.top, 70);
    EXPECT_LE(ink.bounds.bottom, 78);
}

// ---- The icons -------------------------------------------------------------------------------------

bool triangle(int x, int y) {
    constexpr std::array<int, 8> widths{3, 4, 5, 6, 6, 5, 4, 3};
    return y >= 2 && y <= 9 && x >= 2 && x < 2 + widths[std::size_t(y - 2)];
}

bool bars(int x, int y) { return y >= 2 && y <= 9 && (x == 2 || x == 3 || x == 6 || x == 7); }

bool disc(int x, int y) {
    constexpr std::array<int, 9> widths{5, 7, 9, 9, 9, 9, 9, 7, 5};
    const int margin = (9 - widths[std::size_t(y)]) / 2;
    return x >= margin && x < 9 - margin;
}

struct IconCase {
    int id;
    Rgb field, ink;
    bool (*shape)(int x, int y);
};

const IconCase ICON_CASES[] = {
    {8192, GREEN, DARK_GREEN, triangle},
    {8195, RED, DARK_RED, triangle},
    {8448, GREEN, DARK_GREEN, bars},
    {8451, RED, DARK_RED, bars},
    {8704, GREY, RED, disc},
};

TEST(Icons, EveryPixelMatchesThePicture) {
    for (const IconCase& c : ICON_CASES) {
        SCOPED_TRACE("resource " + std::to_string(c.id));
        DecodedBmp bmp;
        ASSERT_NO_THROW(bmp = loadResource(c.id));
        for (int y = 0; y < bmp.height; ++y)
            for (int x = 0; x < bmp.width; ++x)
                ASSERT_EQ(bmp.at(x, y), c.shape(x, y) ? c.ink : c.field) << "at (" << x << ", " << y << ")";
        EXPECT_EQ(bmp.at(0, 0), c.field);
        EXPECT_EQ(bmp.at(bmp.width - 1, bmp.height - 1), c.field);
    }
}

}  // namespace
