#ifndef ORZ_COMMON_COORDINATE_CALCULATOR_H
#define ORZ_COMMON_COORDINATE_CALCULATOR_H

#include "Coordinate.h"

namespace NSORZCommon
{
class CoordinateCalculator
{
public:
    CoordinateCalculator();
    virtual ~CoordinateCalculator();

    /* Metres between two positions on a sphere of the equatorial radius.
     * Latitudes go first and third, longitudes second and fourth. */
    double GetDistance(double latitude1, double longitude1, double latitude2, double longitude2);
};
} // namespace NSORZCommon

#endif
