// Pictures of the panel as the host shows it now: the background and icon
// bitmaps from the module's resources, scaled by whole pixels, and every text
// in its element's colour and font, placed as its text flags say. The same
// panel gives the same PNG bytes on every platform and compiler.
#pragma once

#include <array>
#include <cstdint>
#include <cstdio>
#include <iosfwd>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "host/host.h"

namespace vorlat::render {

inline constexpr int DEFAULT_SCALE = 3;
inline constexpr int MAX_SCALE = 16;

struct RenderError : std::runtime_error {
    using std::runtime_error::runtime_error;
};

// Windows text-drawing flags the host honours.
inline constexpr std::uint32_t TEXT_CENTRE = 0x01;
inline constexpr std::uint32_t TEXT_RIGHT = 0x02;
inline constexpr std::uint32_t TEXT_VCENTRE = 0x04;
inline constexpr std::uint32_t TEXT_BOTTOM = 0x08;
inline constexpr std::uint32_t TEXT_SINGLE_LINE = 0x20;

// A rendered picture, opaque, row-major from the top.
class PanelImage {
public:
    PanelImage(int width, int height, std::vector<std::uint32_t> xrgb);
    int width() const { return width_; }
    int height() const { return height_; }
    std::array<std::uint8_t, 3> pixel(int x, int y) const;                  // (red, green, blue)
    void writePng(const std::string& path) const { writePng(path, path); }  // throws RenderError
    // The same, where messages call the file `name` (the path as the user gave it).
    void writePng(const std::string& path, const std::string& name) const;
    // Into an open stream (an AtomicFile's); a failed write throws RenderError
    // naming `name` and why. The caller flushes and closes the stream.
    void writePng(std::FILE* stream, const std::string& name) const;
    void writePng(std::ostream& stream, const std::string& name) const;
    // The PNG file's bytes: the same for the same picture on every platform.
    std::string pngBytes() const;

private:
    int width_, height_;
    std::vector<std::uint32_t> xrgb_;
};

// The face that draws a font the panel asks for. The program carries one
// typeface, Liberation Mono (metric-compatible with Courier New, the panel's
// font), so every name resolves to it, in bold from weight 700.
struct ResolvedFont {
    std::string family;  // "Liberation Mono"
    std::string file;    // the built-in font file's name, e.g. "LiberationMono-Regular.ttf"
};
ResolvedFont resolveFont(const std::string& name, int weight);


class PanelRenderer {
public:
    // Reads the bitmaps it needs from the host's module once; throws RenderError.
    explicit PanelRenderer(const Host& host, int scale = DEFAULT_SCALE);
    ~PanelRenderer();
    PanelRenderer(const PanelRenderer&) = delete;
    PanelRenderer& operator=(const PanelRenderer&) = delete;

    int scale() const;
    PanelImage render(const Host& host) const { return render(host, {}); }
    // The same with the text fields of the children listed (by child index)
    // marked as unknown: each field darkened and hatched, its text left out, so
    // a picture shows no value it has no grounds for. Every other pixel is as
    // render(host) draws it.
    PanelImage render(const Host& host, const std::vector<std::size_t>& unknownFields) const;
    void writePng(const Host& host, const std::string& path) const { render(host).writePng(path); }
    void writePng(const Host& host, const std::string& path, const std::string& name) const {
        render(host).writePng(path, name);
    }
    void writePng(const Host& host, std::FILE* stream, const std::string& name) const {
        render(host).writePng(stream, name);
    }
    std::string pngBytes(const Host& host) const { return render(host).pngBytes(); }

private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

}  // namespace vorlat::render
