#pragma once
// A model header that reaches up into a subsystem: the layer check must refuse it.
#include "base/table.h"
#include "model/dataset.h"
#include "stats/allele_stats.h"
