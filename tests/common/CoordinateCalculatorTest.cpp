#include "CoordinateCalculator.h"

#include "TestEnvironment.h"

#include <cmath>
#include <gtest/gtest.h>
#include <vconf.h>

using NSORZCommon::Coordinate;
using NSORZCommon::CoordinateCalculator;

TEST(CoordinateCalculator, DistancesAreArcsAndASamePointIsZeroNotNaN)
{
    CoordinateCalculator calc;
    EXPECT_NEAR(calc.GetDistance(0.0, 0.0, 0.0, 1.0), 111319.49, 0.01);
    // Latitude and longitude must not be swapped: one degree of latitude at
    // longitude 0 is the same arc, but one degree of longitude at 60N is half.
    EXPECT_NEAR(calc.GetDistance(60.0, 0.0, 60.0, 1.0), 55659.75, 1.0);
    // A never stored position is far from any real one.
    EXPECT_GT(calc.GetDistance(500.0, 500.0, 37.25, 127.05), 10.0);

    const double points[][2] = {{37.25, 127.05}, {51.5007, -0.1246}, {-33.8568, 151.2153}, {0.1, 0.1}};
    for (const auto& p : points)
        EXPECT_EQ(calc.GetDistance(p[0], p[1], p[0], p[1]), 0.0);
    // At some latitudes sin² + cos² rounds just above 1 (and at others just below,
    // which the law of cosines turns into about 10 cm); a sweep is sure to meet both.
    for (double latitude = -89.9; latitude < 90.0; latitude += 0.37)
    {
        double d = calc.GetDistance(latitude, 10.0, latitude, 10.0);
        EXPECT_TRUE(std::isfinite(d)) << latitude;
        EXPECT_LT(d, 0.2) << latitude;
    }
}

// Reference values computed separately from the published datum-shift series.
// Each edge of the box belongs to it, the next representable step past it not;
// a zero on one axis alone would otherwise be shifted into a real place.
TEST(CoordinateCalculator, ChinaOffsetIsSubtractedInsideTheBoxOnlyEdgesIncluded)
{
    CoordinateCalculator calc;
    const struct
    {
        double longitude, latitude, expectedLongitude, expectedLatitude;
    } cases[] = {
        {116.397128, 39.916527, 116.390883, 39.915123},
        {72.004, 30.0, 72.000114, 30.003100},
        {126.978, 55.8272, 126.978, 55.8272},
        {116.4, 0.0, 0.0, 0.0},
        {0.0, 39.9, 0.0, 0.0},
    };
    for (const auto& c : cases)
    {
        Coordinate corrected = calc.CorrectChinaOffset(Coordinate(c.longitude, c.latitude));
        EXPECT_NEAR(corrected.GetLongitude(), c.expectedLongitude, 5e-7) << c.longitude << "," << c.latitude;
        EXPECT_NEAR(corrected.GetLatitude(), c.expectedLatitude, 5e-7) << c.longitude << "," << c.latitude;
    }

    const double west = 72.004, east = 137.8347, south = 0.8293, north = 55.8271, midLon = 105.0, midLat = 30.0;
    const struct
    {
        double longitude, latitude;
        bool inside;
    } edges[] = {{west, midLat, true},
                 {east, midLat, true},
                 {midLon, south, true},
                 {midLon, north, true},
                 {east, south, true},
                 {std::nextafter(west, 0.0), midLat, false},
                 {std::nextafter(east, 180.0), midLat, false},
                 {midLon, std::nextafter(south, 0.0), false},
                 {midLon, std::nextafter(north, 90.0), false}};
    for (const auto& e : edges)
        EXPECT_EQ(CoordinateCalculator::IsInsideChinaBox(e.longitude, e.latitude), e.inside)
            << e.longitude << "," << e.latitude;
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
