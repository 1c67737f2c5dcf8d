#pragma once
// The committed panel bitmaps read straight from panel/resources/: the BITMAP lines of gauge.rc and a
// strict decoder of the one plain BMP form the panel uses. Results use the host's Bitmap type so that
// they compare directly with what the host loads from the module.

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <regex>
#include <stdexcept>
#include <string>
#include <vector>

#include "host/host.h"

namespace vorlat::committed {

// Found from this header's own place in the tree, so the same test binary works natively and under Wine.
inline std::filesystem::path committedResourceDir() {
    return std::filesystem::path(__FILE__).parent_path().parent_path().parent_path() / "panel" / "resources";
}

// Accepts only: uncompressed, bottom-up, 8 bits, a palette of exactly biClrUsed entries right after the
// 40-byte header, rows padded with zeros to 4 bytes, size fields that agree with the file.
inline Bitmap decodeBmpFile(const std::vector<std::uint8_t>& b) {
    const auto u32 = [&b](std::size_t at) {
        if (at + 4 > b.size()) throw std::runtime_error("file too short");
        return std::uint32_t(b[at]) | std::uint32_t(b[at + 1]) << 8 | std::uint32_t(b[at + 2]) << 16 |
               std::uint32_t(b[at + 3]) << 24;
    };
    const auto u16 = [&u32](std::size_t at) { return u32(at) & 0xFFFF; };
    if (b.size() < 54 || b[0] != 'B' || b[1] != 'M') throw std::runtime_error("not a BMP file");
    if (u32(2) != b.size()) throw std::runtime_error("file size field is wrong");
    if (u32(6) != 0) throw std::runtime_error("reserved words not zero");
    if (u32(14) != 40) throw std::runtime_error("not a 40-byte info header");
    Bitmap bmp;
    bmp.width = int(u32(18));
    bmp.height = int(u32(22));
    bmp.bitsPerPixel = int(u16(28));
    const std::uint32_t colours = u32(46);
    if (bmp.width <= 0 || bmp.width > 4096 || bmp.height <= 0 || bmp.height > 4096)
        throw std::runtime_error("not a bottom-up bitmap of sensible size");
    if (u16(26) != 1 || bmp.bitsPerPixel != 8 || u32(30) != 0) throw std::runtime_error("not 8-bit uncompressed");
    if (colours == 0 || colours > 256) throw std::runtime_error("colours used not set");
    const std::size_t stride = (std::size_t(bmp.width) + 3) / 4 * 4;
    const std::size_t offset = 54 + 4 * std::size_t(colours);
    if (u32(10) != offset) throw std::runtime_error("pixels do not follow the palette");
    if (u32(34) != stride * std::size_t(bmp.height)) throw std::runtime_error("image size field is wrong");
    if (b.size() != offset + stride * std::size_t(bmp.height))
        throw std::runtime_error("pixel data has the wrong length");
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

// Resource identifier -> file name, from the BITMAP lines of gauge.rc.
inline std::map<int, std::string> committedBitmapFiles() {
    std::ifstream script(committedResourceDir() / "gauge.rc");
    if (!script) throw std::runtime_error("cannot open gauge.rc");
    const std::regex bitmapLine(R"re(^\s*(\d+)\s+BITMAP\s+"([^"]+)"\s*\r?$)re");
    std::map<int, std::string> files;
    std::string line;
    std::smatch match;
    while (std::getline(script, line))
        if (std::regex_match(line, match, bitmapLine))
            if (!files.emplace(std::stoi(match[1]), match[2]).second)
                throw std::runtime_error("identifier listed twice");
    return files;
}

inline Bitmap loadCommittedBitmap(int id) {
    const auto files = committedBitmapFiles();
    const auto entry = files.find(id);
    if (entry == files.end()) throw std::runtime_error("no BITMAP line for " + std::to_string(id));
    std::ifstream file(committedResourceDir() / entry->second, std::ios::binary);
    if (!file) throw std::runtime_error("cannot open " + entry->second);
    return decodeBmpFile({std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()});
}

}  // namespace vorlat::committed
