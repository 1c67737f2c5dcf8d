// Writes the panel's six bitmap files into a folder. The committed copies in panel/resources/ are this
// program's output; regenerate them with `make_bitmaps panel/resources` after changing a picture.

#include <CLI/CLI.hpp>

#include <exception>
#include <filesystem>
#include <iostream>
#include <string>

#include "tools/bitmaps/indexed_bitmap.h"
#include "tools/bitmaps/pictures.h"

namespace {

using vorlat::bitmaps::IndexedBitmap;

struct Output {
    const char* fileName;  // the name panel/resources/gauge.rc gives the resource
    IndexedBitmap (*picture)();
};

// clang-format off
constexpr Output OUTPUTS[] = {
    {"background.bmp", vorlat::bitmaps::backgroundPicture},
    {"record_on.bmp", vorlat::bitmaps::recordOnPicture},
    {"record_off.bmp", vorlat::bitmaps::recordOffPicture},
    {"pause_on.bmp", vorlat::bitmaps::pauseOnPicture},
    {"pause_off.bmp", vorlat::bitmaps::pauseOffPicture},
    {"stall.bmp", vorlat::bitmaps::stallPicture},
};
// clang-format on

}  // namespace

int main(int argc, char** argv) {
    CLI::App app{"Writes the panel's bitmap files"};
    std::string folder;
    app.add_option("folder", folder, "Folder to write the .bmp files into (created if missing)")->required();
    CLI11_PARSE(app, argc, argv);

    try {
        std::filesystem::create_directories(folder);
        for (const Output& output : OUTPUTS) {
            const auto path = std::filesystem::path(folder) / output.fileName;
            vorlat::bitmaps::writeFile(path.string(), vorlat::bitmaps::encodeBmp(output.picture()));
        }
    } catch (const std::exception& error) {
        std::cerr << "make_bitmaps: " << error.what() << '\n';
        return 1;
    }
    return 0;
}
