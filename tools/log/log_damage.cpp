// The words of a damage report: one headline, and a note on lines not named.
#include "tools/log/log_damage.h"

#include <numeric>

#include "tools/log/number_text.h"

namespace vorlat::flightlog {

std::size_t Damage::total() const { return std::accumulate(lines.begin(), lines.end(), std::size_t{0}); }

std::string damageHeadline(const Damage& damage) {
    std::string text;
    for (const DamageKindInfo& kind : DAMAGE_KINDS) {
        if (damage.count(kind.kind) == 0) continue;
        if (!text.empty()) text += ", ";
        // NUL bytes are counted in bytes: they stand on one line, or on none.
        const std::uint64_t n =
            kind.kind == DamageKind::TrailingNul ? damage.trailingNulBytes : damage.count(kind.kind);
        text += countedText(n, kind.one, kind.many);
    }
    if (damage.skippedLines != 0) text += "; " + countedText(damage.skippedLines, "line", "lines") + " skipped";
    return text;
}

std::string damageMore(const Damage& damage) {
    const std::size_t total = damage.total();
    if (total <= damage.first.size()) return {};
    return "and " + countedText(total - damage.first.size(), "more damaged line", "more damaged lines");
}

}  // namespace vorlat::flightlog
