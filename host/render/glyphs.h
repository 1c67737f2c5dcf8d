// The panel's one typeface, Liberation Mono, built into the program (regular
// and bold), and its glyphs as coverage masks, each rasterised once per pixel
// size and quarter-pixel phase and kept for the face's life.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <tuple>
#include <vector>

struct stbtt_fontinfo;

namespace vorlat::render {

// Font sizes and positions below are whole numbers: font units, pixels or
// quarter pixels, so that layout does not depend on how a compiler rounds.
inline constexpr int PHASES_PER_PIXEL = 4;

struct GlyphMask {
    int left = 0, top = 0;  // the mask's corner from the pen on the baseline, in pixels (top: negative is up)
    int width = 0, height = 0;
    std::vector<std::uint8_t> coverage;  // 0 (none) to 255 (full), row-major from the top
};

class Face {
public:
    // Parses the built-in regular (weight below 700) or bold face; throws RenderError.
    explicit Face(bool bold);
    ~Face();
    Face(const Face&) = delete;
    Face& operator=(const Face&) = delete;

    const std::string& fileName() const { return fileName_; }
    // The cell from the top of the highest glyph to the bottom of the lowest, as
    // the font's horizontal header gives it; a field's height is one cell.
    int ascentUnits() const { return ascent_; }
    int cellUnits() const { return ascent_ - descent_; }
    int capUnits() const { return cap_; }  // the height of capitals and flat-topped digits
    int glyph(char32_t codepoint) const;   // 0 (the missing glyph's box) when the face has none
    int advanceUnits(int glyph) const;
    // The glyph drawn with a cell of `cellPixels`, its pen `phase` quarter pixels
    // right of a pixel's edge. Heights are scaled a little so that capitals and
    // digits are a whole number of pixels tall: with the baseline on a pixel's
    // edge too, their tops and bottoms are sharp lines rather than two half-lit rows.
    const GlyphMask& mask(int glyph, int cellPixels, int phase);

private:
    std::string fileName_;
    std::unique_ptr<stbtt_fontinfo> info_;
    int ascent_ = 0, descent_ = 0, cap_ = 0;
    std::map<std::tuple<int, int, int>, GlyphMask> masks_;  // by (glyph, cellPixels, phase)
};

// The code points of a text: UTF-8 where it is valid, otherwise a byte at a
// time as Latin-1, so no text the module writes is refused.
std::vector<char32_t> codepoints(std::string_view text);

}  // namespace vorlat::render
