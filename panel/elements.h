// The element records of the panel: the background, three icons, 36 text fields.
#pragma once

#include <cstdint>

#include "module/linkage.h"
#include "readouts/constants.h"  // the text colours

inline constexpr int CHILD_COUNT = 39;

extern ImageElement background;
extern IconElement recordIcon;
extern IconElement pauseIcon;
extern IconElement stallIcon;

extern TextElement galBox;
extern TextElement auxBox;
extern TextElement fpsiBox;
extern TextElement mpsiBox;
extern TextElement thrtBox;
extern TextElement wsgtBox;
extern TextElement gphBox;
extern TextElement ailrnBox;
extern TextElement bankBox;
extern TextElement ftBox;
extern TextElement tasBox;
extern TextElement iasBox;
extern TextElement hdgBox;
extern TextElement turnBox;
extern TextElement rollBox;
extern TextElement acelBox;
extern TextElement gsBox;
extern TextElement climbBox;
extern TextElement pitchBox;
extern TextElement rpmBox;
extern TextElement hpBox;
extern TextElement thrstBox;
extern TextElement propBox;
extern TextElement torqBox;
extern TextElement weptBox;
extern TextElement rowIndexBox;     // unlabelled (1, 1)
extern TextElement pressureBox;     // unlabelled (5, 5)
extern TextElement temperatureBox;  // unlabelled (5, 6)
extern TextElement aoaBox;
extern TextElement oilTBox;
extern TextElement oilPBox;
extern TextElement rotBox;
extern TextElement chtBox;
extern TextElement latitudeLine;
extern TextElement longitudeLine;
extern TextElement elevBox;

extern ConditionPair conditionList[2];
extern ElementHeader* childList[CHILD_COUNT + 1];
extern ElementHeader* elementList[2];

// The stall light: shows the red disc while host variable 67 truncates to non-zero.
double stallIconState(ModuleVariable* slot);
