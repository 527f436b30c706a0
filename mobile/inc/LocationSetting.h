#ifndef PELORN_LOCATION_SETTING_H
#define PELORN_LOCATION_SETTING_H


namespace NSPelorn
{
/* The phone's location switches. */
class LocationSetting
{
public:
    virtual ~LocationSetting() {}

    int mIsResponse = 0;
    bool mIsQuenlorDevice = false;
    int mLocationState = 0;
    /* 2 means "not reported"; a parsed answer always sets 0 or 1. */
    int mLocationHighAccuracyState = 2;
};
} // namespace NSPelorn

#endif
