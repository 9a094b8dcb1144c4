#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "base/tolerance.h"
#include "base/number_format.h"
#include "spatial/geo_distance.h"

namespace kiwora {
namespace {

TEST(GeoDistances, PlaneCoordinates) {
  const Vec1<double> x{0, 0, 3, 3}, y{0, 0, 4, 4};
  Table2<double> g;
  Calc_Geo_Distances(3, x, y, Coordinates::Plane, g);
  EXPECT_DOUBLE_EQ(g(1, 2), 5);
  EXPECT_DOUBLE_EQ(g(2, 1), 5);
  EXPECT_DOUBLE_EQ(g(2, 3), 0);
  EXPECT_DOUBLE_EQ(g(1, 1), 0);
  // Swapping the two coordinates changes nothing in the plane.
  Table2<double> swapped;
  Calc_Geo_Distances(3, y, x, Coordinates::Plane, swapped);
  EXPECT_DOUBLE_EQ(swapped(1, 3), g(1, 3));
}

TEST(GeoDistances, DecimalDegreesTakeLongitudeFirst) {
  // PopX is the longitude, PopY the latitude: one degree of latitude on a meridian is 0.01745 x 6378.388 km.
  const double degree = 0.01745 * 6378.388;
  Table2<double> g;
  for (Coordinates mode : {Coordinates::DecimalDegrees, Coordinates::Unset}) {  // any but plane is degrees
    const int code = static_cast<int>(mode);
    Calc_Geo_Distances(2, {0, 10, 10}, {0, 50, 51}, mode, g);
    EXPECT_NEAR(g(1, 2), degree, 1e-9) << code;
    EXPECT_NEAR(g(1, 2), 111.3029, 1e-4) << code;
    EXPECT_DOUBLE_EQ(g(2, 1), g(1, 2)) << code;
  }
  // Two points on the equator 90 degrees of longitude apart: the angle is arccos(cos(90 x 0.01745)).
  Calc_Geo_Distances(2, {0, 0, 90}, {0, 0, 0}, Coordinates::DecimalDegrees, g);
  EXPECT_NEAR(g(1, 2), 90 * degree, 1e-6);
  EXPECT_NEAR(g(1, 2), 10017.258, 1e-3);
  // Exchanging the roles of the coordinates changes the distance: latitude 10 is not longitude 10.
  Calc_Geo_Distances(2, {0, 50, 51}, {0, 10, 10}, Coordinates::DecimalDegrees, g);
  EXPECT_LT(g(1, 2), degree - 1);
}

TEST(GeoDistances, OneSiteIsNoDistance) {
  // Same-site cosines round above 1, where an arc cosine would be NaN.
  int aboveOne = 0;
  for (double lat = -89.5; lat < 90; lat += 0.37)
    for (double lon : {-170.3, -12.77, 0.0, 8.41, 123.9}) {
      const double r = lat * 0.01745;
      aboveOne += std::sin(r) * std::sin(r) + std::cos(r) * std::cos(r) * std::cos(0.0) > 1;
      const double d = Geo_Distance_Km(lat, lat, lon, lon);
      EXPECT_FALSE(std::isnan(d)) << lat << " " << lon;
      EXPECT_EQ(d, 0) << lat << " " << lon;
    }
  EXPECT_GT(aboveOne, 0);  // the sweep does hit the rounding case
  Table2<double> g;
  Calc_Geo_Distances(2, {0, 8.41, 8.41}, {0, 47.38, 47.38}, Coordinates::DecimalDegrees, g);
  EXPECT_EQ(g(1, 2), 0);
  // Pole to pole: half a circle of 180 x 0.01745 radians.
  EXPECT_NEAR(Geo_Distance_Km(90, -90, 0, 0), 180 * 0.01745 * 6378.388, 1e-6);
}

TEST(GeoDistances, ShortDistancesEqualInExactArithmeticTie) {
  // Sites a hundredth or a thousandth of a degree north and south of a third on its meridian, and east
  // and west of it, are equally far from it: one step of latitude times 0.01745 x 6378.388 km. The arc
  // cosine of the cosine put such distances millionths apart, beyond the tie rule.
  const double degree = 0.01745 * 6378.388;
  for (const double step : {0.01, 0.001})
    for (const double lat : {50.10, -12.345, 0.0}) {
      SCOPED_TRACE(::testing::Message() << step << " at " << lat);
      Table2<double> g;
      Rounding r = absoluteRounding(
          Calc_Geo_Distances(3, {0, 7.5, 7.5, 7.5}, {0, lat, lat + step, lat - step}, Coordinates::DecimalDegrees, g));
      EXPECT_TRUE(ties(g(1, 2), g(1, 3), r)) << g(1, 2) - g(1, 3);
      EXPECT_NEAR(g(1, 2) / (step * degree), 1, 1e-9);
      r = absoluteRounding(
          Calc_Geo_Distances(3, {0, 7.5, 7.5 + step, 7.5 - step}, {0, lat, lat, lat}, Coordinates::DecimalDegrees, g));
      EXPECT_TRUE(ties(g(1, 2), g(1, 3), r)) << g(1, 2) - g(1, 3);
    }
}


// A distance just below a printed half prints as exact arithmetic has it: sqrt(1369017) = 1170.0499989...
// prints 1170.0, the exact half 1170.05 prints 1170.1, and a value 1e-11 of itself below that half 1170.0.
TEST(GeoDistances, PrintedAsExactArithmeticRoundsThemNearAHalf) {
  Table2<double> g;
  Calc_Geo_Distances(2, {0, 0, 864}, {0, 0, 789}, Coordinates::Plane, g);
  EXPECT_EQ(masked(g(1, 2), "0.0"), "1170.0");
  EXPECT_EQ(masked(1170.05, "0.0"), "1170.1");
  EXPECT_EQ(masked(1170.05 * (1 - 1e-11), "0.0"), "1170.0");
  EXPECT_EQ(masked(-1170.05 * (1 - 1e-11), "0.0"), "-1170.0");
}

}  // namespace
}  // namespace kiwora
