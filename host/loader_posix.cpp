// Module loading with dlopen; bitmaps from the resource script's files.
#include <dlfcn.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>

#include "host/host.h"
#include "host/loader.h"

namespace vorlat {

namespace {
std::vector<std::uint8_t> readFile(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        throw LoadError("cannot read " + path.string());
    }
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}
}  // namespace

ModuleLibrary::ModuleLibrary(const std::string& path, const std::string& name) : name_(name) {
    // RTLD_LOCAL: a module's records must not resolve another module's symbols.
    handle_ = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (handle_ == nullptr) {
        const char* reason = dlerror();
        throw LoadError(name + ": not a loadable library (" + (reason ? reason : "unknown reason") + ")");
    }
}

ModuleLibrary::~ModuleLibrary() { unload(); }

void* ModuleLibrary::record(const char* name) const { return handle_ ? dlsym(handle_, name) : nullptr; }

void ModuleLibrary::unload() {
    if (handle_ != nullptr) {
        dlclose(handle_);
        handle_ = nullptr;
    }
}

BitmapBytes ModuleLibrary::bitmap(int id, const std::string& resourceScript) const {
    std::ifstream in(resourceScript);
    if (!in) {
        throw LoadError("bitmap " + std::to_string(id) + ": cannot read resource script " + resourceScript);
    }
    std::stringstream text;
    text << in.rdbuf();
    const std::string file = bitmapFileFromScript(text.str(), id);
    if (file.empty()) {
        throw LoadError("bitmap " + std::to_string(id) + ": no BITMAP line for it in " + resourceScript);
    }
    const auto path = std::filesystem::path(resourceScript).parent_path() / file;
    return {.bytes = readFile(path), .hasFileHeader = true, .origin = path.string()};
}

}  // namespace vorlat
