#pragma once
// An 8-bit palette picture and its encoding as a Windows BMP file.

#include <cstdint>
#include <string>
#include <vector>

namespace vorlat::bitmaps {

struct Rgb {
    std::uint8_t red = 0, green = 0, blue = 0;
    friend bool operator==(const Rgb&, const Rgb&) = default;
};

class IndexedBitmap {
public:
    // Every pixel starts as palette entry `fill`.
    IndexedBitmap(int width, int height, std::vector<Rgb> palette, std::uint8_t fill);

    int width() const { return width_; }
    int height() const { return height_; }
    const std::vector<Rgb>& palette() const { return palette_; }
    std::uint8_t at(int x, int y) const;

    void set(int x, int y, std::uint8_t colour);
    // Inclusive corners.
    void fillRect(int left, int top, int right, int bottom, std::uint8_t colour);

private:
    int width_, height_;
    std::vector<Rgb> palette_;
    std::vector<std::uint8_t> indices_;  // row-major from the top
};

// The complete file: BITMAPFILEHEADER, 40-byte BITMAPINFOHEADER, the palette, bottom-up rows padded to
// 4 bytes. Every field is fixed so that the same picture always gives the same bytes. Throws
// std::logic_error when a palette entry is unused or black: the panel must show no black pixel.
std::vector<std::uint8_t> encodeBmp(const IndexedBitmap& bitmap);

void writeFile(const std::string& path, const std::vector<std::uint8_t>& bytes);

}  // namespace vorlat::bitmaps
