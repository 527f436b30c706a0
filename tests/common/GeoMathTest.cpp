#include "GeoMath.h"
#include "ICUUtil.h"
#include "LostContactGuide.h"

#include <cmath>
#include <gtest/gtest.h>

using NSORZCommon::GeoMath;

namespace
{
struct Pair
{
    const char* name;
    double lat1, lon1, lat2, lon2;
    double metres, azimuth;
};

// References: Vincenty's inverse formula on the WGS-84 ellipsoid
// (a = 6378137 m, f = 1/298.257223563), iterated to 1e-12 rad in a separate
// Python script of ours (not the code under test, nor a sphere). The sphere
// differs from the ellipsoid by under half a percent, worst near the poles.
const Pair kPairs[] = {
    {"Seoul City Hall to Busan City Hall", 37.5665, 126.9780, 35.1796, 129.0756, 324915.297, 143.972},
    {"Nadi to Apia, across the antimeridian", -17.7134, 178.0650, -13.8333, -171.7500, 1172447.597, 69.969},
    {"across the pole region", 89.0, 10.0, 88.0, -100.0, 281851.518, 311.853},
};
} // namespace

TEST(GeoMath, DistanceAndBearingMatchTheEllipsoidWithinHalfAPercentAndAPlaceIsZeroFromItself)
{
    for (const Pair& p : kPairs)
    {
        EXPECT_NEAR(GeoMath::DistanceM(p.lat1, p.lon1, p.lat2, p.lon2), p.metres, p.metres * 0.005) << p.name;
        EXPECT_NEAR(GeoMath::InitialBearingDeg(p.lat1, p.lon1, p.lat2, p.lon2), p.azimuth, p.azimuth * 0.005)
            << p.name;
    }
    EXPECT_EQ(0.0, GeoMath::DistanceM(37.5665, 126.978, 37.5665, 126.978));
    EXPECT_EQ(0.0, GeoMath::InitialBearingDeg(37.5665, 126.978, 37.5665, 126.978));
    // Straight north and straight west are exact on any model.
    EXPECT_NEAR(0.0, GeoMath::InitialBearingDeg(10, 20, 11, 20), 1e-9);
    EXPECT_NEAR(270.0, GeoMath::InitialBearingDeg(0, 20, 0, 19), 1e-9);
    EXPECT_NEAR(-10.0, GeoMath::TurnDeg(5, 355), 1e-9);
    EXPECT_NEAR(180.0, GeoMath::TurnDeg(0, 180), 1e-9);
}

// The expected pixels come the other way round: a pixel offset turned into a
// fix by the inverse projection (longitude linear in x, latitude
// atan(sinh(pi * (1 - 2y / side))) in y), then placed by the code under test.
TEST(GeoMath, MercatorPlacesAFixOnThePictureToTheNearestPixelAndWrapsTheAntimeridian)
{
    const int zoom = 15;
    const double side = 256.0 * (1 << zoom);
    const double centreLat = 37.5665, centreLon = 126.978;
    const double cy = (1 - std::log(std::tan(M_PI / 4 + centreLat * M_PI / 360)) / M_PI) / 2 * side;
    const double offsets[][2] = {{0, 0}, {100, -40}, {-170, 170}, {400, 0}, {0, -500}};
    for (const auto& o : offsets)
    {
        const double lon = centreLon + o[0] / side * 360.0;
        const double lat = std::atan(std::sinh(M_PI * (1 - 2 * (cy + o[1]) / side))) * 180 / M_PI;
        const GeoMath::Pixel p = GeoMath::MercatorPixel(centreLat, centreLon, zoom, 360, 300, lat, lon);
        EXPECT_NEAR(180 + o[0], p.x, 1.0) << o[0] << "," << o[1];
        EXPECT_NEAR(150 + o[1], p.y, 1.0) << o[0] << "," << o[1];
    }
    // From 179 E to 179 W is two degrees east, not 358 west.
    const GeoMath::Pixel wrapped = GeoMath::MercatorPixel(0, 179.0, 2, 360, 360, 0, -179.0);
    EXPECT_NEAR(180 + 2.0 / 360.0 * 1024, wrapped.x, 1.0);
    EXPECT_NEAR(180, wrapped.y, 1.0);
}

TEST(GeoMath, CompassWordsAndDistancesAreSaidAsPeopleSayThemInTheRegionsUnits)
{
    EXPECT_EQ("N", GeoMath::CompassWord(GeoMath::CompassPoint(359), "en"));
    EXPECT_EQ("NE", GeoMath::CompassWord(GeoMath::CompassPoint(44), "en_US"));
    EXPECT_EQ("SW", GeoMath::CompassWord(GeoMath::CompassPoint(-135), "en"));
    EXPECT_EQ("북동", GeoMath::CompassWord(GeoMath::CompassPoint(50), "ko_KR"));
    EXPECT_EQ("서", GeoMath::CompassWord(GeoMath::CompassPoint(271), "ko"));
    EXPECT_EQ("north-east", GeoMath::CompassSpoken(1, "en"));
    EXPECT_EQ("북동쪽", GeoMath::CompassSpoken(1, "ko"));

    EXPECT_EQ("40 m", GeoMath::DistanceText(43, false));
    EXPECT_EQ("350 m", GeoMath::DistanceText(362, false));
    EXPECT_EQ("950 m", GeoMath::DistanceText(960, false));
    EXPECT_EQ("1.0 km", GeoMath::DistanceText(980, false));
    EXPECT_EQ("1.2 km", GeoMath::DistanceText(1234, false));
    EXPECT_EQ("12 km", GeoMath::DistanceText(12345, false));
    EXPECT_EQ("0 m", GeoMath::DistanceText(NAN, false));
    EXPECT_EQ("0.3 mi", GeoMath::DistanceText(483, true));
    EXPECT_EQ("300 ft", GeoMath::DistanceText(91, true));
    EXPECT_EQ("350 metres", GeoMath::DistanceSpoken(362, false, "en"));
    EXPECT_EQ("1.2킬로미터", GeoMath::DistanceSpoken(1234, false, "ko"));

    EXPECT_TRUE(NSORZCommon::ICUUtil::UsesImperialDistances("en_US"));
    EXPECT_TRUE(NSORZCommon::ICUUtil::UsesImperialDistances("en_GB"));
    EXPECT_FALSE(NSORZCommon::ICUUtil::UsesImperialDistances("ko_KR"));
    EXPECT_FALSE(NSORZCommon::ICUUtil::UsesImperialDistances("de_DE"));
}

TEST(LostContactGuide, TheArrowFollowsBearingMinusHeadingAndRedrawsOnlyOnFiveDegreesOrNewText)
{
    NSORZCommon::LostContactRecord record;
    record.hasFix = true;
    record.latitude = 37.5665; // the spot: 350 m north-east of where the watch starts
    record.longitude = 126.978;
    record.hasPhone = true;
    record.phoneLatitude = 37.60;
    record.phoneLongitude = 126.978;
    NSORZCommon::LostContactGuide guide(record, "en", false);
    EXPECT_EQ("", guide.DistanceText()) << "no fix yet";
    EXPECT_TRUE(guide.NeedsRedraw());
    const double lat = 37.5665 - 0.00223, lon = 126.978 - 0.0028;
    guide.SetFix(lat, lon);
    EXPECT_EQ("350 m", guide.DistanceText());
    EXPECT_EQ("NE", guide.CompassWord());
    EXPECT_EQ("350 metres north-east", guide.SpokenWay());
    const double bearing = GeoMath::InitialBearingDeg(lat, lon, 37.5665, 126.978);
    EXPECT_NEAR(bearing, guide.ArrowDeg(), 1e-9) << "north-up with no compass";
    guide.MarkDrawn();
    guide.SetHeading(3.0);
    EXPECT_FALSE(guide.NeedsRedraw()) << "3 degrees is not worth a redraw";
    guide.SetHeading(90.0);
    EXPECT_NEAR(GeoMath::NormaliseDeg(bearing - 90.0), guide.ArrowDeg(), 1e-9)
        << "turned right, the arrow turns left";
    EXPECT_TRUE(guide.NeedsRedraw());
    guide.MarkDrawn();
    guide.SetFix(37.5665 - 0.00001, 126.978);
    EXPECT_TRUE(guide.IsHere());
    EXPECT_TRUE(guide.ToggleSpot());
    EXPECT_EQ(NSORZCommon::LostContactGuide::Spot::PHONE_REPORTED, guide.GetSpot());
    EXPECT_FALSE(guide.IsHere());
    EXPECT_EQ("3.7 km", guide.DistanceText());
    EXPECT_EQ("N", guide.CompassWord());
    guide.SetNoPosition();
    EXPECT_EQ("", guide.DistanceText());
}
