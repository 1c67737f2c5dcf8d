#include "host/render/panel_renderer.h"

#include <cairo-ft.h>
#include <cairo.h>
#include <fontconfig/fontconfig.h>

#include <cerrno>
#include <cmath>
#include <cstring>
#include <map>
#include <utility>

#include "host/gauge_facts.h"

namespace vorlat::render {

namespace {

using gauge::ICON_IMAGE_STRIDE;
using gauge::ICON_KIND;
using gauge::IMAGE_KIND;
using gauge::TEXT_KIND;
constexpr int WINDOWS_BOLD = 700;

struct SurfaceDeleter {
    void operator()(cairo_surface_t* surface) const { cairo_surface_destroy(surface); }
};
struct ContextDeleter {
    void operator()(cairo_t* context) const { cairo_destroy(context); }
};
struct FaceDeleter {
    void operator()(cairo_font_face_t* face) const { cairo_font_face_destroy(face); }
};
struct PatternDeleter {
    void operator()(FcPattern* pattern) const { FcPatternDestroy(pattern); }
};
using Surface = std::unique_ptr<cairo_surface_t, SurfaceDeleter>;
using Context = std::unique_ptr<cairo_t, ContextDeleter>;
using Face = std::unique_ptr<cairo_font_face_t, FaceDeleter>;
using Pattern = std::unique_ptr<FcPattern, PatternDeleter>;

void check(cairo_status_t status, const std::string& what) {
    if (status != CAIRO_STATUS_SUCCESS) throw RenderError(what + ": " + cairo_status_to_string(status));
}

int fontconfigWeight(int windowsWeight) { return windowsWeight >= WINDOWS_BOLD ? FC_WEIGHT_BOLD : FC_WEIGHT_REGULAR; }

// The best match fontconfig has for a face name, with the defaults applied.
Pattern matchFont(const std::string& name, int weight) {
    if (!FcInit()) throw RenderError("fontconfig cannot be initialised");
    Pattern query(FcPatternCreate());
    FcPatternAddString(query.get(), FC_FAMILY, reinterpret_cast<const FcChar8*>(name.c_str()));
    FcPatternAddInteger(query.get(), FC_WEIGHT, fontconfigWeight(weight));
    FcPatternAddInteger(query.get(), FC_SLANT, FC_SLANT_ROMAN);
    FcConfigSubstitute(nullptr, query.get(), FcMatchPattern);
    FcDefaultSubstitute(query.get());
    FcResult result = FcResultNoMatch;
    Pattern match(FcFontMatch(nullptr, query.get(), &result));
    if (!match || result != FcResultMatch) throw RenderError("fontconfig finds no font for \"" + name + "\"");
    return match;
}

std::string patternString(FcPattern* pattern, const char* object) {
    FcChar8* value = nullptr;
    if (FcPatternGetString(pattern, object, 0, &value) != FcResultMatch || value == nullptr) return {};
    return reinterpret_cast<const char*>(value);
}

Surface bitmapSurface(const Bitmap& bitmap) {
    Surface surface(cairo_image_surface_create(CAIRO_FORMAT_RGB24, bitmap.width, bitmap.height));
    check(cairo_surface_status(surface.get()), "bitmap surface");
    cairo_surface_flush(surface.get());
    unsigned char* data = cairo_image_surface_get_data(surface.get());
    const int stride = cairo_image_surface_get_stride(surface.get());
    for (int y = 0; y < bitmap.height; ++y) {
        auto* row = reinterpret_cast<std::uint32_t*>(data + static_cast<std::ptrdiff_t>(y) * stride);
        for (int x = 0; x < bitmap.width; ++x) {
            const auto [r, g, b] = bitmap.pixel(x, y);
            row[x] = std::uint32_t(r) << 16 | std::uint32_t(g) << 8 | b;
        }
    }
    cairo_surface_mark_dirty(surface.get());
    return surface;
}

void setColour(cairo_t* context, std::uint32_t bgr) {
    cairo_set_source_rgb(context, (bgr & 0xFF) / 255.0, (bgr >> 8 & 0xFF) / 255.0, (bgr >> 16 & 0xFF) / 255.0);
}

// A picture as a cairo surface of its own, ready to be written.
Surface imageSurface(int width, int height, const std::vector<std::uint32_t>& xrgb) {
    Surface surface(cairo_image_surface_create(CAIRO_FORMAT_RGB24, width, height));
    check(cairo_surface_status(surface.get()), "image surface");
    cairo_surface_flush(surface.get());
    unsigned char* data = cairo_image_surface_get_data(surface.get());
    const int stride = cairo_image_surface_get_stride(surface.get());
    for (int y = 0; y < height; ++y)
        std::memcpy(data + static_cast<std::ptrdiff_t>(y) * stride, &xrgb[static_cast<std::size_t>(y) * width],
                    static_cast<std::size_t>(width) * 4);
    cairo_surface_mark_dirty(surface.get());
    return surface;
}

}  // namespace

PanelImage::PanelImage(int width, int height, std::vector<std::uint32_t> xrgb)
    : width_(width), height_(height), xrgb_(std::move(xrgb)) {}

std::array<std::uint8_t, 3> PanelImage::pixel(int x, int y) const {
    const std::uint32_t value = xrgb_.at(static_cast<std::size_t>(y) * width_ + x);
    return {std::uint8_t(value >> 16), std::uint8_t(value >> 8), std::uint8_t(value)};
}

void PanelImage::writePng(const std::string& path, const std::string& name) const {
    const cairo_status_t status = cairo_surface_write_to_png(imageSurface(width_, height_, xrgb_).get(), path.c_str());
    if (status != CAIRO_STATUS_SUCCESS)
        throw RenderError(name + ": cannot write the picture (" + cairo_status_to_string(status) + ")");
}

void PanelImage::writePng(std::FILE* stream, const std::string& name) const {
    struct Sink {
        std::FILE* stream;
        int error = 0;
    } sink{stream};
    const auto write = [](void* closure, const unsigned char* data, unsigned int length) -> cairo_status_t {
        auto* into = static_cast<Sink*>(closure);
        if (std::fwrite(data, 1, length, into->stream) == length) return CAIRO_STATUS_SUCCESS;
        into->error = errno;
        return CAIRO_STATUS_WRITE_ERROR;
    };
    errno = 0;
    const cairo_status_t status =
        cairo_surface_write_to_png_stream(imageSurface(width_, height_, xrgb_).get(), write, &sink);
    if (status == CAIRO_STATUS_SUCCESS) return;
    const std::string why = sink.error != 0 ? std::strerror(sink.error) : cairo_status_to_string(status);
    throw RenderError(name + ": cannot write the picture (" + why + ")");
}

ResolvedFont resolveFont(const std::string& name, int weight) {
    Pattern match = matchFont(name, weight);
    return {patternString(match.get(), FC_FAMILY), patternString(match.get(), FC_FILE)};
}

void releaseFontCaches() {
    cairo_debug_reset_static_data();
    FcFini();
}

struct PanelRenderer::Impl {
    int scale = DEFAULT_SCALE;
    int width = 0, height = 0;  // of the background, in panel pixels
    std::map<int, Surface> bitmaps;
    std::map<std::pair<std::string, int>, Face> faces;
    cairo_font_options_t* fontOptions = nullptr;

    ~Impl() {
        if (fontOptions) cairo_font_options_destroy(fontOptions);
    }

    cairo_surface_t* bitmap(const Host& host, int resourceId) {
        auto found = bitmaps.find(resourceId);
        if (found == bitmaps.end()) {
            Bitmap decoded;
            try {
                decoded = host.bitmap(resourceId);
            } catch (const LoadError& error) {
                throw RenderError(error.what());
            }
            found = bitmaps.emplace(resourceId, bitmapSurface(decoded)).first;
        }
        return found->second.get();
    }

    cairo_font_face_t* face(const std::string& name, int weight) {
        const auto key = std::make_pair(name, weight);
        auto found = faces.find(key);
        if (found == faces.end()) {
            Pattern match = matchFont(name, weight);
            Face created(cairo_ft_font_face_create_for_pattern(match.get()));
            check(cairo_font_face_status(created.get()), "font face for \"" + name + "\"");
            found = faces.emplace(key, std::move(created)).first;
        }
        return found->second.get();
    }

    void drawBitmap(cairo_t* context, cairo_surface_t* image, int x, int y) const {
        cairo_save(context);
        cairo_scale(context, scale, scale);
        cairo_set_source_surface(context, image, x, y);
        cairo_pattern_set_filter(cairo_get_source(context), CAIRO_FILTER_NEAREST);
        cairo_paint(context);
        cairo_restore(context);
    }

    // The host sizes the font so that its cell (ascent and descent) fills the
    // field's height, as a Windows font asked for by cell height would.
    void drawText(cairo_t* context, const ElementView& element) {
        if (element.text.empty() || element.height <= 0 || element.width <= 0) return;
        const double left = element.x * scale, top = element.y * scale;
        const double boxWidth = element.width * scale, boxHeight = element.height * scale;
        cairo_save(context);
        cairo_rectangle(context, left, top, boxWidth, boxHeight);
        cairo_clip(context);
        cairo_set_font_face(context, face(element.fontName, element.fontWeight));
        cairo_set_font_options(context, fontOptions);
        cairo_set_font_size(context, 1.0);
        cairo_font_extents_t unit;
        cairo_font_extents(context, &unit);
        const double cell = unit.ascent + unit.descent;
        cairo_set_font_size(context, cell > 0 ? boxHeight / cell : boxHeight);
        cairo_font_extents_t font;
        cairo_font_extents(context, &font);
        cairo_text_extents_t extents;
        cairo_text_extents(context, element.text.c_str(), &extents);

        const std::uint32_t flags = element.textFlags;
        double x = left;
        if (flags & TEXT_CENTRE) x = left + (boxWidth - extents.x_advance) / 2;
        else if (flags & TEXT_RIGHT) x = left + boxWidth - extents.x_advance;
        const double lineHeight = font.ascent + font.descent;
        double baseline = top + font.ascent;
        if (flags & TEXT_SINGLE_LINE) {
            if (flags & TEXT_VCENTRE) baseline = top + (boxHeight - lineHeight) / 2 + font.ascent;
            else if (flags & TEXT_BOTTOM) baseline = top + boxHeight - font.descent;
        }
        // No fill behind the text: the dark box shows through.
        setColour(context, element.foreColour);
        cairo_move_to(context, x, baseline);
        cairo_show_text(context, element.text.c_str());
        cairo_restore(context);
    }
};

PanelRenderer::PanelRenderer(const Host& host, int scale) : impl_(std::make_unique<Impl>()) {
    if (scale < 1 || scale > MAX_SCALE)
        throw RenderError("scale " + std::to_string(scale) + " is outside 1.." + std::to_string(MAX_SCALE));
    impl_->scale = scale;
    const ElementView background = host.background();
    cairo_surface_t* image = impl_->bitmap(host, background.resourceId);
    impl_->width = cairo_image_surface_get_width(image);
    impl_->height = cairo_image_surface_get_height(image);
    impl_->fontOptions = cairo_font_options_create();
    cairo_font_options_set_antialias(impl_->fontOptions, CAIRO_ANTIALIAS_GRAY);
    cairo_font_options_set_hint_metrics(impl_->fontOptions, CAIRO_HINT_METRICS_OFF);
    for (const ElementView& element : host.children()) {
        if (element.kind == TEXT_KIND) impl_->face(element.fontName, element.fontWeight);
    }
}

PanelRenderer::~PanelRenderer() = default;

int PanelRenderer::scale() const { return impl_->scale; }

PanelImage PanelRenderer::render(const Host& host) const {
    Impl& impl = *impl_;
    const int width = impl.width * impl.scale, height = impl.height * impl.scale;
    Surface surface(cairo_image_surface_create(CAIRO_FORMAT_RGB24, width, height));
    check(cairo_surface_status(surface.get()), "panel surface");
    Context context(cairo_create(surface.get()));
    check(cairo_status(context.get()), "drawing context");

    const ElementView background = host.background();
    if (background.kind == IMAGE_KIND)
        impl.drawBitmap(context.get(), impl.bitmap(host, background.resourceId), background.x, background.y);
    for (const ElementView& element : host.children()) {
        if (element.kind == ICON_KIND) {
            if (element.shownImage < 0) continue;
            const int resource = element.resourceId + ICON_IMAGE_STRIDE * element.shownImage;
            impl.drawBitmap(context.get(), impl.bitmap(host, resource), element.x, element.y);
        } else if (element.kind == TEXT_KIND) {
            impl.drawText(context.get(), element);
        }
    }
    check(cairo_status(context.get()), "drawing the panel");
    cairo_surface_flush(surface.get());

    std::vector<std::uint32_t> pixels(static_cast<std::size_t>(width) * height);
    const unsigned char* data = cairo_image_surface_get_data(surface.get());
    const int stride = cairo_image_surface_get_stride(surface.get());
    for (int y = 0; y < height; ++y)
        std::memcpy(&pixels[static_cast<std::size_t>(y) * width], data + static_cast<std::ptrdiff_t>(y) * stride,
                    static_cast<std::size_t>(width) * 4);
    for (auto& pixel : pixels) pixel &= 0xFFFFFF;
    return PanelImage(width, height, std::move(pixels));
}

}  // namespace vorlat::render
