#include "spatial/geo_distance.h"

#include <cmath>

namespace kiwora {
namespace {

// The conversion factor and radius the results have always been computed with; keeping them keeps
// distances comparable with earlier result files.
constexpr double kRadiansPerDegree = 0.01745;
constexpr double kEarthRadiusKm = 6378.388;

}  // namespace

double Geo_Distance_Km(double lat1, double lat2, double lon1, double lon2) {
  lat1 *= kRadiansPerDegree;
  lat2 *= kRadiansPerDegree;
  lon1 *= kRadiansPerDegree;
  lon2 *= kRadiansPerDegree;
  // The angle whose cosine is sin X1 sin X2 + cos X1 cos X2 cos(Y2 - Y1), taken from that cosine and the
  // angle's sine, both written without cancellation: the arc cosine alone loses most digits of a short
  // distance, so that two sites equally far from a third in exact arithmetic came out millionths apart.
  const double dLon = lon2 - lon1, halfLon = std::sin(dLon / 2);
  const double cosine = std::sin(lat1) * std::sin(lat2) + std::cos(lat2) * std::cos(lat1) * std::cos(dLon);
  const double east = std::cos(lat2) * std::sin(dLon);
  const double north = std::sin(lat2 - lat1) + 2 * std::sin(lat1) * std::cos(lat2) * halfLon * halfLon;
  return std::atan2(std::hypot(east, north), cosine) * kEarthRadiusKm;
}

void Calc_Geo_Distances(int nPop, const Vec1<double>& PopX, const Vec1<double>& PopY, Coordinates coordinates,
                        Table2<double>& GeoDist) {
  GeoDist.resize(nPop, nPop);
  // Each row is written on its own.
  for (int i = 1; i <= nPop; ++i) {
    const auto si = static_cast<std::size_t>(i);
    for (int j = 1; j <= nPop; ++j) {
      if (j == i) continue;
      const auto sj = static_cast<std::size_t>(j);
      if (coordinates == Coordinates::Plane) {
        const double dx = PopX[si] - PopX[sj], dy = PopY[si] - PopY[sj];
        GeoDist(i, j) = std::sqrt(dx * dx + dy * dy);
      } else {
        GeoDist(i, j) = Geo_Distance_Km(PopY[si], PopY[sj], PopX[si], PopX[sj]);
      }
    }
  }
}

}  // namespace kiwora
