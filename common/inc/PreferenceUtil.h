#ifndef ORZ_COMMON_PREFERENCE_UTIL_H
#define ORZ_COMMON_PREFERENCE_UTIL_H

#include "Coordinate.h"

#include <string>
#include <time.h>

namespace NSORZCommon
{
/* The application's own preferences. A get of a key that was never written
 * stores the default and answers it (the last-location time excepted: its 0
 * is answered but not stored); any other failure is logged and answers the
 * default. 500.0 as latitude or longitude means "no position". */
class PreferenceUtil
{
public:
    PreferenceUtil();
    virtual ~PreferenceUtil();

    static bool SetPermissionChecked(bool checked);
    static bool GetPermissionChecked();

    static bool SetLastLocationLat(double latitude);
    static double GetLastLocationLat();
    static bool SetLastLocationLon(double longitude);
    static double GetLastLocationLon();
    static bool SetLastLocationCoordinate(const Coordinate& coordinate);
    static Coordinate GetLastLocationCoordinate();

    static bool SetLastLocationAddress(const std::string& address);
    static std::string GetLastLocationAddress();

    /* Seconds since the epoch. */
    static bool SetLastLocationTime(time_t seconds);
    static bool SetLastLocationTimeNow();
    static time_t GetLastLocationTime();

    /* Position, address and time as one unit: written in one file write, so
     * that after any crash they are all the old ones or all the new ones. */
    static bool SetLastLocation(const Coordinate& coordinate, const std::string& address, time_t seconds);

private:
    static bool GetBool(const char* key, bool defaultValue);
    static bool SetBool(const char* key, bool value);
    static double GetDouble(const char* key, double defaultValue);
    static bool SetDouble(const char* key, double value);
    static std::string GetString(const char* key, const std::string& defaultValue);
    static bool SetString(const char* key, const std::string& value);
};
} // namespace NSORZCommon

#endif
