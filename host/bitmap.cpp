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

// What the headers say, checked: enough to read the palette and the pixels.
struct BitmapLayout {
    std::size_t paletteAt = 0;
    std::size_t pixelsAt = 0;  // 0 until known when there is no file header
    std::int32_t width = 0;
    std::int64_t height = 0;
    bool bottomUp = false;
    int bitsPerPixel = 0;
    std::uint32_t colours = 0;
};

// The file header, when there is one: its tag, and where the pixels start.
std::size_t readFileHeader(const ByteReader& in, const BitmapBytes& source, BitmapLayout& layout) {
    if (!source.hasFileHeader) {
        return 0;
    }
    if (in.u8(0) != 'B' || in.u8(1) != 'M') {
        in.fail("does not start with \"BM\"");
    }
    layout.pixelsAt = in.u32(10);
    return FILE_HEADER_SIZE;
}

BitmapLayout readLayout(const ByteReader& in, const BitmapBytes& source) {
    BitmapLayout layout;
    const std::size_t info = readFileHeader(in, source, layout);
    // Read in file order, so a truncated header names the first field it lacks.
    const std::uint32_t infoSize = in.u32(info);
    layout.width = in.i32(info + 4);
    const std::int32_t signedHeight = in.i32(info + 8);
    layout.bitsPerPixel = in.u16(info + 14);
    const std::uint32_t compression = in.u32(info + 16);
    const std::uint32_t coloursUsed = in.u32(info + 32);
    if (infoSize < MIN_INFO_HEADER_SIZE) {
        in.fail("has an information header of " + std::to_string(infoSize) + " bytes (needs at least 40)");
    }
    if (layout.bitsPerPixel != 1 && layout.bitsPerPixel != 4 && layout.bitsPerPixel != 8) {
        in.fail("has " + std::to_string(layout.bitsPerPixel) + " bits per pixel (only 1, 4 and 8 have a palette)");
    }
    if (compression != UNCOMPRESSED) {
        in.fail("is compressed (method " + std::to_string(compression) + ")");
    }
    layout.bottomUp = signedHeight > 0;
    layout.height = layout.bottomUp ? std::int64_t(signedHeight) : -std::int64_t(signedHeight);
    if (layout.width <= 0 || layout.width > MAX_SIDE || layout.height == 0 || layout.height > MAX_SIDE) {
        in.fail("has a size of " + std::to_string(layout.width) + " x " + std::to_string(signedHeight));
    }
    const std::uint32_t paletteCapacity = 1u << layout.bitsPerPixel;
    layout.colours = coloursUsed == 0 ? paletteCapacity : coloursUsed;
    if (layout.colours > paletteCapacity) {
        in.fail("claims " + std::to_string(layout.colours) + " palette colours");
    }
    layout.paletteAt = info + infoSize;
    if (!source.hasFileHeader) {
        layout.pixelsAt = layout.paletteAt + 4 * std::size_t(layout.colours);
    }
    return layout;
}

void readPalette(const ByteReader& in, const BitmapLayout& layout, Bitmap& bitmap) {
    for (std::uint32_t i = 0; i < layout.colours; ++i) {
        const std::size_t entry = layout.paletteAt + 4 * std::size_t(i);  // blue, green, red, unused
        bitmap.palette.push_back({in.u8(entry + 2), in.u8(entry + 1), in.u8(entry)});
    }
}

// Rows are padded to four bytes; the leftmost pixel sits in a byte's high bits.
void readPixels(const ByteReader& in, const BitmapLayout& layout, Bitmap& bitmap) {
    const int bitsPerPixel = layout.bitsPerPixel;
    const std::size_t stride = (std::size_t(layout.width) * std::size_t(bitsPerPixel) + 31) / 32 * 4;
    in.need(layout.pixelsAt, stride * std::size_t(layout.height));
    bitmap.indices.resize(std::size_t(layout.width) * std::size_t(layout.height));
    const int perByte = 8 / bitsPerPixel;
    const unsigned mask = (1u << bitsPerPixel) - 1;
    for (std::int64_t row = 0; row < layout.height; ++row) {
        const std::int64_t stored = layout.bottomUp ? layout.height - 1 - row : row;
        const std::size_t rowAt = layout.pixelsAt + std::size_t(stored) * stride;
        for (std::int32_t x = 0; x < layout.width; ++x) {
            const std::uint8_t byte = in.u8(rowAt + std::size_t(x / perByte));
            const int shift = 8 - bitsPerPixel * (x % perByte + 1);
            const auto index = static_cast<std::uint8_t>((byte >> shift) & mask);
            if (index >= layout.colours) {
                in.fail("uses colour " + std::to_string(index) + " of a " + std::to_string(layout.colours) +
                        "-colour palette at (" + std::to_string(x) + ", " + std::to_string(row) + ")");
            }
            bitmap.indices[std::size_t(row) * std::size_t(layout.width) + std::size_t(x)] = index;
        }
    }
}

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
    const BitmapLayout layout = readLayout(in, source);
    Bitmap bitmap;
    bitmap.width = layout.width;
    bitmap.height = static_cast<int>(layout.height);
    bitmap.bitsPerPixel = layout.bitsPerPixel;
    readPalette(in, layout, bitmap);
    readPixels(in, layout, bitmap);
    return bitmap;
}

}  // namespace vorlat
