// File names are UTF-8 text everywhere in the program. A std::filesystem::path
// made from a plain std::string takes the bytes in the platform's narrow
// encoding, which on Windows is not UTF-8 (GCC's library widens each byte), so
// names cross into and out of paths here.
#pragma once

#include <filesystem>
#include <string>
#include <string_view>

namespace vorlat {

inline std::filesystem::path pathFromUtf8(std::string_view text) {
    return std::filesystem::path(std::u8string_view(reinterpret_cast<const char8_t*>(text.data()), text.size()));
}

inline std::string utf8Of(const std::filesystem::path& path) {
    const std::u8string text = path.u8string();
    return std::string(reinterpret_cast<const char*>(text.data()), text.size());
}

// The path with '/' between its parts, as messages show a path the program
// built itself, so Windows shows the same bytes as Linux.
inline std::string genericUtf8Of(const std::filesystem::path& path) {
    const std::u8string text = path.generic_u8string();
    return std::string(reinterpret_cast<const char*>(text.data()), text.size());
}

}  // namespace vorlat
