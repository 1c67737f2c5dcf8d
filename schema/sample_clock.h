// The clock the recorder samples by: the host raises the tick count by one per
// panel update, at the simulator's 18 updates a second, and the recorder
// writes a row whenever the count has moved by nine or more, so a row every
// half second. The host drives the module by it and the log tools turn row
// indices into times with it.
#pragma once

// The one home of both numbers: the module, the host and the log tools read them
// here (the tools also take the rate as --tick-rate's default).
inline constexpr double DEFAULT_TICK_RATE = 18.0;  // ticks per second
inline constexpr int TICKS_PER_SAMPLE = 9;
