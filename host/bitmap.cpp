// Bitmap resources: finding them in a resource script and decoding the
// palettised device-independent bitmaps the gauge ships. Every read is
// bounds-checked: a malformed file is a LoadError, never a stray read.
#include <cctype>
#include <cstdlib>
#include <sstream>

#include "host/host.h"
#include "host/loader.h"

namespace vorlat {

namespace {

bool sameWordIgnoringCase(const std::string& word, const char* expected) {
    std::size_t i = 0;
    for (; expected[i] != '\0'; ++i) {
        if (i >= word.size() || std::toupper(static_cast<unsigned char>(word[i])) != expected[i]) {
            return false;
        }
    }
    return i == word.size();
}

// Splits a script line into words; a quoted word keeps its spaces. Stops at a comment.
std::vector<std::string> scriptWords(const std::string& line) {
    std::vector<std::string> words;
    std::size_t i = 0;
    while (i < line.size()) {
        const char c = line[i];
        if (c == ' ' || c == '\t' || c == '\r' || c == ',') {
            ++i;
        } else if (c == '/' && i + 1 < line.size() && line[i + 1] == '/') {
            break;
        } else if (c == '"') {
            std::string word;
            for (++i; i < line.size() && line[i] != '"'; ++i) {
                // A doubled backslash in a script string is one path separator.
                if (line[i] == '\\' && i + 1 < line.size() && line[i + 1] == '\\') {
                    ++i;
                }
                word += line[i] == '\\' ? '/' : line[i];
            }
            ++i;
            words.push_back(word);
        } else {
            std::string word;
            for (; i < line.size() && line[i] != ' ' && line[i] != '\t' && line[i] != '\r'; ++i) {
                word += line[i];
            }
            words.push_back(word);
        }
    }
    return words;
}

bool parseResourceId(const std::string& word, int& id) {
    if (word.empty()) {
        return false;
    }
    char* end = nullptr;
    const long value = std::strtol(word.c_str(), &end, 0);
    if (*end != '\0' || value < 0 || value > 0xFFFF) {
        return false;
    }
    id = static_cast<int>(value);
    return true;
}

class ByteReader {
public:
    explicit ByteReader(const BitmapBytes& source) : source_(source) {}
    std::uint32_t u32(std::size_t at) const {
        need(at, 4);
        const auto& b = source_.bytes;
        return std::uint32_t(b[at]) | std::uint32_t(b[at + 1]) << 8 | std::uint32_t(b[at + 2]) << 16 |
               std::uint32_t(b[at + 3]) << 24;
    }
    std::int32_t i32(std::size_t at) const { return static_cast<std::int32_t>(u32(at)); }
    std::uint16_t u16(std::size_t at) const {
        need(at, 2);
        return static_cast<std::uint16_t>(source_.bytes[at] | source_.bytes[at + 1] << 8);
    }
    std::uint8_t u8(std::size_t at) const {
        need(at, 1);
        return source_.bytes[at];
    }
    void need(std::size_t at, std::size_t count) const {
        if (at > source_.bytes.size() || count > source_.bytes.size() - at) {
            fail("truncated (needs " + std::to_string(at + count) + " bytes, has " +
                 std::to_string(source_.bytes.size()) + ")");
        }
    }
    [[noreturn]] void fail(const std::string& why) const { throw LoadError(source_.origin + ": bitmap " + why); }

private:
    const BitmapBytes& source_;
};

constexpr std::size_t FILE_HEADER_SIZE = 14;
constexpr std::uint32_t MIN_INFO_HEADER_SIZE = 40;
constexpr std::uint32_t UNCOMPRESSED = 0;
constexpr std::int64_t MAX_SIDE = 1 << 14;

}  // namespace

std::string bitmapFileFromScript(const std::string& scriptText, int id) {
    std::istringstream lines(scriptText);
    std::string line;
    while (std::getline(lines, line)) {
        const auto words = scriptWords(line);
        int lineId = 0;
        if (words.size() >= 3 && parseResourceId(words[0], lineId) && lineId == id &&
            sameWordIgnoringCase(words[1], "BITMAP")) {
            return words.back();
        }
    }
    return {};
}

Bitmap decodeBitmap(const BitmapBytes& source) {
    const ByteReader in(source);
    std::size_t info = 0;
    std::size_t pixelsAt = 0;
    if (source.hasFileHeader) {
        if (in.u8(0) != 'B' || in.u8(1) != 'M') {
            in.fail("does not start with \"BM\"");
        }
        pixelsAt = in.u32(10);
        info = FILE_HEADER_SIZE;
    }
    const std::uint32_t infoSize = in.u32(info);
    const std::int32_t width = in.i32(info + 4);
    const std::int32_t signedHeight = in.i32(info + 8);
    const int bitsPerPixel = in.u16(info + 14);
    const std::uint32_t compression = in.u32(info + 16);
    const std::uint32_t coloursUsed = in.u32(info + 32);
    if (infoSize < MIN_INFO_HEADER_SIZE) {
        in.fail("has an information header of " + std::to_string(infoSize) + " bytes (needs at least 40)");
    }
    if (bitsPerPixel != 1 && bitsPerPixel != 4 && bitsPerPixel != 8) {
        in.fail("has " + std::to_string(bitsPerPixel) + " bits per pixel (only 1, 4 and 8 have a palette)");
    }
    if (compression != UNCOMPRESSED) {
        in.fail("is compressed (method " + std::to_string(compression) + ")");
    }
    const bool bottomUp = signedHeight > 0;
    const std::int64_t height = bottomUp ? std::int64_t(signedHeight) : -std::int64_t(signedHeight);
    if (width <= 0 || width > MAX_SIDE || height == 0 || height > MAX_SIDE) {
        in.fail("has a size of " + std::to_string(width) + " x " + std::to_string(signedHeight));
    }
    const std::uint32_t paletteCapacity = 1u << bitsPerPixel;
    const std::uint32_t colours = coloursUsed == 0 ? paletteCapacity : coloursUsed;
    if (colours > paletteCapacity) {
        in.fail("claims " + std::to_string(colours) + " palette colours");
    }

    Bitmap bitmap;
    bitmap.width = width;
    bitmap.height = static_cast<int>(height);
    bitmap.bitsPerPixel = bitsPerPixel;
    const std::size_t paletteAt = info + infoSize;
    for (std::uint32_t i = 0; i < colours; ++i) {
        const std::size_t entry = paletteAt + 4 * std::size_t(i);  // blue, green, red, unused
        bitmap.palette.push_back({in.u8(entry + 2), in.u8(entry + 1), in.u8(entry)});
    }
    if (!source.hasFileHeader) {
        pixelsAt = paletteAt + 4 * std::size_t(colours);
    }

    const std::size_t stride = (std::size_t(width) * bitsPerPixel + 31) / 32 * 4;
    in.need(pixelsAt, stride * std::size_t(height));
    bitmap.indices.resize(std::size_t(width) * std::size_t(height));
    const int perByte = 8 / bitsPerPixel;
    const unsigned mask = (1u << bitsPerPixel) - 1;
    for (std::int64_t row = 0; row < height; ++row) {
        const std::int64_t stored = bottomUp ? height - 1 - row : row;
        const std::size_t rowAt = pixelsAt + std::size_t(stored) * stride;
        for (std::int32_t x = 0; x < width; ++x) {
            const std::uint8_t byte = in.u8(rowAt + std::size_t(x / perByte));
            const int shift = 8 - bitsPerPixel * (x % perByte + 1);  // leftmost pixel in the high bits
            const auto index = static_cast<std::uint8_t>((byte >> shift) & mask);
            if (index >= colours) {
                in.fail("uses colour " + std::to_string(index) + " of a " + std::to_string(colours) +
                        "-colour palette at (" + std::to_string(x) + ", " + std::to_string(row) + ")");
            }
            bitmap.indices[std::size_t(row) * std::size_t(width) + std::size_t(x)] = index;
        }
    }
    return bitmap;
}

}  // namespace vorlat
