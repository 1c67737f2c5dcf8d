// The panel's yellow and red bands as the log tools see them: the columns that
// have them, and the panel's own colour rule for a logged value, so that the
// summary, the events and the plot can never disagree about a band.
#pragma once

#include <cstdint>

#include "schema/colour_bands.h"
#include "tools/log/log_columns.h"

namespace vorlat::flightlog {

inline constexpr Column BANDED_COLUMNS[] = {TAS, IAS, GFORC};

// The colour the panel gives `value` in a banded column: the airspeeds' bands
// lie above, the g load's on both sides of zero.
inline std::uint32_t bandColourOf(Column column, double value) {
    return column == GFORC ? symmetricBandColour(value, G_RED, G_YELLOW)
                           : upperBandColour(value, AIRSPEED_RED, AIRSPEED_YELLOW);
}

}  // namespace vorlat::flightlog
