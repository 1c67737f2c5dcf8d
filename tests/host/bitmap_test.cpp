// The host's bitmap reader on Linux: BITMAP lines of a resource script and the
// palettised .bmp files they name, well-formed and broken.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "host/host.h"
#include "tests/support/scratch_folder.h"

namespace {

namespace fs = std::filesystem;
using Rgb = std::array<std::uint8_t, 3>;

struct BmpLayout {
    int width = 0;
    int height = 0;  // negative: rows stored top-down
    int bitsPerPixel = 8;
    std::vector<Rgb> palette;
    std::vector<std::vector<std::uint8_t>> rows;  // indices, top row first
    std::uint32_t compression = 0;
    std::size_t cutPixelBytes = 0;  // drop this many bytes from the end
};

void put32(std::string& out, std::uint32_t value) {
    for (int i = 0; i < 4; ++i) out += static_cast<char>(value >> (8 * i) & 0xFF);
}
void put16(std::string& out, std::uint16_t value) {
    out += static_cast<char>(value & 0xFF);
    out += static_cast<char>(value >> 8);
}

// A .bmp file: file header, 40-byte information header, palette, padded rows.
std::string makeBmp(const BmpLayout& layout) {
    const int rowsCount = layout.height < 0 ? -layout.height : layout.height;
    const std::size_t stride = (std::size_t(layout.width) * std::size_t(layout.bitsPerPixel) + 31) / 32 * 4;
    const std::size_t pixelsAt = 14 + 40 + 4 * layout.palette.size();
    std::string pixels;
    for (int stored = 0; stored < rowsCount; ++stored) {
        const auto& row = layout.rows[std::size_t(layout.height < 0 ? stored : rowsCount - 1 - stored)];
        std::string bytes(stride, '\0');
        for (std::size_t x = 0; x < row.size(); ++x) {
            const std::size_t bit = x * std::size_t(layout.bitsPerPixel);
            const int shift = 8 - layout.bitsPerPixel - int(bit % 8);
            bytes[bit / 8] = static_cast<char>(bytes[bit / 8] | row[x] << shift);
        }
        pixels += bytes;
    }
    pixels.resize(pixels.size() - layout.cutPixelBytes);
    std::string out = "BM";
    put32(out, std::uint32_t(pixelsAt + pixels.size()));
    put32(out, 0);
    put32(out, std::uint32_t(pixelsAt));
    put32(out, 40);
    put32(out, std::uint32_t(layout.width));
    put32(out, std::uint32_t(layout.height));
    put16(out, 1);
    put16(out, std::uint16_t(layout.bitsPerPixel));
    put32(out, layout.compression);
    put32(out, std::uint32_t(pixels.size()));
    put32(out, 2835);
    put32(out, 2835);
    put32(out, std::uint32_t(layout.palette.size()));
    put32(out, 0);
    for (const Rgb& c : layout.palette) {
        out += {static_cast<char>(c[2]), static_cast<char>(c[1]), static_cast<char>(c[0]), '\0'};
    }
    return out + pixels;
}

const std::vector<Rgb> THREE_COLOURS = {Rgb{32, 32, 32}, Rgb{96, 96, 96}, Rgb{232, 232, 232}};
const std::vector<Rgb> TWO_COLOURS = {Rgb{255, 0, 0}, Rgb{0, 255, 0}};

struct BitmapCase {
    const char* name;
    std::string script;  // the resource script; its BITMAP lines name image.bmp
    std::string file;    // the contents of image.bmp
    int id;
    std::vector<std::vector<std::uint8_t>> expectedRows;  // empty: a LoadError is expected
    std::vector<Rgb> expectedPalette;
    const char* error = "";
};

class ResourceBitmap : public testing::TestWithParam<BitmapCase> {};

TEST_P(ResourceBitmap, DecodesOrRefusesWithAReason) {
#if defined(_WIN32)
    GTEST_SKIP() << "Windows hosts take bitmaps from the module's resources, not from the script";
#endif
    const BitmapCase& row = GetParam();
    const vorlat::test::ScratchFolder scratch;
    const fs::path& dir = scratch.path();
    std::ofstream(dir / "gauge.rc") << row.script;
    if (!row.file.empty()) std::ofstream(dir / "image.bmp", std::ios::binary) << row.file;

    vorlat::Host host({.modulePath = std::string(FAKE_MODULE_DIR) + "/fake_gauge.gau",
                       .privateCopy = true,
                       .resourceScript = (dir / "gauge.rc").string()});
    if (row.expectedRows.empty()) {
        try {
            host.bitmap(row.id);
            ADD_FAILURE() << "decoded a bitmap that should be refused";
        } catch (const vorlat::LoadError& error) {
            EXPECT_NE(std::string(error.what()).find(row.error), std::string::npos) << error.what();
        }
    } else {
        const vorlat::Bitmap bitmap = host.bitmap(row.id);
        ASSERT_EQ(bitmap.height, int(row.expectedRows.size()));
        ASSERT_EQ(bitmap.width, int(row.expectedRows[0].size()));
        EXPECT_EQ(bitmap.palette, row.expectedPalette);
        for (int y = 0; y < bitmap.height; ++y) {
            for (int x = 0; x < bitmap.width; ++x) {
                const std::uint8_t index = row.expectedRows[std::size_t(y)][std::size_t(x)];
                EXPECT_EQ(bitmap.indices[std::size_t(y * bitmap.width + x)], index) << x << ", " << y;
                EXPECT_EQ(bitmap.pixel(x, y), row.expectedPalette[index]) << x << ", " << y;
            }
        }
    }
}

const std::string LINE = "4096 BITMAP \"image.bmp\"\n";
const std::vector<std::vector<std::uint8_t>> ROWS_3X2 = {{0, 1, 2}, {2, 2, 1}};
const std::vector<std::vector<std::uint8_t>> ROWS_9X2 = {{1, 0, 0, 1, 1, 0, 1, 0, 1}, {0, 1, 1, 0, 0, 1, 0, 1, 0}};

// clang-format off
INSTANTIATE_TEST_SUITE_P(
    Host, ResourceBitmap,
    testing::Values(
        BitmapCase{"EightBitBottomUp", LINE,
                   makeBmp({.width = 3, .height = 2, .palette = THREE_COLOURS, .rows = ROWS_3X2}), 4096, ROWS_3X2,
                   THREE_COLOURS},
        BitmapCase{"EightBitTopDown", LINE,
                   makeBmp({.width = 3, .height = -2, .palette = THREE_COLOURS, .rows = ROWS_3X2}), 4096, ROWS_3X2,
                   THREE_COLOURS},
        BitmapCase{"FourBit", LINE,
                   makeBmp({.width = 3, .height = 2, .bitsPerPixel = 4, .palette = THREE_COLOURS, .rows = ROWS_3X2}),
                   4096, ROWS_3X2, THREE_COLOURS},
        BitmapCase{"OneBitAcrossAByte", LINE,
                   makeBmp({.width = 9, .height = 2, .bitsPerPixel = 1, .palette = TWO_COLOURS, .rows = ROWS_9X2}),
                   4096, ROWS_9X2, TWO_COLOURS},
        BitmapCase{"HexIdWithAnOptionAndOtherLines",
                   "// panel\n1 VERSIONINFO\nFILEVERSION 1,0,0,0\n0x1000 BITMAP DISCARDABLE \"image.bmp\"\n",
                   makeBmp({.width = 3, .height = 2, .palette = THREE_COLOURS, .rows = ROWS_3X2}), 4096, ROWS_3X2,
                   THREE_COLOURS},
        BitmapCase{"IdNotInTheScript", LINE,
                   makeBmp({.width = 3, .height = 2, .palette = THREE_COLOURS, .rows = ROWS_3X2}), 4097, {}, {},
                   "bitmap 4097: no BITMAP line"},
        BitmapCase{"CommentedOutLine", "// 4096 BITMAP \"image.bmp\"\n",
                   makeBmp({.width = 3, .height = 2, .palette = THREE_COLOURS, .rows = ROWS_3X2}), 4096, {}, {},
                   "no BITMAP line"},
        BitmapCase{"MissingFile", LINE, "", 4096, {}, {}, "cannot read"},
        BitmapCase{"TruncatedPixels", LINE,
                   makeBmp({.width = 3, .height = 2, .palette = THREE_COLOURS, .rows = ROWS_3X2, .cutPixelBytes = 1}),
                   4096, {}, {}, "truncated"},
        BitmapCase{"NoPalette", LINE,
                   makeBmp({.width = 1, .height = 1, .bitsPerPixel = 24, .palette = {}, .rows = {{}}}), 4096, {}, {},
                   "24 bits per pixel"},
        BitmapCase{"Compressed", LINE,
                   makeBmp({.width = 3, .height = 2, .palette = THREE_COLOURS, .rows = ROWS_3X2, .compression = 1}),
                   4096, {}, {}, "compressed"},
        BitmapCase{"IndexOutsideThePalette", LINE,
                   makeBmp({.width = 3, .height = 2, .palette = TWO_COLOURS, .rows = ROWS_3X2}), 4096, {}, {},
                   "uses colour 2 of a 2-colour palette"},
        BitmapCase{"NotABitmap", LINE, "GIF89a and then some more bytes to be long enough for the headers......",
                   4096, {}, {}, "does not start with \"BM\""}),
    [](const auto& testRow) { return testRow.param.name; });
// clang-format on

}  // namespace
