#include "CoordinateCalculator.h"

#include <cmath>
#include <gtest/gtest.h>

using NSORZCommon::Coordinate;
using NSORZCommon::CoordinateCalculator;

TEST(CoordinateCalculator, OneDegreeOfLongitudeOnTheEquator)
{
    CoordinateCalculator calc;
    EXPECT_NEAR(calc.GetDistance(0.0, 0.0, 0.0, 1.0), 111319.49, 0.01);
    // Latitude and longitude must not be swapped: one degree of latitude at
    // longitude 0 is the same arc, but one degree of longitude at 60N is half.
    EXPECT_NEAR(calc.GetDistance(60.0, 0.0, 60.0, 1.0), 55659.75, 1.0);
}

TEST(CoordinateCalculator, SamePointIsZeroNotNaN)
{
    CoordinateCalculator calc;
    const double points[][2] = {{37.25, 127.05}, {51.5007, -0.1246}, {-33.8568, 151.2153}, {0.1, 0.1}};
    for (const auto& p : points)
    {
        double d = calc.GetDistance(p[0], p[1], p[0], p[1]);
        EXPECT_FALSE(std::isnan(d));
        EXPECT_EQ(d, 0.0);
    }
}

TEST(CoordinateCalculator, NeverStoredPositionIsFarFromAnyRealOne)
{
    CoordinateCalculator calc;
    Coordinate stored(500.0, 500.0);
    Coordinate real(127.05, 37.25);
    double d = calc.GetDistance(stored.GetLatitude(), stored.GetLongitude(), real.GetLatitude(), real.GetLongitude());
    EXPECT_TRUE(std::isfinite(d));
    EXPECT_GT(d, 10.0);
}
