#include "Coordinate.h"

namespace NSORZCommon
{
Coordinate::Coordinate() : mLongitude(0.0), mLatitude(0.0)
{
}

Coordinate::Coordinate(double longitude, double latitude) : mLongitude(longitude), mLatitude(latitude)
{
}

Coordinate::~Coordinate()
{
}

double Coordinate::GetLongitude() const
{
    return mLongitude;
}

double Coordinate::GetLatitude() const
{
    return mLatitude;
}

void Coordinate::SetLongitude(double longitude)
{
    mLongitude = longitude;
}

void Coordinate::SetLatitude(double latitude)
{
    mLatitude = latitude;
}
} // namespace NSORZCommon
