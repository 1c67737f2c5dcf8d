// The mouse areas laid over the panel: help groups and the two recorder buttons.
#pragma once

#include "module/linkage.h"

inline constexpr int MOUSE_AREA_COUNT = 33;
inline constexpr std::uint32_t PRESS_EVENT = 0x20000000;

extern MouseArea mouseAreas[MOUSE_AREA_COUNT];
