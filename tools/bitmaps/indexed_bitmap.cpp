#include "tools/bitmaps/indexed_bitmap.h"

#include <algorithm>
#include <fstream>
#include <stdexcept>

namespace vorlat::bitmaps {

namespace {

constexpr std::uint32_t FILE_HEADER_SIZE = 14;
constexpr std::uint32_t INFO_HEADER_SIZE = 40;
constexpr std::int32_t PIXELS_PER_METRE = 2835;  // 72 dots per inch

void put16(std::vector<std::uint8_t>& out, std::uint32_t value) {
    out.push_back(std::uint8_t(value & 0xFF));
    out.push_back(std::uint8_t((value >> 8) & 0xFF));
}

void put32(std::vector<std::uint8_t>& out, std::uint32_t value) {
    put16(out, value & 0xFFFF);
    put16(out, value >> 16);
}

}  // namespace

IndexedBitmap::IndexedBitmap(int width, int height, std::vector<Rgb> palette, std::uint8_t fill)
    : width_(width),
      height_(height),
      palette_(std::move(palette)),
      indices_(std::size_t(width) * std::size_t(height), fill) {
    if (width <= 0 || height <= 0 || palette_.empty() || palette_.size() > 256 || fill >= palette_.size())
        throw std::invalid_argument("bad bitmap dimensions or palette");
}

std::uint8_t IndexedBitmap::at(int x, int y) const {
    if (x < 0 || y < 0 || x >= width_ || y >= height_) throw std::out_of_range("pixel outside the bitmap");
    return indices_[std::size_t(y) * std::size_t(width_) + std::size_t(x)];
}

void IndexedBitmap::set(int x, int y, std::uint8_t colour) {
    if (x < 0 || y < 0 || x >= width_ || y >= height_) throw std::out_of_range("pixel outside the bitmap");
    if (colour >= palette_.size()) throw std::out_of_range("colour outside the palette");
    indices_[std::size_t(y) * std::size_t(width_) + std::size_t(x)] = colour;
}

void IndexedBitmap::fillRect(int left, int top, int right, int bottom, std::uint8_t colour) {
    for (int y = top; y <= bottom; ++y)
        for (int x = left; x <= right; ++x) set(x, y, colour);
}

std::vector<std::uint8_t> encodeBmp(const IndexedBitmap& bitmap) {
    const auto& palette = bitmap.palette();
    std::vector<bool> used(palette.size(), false);
    for (int y = 0; y < bitmap.height(); ++y)
        for (int x = 0; x < bitmap.width(); ++x) used[bitmap.at(x, y)] = true;
    if (std::find(used.begin(), used.end(), false) != used.end())
        throw std::logic_error("the palette lists a colour the picture does not use");
    if (std::find(palette.begin(), palette.end(), Rgb{}) != palette.end())
        throw std::logic_error("black in a panel bitmap");

    const auto width = std::uint32_t(bitmap.width());
    const auto height = std::uint32_t(bitmap.height());
    const auto colours = std::uint32_t(palette.size());
    const std::uint32_t rowStride = (width + 3) / 4 * 4;
    const std::uint32_t pixelOffset = FILE_HEADER_SIZE + INFO_HEADER_SIZE + 4 * colours;
    const std::uint32_t imageSize = rowStride * height;

    std::vector<std::uint8_t> out;
    out.reserve(pixelOffset + imageSize);
    out.push_back('B');
    out.push_back('M');
    put32(out, pixelOffset + imageSize);
    put32(out, 0);  // two reserved words
    put32(out, pixelOffset);

    put32(out, INFO_HEADER_SIZE);
    put32(out, width);
    put32(out, height);  // positive: rows stored bottom-up
    put16(out, 1);       // planes
    put16(out, 8);       // bits per pixel
    put32(out, 0);       // uncompressed
    put32(out, imageSize);
    put32(out, std::uint32_t(PIXELS_PER_METRE));
    put32(out, std::uint32_t(PIXELS_PER_METRE));
    put32(out, colours);  // colours used
    put32(out, colours);  // colours important: all of them

    for (const Rgb& c : palette) {
        out.push_back(c.blue);
        out.push_back(c.green);
        out.push_back(c.red);
        out.push_back(0);
    }
    for (int y = bitmap.height() - 1; y >= 0; --y) {
        for (int x = 0; x < bitmap.width(); ++x) out.push_back(bitmap.at(x, y));
        out.resize(out.size() + (rowStride - width), 0);
    }
    return out;
}

void writeFile(const std::string& path, const std::vector<std::uint8_t>& bytes) {
    std::ofstream file(path, std::ios::binary | std::ios::trunc);
    file.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
    file.close();
    if (!file) throw std::runtime_error("cannot write " + path);
}

}  // namespace vorlat::bitmaps
