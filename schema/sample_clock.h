// The clock the recorder samples by: the host raises the tick count by one per
// panel update, at the simulator's 18 updates a second, and the recorder
// writes a row whenever the count has moved by nine or more, so a row every
// half second. The host drives the module by it and the log tools turn row
// indices into times with it.
#pragma once

inline constexpr double HOST_TICK_RATE = 18.0;  // ticks per second
inline constexpr int RECORDER_TICKS_PER_SAMPLE = 9;
