#ifndef PELORN_LOCATION_DATA_H
#define PELORN_LOCATION_DATA_H

#include <stdint.h>
#include <string>

namespace NSPelorn
{
/* The phone's position and address. */
class LocationData
{
public:
    virtual ~LocationData() {}

    int mIsResponse = 0;
    int mResult = 0;
    int mHmLocSetting = 0;
    int mPhoneLocSetting = 0;
    double mLatitude = 0.0;
    double mLongitude = 0.0;
    std::string mAddress;
    std::string mCity;
    std::string mCountry;
    int64_t mTime = 0;
};
} // namespace NSPelorn

#endif
