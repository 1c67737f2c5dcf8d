// The gauge module's version as its version resource gives it: on Windows the
// DLL's VERSIONINFO, elsewhere the FILEVERSION line of the resource script the
// host reads the module's bitmaps from. Needs none of the module's headers.
#pragma once

#include <array>
#include <charconv>
#include <cstdint>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <string>
#include <string_view>

#if defined(_WIN32)
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>

#include <cstring>
#endif

namespace vorlat {

// Four numbers, most significant first, as "1.0.0.0".
inline std::string versionText(const std::array<std::uint32_t, 4>& parts) {
    return std::to_string(parts[0]) + "." + std::to_string(parts[1]) + "." + std::to_string(parts[2]) + "." +
           std::to_string(parts[3]);
}

// "1.0.0.0" from a resource script's `FILEVERSION 1,0,0,0` line; empty when it has none.
inline std::string versionFromScript(std::string_view script) {
    std::istringstream lines{std::string(script)};
    for (std::string line; std::getline(lines, line);) {
        std::istringstream words(line);
        std::string keyword;
        if (!(words >> keyword) || keyword != "FILEVERSION") continue;
        std::array<std::uint32_t, 4> parts{};
        std::string rest;
        std::getline(words, rest);
        std::string_view text = rest;
        for (std::size_t i = 0; i < parts.size(); ++i) {
            while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
            const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), parts[i]);
            if (error != std::errc{}) return {};
            text.remove_prefix(static_cast<std::size_t>(end - text.data()));
            while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
            if (i + 1 < parts.size()) {
                if (text.empty() || text.front() != ',') return {};
                text.remove_prefix(1);
            }
        }
        return versionText(parts);
    }
    return {};
}

#if defined(_WIN32)
// The FILEVERSION of a DLL's VERSIONINFO, read without running any of its code.
inline std::string dllFileVersion(const std::string& modulePath) {
    constexpr std::uint32_t FIXED_INFO_SIGNATURE = 0xFEEF04BD;
    const HMODULE module = LoadLibraryExA(modulePath.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    if (module == nullptr) throw std::runtime_error(modulePath + ": cannot open the module");
    std::string version;
    if (const HRSRC found = FindResourceA(module, MAKEINTRESOURCEA(1), MAKEINTRESOURCEA(16) /* RT_VERSION */)) {
        const HGLOBAL loaded = LoadResource(module, found);
        const auto* bytes = static_cast<const unsigned char*>(loaded ? LockResource(loaded) : nullptr);
        const DWORD size = SizeofResource(module, found);
        // The fixed part follows the "VS_VERSION_INFO" key; its signature marks it.
        for (DWORD at = 0; bytes != nullptr && at + 16 <= size; at += 4) {
            std::uint32_t words[4];
            std::memcpy(words, bytes + at, sizeof words);
            if (words[0] != FIXED_INFO_SIGNATURE) continue;
            version = versionText({words[2] >> 16, words[2] & 0xFFFF, words[3] >> 16, words[3] & 0xFFFF});
            break;
        }
    }
    FreeLibrary(module);
    if (version.empty()) throw std::runtime_error(modulePath + ": the module has no version resource");
    return version;
}
#endif

// The module's version, "1.0.0.0". Throws std::runtime_error naming what could not be read.
inline std::string moduleVersion([[maybe_unused]] const std::string& modulePath,
                                 [[maybe_unused]] const std::string& resourceScript) {
#if defined(_WIN32)
    return dllFileVersion(modulePath);
#else
    std::ifstream file(resourceScript, std::ios::binary);
    if (!file) throw std::runtime_error(resourceScript + ": cannot read the resource script");
    std::ostringstream text;
    text << file.rdbuf();
    const std::string version = versionFromScript(text.str());
    if (version.empty()) throw std::runtime_error(resourceScript + ": no FILEVERSION line");
    return version;
#endif
}

}  // namespace vorlat
