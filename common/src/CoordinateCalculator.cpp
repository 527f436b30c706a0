#include "CoordinateCalculator.h"

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
