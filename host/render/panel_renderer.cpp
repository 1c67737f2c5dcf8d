// The panel drawn by the program's own code, the same on Linux and Windows,
// with g++, clang or MinGW, 32 or 64 bits: a picture made on one is the same
// bytes as on any other, which no system font stack (fontconfig, GDI) gives.
// - Bitmaps: each panel pixel becomes a scale x scale block, as crisp as the
//   resources themselves.
// - Texts: Liberation Mono, built in (the face fontconfig chose for the
//   panel's Courier New, with the same metrics), rasterised by stb_truetype
//   with 8-bit greyscale antialiasing from the exact outlines (no hinting, so
//   glyph shapes do not depend on a hinter's version). The cell fills the
//   field's height as before; pens stand on quarter pixels across a line so
//   a monospace line keeps its even spacing, and baselines on whole pixels so
//   the bottoms of the digits stay sharp.
// - Layout and blending are integer arithmetic: font units, quarter pixels and
//   8-bit coverage, so no floating-point rounding can move a pixel. Only the
//   rasteriser computes in floats (see Face::mask).
#include "host/render/panel_renderer.h"

#include <algorithm>
#include <map>
#include <utility>

#include "host/gauge_facts.h"
#include "host/render/glyphs.h"

namespace vorlat::render {

namespace {

using gauge::ICON_IMAGE_STRIDE;
using gauge::ICON_KIND;
using gauge::IMAGE_KIND;
using gauge::TEXT_KIND;
constexpr int WINDOWS_BOLD = 700;
constexpr int FULL_COVERAGE = 255;
constexpr int HATCH_PERIOD = 4;                   // panel pixels between the lines of a field marked unknown
constexpr std::uint32_t HATCH_COLOUR = 0x8A8A8A;  // the lines: a grey no readout is drawn in
constexpr std::uint32_t DIM_MASK = 0x7F7F7F;      // each channel halved, no bit carried into the next

// Division rounding towards minus infinity, for positions left of the picture.
constexpr std::int64_t floorDiv(std::int64_t a, std::int64_t b) { return a / b - (a % b != 0 && (a < 0) != (b < 0)); }

// Font units to `perPixel`ths of a pixel, for a cell `cellPixels` high, rounded to the nearest.
std::int64_t unitsTo(std::int64_t units, int cellPixels, int perPixel, const Face& face) {
    return floorDiv(2 * units * cellPixels * perPixel + face.cellUnits(), 2 * std::int64_t(face.cellUnits()));
}

struct Rect {
    int left = 0, top = 0, right = 0, bottom = 0;  // right and bottom exclusive
};

struct Canvas {
    int width = 0, height = 0;
    std::vector<std::uint32_t> xrgb;

    // A bitmap with its top-left corner at panel pixel (x, y), each pixel `scale` wide.
    void drawBitmap(const Bitmap& bitmap, int x, int y, int scale) {
        for (int by = 0; by < bitmap.height; ++by)
            for (int bx = 0; bx < bitmap.width; ++bx) {
                const auto [r, g, b] = bitmap.pixel(bx, by);
                fill({(x + bx) * scale, (y + by) * scale, (x + bx + 1) * scale, (y + by + 1) * scale},
                     std::uint32_t(r) << 16 | std::uint32_t(g) << 8 | b);
            }
    }

    // The field's pixels at half their brightness, crossed by diagonal lines
    // HATCH_PERIOD panel pixels apart, one panel pixel wide.
    void hatch(Rect rect, int scale) {
        rect = clipped(rect);
        const int period = HATCH_PERIOD * scale;
        for (int py = rect.top; py < rect.bottom; ++py)
            for (int px = rect.left; px < rect.right; ++px) {
                std::uint32_t& pixel = xrgb[std::size_t(py) * width + px];
                const bool line = (px - rect.left + py - rect.top) % period < scale;
                pixel = line ? HATCH_COLOUR : pixel >> 1 & DIM_MASK;
            }
    }

    void fill(Rect rect, std::uint32_t colour) {
        rect = clipped(rect);
        for (int py = rect.top; py < rect.bottom; ++py)
            for (int px = rect.left; px < rect.right; ++px) xrgb[std::size_t(py) * width + px] = colour;
    }

    // Mixes `colour` into the picture by the mask's coverage, inside `clip` only.
    void blend(const GlyphMask& mask, int x, int y, Rect clip, std::uint32_t colour) {
        clip = clipped(clip);
        for (int my = 0; my < mask.height; ++my) {
            const int py = y + my;
            if (py < clip.top || py >= clip.bottom) continue;
            for (int mx = 0; mx < mask.width; ++mx) {
                const int px = x + mx;
                if (px < clip.left || px >= clip.right) continue;
                const unsigned cover = mask.coverage[std::size_t(my) * mask.width + mx];
                if (cover == 0) continue;
                std::uint32_t& pixel = xrgb[std::size_t(py) * width + px];
                pixel = mix(pixel, colour, cover);
            }
        }
    }

private:
    Rect clipped(Rect rect) const {
        return {std::max(rect.left, 0), std::max(rect.top, 0), std::min(rect.right, width),
                std::min(rect.bottom, height)};
    }
    // Each channel: (ink * cover + under * (255 - cover)) / 255, rounded to the nearest.
    static std::uint32_t mix(std::uint32_t under, std::uint32_t ink, unsigned cover) {
        std::uint32_t out = 0;
        for (const int shift : {16, 8, 0}) {
            const unsigned sum = (ink >> shift & 0xFF) * cover + (under >> shift & 0xFF) * (FULL_COVERAGE - cover);
            out |= std::uint32_t((sum + FULL_COVERAGE / 2) / FULL_COVERAGE) << shift;
        }
        return out;
    }
};

// The module keeps colours as Windows does, blue in the high byte.
std::uint32_t xrgbOf(std::uint32_t bgr) { return (bgr & 0xFF) << 16 | (bgr & 0xFF00) | (bgr >> 16 & 0xFF); }

}  // namespace

ResolvedFont resolveFont(const std::string& /*name*/, int weight) {
    return {"Liberation Mono", weight >= WINDOWS_BOLD ? "LiberationMono-Bold.ttf" : "LiberationMono-Regular.ttf"};
}

struct PanelRenderer::Impl {
    int scale = DEFAULT_SCALE;
    int width = 0, height = 0;  // of the background, in panel pixels
    std::map<int, Bitmap> bitmaps;
    std::unique_ptr<Face> regular, bold;

    const Bitmap& bitmap(const Host& host, int resourceId) {
        auto found = bitmaps.find(resourceId);
        if (found == bitmaps.end()) {
            try {
                found = bitmaps.emplace(resourceId, host.bitmap(resourceId)).first;
            } catch (const LoadError& error) {
                throw RenderError(error.what());
            }
        }
        return found->second;
    }

    Face& face(int weight) {
        std::unique_ptr<Face>& chosen = weight >= WINDOWS_BOLD ? bold : regular;
        if (!chosen) chosen = std::make_unique<Face>(weight >= WINDOWS_BOLD);
        return *chosen;
    }

    // The host sizes the font so that its cell (ascent and descent) fills the
    // field's height, as a Windows font asked for by cell height would. No fill
    // behind the text: the dark box shows through.
    void drawText(Canvas& canvas, const ElementView& element) {
        if (element.text.empty() || element.height <= 0 || element.width <= 0) return;
        Face& font = face(element.fontWeight);
        const int cell = element.height * scale;
        const Rect box{element.x * scale, element.y * scale, (element.x + element.width) * scale,
                       element.y * scale + cell};
        std::vector<int> glyphs;
        std::int64_t lineUnits = 0;
        for (const char32_t codepoint : codepoints(element.text)) {
            glyphs.push_back(font.glyph(codepoint));
            lineUnits += font.advanceUnits(glyphs.back());
        }
        // Pens in quarter pixels; with the cell as high as the field, every vertical placement is the same.
        const std::int64_t boxLeft = std::int64_t(box.left) * PHASES_PER_PIXEL;
        const std::int64_t boxWidth = std::int64_t(box.right - box.left) * PHASES_PER_PIXEL;
        const std::int64_t lineWidth = unitsTo(lineUnits, cell, PHASES_PER_PIXEL, font);
        std::int64_t start = boxLeft;
        if (element.textFlags & TEXT_CENTRE) start = boxLeft + floorDiv(boxWidth - lineWidth, 2);
        else if (element.textFlags & TEXT_RIGHT) start = boxLeft + boxWidth - lineWidth;
        const int baseline = box.top + int(unitsTo(font.ascentUnits(), cell, 1, font));

        std::int64_t penUnits = 0;
        for (const int glyph : glyphs) {
            const std::int64_t pen = start + unitsTo(penUnits, cell, PHASES_PER_PIXEL, font);
            const int pixel = int(floorDiv(pen, PHASES_PER_PIXEL));
            const int phase = int(pen - std::int64_t(pixel) * PHASES_PER_PIXEL);
            const GlyphMask& mask = font.mask(glyph, cell, phase);
            canvas.blend(mask, pixel + mask.left, baseline + mask.top, box, xrgbOf(element.foreColour));
            penUnits += font.advanceUnits(glyph);
        }
    }
};

PanelRenderer::PanelRenderer(const Host& host, int scale) : impl_(std::make_unique<Impl>()) {
    if (scale < 1 || scale > MAX_SCALE)
        throw RenderError("scale " + std::to_string(scale) + " is outside 1.." + std::to_string(MAX_SCALE));
    impl_->scale = scale;
    const Bitmap& background = impl_->bitmap(host, host.background().resourceId);
    impl_->width = background.width;
    impl_->height = background.height;
    for (const ElementView& element : host.children()) {
        if (element.kind == TEXT_KIND) impl_->face(element.fontWeight);
    }
}

PanelRenderer::~PanelRenderer() = default;

int PanelRenderer::scale() const { return impl_->scale; }

PanelImage PanelRenderer::render(const Host& host, const std::vector<std::size_t>& unknownFields) const {
    Impl& impl = *impl_;
    Canvas canvas{.width = impl.width * impl.scale, .height = impl.height * impl.scale, .xrgb = {}};
    canvas.xrgb.assign(std::size_t(canvas.width) * canvas.height, 0);
    const ElementView background = host.background();
    if (background.kind == IMAGE_KIND)
        canvas.drawBitmap(impl.bitmap(host, background.resourceId), background.x, background.y, impl.scale);
    for (const ElementView& element : host.children()) {
        if (element.kind == ICON_KIND) {
            if (element.shownImage < 0) continue;
            const int resource = element.resourceId + ICON_IMAGE_STRIDE * element.shownImage;
            canvas.drawBitmap(impl.bitmap(host, resource), element.x, element.y, impl.scale);
        } else if (element.kind == TEXT_KIND) {
            if (std::find(unknownFields.begin(), unknownFields.end(), element.child) == unknownFields.end())
                impl.drawText(canvas, element);
            else
                canvas.hatch({element.x * impl.scale, element.y * impl.scale, (element.x + element.width) * impl.scale,
                              (element.y + element.height) * impl.scale},
                             impl.scale);
        }
    }
    return PanelImage(canvas.width, canvas.height, std::move(canvas.xrgb));
}

}  // namespace vorlat::render
