// A core header that reaches up into a view: the layer check must refuse it.
#pragma once

#include "tools/plot/log_plot.h"
