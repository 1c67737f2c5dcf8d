// The flight data recorder: its buttons, icons, sample clock and log.
#pragma once

#include <cstdint>

#include "module/linkage.h"

std::int32_t recordButtonPressed(std::uint32_t hostValue, std::uint32_t eventWord);
std::int32_t pauseButtonPressed(std::uint32_t hostValue, std::uint32_t eventWord);
double recordIconState(ModuleVariable* unused);
double pauseIconState(ModuleVariable* unused);
double acelReadout(double speed);
double rowIndexReadout(double unused);
void recorderShutdown();
