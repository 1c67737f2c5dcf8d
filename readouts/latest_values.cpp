#include "readouts/latest_values.h"

constinit LatestValuesRecord LatestValues = {};
