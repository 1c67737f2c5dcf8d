// The bitmaps the host loads from the built module are the committed ones, pixel for pixel: on Windows
// from the library's resources (so gauge.rc compiled in), elsewhere through gauge.rc's BITMAP lines.

#include <gtest/gtest.h>

#include <string>

#include "host/host.h"
#include "tests/bitmaps/committed_bitmaps.h"

namespace {

TEST(ModuleBitmaps, HostLoadsEachCommittedBitmapUnchanged) {
    vorlat::Host host{
        vorlat::HostOptions{.modulePath = vorlat::defaultModulePath(), .privateCopy = true, .resourceScript = {}}};
    const auto files = vorlat::committed::committedBitmapFiles();
    ASSERT_EQ(files.size(), 6u);
    for (const auto& [id, file] : files) {
        SCOPED_TRACE("resource " + std::to_string(id) + " (" + file + ")");
        const vorlat::Bitmap committed = vorlat::committed::loadCommittedBitmap(id);
        const vorlat::Bitmap loaded = host.bitmap(id);
        ASSERT_EQ(loaded.width, committed.width);
        ASSERT_EQ(loaded.height, committed.height);
        EXPECT_EQ(loaded.bitsPerPixel, 8);
        int different = 0;
        for (int y = 0; y < committed.height; ++y)
            for (int x = 0; x < committed.width; ++x) different += loaded.pixel(x, y) != committed.pixel(x, y);
        EXPECT_EQ(different, 0) << "pixels that differ";
    }
}

}  // namespace
