#ifndef ORZ_COMMON_GEO_MATH_H
#define ORZ_COMMON_GEO_MATH_H

#include <string>

namespace NSORZCommon
{
/* Where to walk: distances and directions between two fixes on a sphere of
 * the Earth's mean radius (good to a few tenths of a percent, far better
 * than a phone's or a watch's fix), and where a fix falls on a static map
 * picture of Web-Mercator tiles. Degrees in, degrees out. */
class GeoMath
{
public:
    static constexpr double EARTH_MEAN_RADIUS_M = 6371008.8;
    /* The side of one map tile at zoom 0, as every provider we ask serves them. */
    static constexpr int TILE_SIDE = 256;

    /* A fix that can be on the Earth: finite, latitude within 90 and longitude within 180 degrees. */
    static bool IsValidFix(double lat, double lon);
    /* Great-circle metres between two fixes (haversine). */
    static double DistanceM(double lat1, double lon1, double lat2, double lon2);
    /* The direction to set off from the first fix toward the second, in
     * [0, 360), clockwise from true north; 0 when both are the same place. */
    static double InitialBearingDeg(double lat1, double lon1, double lat2, double lon2);
    /* Any angle brought into [0, 360). */
    static double NormaliseDeg(double deg);
    /* The signed turn from one angle to another, in (-180, 180]. */
    static double TurnDeg(double fromDeg, double toDeg);

    struct Pixel
    {
        double x;
        double y;
    };
    /* The point of a fix on a picture of width x height pixels centred on
     * (centreLat, centreLon) at a zoom; the origin is the picture's top
     * left, the point may lie outside the picture. The shorter way round
     * the antimeridian is taken. */
    static Pixel MercatorPixel(double centreLat, double centreLon, int zoom, int width, int height, double lat,
                               double lon);

    /* The eight points of the compass, N = 0 clockwise to NW = 7, for a bearing. */
    static int CompassPoint(double bearingDeg);
    /* "N", "NE", ... for English (and any language not listed), "북", "북동", ...
     * for Korean; language is the first part of a locale ("ko", "ko_KR"). */
    static std::string CompassWord(int point, const std::string& language);
    /* The same as a spoken word: "north-east", "북동쪽". */
    static std::string CompassSpoken(int point, const std::string& language);

    /* A distance the way people say it: 10 m steps below 100 m, 50 m steps
     * below 1 km, tenths of a kilometre below 10 km, whole ones beyond
     * ("40 m", "350 m", "1.2 km", "12 km"); imperial: 50 ft steps below
     * 0.1 mi, then tenths and whole miles ("300 ft", "0.3 mi", "12 mi"). */
    static std::string DistanceText(double metres, bool imperial);
    /* The same for the screen reader: "350 metres", "1.2 kilometres",
     * "0.3 miles"; Korean "350미터". */
    static std::string DistanceSpoken(double metres, bool imperial, const std::string& language);
};
} // namespace NSORZCommon

#endif
