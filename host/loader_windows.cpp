// Module loading with LoadLibraryW (the path is UTF-8 text); bitmaps from the module's own resources.
// Windows will not remove a loaded library's file: the host removes a private
// copy after unloading it, so a crash leaves the copy behind.
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>

#include "common/utf8_path.h"
#include "host/host.h"
#include "host/loader.h"

namespace vorlat {

namespace {
HMODULE moduleHandle(void* handle) { return static_cast<HMODULE>(handle); }

std::string lastErrorText() {
    const DWORD code = GetLastError();
    char message[256] = {};
    const DWORD length = FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, code, 0,
                                        message, sizeof message, nullptr);
    std::string text = length > 0 ? std::string(message, length) : std::string();
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r' || text.back() == ' ')) {
        text.pop_back();
    }
    return "error " + std::to_string(code) + (text.empty() ? "" : ": " + text);
}

// The whole image as mapped: from the base to SizeOfImage, as its own headers say.
MemoryRange imageRange(void* handle) {
    const auto base = reinterpret_cast<std::uintptr_t>(handle);
    const auto* dosHeader = static_cast<const IMAGE_DOS_HEADER*>(handle);
    const auto* ntHeaders = reinterpret_cast<const IMAGE_NT_HEADERS*>(base + dosHeader->e_lfanew);
    return {.begin = base, .end = base + ntHeaders->OptionalHeader.SizeOfImage};
}
}  // namespace

ModuleLibrary::ModuleLibrary(const ModuleFile& file) : name_(file.name) {
    handle_ = LoadLibraryW(pathFromUtf8(file.path).c_str());
    if (handle_ == nullptr) {
        throw LoadError(name_ + ": not a loadable library (" + lastErrorText() + ")");
    }
    ranges_ = {imageRange(handle_)};
}

ModuleLibrary::~ModuleLibrary() { unload(); }

void* ModuleLibrary::record(const char* name) const {
    if (handle_ == nullptr) {
        return nullptr;
    }
    // The exports are data records; GetProcAddress hands out their address all the same.
    return reinterpret_cast<void*>(GetProcAddress(moduleHandle(handle_), name));
}

void ModuleLibrary::unload() {
    if (handle_ != nullptr) {
        FreeLibrary(moduleHandle(handle_));
        handle_ = nullptr;
    }
    ranges_.clear();
}

BitmapBytes ModuleLibrary::bitmap(int id, const std::string& /*resourceScript*/) const {
    const std::string what = "bitmap " + std::to_string(id) + " of " + name_;
    HRSRC found = FindResourceA(moduleHandle(handle_), MAKEINTRESOURCEA(id), MAKEINTRESOURCEA(2) /* RT_BITMAP */);
    if (found == nullptr) {
        throw LoadError(what + ": no such resource");
    }
    HGLOBAL loaded = LoadResource(moduleHandle(handle_), found);
    const DWORD size = SizeofResource(moduleHandle(handle_), found);
    const auto* bytes = static_cast<const std::uint8_t*>(loaded ? LockResource(loaded) : nullptr);
    if (bytes == nullptr || size == 0) {
        throw LoadError(what + ": cannot load the resource (" + lastErrorText() + ")");
    }
    return {.bytes = std::vector<std::uint8_t>(bytes, bytes + size), .hasFileHeader = false, .origin = what};
}

}  // namespace vorlat
