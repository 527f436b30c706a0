#include "CoordinateCalculator.h"

#include "TestEnvironment.h"

#include <cmath>
#include <gtest/gtest.h>
#include <vconf.h>

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
    // At some latitudes sin² + cos² rounds just above 1 (and at others just below,
    // which the law of cosines turns into about 10 cm); a sweep is sure to meet both.
    for (double latitude = -89.9; latitude < 90.0; latitude += 0.37)
    {
        double d = calc.GetDistance(latitude, 10.0, latitude, 10.0);
        EXPECT_TRUE(std::isfinite(d)) << latitude;
        EXPECT_LT(d, 0.2) << latitude;
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

// Reference values computed separately from the published datum-shift series.
TEST(CoordinateCalculator, ChinaOffsetIsSubtractedInsideTheBox)
{
    CoordinateCalculator calc;
    Coordinate beijing = calc.CorrectChinaOffset(Coordinate(116.397128, 39.916527));
    EXPECT_NEAR(beijing.GetLongitude(), 116.390883, 5e-7);
    EXPECT_NEAR(beijing.GetLatitude(), 39.915123, 5e-7);

    Coordinate westEdge = calc.CorrectChinaOffset(Coordinate(72.004, 30.0));
    EXPECT_NEAR(westEdge.GetLongitude(), 72.000114, 5e-7);
    EXPECT_NEAR(westEdge.GetLatitude(), 30.003100, 5e-7);
}

TEST(CoordinateCalculator, ChinaOffsetLeavesOutsideAndNoFixPositionsAlone)
{
    CoordinateCalculator calc;
    Coordinate justWest = calc.CorrectChinaOffset(Coordinate(72.0039, 30.0));
    EXPECT_EQ(justWest.GetLongitude(), 72.0039);
    EXPECT_EQ(justWest.GetLatitude(), 30.0);
    Coordinate seoulNorth = calc.CorrectChinaOffset(Coordinate(126.978, 55.8272));
    EXPECT_EQ(seoulNorth.GetLatitude(), 55.8272);

    // A zero on one axis alone would otherwise be shifted into a real place.
    Coordinate noLatitude = calc.CorrectChinaOffset(Coordinate(116.4, 0.0));
    EXPECT_EQ(noLatitude.GetLongitude(), 0.0);
    EXPECT_EQ(noLatitude.GetLatitude(), 0.0);
    Coordinate noLongitude = calc.CorrectChinaOffset(Coordinate(0.0, 39.9));
    EXPECT_EQ(noLongitude.GetLongitude(), 0.0);
    EXPECT_EQ(noLongitude.GetLatitude(), 0.0);

}

// Each edge of the box belongs to it, and the next representable step past it does not.
TEST(CoordinateCalculator, ChinaBoxHoldsAllFourEdgesAndNothingPast)
{
    const double west = 72.004, east = 137.8347, south = 0.8293, north = 55.8271;
    const double midLongitude = 105.0, midLatitude = 30.0;
    EXPECT_TRUE(CoordinateCalculator::IsInsideChinaBox(west, midLatitude));
    EXPECT_TRUE(CoordinateCalculator::IsInsideChinaBox(east, midLatitude));
    EXPECT_TRUE(CoordinateCalculator::IsInsideChinaBox(midLongitude, south));
    EXPECT_TRUE(CoordinateCalculator::IsInsideChinaBox(midLongitude, north));
    EXPECT_TRUE(CoordinateCalculator::IsInsideChinaBox(east, south));
    EXPECT_FALSE(CoordinateCalculator::IsInsideChinaBox(std::nextafter(west, 0.0), midLatitude));
    EXPECT_FALSE(CoordinateCalculator::IsInsideChinaBox(std::nextafter(east, 180.0), midLatitude));
    EXPECT_FALSE(CoordinateCalculator::IsInsideChinaBox(midLongitude, std::nextafter(south, 0.0)));
    EXPECT_FALSE(CoordinateCalculator::IsInsideChinaBox(midLongitude, std::nextafter(north, 90.0)));
}

TEST(CoordinateCalculator, ProviderFollowsTheSalesCountryAndTheChinaBox)
{
    PelornTest::ScopedTestDirs dirs;
    CoordinateCalculator calc;
    using NSORZCommon::MapProviderType;

    // Nothing stored: the key cannot be read.
    EXPECT_EQ(calc.GetMapProviderType(39.9, 116.4), NSORZCommon::MAP_PROVIDER_HERE);

    struct Case
    {
        const char* country;
        double latitude;
        double longitude;
        MapProviderType expected;
    } cases[] = {
        {"CN", 39.916527, 116.397128, NSORZCommon::MAP_PROVIDER_AUTONAVI},
        {"CN", 30.0, 72.004, NSORZCommon::MAP_PROVIDER_AUTONAVI},
        {"CN", 30.0, 72.0039, NSORZCommon::MAP_PROVIDER_HERE},
        {"CN", 48.8566, 2.3522, NSORZCommon::MAP_PROVIDER_HERE},
        {"cn", 39.916527, 116.397128, NSORZCommon::MAP_PROVIDER_HERE},
        {"KR", 37.5665, 126.978, NSORZCommon::MAP_PROVIDER_NAVER},
        {"KR", 40.7128, -74.006, NSORZCommon::MAP_PROVIDER_NAVER},
        {"JP", 35.6895, 139.6917, NSORZCommon::MAP_PROVIDER_GOOGLE},
        {"US", 39.916527, 116.397128, NSORZCommon::MAP_PROVIDER_HERE},
        {"", 35.6895, 139.6917, NSORZCommon::MAP_PROVIDER_HERE},
    };
    for (const Case& c : cases)
    {
        ASSERT_EQ(vconf_set_str("db/csc/country_iso", c.country), 0);
        EXPECT_EQ(calc.GetMapProviderType(c.latitude, c.longitude), c.expected)
            << c.country << " " << c.latitude << "," << c.longitude;
    }
}
