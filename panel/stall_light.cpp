// The stall light, the one icon whose state belongs to the panel itself.
#include "module/convert.h"
#include "panel/elements.h"
#include "readouts/latest_values.h"

namespace {
constexpr double SHOW_DISC = 0.0;
constexpr double SHOW_NOTHING = -1.0;
}  // namespace

double stallIconState(ModuleVariable* stallSlot) {
    LatestValues.stall = truncateToInt32(stallSlot->value);
    return LatestValues.stall != 0 ? SHOW_DISC : SHOW_NOTHING;
}
