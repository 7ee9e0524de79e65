#pragma once
// The completion of an optimisation after its restart (the start with "StartedAfterOptimization"): records
// when the optimisation happened and removes its one-time start and marker.
#include "platform/base/WinTypes.h"

class CZUNApp;

// TRUE when the optimisation summary is to be shown. Without the parameter file there is nothing to show,
// but the one-time start and the marker still go: nothing else would ever remove them.
BOOL FinishAfterOptimization(CZUNApp& app);
