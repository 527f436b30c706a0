#include "GeoMath.h"

#include <cmath>
#include <stdio.h>

namespace NSORZCommon
{
namespace
{
constexpr double kPi = 3.14159265358979323846;
// Web-Mercator stops short of the poles; a fix beyond is drawn at the edge.
constexpr double kMercatorMaxLat = 85.05112878;
constexpr double kMetresPerMile = 1609.344;
constexpr double kMetresPerFoot = 0.3048;

double Rad(double deg)
{
    return deg * kPi / 180.0;
}

double Deg(double rad)
{
    return rad * 180.0 / kPi;
}

bool IsKorean(const std::string& language)
{
    return language.compare(0, 2, "ko") == 0;
}

/* The world picture's pixel of a fix at a zoom. */
GeoMath::Pixel WorldPixel(double lat, double lon, int zoom)
{
    const double side = GeoMath::TILE_SIDE * std::ldexp(1.0, zoom);
    const double clamped = std::fmax(-kMercatorMaxLat, std::fmin(kMercatorMaxLat, lat));
    const double s = std::sin(Rad(clamped));
    return {(lon + 180.0) / 360.0 * side, (0.5 - std::log((1 + s) / (1 - s)) / (4 * kPi)) * side};
}

/* How a distance is said: the number's text and which unit it is in. */
enum class Unit
{
    METRE,
    KILOMETRE,
    FOOT,
    MILE
};

std::string Rounded(double metres, bool imperial, Unit& unit)
{
    char text[32];
    if (!std::isfinite(metres) || metres < 0)
        metres = 0;
    if (imperial)
    {
        const double miles = metres / kMetresPerMile;
        if (miles < 0.095)
        {
            unit = Unit::FOOT;
            snprintf(text, sizeof(text), "%.0f", std::round(metres / kMetresPerFoot / 50.0) * 50.0);
        }
        else
        {
            unit = Unit::MILE;
            snprintf(text, sizeof(text), miles < 9.95 ? "%.1f" : "%.0f", miles);
        }
        return text;
    }
    if (metres < 95)
    {
        unit = Unit::METRE;
        snprintf(text, sizeof(text), "%.0f", std::round(metres / 10.0) * 10.0);
    }
    else if (metres < 975)
    {
        unit = Unit::METRE;
        snprintf(text, sizeof(text), "%.0f", std::round(metres / 50.0) * 50.0);
    }
    else
    {
        unit = Unit::KILOMETRE;
        snprintf(text, sizeof(text), metres < 9950 ? "%.1f" : "%.0f", metres / 1000.0);
    }
    return text;
}
} // namespace

bool GeoMath::IsValidFix(double lat, double lon)
{
    return std::isfinite(lat) && std::isfinite(lon) && std::fabs(lat) <= 90.0 && std::fabs(lon) <= 180.0;
}

double GeoMath::DistanceM(double lat1, double lon1, double lat2, double lon2)
{
    const double dLat = Rad(lat2 - lat1);
    const double dLon = Rad(lon2 - lon1);
    const double h = std::sin(dLat / 2) * std::sin(dLat / 2) +
                     std::cos(Rad(lat1)) * std::cos(Rad(lat2)) * std::sin(dLon / 2) * std::sin(dLon / 2);
    return 2 * EARTH_MEAN_RADIUS_M * std::asin(std::sqrt(std::fmin(1.0, h)));
}

double GeoMath::InitialBearingDeg(double lat1, double lon1, double lat2, double lon2)
{
    const double dLon = Rad(lon2 - lon1);
    const double y = std::sin(dLon) * std::cos(Rad(lat2));
    const double x = std::cos(Rad(lat1)) * std::sin(Rad(lat2)) -
                     std::sin(Rad(lat1)) * std::cos(Rad(lat2)) * std::cos(dLon);
    if (std::fabs(x) < 1e-15 && std::fabs(y) < 1e-15)
        return 0;
    return NormaliseDeg(Deg(std::atan2(y, x)));
}

double GeoMath::NormaliseDeg(double deg)
{
    if (!std::isfinite(deg))
        return 0;
    const double d = std::fmod(deg, 360.0);
    return d < 0 ? d + 360.0 : (d >= 360.0 ? 0 : d);
}

double GeoMath::TurnDeg(double fromDeg, double toDeg)
{
    const double d = NormaliseDeg(toDeg - fromDeg);
    return d > 180.0 ? d - 360.0 : d;
}

GeoMath::Pixel GeoMath::MercatorPixel(double centreLat, double centreLon, int zoom, int width, int height,
                                      double lat, double lon)
{
    const double side = TILE_SIDE * std::ldexp(1.0, zoom);
    const Pixel centre = WorldPixel(centreLat, centreLon, zoom);
    const Pixel point = WorldPixel(lat, lon, zoom);
    double dx = point.x - centre.x;
    if (dx > side / 2)
        dx -= side;
    else if (dx < -side / 2)
        dx += side;
    return {width / 2.0 + dx, height / 2.0 + (point.y - centre.y)};
}

int GeoMath::CompassPoint(double bearingDeg)
{
    return static_cast<int>(std::floor(NormaliseDeg(bearingDeg) / 45.0 + 0.5)) % 8;
}

std::string GeoMath::CompassWord(int point, const std::string& language)
{
    static const char* const kEn[] = {"N", "NE", "E", "SE", "S", "SW", "W", "NW"};
    static const char* const kKo[] = {"북", "북동", "동", "남동", "남", "남서", "서", "북서"};
    const int p = ((point % 8) + 8) % 8;
    return IsKorean(language) ? kKo[p] : kEn[p];
}

std::string GeoMath::CompassSpoken(int point, const std::string& language)
{
    static const char* const kEn[] = {"north", "north-east", "east", "south-east",
                                      "south", "south-west", "west", "north-west"};
    const int p = ((point % 8) + 8) % 8;
    return IsKorean(language) ? CompassWord(p, language) + "쪽" : kEn[p];
}

std::string GeoMath::DistanceText(double metres, bool imperial)
{
    static const char* const kUnits[] = {"m", "km", "ft", "mi"};
    Unit unit = Unit::METRE;
    const std::string number = Rounded(metres, imperial, unit);
    return number + " " + kUnits[static_cast<int>(unit)];
}

std::string GeoMath::DistanceSpoken(double metres, bool imperial, const std::string& language)
{
    static const char* const kEn[] = {"metres", "kilometres", "feet", "miles"};
    static const char* const kKo[] = {"미터", "킬로미터", "피트", "마일"};
    Unit unit = Unit::METRE;
    const std::string number = Rounded(metres, imperial, unit);
    if (IsKorean(language))
        return number + kKo[static_cast<int>(unit)];
    return number + " " + kEn[static_cast<int>(unit)];
}
} // namespace NSORZCommon
