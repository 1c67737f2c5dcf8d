// The flight data recorder: its buttons, icons, sample clock and log.
#pragma once

#include <cstdint>

#include "module/linkage.h"

std::int32_t recordButtonPressed(std::uint32_t hostValue, std::uint32_t eventWord);
std::int32_t pauseButtonPressed(std::uint32_t hostValue, std::uint32_t eventWord);
// The icons show the recorder's flags; their slot binds the tick count, unread.
double recordIconState(ModuleVariable* tickSlot);
double pauseIconState(ModuleVariable* tickSlot);
double acelReadout(double speed);
double rowIndexReadout(double tickCount);
void recorderShutdown();
