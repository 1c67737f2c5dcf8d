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

// The length of the valid UTF-8 character at the start of `text` that is not a
// control character (C1 controls, U+0080..U+009F, move a terminal's cursor too);
// 0 when there is none.
inline std::size_t printableCharacterLength(std::string_view text) {
    const auto lead = static_cast<unsigned char>(text[0]);
    std::size_t length = 0;
    if (lead >= 0xC2 && lead <= 0xDF) length = 2;
    else if (lead >= 0xE0 && lead <= 0xEF) length = 3;
    else if (lead >= 0xF0 && lead <= 0xF4) length = 4;
    if (length == 0 || length > text.size()) return 0;
    for (std::size_t k = 1; k < length; ++k)
        if ((static_cast<unsigned char>(text[k]) & 0xC0) != 0x80) return 0;
    const auto second = static_cast<unsigned char>(text[1]);
    if (lead == 0xC2 && second < 0xA0) return 0;                       // C1 controls
    if ((lead == 0xE0 && second < 0xA0) || (lead == 0xF0 && second < 0x90)) return 0;  // overlong
    if ((lead == 0xED && second >= 0xA0) || (lead == 0xF4 && second >= 0x90)) return 0;  // surrogates, past U+10FFFF
    return length;
}

// A whole message made safe for a terminal, not cut and not quoted: control
// bytes but the line break (`\x1b`, `\0`, `\t`), DEL and every byte of invalid
// UTF-8 become `\xNN` (or `\0`); printable ASCII and valid UTF-8 pass unchanged.
// Every message line goes through it on its way out, so a file name or value
// the user gave can never reach the terminal raw.
inline std::string terminalText(std::string_view text) {
    static constexpr char HEX[] = "0123456789abcdef";
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size();) {
        const auto c = static_cast<unsigned char>(text[i]);
        if ((c >= 0x20 && c < 0x7F) || c == '\n') {
            out += static_cast<char>(c);
            ++i;
        } else if (const std::size_t length = c >= 0x80 ? printableCharacterLength(text.substr(i)) : 0) {
            out.append(text.substr(i, length));
            i += length;
        } else if (c == '\0') {
            out += "\\0";
            ++i;
        } else {
            out += "\\x";
            out += HEX[c >> 4];
            out += HEX[c & 0xF];
            ++i;
        }
    }
    return out;
}

}  // namespace vorlat
