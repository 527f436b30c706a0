#include "CoordinateCalculator.h"

#include "VconfUtil.h"

#include <cmath>

namespace NSORZCommon
{
namespace
{
const double kPi = 3.141592653589793;
const double kEarthRadiusM = 6378137.0;

double ToRadians(double degrees)
{
    return degrees * kPi / 180.0;
}
} // namespace

CoordinateCalculator::CoordinateCalculator()
{
}

CoordinateCalculator::~CoordinateCalculator()
{
}

double CoordinateCalculator::GetDistance(double latitude1, double longitude1, double latitude2, double longitude2)
{
    const double phi1 = ToRadians(latitude1);
    const double phi2 = ToRadians(latitude2);
    const double deltaLambda = ToRadians(longitude1) - ToRadians(longitude2);
    double k = std::sin(phi1) * std::sin(phi2) + std::cos(phi1) * std::cos(phi2) * std::cos(deltaLambda);
    // Rounding can push k a hair past 1 for identical points; acos would give NaN.
    if (k > 1.0)
        k = 1.0;
    else if (k < -1.0)
        k = -1.0;
    return std::acos(k) * kEarthRadiusM;
}
} // namespace NSORZCommon

namespace NSORZCommon
{
namespace
{
const double kChinaMinLongitude = 72.004;
const double kChinaMaxLongitude = 137.8347;
const double kChinaMinLatitude = 0.8293;
const double kChinaMaxLatitude = 55.8271;

double ChinaLatitudeShift(double x, double y)
{
    double t = -100.0 + 2.0 * x + 3.0 * y + 0.2 * y * y + 0.1 * x * y + 0.2 * std::sqrt(std::fabs(x));
    t += (20.0 * std::sin(6.0 * kPi * x) + 20.0 * std::sin(2.0 * kPi * x)) * 2.0 / 3.0;
    t += (20.0 * std::sin(kPi * y) + 40.0 * std::sin(kPi * y / 3.0)) * 2.0 / 3.0;
    t += (160.0 * std::sin(kPi * y / 12.0) + 320.0 * std::sin(kPi * y / 30.0)) * 2.0 / 3.0;
    return t;
}

double ChinaLongitudeShift(double x, double y)
{
    double t = 300.0 + x + 2.0 * y + 0.1 * x * x + 0.1 * x * y + 0.1 * std::sqrt(std::fabs(x));
    t += (20.0 * std::sin(6.0 * kPi * x) + 20.0 * std::sin(2.0 * kPi * x)) * 2.0 / 3.0;
    t += (20.0 * std::sin(kPi * x) + 40.0 * std::sin(kPi * x / 3.0)) * 2.0 / 3.0;
    t += (150.0 * std::sin(kPi * x / 12.0) + 300.0 * std::sin(kPi * x / 30.0)) * 2.0 / 3.0;
    return t;
}
} // namespace

bool CoordinateCalculator::IsInsideChinaBox(double longitude, double latitude)
{
    return longitude >= kChinaMinLongitude && longitude <= kChinaMaxLongitude && latitude >= kChinaMinLatitude &&
           latitude <= kChinaMaxLatitude;
}

MapProviderType CoordinateCalculator::GetMapProviderType(double latitude, double longitude)
{
    const std::string country = VconfUtil::GetCSCCountryIso();
    if (country == "CN")
        return IsInsideChinaBox(longitude, latitude) ? MAP_PROVIDER_AUTONAVI : MAP_PROVIDER_HERE;
    if (country == "KR")
        return MAP_PROVIDER_NAVER;
    if (country == "JP")
        return MAP_PROVIDER_GOOGLE;
    return MAP_PROVIDER_HERE;
}

Coordinate CoordinateCalculator::CorrectChinaOffset(Coordinate coordinate)
{
    const double longitude = coordinate.GetLongitude();
    const double latitude = coordinate.GetLatitude();
    // A zero on either axis means the phone had no fix; never shift it into a real place.
    if (latitude == 0.0 || longitude == 0.0)
        return Coordinate(0.0, 0.0);
    if (!IsInsideChinaBox(longitude, latitude))
        return coordinate;

    const double x = longitude - 105.0;
    const double y = latitude - 35.0;
    const double phi = latitude * kPi / 180.0;
    const double sinPhi = std::sin(phi);
    const double m = 1.0 - 0.006693421622965943 * sinPhi * sinPhi;
    const double sqrtM = std::sqrt(m);
    const double dLat = ChinaLatitudeShift(x, y) * 180.0 / (6335445.439889961 / (m * sqrtM) * kPi);
    const double dLng = ChinaLongitudeShift(x, y) * 180.0 / (6378137.0 / sqrtM * std::cos(phi) * kPi);
    return Coordinate(longitude - dLng, latitude - dLat);
}
} // namespace NSORZCommon
