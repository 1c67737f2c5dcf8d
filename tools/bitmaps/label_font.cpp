#include "tools/bitmaps/label_font.h"

#include <algorithm>
#include <array>
#include <stdexcept>
#include <string>

namespace vorlat::bitmaps {

namespace {

constexpr int CELL_ROWS = LABEL_CAP_HEIGHT + LABEL_DESCENT;

// '#' is ink. Rows 0-7 hold capitals and ascenders, lower case sits on rows 2-7, rows 8-9 are descenders.
struct Glyph {
    char character;
    std::array<std::string_view, CELL_ROWS> rows;
};

// Only the characters the labels use. A glyph has ink in every one of its columns, so letters stay
// apart by exactly the letter gap.
// clang-format off
constexpr Glyph GLYPHS[] = {
    {' ', {"..", "..", "..", "..", "..", "..", "..", "..", "..", ".."}},
    {'\'', {"#", "#", "#", ".", ".", ".", ".", ".", ".", "."}},
    {'A', {"...#...", "..#.#..", "..#.#..", ".#...#.", ".#...#.", ".#####.", "#.....#", "#.....#", ".......", "......."}},
    {'B', {"####.", "#...#", "#...#", "####.", "#...#", "#...#", "#...#", "####.", ".....", "....."}},
    {'C', {".###.", "#...#", "#....", "#....", "#....", "#....", "#...#", ".###.", ".....", "....."}},
    {'E', {"####", "#...", "#...", "###.", "#...", "#...", "#...", "####", "....", "...."}},
    {'F', {"####", "#...", "#...", "###.", "#...", "#...", "#...", "#...", "....", "...."}},
    {'G', {".###.", "#...#", "#....", "#....", "#..##", "#...#", "#...#", ".###.", ".....", "....."}},
    {'H', {"#...#", "#...#", "#...#", "#####", "#...#", "#...#", "#...#", "#...#", ".....", "....."}},
    {'I', {"#", "#", "#", "#", "#", "#", "#", "#", ".", "."}},
    {'M', {"#.....#", "##...##", "#.#.#.#", "#..#..#", "#.....#", "#.....#", "#.....#", "#.....#", ".......", "......."}},
    {'O', {".###.", "#...#", "#...#", "#...#", "#...#", "#...#", "#...#", ".###.", ".....", "....."}},
    {'P', {"####.", "#...#", "#...#", "####.", "#....", "#....", "#....", "#....", ".....", "....."}},
    {'R', {"####.", "#...#", "#...#", "####.", "#.#..", "#..#.", "#...#", "#...#", ".....", "....."}},
    {'S', {".###.", "#...#", "#....", ".###.", "....#", "....#", "#...#", ".###.", ".....", "....."}},
    {'T', {"#####", "..#..", "..#..", "..#..", "..#..", "..#..", "..#..", "..#..", ".....", "....."}},
    {'W', {"#.....#", "#.....#", "#.....#", "#..#..#", "#..#..#", "#..#..#", "#.#.#.#", ".#...#.", ".......", "......."}},
    {'a', {"....", "....", ".##.", "...#", ".###", "#..#", "#..#", ".###", "....", "...."}},
    {'b', {"#...", "#...", "###.", "#..#", "#..#", "#..#", "#..#", "###.", "....", "...."}},
    {'c', {"....", "....", ".##.", "#..#", "#...", "#...", "#..#", ".##.", "....", "...."}},
    {'d', {"...#", "...#", ".###", "#..#", "#..#", "#..#", "#..#", ".###", "....", "...."}},
    {'e', {"....", "....", ".##.", "#..#", "####", "#...", "#..#", ".##.", "....", "...."}},
    {'g', {"....", "....", ".###", "#..#", "#..#", "#..#", "#..#", ".###", "...#", ".##."}},
    {'h', {"#...", "#...", "###.", "#..#", "#..#", "#..#", "#..#", "#..#", "....", "...."}},
    {'i', {"#", ".", "#", "#", "#", "#", "#", "#", ".", "."}},
    {'k', {"#...", "#...", "#..#", "#.#.", "##..", "#.#.", "#..#", "#..#", "....", "...."}},
    {'l', {"#", "#", "#", "#", "#", "#", "#", "#", ".", "."}},
    {'m', {".......", ".......", "###.##.", "#..#..#", "#..#..#", "#..#..#", "#..#..#", "#..#..#", ".......", "......."}},
    {'n', {"....", "....", "###.", "#..#", "#..#", "#..#", "#..#", "#..#", "....", "...."}},
    {'o', {".....", ".....", ".###.", "#...#", "#...#", "#...#", "#...#", ".###.", ".....", "....."}},
    {'p', {"....", "....", "###.", "#..#", "#..#", "#..#", "#..#", "###.", "#...", "#..."}},
    {'q', {"....", "....", ".###", "#..#", "#..#", "#..#", "#..#", ".###", "...#", "...#"}},
    {'r', {"...", "...", "#.#", "##.", "#..", "#..", "#..", "#..", "...", "..."}},
    {'s', {"....", "....", ".###", "#...", ".##.", "...#", "...#", "###.", "....", "...."}},
    {'t', {"...", ".#.", "###", ".#.", ".#.", ".#.", ".#.", "..#", "...", "..."}},
    {'u', {"....", "....", "#..#", "#..#", "#..#", "#..#", "#..#", ".###", "....", "...."}},
    {'v', {".....", ".....", "#...#", "#...#", "#...#", ".#.#.", ".#.#.", "..#..", ".....", "....."}},
    {'x', {".....", ".....", "#...#", ".#.#.", "..#..", "..#..", ".#.#.", "#...#", ".....", "....."}},
};
// clang-format on

constexpr bool wellFormed(const Glyph& glyph) {
    const std::size_t width = glyph.rows[0].size();
    for (std::string_view row : glyph.rows) {
        if (row.size() != width) return false;
        for (char c : row)
            if (c != '#' && c != '.') return false;
    }
    return width > 0;
}

constexpr bool allWellFormed() {
    for (const Glyph& glyph : GLYPHS)
        if (!wellFormed(glyph)) return false;
    return true;
}
static_assert(allWellFormed(), "every glyph row must have the glyph's width and hold only '#' and '.'");

const Glyph& glyphFor(char character) {
    const auto* glyph = std::find_if(std::begin(GLYPHS), std::end(GLYPHS),
                                     [character](const Glyph& g) { return g.character == character; });
    if (glyph == std::end(GLYPHS)) throw std::invalid_argument(std::string("no glyph for '") + character + "'");
    return *glyph;
}

int glyphWidth(const Glyph& glyph) { return int(glyph.rows[0].size()); }

}  // namespace

int labelWidth(std::string_view text) {
    int width = 0;
    for (char c : text) width += glyphWidth(glyphFor(c));
    if (text.size() > 1) width += LABEL_LETTER_GAP * int(text.size() - 1);
    return width;
}

void drawLabel(IndexedBitmap& bitmap, int left, int capTop, std::string_view text, std::uint8_t colour) {
    int x = left;
    for (char c : text) {
        const Glyph& glyph = glyphFor(c);
        for (int row = 0; row < CELL_ROWS; ++row)
            for (int column = 0; column < glyphWidth(glyph); ++column)
                if (glyph.rows[std::size_t(row)][std::size_t(column)] == '#')
                    bitmap.set(x + column, capTop + row, colour);
        x += glyphWidth(glyph) + LABEL_LETTER_GAP;
    }
}

}  // namespace vorlat::bitmaps
