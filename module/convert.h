// Double to integer conversion, defined for every input.
//
// A finite value inside the 64-bit range truncates toward zero and keeps the
// low 32 bits (so it wraps modulo 2^32). NaN, the infinities and values beyond
// the 64-bit range give 0, the low half of x86's "integer indefinite" result.
// Nothing in the module converts a double by a plain cast.
#pragma once

#include <cmath>
#include <cstdint>

constexpr std::int32_t truncateToInt32(double value) {
    // 2^63 is exact as a double; the range test is false for NaN.
    constexpr double TWO_POW_63 = 9223372036854775808.0;
    if (!(value >= -TWO_POW_63 && value < TWO_POW_63)) {
        return 0;
    }
    const auto wide = static_cast<std::int64_t>(value);  // in range: defined
    return static_cast<std::int32_t>(static_cast<std::uint32_t>(static_cast<std::uint64_t>(wide)));
}
