#ifndef ORZ_COMMON_COORDINATE_H
#define ORZ_COMMON_COORDINATE_H

namespace NSORZCommon
{
/* A position in degrees; longitude always comes first. */
class Coordinate
{
public:
    Coordinate();
    Coordinate(double longitude, double latitude);
    virtual ~Coordinate();

    double GetLongitude() const;
    double GetLatitude() const;
    void SetLongitude(double longitude);
    void SetLatitude(double latitude);

private:
    double mLongitude;
    double mLatitude;
};
} // namespace NSORZCommon

#endif
