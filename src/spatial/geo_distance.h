#pragma once
// Geographic distances between populations: plane coordinates (distance in their own unit) or decimal
// degrees (great-circle distance in kilometres).
#include "base/table.h"
#include "model/analysis_options.h"

namespace kiwora {

// Great-circle distance in kilometres between two points given in decimal degrees.
double Geo_Distance_Km(double lat1, double lat2, double lon1, double lon2);

// Sizes GeoDist (0..nPop, 0..nPop) and fills every ordered pair of populations 1..nPop, selected or not;
// the diagonal stays 0. Plane coordinates are metres or kilometres; anything else is decimal degrees with
// PopX the longitude and PopY the latitude. Returns the bound on the rounding error of two of the distances
// compared (the width of the tie rule for every decision on them, `absoluteRounding`).
double Calc_Geo_Distances(int nPop, const Vec1<double>& PopX, const Vec1<double>& PopY, Coordinates coordinates,
                        Table2<double>& GeoDist);

}  // namespace kiwora
