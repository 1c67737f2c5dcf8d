// Module loading with dlopen; bitmaps from the resource script's files. A private
// copy is opened, its name removed, and the library loaded through the open
// descriptor (/proc/self/fd/N): whatever happens while loading, even a crash in
// the module's own start-up code, no copy is left in the temporary folder.
#include <dlfcn.h>
#include <fcntl.h>
#include <link.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstring>
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

namespace {

std::string descriptorPath(int descriptor) { return "/proc/self/fd/" + std::to_string(descriptor); }

// The path through which the open file can be loaded once its name is gone, or
// empty where the system has no such path.
std::string pathOfOpenFile(int descriptor) {
    const std::string path = descriptorPath(descriptor);
    struct stat viaPath {
    }, viaDescriptor{};
    if (stat(path.c_str(), &viaPath) != 0 || fstat(descriptor, &viaDescriptor) != 0) return {};
    return viaPath.st_dev == viaDescriptor.st_dev && viaPath.st_ino == viaDescriptor.st_ino ? path : std::string();
}

struct ObjectSearch {
    std::string name;
    std::uintptr_t base = 0;
    bool anyBase = true;
    std::vector<MemoryRange> ranges;
    bool found = false;
};

// Collects the readable loaded segments of the object named `search.name`.
int visitObject(dl_phdr_info* info, std::size_t, void* data) {
    auto& search = *static_cast<ObjectSearch*>(data);
    if (info->dlpi_name == nullptr || search.name != info->dlpi_name) return 0;
    if (!search.anyBase && info->dlpi_addr != search.base) return 0;
    search.found = true;
    for (int i = 0; i < info->dlpi_phnum; ++i) {
        const auto& segment = info->dlpi_phdr[i];
        if (segment.p_type != PT_LOAD || (segment.p_flags & PF_R) == 0) continue;
        const std::uintptr_t begin = info->dlpi_addr + segment.p_vaddr;
        search.ranges.push_back({.begin = begin, .end = begin + segment.p_memsz});
    }
    return 1;
}

std::vector<MemoryRange> loadedRanges(void* handle) {
    link_map* map = nullptr;
    if (dlinfo(handle, RTLD_DI_LINKMAP, &map) != 0 || map == nullptr || map->l_name == nullptr) return {};
    ObjectSearch search{.name = map->l_name, .base = map->l_addr, .anyBase = false, .ranges = {}, .found = false};
    dl_iterate_phdr(visitObject, &search);
    return search.ranges;
}

bool objectLoaded(const std::string& name) {
    ObjectSearch search{.name = name, .base = 0, .anyBase = true, .ranges = {}, .found = false};
    dl_iterate_phdr(visitObject, &search);
    return search.found;
}

}  // namespace

ModuleLibrary::ModuleLibrary(const ModuleFile& file) : name_(file.name) {
    std::string loadPath = file.path;
    if (file.temporary) {
        descriptor_ = open(file.path.c_str(), O_RDONLY | O_CLOEXEC);
        const std::string viaDescriptor = descriptor_ >= 0 ? pathOfOpenFile(descriptor_) : std::string();
        if (!viaDescriptor.empty() && unlink(file.path.c_str()) == 0) {
            loadPath = viaDescriptor;
            fileRemoved_ = true;
        } else if (descriptor_ >= 0) {
            close(descriptor_);
            descriptor_ = -1;
        }
    }
    // RTLD_LOCAL: a module's records must not resolve another module's symbols.
    handle_ = dlopen(loadPath.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (handle_ == nullptr) {
        const char* reason = dlerror();
        const std::string why = reason ? reason : "unknown reason";
        unload();
        throw LoadError(name_ + ": not a loadable library (" + why + ")");
    }
    // Without a descriptor path the copy goes as soon as it is mapped.
    if (file.temporary && !fileRemoved_) fileRemoved_ = unlink(file.path.c_str()) == 0;
    ranges_ = loadedRanges(handle_);
}

ModuleLibrary::~ModuleLibrary() { unload(); }

void* ModuleLibrary::record(const char* name) const { return handle_ ? dlsym(handle_, name) : nullptr; }

void ModuleLibrary::unload() {
    if (handle_ != nullptr) {
        dlclose(handle_);
        handle_ = nullptr;
    }
    // The loader knows the library by its descriptor's path: while a library
    // that would not unload is still there, its descriptor stays open, or the
    // next library opened under the same number would be taken for it.
    if (descriptor_ >= 0 && !objectLoaded(descriptorPath(descriptor_))) close(descriptor_);
    descriptor_ = -1;
    ranges_.clear();
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
