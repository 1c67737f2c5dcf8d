// A picture's PNG file reads back as the same pixels, and every way of writing
// it (bytes, path, C stream, C++ stream) gives the same bytes.
#include <gtest/gtest.h>
#include <stb_image.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "host/render/panel_renderer.h"
#include "tests/support/scratch_folder.h"

namespace vorlat::render {
namespace {

// Odd sizes, and every channel differing from its neighbours, so that a wrong
// stride, row order or channel order shows.
PanelImage pattern(int width, int height) {
    std::vector<std::uint32_t> xrgb;
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            xrgb.push_back(std::uint32_t(x * 7 % 256) << 16 | std::uint32_t(y * 11 % 256) << 8 |
                           std::uint32_t((x ^ y) * 3 % 256));
    return PanelImage(width, height, std::move(xrgb));
}

std::string readFile(const std::filesystem::path& file) {
    std::ifstream input(file, std::ios::binary);
    return {std::istreambuf_iterator<char>(input), std::istreambuf_iterator<char>()};
}

TEST(PanelPng, ReadsBackAsThePicturesPixels) {
    for (const auto& [width, height] : {std::pair{1, 1}, std::pair{37, 23}, std::pair{436, 85}}) {
        const PanelImage image = pattern(width, height);
        const std::string png = image.pngBytes();
        int readWidth = 0, readHeight = 0, channels = 0;
        const std::unique_ptr<stbi_uc, void (*)(void*)> pixels(
            stbi_load_from_memory(reinterpret_cast<const stbi_uc*>(png.data()), int(png.size()), &readWidth,
                                  &readHeight, &channels, 3),
            stbi_image_free);
        ASSERT_NE(pixels, nullptr) << stbi_failure_reason();
        ASSERT_EQ(readWidth, width);
        ASSERT_EQ(readHeight, height);
        EXPECT_EQ(channels, 3) << "opaque RGB, no alpha";
        int wrong = 0;
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < width; ++x) {
                const stbi_uc* read = pixels.get() + (std::size_t(y) * width + x) * 3;
                const auto [r, g, b] = image.pixel(x, y);
                wrong += read[0] != r || read[1] != g || read[2] != b;
            }
        EXPECT_EQ(wrong, 0) << width << 'x' << height;
    }
}

TEST(PanelPng, EveryWriterWritesTheSameBytes) {
    const test::ScratchFolder work;
    const PanelImage image = pattern(37, 23);
    const std::string png = image.pngBytes();

    image.writePng((work / "by-path.png").string(), "by-path.png");
    EXPECT_EQ(readFile(work / "by-path.png"), png);

    std::FILE* stream = std::fopen((work / "by-stream.png").string().c_str(), "wb");
    ASSERT_NE(stream, nullptr);
    image.writePng(stream, "by-stream.png");
    std::fclose(stream);
    EXPECT_EQ(readFile(work / "by-stream.png"), png);

    std::ostringstream out;
    image.writePng(out, "in memory");
    EXPECT_EQ(out.str(), png);
}

TEST(PanelPng, AFailedWriteNamesTheFileAsTheUserGaveIt) {
    const test::ScratchFolder work;
    try {
        pattern(4, 4).writePng((work / "missing" / "out.png").string(), "missing/out.png");
        FAIL() << "wrote into a folder that does not exist";
    } catch (const RenderError& error) {
        EXPECT_EQ(std::string(error.what()).rfind("missing/out.png: cannot write the picture (", 0), 0) << error.what();
    }
    std::ostringstream closed;
    closed.setstate(std::ios::badbit);
    EXPECT_THROW(pattern(4, 4).writePng(closed, "in memory"), RenderError);
}

}  // namespace
}  // namespace vorlat::render
