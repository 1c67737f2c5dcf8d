// The thin platform layer under the host: load a module file, find its
// exported records, and fetch its bitmap resources. loader_posix.cpp and
// loader_windows.cpp implement it; everything above is portable.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace vorlat {

// A bitmap as the platform hands it over: a whole .bmp file, or (Windows
// resources) the DIB that follows the file header.
struct BitmapBytes {
    std::vector<std::uint8_t> bytes;
    bool hasFileHeader = false;
    std::string origin;  // for error messages
};

// The file a ModuleLibrary loads.
struct ModuleFile {
    std::string path;        // the file to load (perhaps a private copy)
    std::string name;        // how errors name the module
    bool temporary = false;  // a private copy: removed as early as the platform allows
};

// A loaded part of the module's image in memory.
struct MemoryRange {
    std::uintptr_t begin = 0, end = 0;
};

class ModuleLibrary {
public:
    // Loads the file; throws LoadError with the platform's reason. A temporary
    // file is removed before any module code runs where the platform lets a
    // loaded file go (POSIX: the library is loaded through an open descriptor,
    // so a crash while loading leaves no copy); fileRemoved() tells.
    explicit ModuleLibrary(const ModuleFile& file);
    ~ModuleLibrary();  // unloads if still loaded
    ModuleLibrary(const ModuleLibrary&) = delete;
    ModuleLibrary& operator=(const ModuleLibrary&) = delete;

    bool fileRemoved() const { return fileRemoved_; }

    // The address of an exported data record, or nullptr.
    void* record(const char* name) const;
    void unload();
    bool loaded() const { return handle_ != nullptr; }

    // The bytes of the module's loaded image from `address` to the end of the
    // range holding it; 0 when the address lies outside the module.
    std::size_t bytesFrom(const void* address) const {
        const auto at = reinterpret_cast<std::uintptr_t>(address);
        for (const MemoryRange& range : ranges_) {
            if (at >= range.begin && at < range.end) return range.end - at;
        }
        return 0;
    }
    bool holds(const void* address, std::size_t length) const { return bytesFrom(address) >= length; }

    // The bitmap resource `id`: from the module's resources on Windows, from the
    // BITMAP lines of `resourceScript` elsewhere. Throws LoadError when missing.
    BitmapBytes bitmap(int id, const std::string& resourceScript) const;

private:
    std::string name_;
    void* handle_ = nullptr;
    bool fileRemoved_ = false;
    int descriptor_ = -1;  // POSIX: the open file the library was loaded through
    std::vector<MemoryRange> ranges_;
};

// Resource-script lines of the form `4096 BITMAP "background.bmp"`: the file
// named for `id`, relative to the script's folder, or empty when none.
std::string bitmapFileFromScript(const std::string& scriptText, int id);

// Decodes a palettised bitmap (1, 4 or 8 bits per pixel, uncompressed).
struct Bitmap;
Bitmap decodeBitmap(const BitmapBytes& source);

}  // namespace vorlat
