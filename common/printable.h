// Bytes from a user's file or a module, made safe to show in a message: at most
// a few dozen characters, quoted, with control and non-ASCII bytes escaped
// (`\0`, `\t`, `\x1b`), so a message is never cut at a NUL, never moves the
// terminal's cursor and never copies a megabyte of input onto stderr.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace vorlat {

inline constexpr std::size_t SHOWN_BYTES = 40;

// The text in double quotes, escaped, with "..." before the closing quote when cut.
inline std::string printable(std::string_view text, std::size_t limit = SHOWN_BYTES) {
    static constexpr char HEX[] = "0123456789abcdef";
    std::string out = "\"";
    for (std::size_t i = 0; i < text.size() && i < limit; ++i) {
        const auto c = static_cast<unsigned char>(text[i]);
        switch (c) {
            case '\0': out += "\\0"; break;
            case '\t': out += "\\t"; break;
            case '\r': out += "\\r"; break;
            case '\n': out += "\\n"; break;
            case '"': out += "\\\""; break;
            case '\\': out += "\\\\"; break;
            default:
                if (c < 0x20 || c > 0x7E) {
                    out += "\\x";
                    out += HEX[c >> 4];
                    out += HEX[c & 0xF];
                } else {
                    out += static_cast<char>(c);
                }
        }
    }
    if (text.size() > limit) out += "...";
    out += '"';
    return out;
}

}  // namespace vorlat
