#include "host/render/glyphs.h"

#include <stb_truetype.h>

#include <algorithm>

#include "host/render/panel_renderer.h"

namespace vorlat::render {

namespace fonts {
// Written at build time from the font package's files (cmake/EmbedFile.cmake).
std::string_view liberationMonoRegular();
std::string_view liberationMonoBold();
}  // namespace fonts

namespace {

const unsigned char* fontBytes(std::string_view ttf) { return reinterpret_cast<const unsigned char*>(ttf.data()); }

// The bytes of a UTF-8 sequence its first byte announces; 0 for a byte that cannot begin one.
int sequenceLength(unsigned char lead) {
    if (lead < 0x80) return 1;
    if (lead >= 0xC2 && lead < 0xE0) return 2;
    if (lead >= 0xE0 && lead < 0xF0) return 3;
    if (lead >= 0xF0 && lead < 0xF5) return 4;
    return 0;
}

}  // namespace

Face::Face(bool bold)
    : fileName_(bold ? "LiberationMono-Bold.ttf" : "LiberationMono-Regular.ttf"),
      info_(std::make_unique<stbtt_fontinfo>()) {
    const std::string_view ttf = bold ? fonts::liberationMonoBold() : fonts::liberationMonoRegular();
    if (stbtt_InitFont(info_.get(), fontBytes(ttf), stbtt_GetFontOffsetForIndex(fontBytes(ttf), 0)) == 0)
        throw RenderError("the built-in font " + fileName_ + " cannot be read");
    int lineGap = 0;
    stbtt_GetFontVMetrics(info_.get(), &ascent_, &descent_, &lineGap);
    if (ascent_ <= descent_) throw RenderError("the built-in font " + fileName_ + " has no height");
    int left = 0, bottom = 0, right = 0;
    if (stbtt_GetCodepointBox(info_.get(), 'H', &left, &bottom, &right, &cap_) == 0 || cap_ <= 0) cap_ = ascent_;
}

Face::~Face() = default;

int Face::glyph(char32_t codepoint) const { return stbtt_FindGlyphIndex(info_.get(), static_cast<int>(codepoint)); }

int Face::advanceUnits(int glyph) const {
    int advance = 0, leftBearing = 0;
    stbtt_GetGlyphHMetrics(info_.get(), glyph, &advance, &leftBearing);
    return advance;
}

const GlyphMask& Face::mask(int glyph, int cellPixels, int phase) {
    const auto key = std::make_tuple(glyph, cellPixels, phase);
    auto found = masks_.find(key);
    if (found != masks_.end()) return found->second;
    // The rasteriser works in single floats: with SSE arithmetic on every
    // target (32-bit builds too) and no contraction into fused multiply-adds,
    // each step rounds the same way everywhere, so the masks are the same bytes.
    const float scale = stbtt_ScaleForPixelHeight(info_.get(), static_cast<float>(cellPixels));
    const std::int64_t capRounded =
        (2 * std::int64_t(cap_) * cellPixels + cellUnits()) / (2 * std::int64_t(cellUnits()));
    const std::int64_t capPixels = std::max<std::int64_t>(1, capRounded);
    const float heightScale = static_cast<float>(capPixels) / static_cast<float>(cap_);
    const float shift = static_cast<float>(phase) / PHASES_PER_PIXEL;
    int x0 = 0, y0 = 0, x1 = 0, y1 = 0;
    stbtt_GetGlyphBitmapBoxSubpixel(info_.get(), glyph, scale, heightScale, shift, 0.0f, &x0, &y0, &x1, &y1);
    GlyphMask mask{.left = x0, .top = y0, .width = x1 - x0, .height = y1 - y0, .coverage = {}};
    if (mask.width > 0 && mask.height > 0) {
        mask.coverage.resize(static_cast<std::size_t>(mask.width) * mask.height);
        stbtt_MakeGlyphBitmapSubpixel(info_.get(), mask.coverage.data(), mask.width, mask.height, mask.width, scale,
                                      heightScale, shift, 0.0f, glyph);
    } else {
        mask.width = mask.height = 0;
    }
    return masks_.emplace(key, std::move(mask)).first->second;
}

std::vector<char32_t> codepoints(std::string_view text) {
    std::vector<char32_t> out;
    for (std::size_t i = 0; i < text.size();) {
        const auto lead = static_cast<unsigned char>(text[i]);
        const int length = sequenceLength(lead);
        char32_t value = length == 1 ? lead : length == 2 ? lead & 0x1F : length == 3 ? lead & 0x0F : lead & 0x07;
        bool valid = length > 0 && i + length <= text.size();
        for (int k = 1; valid && k < length; ++k) {
            const auto next = static_cast<unsigned char>(text[i + k]);
            valid = (next & 0xC0) == 0x80;
            value = value << 6 | (next & 0x3F);
        }
        // Overlong forms, surrogates and values past the last code point are not UTF-8.
        constexpr char32_t SMALLEST[] = {0, 0, 0x80, 0x800, 0x10000};
        valid = valid && value >= SMALLEST[length] && value <= 0x10FFFF && (value < 0xD800 || value > 0xDFFF);
        out.push_back(valid ? value : lead);
        i += valid ? static_cast<std::size_t>(length) : 1;
    }
    return out;
}

}  // namespace vorlat::render
