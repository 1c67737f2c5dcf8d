// The thin platform layer under the host: load a module file, find its
// exported records, and fetch its bitmap resources. loader_posix.cpp and
// loader_windows.cpp implement it; everything above is portable.
#pragma once

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

class ModuleLibrary {
public:
    // Loads the file at `path` (perhaps a private copy); errors name the module as `name`.
    // Throws LoadError with the platform's reason.
    ModuleLibrary(const std::string& path, const std::string& name);
    ~ModuleLibrary();  // unloads if still loaded
    ModuleLibrary(const ModuleLibrary&) = delete;
    ModuleLibrary& operator=(const ModuleLibrary&) = delete;

    // POSIX keeps a loaded file's mapping after its name is removed; Windows
    // refuses to remove a loaded library.
#if defined(_WIN32)
    static constexpr bool FILE_REMOVABLE_WHILE_LOADED = false;
#else
    static constexpr bool FILE_REMOVABLE_WHILE_LOADED = true;
#endif

    // The address of an exported data record, or nullptr.
    void* record(const char* name) const;
    void unload();
    bool loaded() const { return handle_ != nullptr; }

    // The bitmap resource `id`: from the module's resources on Windows, from the
    // BITMAP lines of `resourceScript` elsewhere. Throws LoadError when missing.
    BitmapBytes bitmap(int id, const std::string& resourceScript) const;

private:
    std::string name_;
    void* handle_ = nullptr;
};

// Resource-script lines of the form `4096 BITMAP "background.bmp"`: the file
// named for `id`, relative to the script's folder, or empty when none.
std::string bitmapFileFromScript(const std::string& scriptText, int id);

// Decodes a palettised bitmap (1, 4 or 8 bits per pixel, uncompressed).
struct Bitmap;
Bitmap decodeBitmap(const BitmapBytes& source);

}  // namespace vorlat
