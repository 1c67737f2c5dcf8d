// A picture and its PNG file. The encoder is stb_image_write's: its own
// deflate, with the compression level and the row filters fixed here, so the
// bytes depend on the pixels alone, not on a system zlib's version.
#include <stb_image_write.h>

#include <cerrno>
#include <cstring>
#include <fstream>
#include <ostream>
#include <utility>

#include "host/render/panel_renderer.h"

namespace vorlat::render {

namespace {

constexpr int PNG_COMPRESSION_LEVEL = 8;
// No row filter: the panel's flat boxes and borders compress best as they are
// (a scale-3 panel: 53 KB unfiltered, 58 KB with the encoder's adaptive filters, in half the time).
constexpr int PNG_ROW_FILTER_NONE = 0;
constexpr int RGB_CHANNELS = 3;

}  // namespace

PanelImage::PanelImage(int width, int height, std::vector<std::uint32_t> xrgb)
    : width_(width), height_(height), xrgb_(std::move(xrgb)) {}

std::array<std::uint8_t, 3> PanelImage::pixel(int x, int y) const {
    const std::uint32_t value = xrgb_.at(static_cast<std::size_t>(y) * width_ + x);
    return {std::uint8_t(value >> 16), std::uint8_t(value >> 8), std::uint8_t(value)};
}

std::string PanelImage::pngBytes() const {
    std::vector<std::uint8_t> rgb;
    rgb.reserve(xrgb_.size() * RGB_CHANNELS);
    for (const std::uint32_t value : xrgb_) {
        rgb.push_back(std::uint8_t(value >> 16));
        rgb.push_back(std::uint8_t(value >> 8));
        rgb.push_back(std::uint8_t(value));
    }
    // The encoder reads its settings from globals (the program draws on one thread).
    stbi_write_png_compression_level = PNG_COMPRESSION_LEVEL;
    stbi_write_force_png_filter = PNG_ROW_FILTER_NONE;
    std::string png;
    const auto append = [](void* into, void* data, int size) {
        static_cast<std::string*>(into)->append(static_cast<const char*>(data), static_cast<std::size_t>(size));
    };
    if (stbi_write_png_to_func(append, &png, width_, height_, RGB_CHANNELS, rgb.data(), width_ * RGB_CHANNELS) == 0)
        throw RenderError("the picture cannot be encoded as PNG");
    return png;
}

void PanelImage::writePng(const std::string& path, const std::string& name) const {
    const std::string png = pngBytes();
    errno = 0;
    std::ofstream file(path, std::ios::binary | std::ios::trunc);
    if (file) file.write(png.data(), static_cast<std::streamsize>(png.size()));
    if (file) file.close();
    if (!file) {
        const std::string why = errno != 0 ? std::strerror(errno) : "write error";
        throw RenderError(name + ": cannot write the picture (" + why + ")");
    }
}

void PanelImage::writePng(std::FILE* stream, const std::string& name) const {
    const std::string png = pngBytes();
    errno = 0;
    if (std::fwrite(png.data(), 1, png.size(), stream) == png.size()) return;
    const std::string why = errno != 0 ? std::strerror(errno) : "write error";
    throw RenderError(name + ": cannot write the picture (" + why + ")");
}

void PanelImage::writePng(std::ostream& stream, const std::string& name) const {
    const std::string png = pngBytes();
    if (stream.write(png.data(), static_cast<std::streamsize>(png.size()))) return;
    throw RenderError(name + ": cannot write the picture (write error)");
}

}  // namespace vorlat::render
