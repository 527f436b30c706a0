#ifndef ORZ_COMMON_COORDINATE_CALCULATOR_H
#define ORZ_COMMON_COORDINATE_CALCULATOR_H

#include "Coordinate.h"

namespace NSORZCommon
{
/* Which static-map provider serves a position; 1 is not used. */
enum MapProviderType
{
    MAP_PROVIDER_HERE = 0,
    MAP_PROVIDER_GOOGLE = 2,
    MAP_PROVIDER_AUTONAVI = 3,
    MAP_PROVIDER_NAVER = 4,
};

class CoordinateCalculator
{
public:
    CoordinateCalculator();
    virtual ~CoordinateCalculator();

    /* Metres between two positions on a sphere of the equatorial radius.
     * Latitudes go first and third, longitudes second and fourth. */
    double GetDistance(double latitude1, double longitude1, double latitude2, double longitude2);

    /* The provider for a position, from the device's sales-region country. */
    MapProviderType GetMapProviderType(double latitude, double longitude);

    /* Positions inside mainland China are shifted by the national datum
     * offset before they go to a provider that expects shifted centres. */
    Coordinate CorrectChinaOffset(Coordinate coordinate);

    static bool IsInsideChinaBox(double longitude, double latitude);
};
} // namespace NSORZCommon

#endif
