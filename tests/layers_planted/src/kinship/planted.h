#pragma once
// A run layer that reaches another run beside it: the layer check must refuse it.
#include "two_locus/two_locus.h"
