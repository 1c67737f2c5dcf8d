// Suggestions for a mistyped name ("flye" -> "fly", "pitch" -> "pitch_deg"):
// the known names nearest to it by edit distance, ignoring letter case, where
// a name's unit suffix ("_deg", "_raw") may also be left off.
#pragma once

#include <algorithm>
#include <cctype>
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vorlat {

// Longer input is no typo of a name: it is not compared (the distance is quadratic in the length).
inline constexpr std::size_t LONGEST_COMPARED_NAME = 64;

// Insertions, deletions, substitutions and swaps of neighbours, each one step; case ignored.
inline std::size_t editDistance(std::string_view a, std::string_view b) {
    const auto same = [](char x, char y) {
        return std::tolower(static_cast<unsigned char>(x)) == std::tolower(static_cast<unsigned char>(y));
    };
    const std::size_t width = b.size() + 1;
    std::vector<std::size_t> d((a.size() + 1) * width);
    for (std::size_t i = 0; i <= a.size(); ++i) d[i * width] = i;
    for (std::size_t j = 0; j <= b.size(); ++j) d[j] = j;
    for (std::size_t i = 1; i <= a.size(); ++i) {
        for (std::size_t j = 1; j <= b.size(); ++j) {
            const std::size_t cost = same(a[i - 1], b[j - 1]) ? 0 : 1;
            std::size_t best =
                std::min({d[(i - 1) * width + j] + 1, d[i * width + j - 1] + 1, d[(i - 1) * width + j - 1] + cost});
            if (i > 1 && j > 1 && same(a[i - 1], b[j - 2]) && same(a[i - 2], b[j - 1]))
                best = std::min(best, d[(i - 2) * width + j - 2] + 1);
            d[i * width + j] = best;
        }
    }
    return d.back();
}

// Shortest typed text read as the start of a longer name.
inline constexpr std::size_t SHORTEST_PREFIX = 3;

// How far `typed` is from `name`: leaving off the name's unit suffix costs one
// step, typing only its start ("alt" for "altitude_m") two.
inline std::size_t nameDistance(std::string_view typed, std::string_view name) {
    std::size_t distance = editDistance(typed, name);
    if (const std::size_t underscore = name.rfind('_'); underscore != std::string_view::npos && underscore > 0)
        distance = std::min(distance, editDistance(typed, name.substr(0, underscore)) + 1);
    if (typed.size() >= SHORTEST_PREFIX && typed.size() < name.size() &&
        editDistance(typed, name.substr(0, typed.size())) == 0)
        distance = std::min<std::size_t>(distance, 2);
    return distance;
}

// Up to `count` names, nearest first (ties in the given order); none for over-long input.
inline std::vector<std::string> nearestNames(std::string_view typed, const std::vector<std::string>& names,
                                             std::size_t count) {
    if (typed.size() > LONGEST_COMPARED_NAME) return {};
    std::vector<std::pair<std::size_t, std::size_t>> ranked;  // (distance, index)
    for (std::size_t i = 0; i < names.size(); ++i) ranked.emplace_back(nameDistance(typed, names[i]), i);
    std::stable_sort(ranked.begin(), ranked.end(), [](const auto& x, const auto& y) { return x.first < y.first; });
    std::vector<std::string> nearest;
    for (std::size_t i = 0; i < ranked.size() && i < count; ++i) nearest.push_back(names[ranked[i].second]);
    return nearest;
}

// The name the user most likely meant: the one nearest, when no other is as
// near and it is within about a third of what was typed.
inline std::optional<std::string> likelyMeant(std::string_view typed, const std::vector<std::string>& names) {
    const std::vector<std::string> nearest = nearestNames(typed, names, 2);
    if (nearest.empty()) return std::nullopt;
    const std::size_t best = nameDistance(typed, nearest.front());
    const std::size_t allowed = std::max<std::size_t>(1, (typed.size() + 2) / 3);
    if (best > allowed || (nearest.size() > 1 && nameDistance(typed, nearest[1]) == best)) return std::nullopt;
    return nearest.front();
}

}  // namespace vorlat
