#pragma once
// A platform header that reaches into the data and the runs: the layer check must refuse both, and let
// the base include and the one of its own folder through.
#include "base/random.h"
#include "platform/services.h"
#include "model/dataset.h"
#include "analysis/population_analysis.h"
