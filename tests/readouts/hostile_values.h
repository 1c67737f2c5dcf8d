// Hostile doubles for the readouts: special values, raw bit patterns and ordinary
// magnitudes around the panel's ranges, from a fixed seed so every run and every
// test that uses them sees the same sequence.
#pragma once

#include <bit>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <iterator>
#include <limits>
#include <random>

namespace readout_test {

class HostileValues {
public:
    double next() {
        const auto kind = random_() % 4;
        if (kind == 0) return special(static_cast<std::size_t>(random_()));  // size_t is 32 bits on i686
        if (kind == 1) return std::bit_cast<double>(random_());              // any bit pattern: NaNs, denormals, huge
        // Ordinary magnitudes around the panel's ranges and the formatting edges.
        return std::ldexp(std::uniform_real_distribution<double>(-1, 1)(random_), int(random_() % 140) - 40);
    }
    std::uint64_t bits() { return random_(); }

private:
    static double special(std::size_t n) {
        using limits = std::numeric_limits<double>;
        // clang-format off
        static constexpr double SPECIAL[] = {
            limits::quiet_NaN(), -limits::quiet_NaN(), limits::infinity(), -limits::infinity(), 0.0, -0.0,
            limits::denorm_min(), -limits::denorm_min(), limits::min(), 1e308, -1e308, limits::max(), -limits::max(),
            2147483648.0, -2147483649.0, 9223372036854775808.0, -9223372036854775808.0, 1e19, 0.5, -0.5, 0.99999999,
        };
        // clang-format on
        return SPECIAL[n % std::size(SPECIAL)];
    }

    std::mt19937_64 random_{20261209};
};

}  // namespace readout_test
