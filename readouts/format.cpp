#include "readouts/format.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <string_view>
#include <system_error>

namespace {

// Enough for the widest fixed text of a double: a sign, 309 integer digits,
// the point and MAX_PRECISION decimals.
constexpr int MAX_PRECISION = 40;
constexpr std::size_t FIXED_CAPACITY = 1 + 309 + 1 + MAX_PRECISION;

// Writes into out[0 .. size - 2] and stops quietly when full.
class Writer {
public:
    Writer(char* out, std::size_t size) : out_(out), limit_(size - 1) {}

    void repeat(char c, int count) {
        for (; count > 0 && length_ < limit_; --count) out_[length_++] = c;
    }
    void text(std::string_view piece) {
        const std::size_t n = std::min(piece.size(), limit_ - length_);
        std::copy_n(piece.data(), n, out_ + length_);
        length_ += n;
    }
    std::size_t finish() {
        out_[length_] = '\0';
        return length_;
    }

private:
    char* out_;
    std::size_t limit_;
    std::size_t length_ = 0;
};

// Pads `body` to `width` as printf does: spaces before the sign, or with
// zeroPad zeros between the sign and the digits.
std::size_t writePadded(char* out, std::size_t size, std::string_view body, int width, bool zeroPad) {
    if (size == 0) return 0;
    Writer w(out, size);
    const int padding = width - static_cast<int>(body.size());  // body is at most FIXED_CAPACITY long
    if (zeroPad) {
        if (!body.empty() && body.front() == '-') {
            w.text(body.substr(0, 1));
            body.remove_prefix(1);
        }
        w.repeat('0', padding);
    } else {
        w.repeat(' ', padding);
    }
    w.text(body);
    return w.finish();
}

std::string_view nonFiniteText(double value) {
    if (std::isnan(value)) return "nan";  // the sign of a NaN carries no meaning
    return value < 0 ? "-inf" : "inf";
}

}  // namespace

std::size_t formatDecimal(char* out, std::size_t size, double value, Decimal format) {
    if (!std::isfinite(value)) return writePadded(out, size, nonFiniteText(value), format.width, false);
    char fixed[FIXED_CAPACITY];
    const int precision = std::clamp(format.precision, 0, MAX_PRECISION);
    const auto result = std::to_chars(fixed, fixed + sizeof fixed, value, std::chars_format::fixed, precision);
    if (result.ec != std::errc{}) return writePadded(out, size, "", 0, false);  // unreachable: any double fits
    return writePadded(out, size, std::string_view(fixed, static_cast<std::size_t>(result.ptr - fixed)), format.width,
                       format.zeroPad);
}

namespace {
std::size_t writeInteger(char* out, std::size_t size, std::int32_t value, int width, bool zeroPad) {
    char digits[12];
    const auto result = std::to_chars(digits, digits + sizeof digits, value);
    return writePadded(out, size, std::string_view(digits, static_cast<std::size_t>(result.ptr - digits)), width,
                       zeroPad);
}
}  // namespace

std::size_t formatInteger(char* out, std::size_t size, std::int32_t value, int width) {
    return writeInteger(out, size, value, width, false);
}

std::size_t formatZeroPaddedInteger(char* out, std::size_t size, std::int32_t value, int width) {
    return writeInteger(out, size, value, width, true);
}

BoundedText& BoundedText::put(char c) {
    if (room() > 1) {
        data_[length_++] = c;
        data_[length_] = '\0';
    }
    return *this;
}

BoundedText& BoundedText::decimal(double value, Decimal format) {
    length_ += formatDecimal(tail(), room(), value, format);
    return *this;
}

BoundedText& BoundedText::zeroPadded(std::int32_t value, int width) {
    length_ += formatZeroPaddedInteger(tail(), room(), value, width);
    return *this;
}
