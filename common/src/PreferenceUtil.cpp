#include "PreferenceUtil.h"

#include "OrzLog.h"

#include <app_preference.h>
#include <pelorn_preference_batch.h>
#include <stdlib.h>

namespace
{
const char* const PREF_PERMISSION_CHECKED = "WORZ_PREF_BOOL_PERMISSION_CHECKED";
const char* const PREF_LAST_LOCATION_LAT = "WORZ_PREF_DOUBLE_LAST_LOCATION_LAT";
const char* const PREF_LAST_LOCATION_LON = "WORZ_PREF_DOUBLE_LAST_LOCATION_LON";
const char* const PREF_LAST_LOCATION_ADDRESS = "WORZ_PREF_STRING_LAST_LOCATION_ADDRESS";
const char* const PREF_LAST_LOCATION_TIME = "WORZ_PREF_STRING_LAST_LOCATION_TIME";

const double NO_POSITION = 500.0;

const char* PreferenceErrorText(int error)
{
    switch (error)
    {
    case PREFERENCE_ERROR_NONE:
        return "none";
    case PREFERENCE_ERROR_INVALID_PARAMETER:
        return "invalid parameter";
    case PREFERENCE_ERROR_OUT_OF_MEMORY:
        return "out of memory";
    case PREFERENCE_ERROR_NO_KEY:
        return "no such key";
    case PREFERENCE_ERROR_IO_ERROR:
        return "I/O error";
    default:
        return "unknown error";
    }
}
} // namespace

namespace NSORZCommon
{
PreferenceUtil::PreferenceUtil()
{
}

PreferenceUtil::~PreferenceUtil()
{
}

bool PreferenceUtil::GetBool(const char* key, bool defaultValue)
{
    bool value = defaultValue;
    int ret = preference_get_boolean(key, &value);
    if (ret == PREFERENCE_ERROR_NO_KEY)
    {
        SetBool(key, defaultValue);
        return defaultValue;
    }
    if (ret != PREFERENCE_ERROR_NONE)
    {
        LOGE("preference_get_boolean failed");
        return defaultValue;
    }
    return value;
}

bool PreferenceUtil::SetBool(const char* key, bool value)
{
    int ret = preference_set_boolean(key, value);
    if (ret != PREFERENCE_ERROR_NONE)
    {
        LOGE("preference_set_boolean failed(%s)", PreferenceErrorText(ret));
        return false;
    }
    return true;
}

double PreferenceUtil::GetDouble(const char* key, double defaultValue)
{
    double value = defaultValue;
    int ret = preference_get_double(key, &value);
    if (ret == PREFERENCE_ERROR_NO_KEY)
    {
        SetDouble(key, defaultValue);
        return defaultValue;
    }
    if (ret != PREFERENCE_ERROR_NONE)
    {
        LOGE("preference_get_double failed");
        return defaultValue;
    }
    return value;
}

bool PreferenceUtil::SetDouble(const char* key, double value)
{
    int ret = preference_set_double(key, value);
    if (ret != PREFERENCE_ERROR_NONE)
    {
        LOGE("preference_set_double failed(%s)", PreferenceErrorText(ret));
        return false;
    }
    return true;
}

std::string PreferenceUtil::GetString(const char* key, const std::string& defaultValue)
{
    char* value = nullptr;
    int ret = preference_get_string(key, &value);
    if (ret == PREFERENCE_ERROR_NO_KEY)
    {
        SetString(key, defaultValue);
        return defaultValue;
    }
    if (ret != PREFERENCE_ERROR_NONE || !value)
    {
        LOGE("preference_get_string failed");
        free(value);
        return defaultValue;
    }
    std::string out(value);
    free(value);
    return out;
}

bool PreferenceUtil::SetString(const char* key, const std::string& value)
{
    int ret = preference_set_string(key, value.c_str());
    if (ret != PREFERENCE_ERROR_NONE)
    {
        LOGE("preference_set_string failed(%s)", PreferenceErrorText(ret));
        return false;
    }
    return true;
}

bool PreferenceUtil::SetPermissionChecked(bool checked)
{
    return SetBool(PREF_PERMISSION_CHECKED, checked);
}

bool PreferenceUtil::GetPermissionChecked()
{
    return GetBool(PREF_PERMISSION_CHECKED, false);
}

bool PreferenceUtil::SetLastLocationLat(double latitude)
{
    return SetDouble(PREF_LAST_LOCATION_LAT, latitude);
}

double PreferenceUtil::GetLastLocationLat()
{
    return GetDouble(PREF_LAST_LOCATION_LAT, NO_POSITION);
}

bool PreferenceUtil::SetLastLocationLon(double longitude)
{
    return SetDouble(PREF_LAST_LOCATION_LON, longitude);
}

double PreferenceUtil::GetLastLocationLon()
{
    return GetDouble(PREF_LAST_LOCATION_LON, NO_POSITION);
}

bool PreferenceUtil::SetLastLocationCoordinate(const Coordinate& coordinate)
{
    bool latitudeStored = SetLastLocationLat(coordinate.GetLatitude());
    bool longitudeStored = SetLastLocationLon(coordinate.GetLongitude());
    return latitudeStored && longitudeStored;
}

Coordinate PreferenceUtil::GetLastLocationCoordinate()
{
    double latitude = GetLastLocationLat();
    double longitude = GetLastLocationLon();
    return Coordinate(longitude, latitude);
}

bool PreferenceUtil::SetLastLocationAddress(const std::string& address)
{
    return SetString(PREF_LAST_LOCATION_ADDRESS, address);
}

std::string PreferenceUtil::GetLastLocationAddress()
{
    return GetString(PREF_LAST_LOCATION_ADDRESS, std::string());
}

bool PreferenceUtil::SetLastLocationTime(time_t seconds)
{
    int ret = preference_set_int(PREF_LAST_LOCATION_TIME, (int)seconds);
    if (ret != PREFERENCE_ERROR_NONE)
    {
        LOGE("preference_set_int failed(%s)", PreferenceErrorText(ret));
        return false;
    }
    return true;
}

bool PreferenceUtil::SetLastLocationTimeNow()
{
    return SetLastLocationTime(time(NULL));
}

time_t PreferenceUtil::GetLastLocationTime()
{
    int seconds = 0;
    int ret = preference_get_int(PREF_LAST_LOCATION_TIME, &seconds);
    if (ret == PREFERENCE_ERROR_NO_KEY)
        return 0;
    if (ret != PREFERENCE_ERROR_NONE)
    {
        LOGE("preference_get_int failed");
        return 0;
    }
    return seconds;
}

bool PreferenceUtil::SetLastLocation(const Coordinate& coordinate, const std::string& address, time_t seconds)
{
    pelorn_preference_batch_begin();
    bool set = SetLastLocationCoordinate(coordinate);
    set = SetLastLocationAddress(address) && set;
    set = SetLastLocationTime(seconds) && set;
    const int ret = pelorn_preference_batch_commit();
    if (ret != PREFERENCE_ERROR_NONE)
    {
        LOGE("last location not saved (%s)", PreferenceErrorText(ret));
        return false;
    }
    return set;
}
} // namespace NSORZCommon
