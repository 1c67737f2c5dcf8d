// HTML escaping, script-safe JSON and base64.
#include "tools/report/web_text.h"

#include <cstdint>

namespace vorlat::web {

std::string htmlEscape(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (const char c : text) {
        switch (c) {
            case '&': out += "&amp;"; break;
            case '<': out += "&lt;"; break;
            case '>': out += "&gt;"; break;
            case '"': out += "&quot;"; break;
            case '\'': out += "&#39;"; break;
            default: out += c;
        }
    }
    return out;
}

std::string scriptSafeJson(std::string_view json) {
    std::string out;
    out.reserve(json.size());
    for (const char c : json) {
        if (c == '<') out += "\\u003C";
        else out += c;
    }
    return out;
}

std::string base64(std::string_view bytes) {
    static constexpr char DIGITS[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    std::string out;
    out.reserve((bytes.size() + 2) / 3 * 4);
    std::size_t i = 0;
    for (; i + 3 <= bytes.size(); i += 3) {
        const std::uint32_t group = std::uint32_t(std::uint8_t(bytes[i])) << 16 |
                                    std::uint32_t(std::uint8_t(bytes[i + 1])) << 8 | std::uint8_t(bytes[i + 2]);
        out += DIGITS[group >> 18 & 63];
        out += DIGITS[group >> 12 & 63];
        out += DIGITS[group >> 6 & 63];
        out += DIGITS[group & 63];
    }
    const std::size_t rest = bytes.size() - i;
    if (rest == 0) return out;
    std::uint32_t group = std::uint32_t(std::uint8_t(bytes[i])) << 16;
    if (rest == 2) group |= std::uint32_t(std::uint8_t(bytes[i + 1])) << 8;
    out += DIGITS[group >> 18 & 63];
    out += DIGITS[group >> 12 & 63];
    out += rest == 2 ? DIGITS[group >> 6 & 63] : '=';
    out += '=';
    return out;
}

std::string pngDataUrl(std::string_view png) { return "data:image/png;base64," + base64(png); }

}  // namespace vorlat::web
