#include "spatial/geo_distance.h"

#include <algorithm>
#include <cmath>
#include <vector>

namespace kiwora {
namespace {

// The conversion factor and radius the results have always been computed with; keeping them keeps
// distances comparable with earlier result files.
constexpr double kRadiansPerDegree = 0.01745;
constexpr double kEarthRadiusKm = 6378.388;

// A site in radians, with the sine and cosine of its latitude, which every pair it is in reads.
struct Site {
  double lat, lon, sinLat, cosLat;
};

Site siteOf(double latDegrees, double lonDegrees) {
  const double lat = latDegrees * kRadiansPerDegree;
  return {lat, lonDegrees * kRadiansPerDegree, std::sin(lat), std::cos(lat)};
}

// The angle whose cosine is sin X1 sin X2 + cos X1 cos X2 cos(Y2 - Y1), taken from that cosine and the
// angle's sine, both written without cancellation: the arc cosine alone loses most digits of a short
// distance, so that two sites equally far from a third in exact arithmetic came out millionths apart.
double kilometres(const Site& a, const Site& b) {
  const double dLon = b.lon - a.lon, halfLon = std::sin(dLon / 2);
  const double cosine = a.sinLat * b.sinLat + b.cosLat * a.cosLat * std::cos(dLon);
  const double east = b.cosLat * std::sin(dLon);
  const double north = std::sin(b.lat - a.lat) + 2 * a.sinLat * b.cosLat * halfLon * halfLon;
  return std::atan2(std::hypot(east, north), cosine) * kEarthRadiusKm;
}

}  // namespace

double Geo_Distance_Km(double lat1, double lat2, double lon1, double lon2) {
  return kilometres(siteOf(lat1, lon1), siteOf(lat2, lon2));
}

double Calc_Geo_Distances(int nPop, const Vec1<double>& PopX, const Vec1<double>& PopY, Coordinates coordinates,
                          Table2<double>& GeoDist) {
  GeoDist.resize(nPop, nPop);
  double largest = 0;  // the largest coordinate, in its own unit or in radians
  for (int i = 1; i <= nPop; ++i) {
    const auto si = static_cast<std::size_t>(i);
    largest = std::max({largest, std::fabs(PopX[si]), std::fabs(PopY[si])});
  }
  std::vector<Site> sites;
  if (coordinates != Coordinates::Plane)
    for (int i = 0; i <= nPop; ++i) {
      const auto si = static_cast<std::size_t>(i);
      sites.push_back(i == 0 ? Site{} : siteOf(PopY[si], PopX[si]));
    }
  // Each pair once, from the lower population to the higher: both orders hold the same distance.
  for (int i = 1; i <= nPop; ++i) {
    const auto si = static_cast<std::size_t>(i);
    for (int j = i + 1; j <= nPop; ++j) {
      const auto sj = static_cast<std::size_t>(j);
      double d;
      if (coordinates == Coordinates::Plane) {
        const double dx = PopX[si] - PopX[sj], dy = PopY[si] - PopY[sj];
        d = std::sqrt(dx * dx + dy * dy);
      } else {
        d = kilometres(sites[si], sites[sj]);
      }
      GeoDist(i, j) = GeoDist(j, i) = d;
    }
  }
  // What two distances equal in exact arithmetic (on the coordinates as written) may differ by. Plane: a
  // coordinate read from its decimal text is off by half an ulp of itself, a difference of two by half an
  // ulp of it more, so each of dx and dy by 2 ulps of the largest coordinate M at most; squares, sum and
  // root add 1.25 ulps of the distance (at most 2.9 M): 6.4 ulps of M per distance, 16 for two.
  // Degrees: each coordinate is off by an ulp of itself in radians after reading and converting, and the
  // terms of the formula (sines and cosines within an ulp, the arc tangent of their quotient) by a few ulps
  // of the angle or of 1; 32 ulps of (1 + the largest coordinate in radians) of the radius covers both
  // distances. Either is far below 1e-11 of any distance the coordinates' digits resolve.
  if (coordinates == Coordinates::Plane) return 16 * 0x1p-52 * largest;
  return 32 * 0x1p-52 * (1 + largest * kRadiansPerDegree) * kEarthRadiusKm;
}

}  // namespace kiwora
