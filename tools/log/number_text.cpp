#include "tools/log/number_text.h"

#include <charconv>
#include <cmath>
#include <cstdint>
#include <string_view>

namespace vorlat::flightlog {

void appendNumber(std::string& text, double value, int decimals) {
    if (std::isnan(value)) {
        text += "nan";
        return;
    }
    if (std::isinf(value)) {
        text += value > 0 ? "inf" : "-inf";
        return;
    }
    char buffer[400];
    if (decimals == 0 && std::fabs(value) < 1e15 && value == std::trunc(value)) {
        // Whole numbers in integer columns, the bulk of a CSV export: the same
        // digits as the fixed form, written much faster.
        const auto whole = std::to_chars(buffer, buffer + sizeof buffer, static_cast<std::int64_t>(value));
        text.append(buffer, whole.ptr);
        return;
    }
    const auto result = decimals < 0
                            ? std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed)
                            : std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed, decimals);
    const std::string_view digits(buffer, static_cast<std::size_t>(result.ptr - buffer));
    if (digits.starts_with("-0") && digits.find_first_not_of("0.", 1) == std::string_view::npos)
        text += digits.substr(1);
    else text += digits;
}

std::string numberText(double value, int decimals) {
    std::string text;
    appendNumber(text, value, decimals);
    return text;
}

std::string countedText(std::uint64_t count, std::string_view one, std::string_view many) {
    return std::to_string(count) + " " + std::string(count == 1 ? one : many);
}

}  // namespace vorlat::flightlog
