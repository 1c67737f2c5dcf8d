// The words of a damage report: one headline, and a note on lines not named.
#include "tools/log/log_damage.h"

#include <numeric>

namespace vorlat::flightlog {

namespace {

std::string counted(std::uint64_t n, std::string_view one, std::string_view many) {
    return std::to_string(n) + " " + std::string(n == 1 ? one : many);
}

}  // namespace

std::size_t Damage::total() const { return std::accumulate(lines.begin(), lines.end(), std::size_t{0}); }

std::string damageHeadline(const Damage& damage) {
    std::string text;
    for (const DamageKindInfo& kind : DAMAGE_KINDS) {
        if (damage.count(kind.kind) == 0) continue;
        if (!text.empty()) text += ", ";
        // NUL bytes are counted in bytes: they stand on one line, or on none.
        const std::uint64_t n =
            kind.kind == DamageKind::TrailingNul ? damage.trailingNulBytes : damage.count(kind.kind);
        text += counted(n, kind.one, kind.many);
    }
    if (damage.skippedLines != 0) text += "; " + counted(damage.skippedLines, "line", "lines") + " skipped";
    return text;
}

std::string damageMore(const Damage& damage) {
    const std::size_t total = damage.total();
    if (total <= damage.first.size()) return {};
    return "and " + counted(total - damage.first.size(), "more damaged line", "more damaged lines");
}

}  // namespace vorlat::flightlog
