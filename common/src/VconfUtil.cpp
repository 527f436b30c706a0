#include "VconfUtil.h"

#include "OrzLog.h"

#include <stdlib.h>

namespace
{
const char* const KEY_REGION_FORMAT_TIME1224 = "db/menu_widget/regionformat_time1224";
const char* const KEY_HOST_VENDOR = "db/brig/host_status/vendor";
const char* const KEY_CSC_COUNTRY_ISO = "db/csc/country_iso";
const char* const KEY_LANGUAGE = "db/menu_widget/language";
const char* const KEY_IOS_CONNECTED = "memory/private/netly/ios_connected";
const char* const KEY_REMOTE_LOCK = "db/private/remote-lock/is_locked";
const char* const KEY_BRIG_CONNECTED = "memory/brig/brig_connected";
const char* const KEY_KIV_CONN_TYPE = "memory/private/kiv/conn_type";
const char* const KEY_BGSET = "db/menu_widget/bgset";
const char* const KEY_VIBRATION_LEVEL = "db/setting/sound/noti/vibration_level";
const char* const KEY_VIBRATION_ON = "db/setting/sound/vibration_on";
const char* const KEY_USER_AGREEMENT = "db/brig/user_agreement/orzzib";
const char* const KEY_PM_STATE = "memory/pm/state";
const char* const KEY_RETAIL_MODE = "db/retailmode/enabled";
const char* const KEY_HOST_DATA_NETWORK = "memory/brig/host_datanetwork_status";
const char* const KEY_DNET_STATUS = "memory/dnet/status";
const char* const KEY_TIME_CHANGED = "memory/system/timechanged";
const char* const KEY_TIMEZONE_ID = "db/setting/timezone_id";
const char* const KEY_DATE_FORMAT = "db/setting/date_format";
const char* const KEY_CALL_STATE = "memory/call/state";
const char* const KEY_PALM_TOUCH_MUTE = "db/shot-tizen/palm_touch_mute_enabled";

const char* const LANGUAGE_KOREAN = "ko_KR.UTF-8";
const int LANGUAGE_TYPE_KOREAN = 0;

/* NULL from the store becomes the empty text. */
std::string TakeString(char* value)
{
    if (!value)
        return std::string();
    std::string out(value);
    free(value);
    return out;
}
} // namespace

namespace NSORZCommon
{
VconfUtil::VconfUtil()
{
}

VconfUtil::~VconfUtil()
{
}

int VconfUtil::GetInt(const char* key, int defaultValue)
{
    int value = defaultValue;
    int ret = vconf_get_int(key, &value);
    if (ret != VCONF_OK)
    {
        LOGE("vconf_get_int  failed(%d)", ret);
        return defaultValue;
    }
    return value;
}

bool VconfUtil::GetBool(const char* key, bool defaultValue)
{
    int value = defaultValue;
    int ret = vconf_get_bool(key, &value);
    if (ret != VCONF_OK)
    {
        LOGE("vconf_get_bool  failed(%d)", ret);
        return defaultValue;
    }
    return value != 0;
}

bool VconfUtil::SetInt(const char* key, int value)
{
    int ret = vconf_set_int(key, value);
    if (ret != VCONF_OK)
    {
        LOGE("vconf_set_int failed(%d)", ret);
        return false;
    }
    return true;
}

bool VconfUtil::SetBool(const char* key, bool value)
{
    int ret = vconf_set_bool(key, value);
    if (ret != VCONF_OK)
    {
        LOGE("vconf_set_bool failed(%d)", ret);
        return false;
    }
    return true;
}

bool VconfUtil::Notify(const char* key, vconf_callback_fn cb, void* userData)
{
    RETV_IF(cb == NULL, false);
    int ret = vconf_notify_key_changed(key, cb, userData);
    if (ret != VCONF_OK)
    {
        LOGE("vconf_notify_key_changed(%s) failed(%d)", key, ret);
        return false;
    }
    return true;
}

bool VconfUtil::Ignore(const char* key, vconf_callback_fn cb)
{
    RETV_IF(cb == NULL, false);
    int ret = vconf_ignore_key_changed(key, cb);
    if (ret != VCONF_OK)
    {
        LOGE("vconf_ignore_key_changed(%s) failed(%d)", key, ret);
        return false;
    }
    return true;
}

int VconfUtil::GetRegionFormatTime1224()
{
    return GetInt(KEY_REGION_FORMAT_TIME1224, 1);
}

std::string VconfUtil::GetHostDeviceVendor()
{
    char* value = vconf_get_str(KEY_HOST_VENDOR);
    if (!value)
        LOGE("vconf_get_str  failed");
    return TakeString(value);
}

std::string VconfUtil::GetCSCCountryIso()
{
    char* value = vconf_get_str(KEY_CSC_COUNTRY_ISO);
    if (!value)
        LOGE("Fail to vconf_get_str (csc_country)");
    return TakeString(value);
}

std::string VconfUtil::GetLanguageCode()
{
    char* value = vconf_get_str(KEY_LANGUAGE);
    if (!value)
        LOGE("Fail to vconf_get_str (csc_country)");
    return TakeString(value);
}

bool VconfUtil::IsCurrLanguageBy(int type)
{
    std::string language = GetLanguageCode();
    if (type == LANGUAGE_TYPE_KOREAN)
        return language == LANGUAGE_KOREAN;
    LOGE("Unknown type of language : %d (ADD language code : %s)", type, language.c_str());
    return false;
}

int VconfUtil::GetIOSConnected()
{
    return GetInt(KEY_IOS_CONNECTED, 0);
}

bool VconfUtil::GetRemoteLockType()
{
    return GetBool(KEY_REMOTE_LOCK, false);
}

bool VconfUtil::SetRemoteLockType(bool locked)
{
    return SetBool(KEY_REMOTE_LOCK, locked);
}

bool VconfUtil::GetIsConnectedBrig()
{
    return GetBool(KEY_BRIG_CONNECTED, false);
}

bool VconfUtil::IsBRIGConnected()
{
    // Without the host manager's word the link is assumed up, so nothing is
    // refused on a missing key alone.
    int connected = 1;
    int ret = vconf_get_int(KEY_BRIG_CONNECTED, &connected);
    if (ret != VCONF_OK)
    {
        LOGE("vconf_get_int  failed(%d)", ret);
        return true;
    }
    return connected != 0;
}

int VconfUtil::GetKivConnectionType()
{
    return GetInt(KEY_KIV_CONN_TYPE, -1);
}

int VconfUtil::GetDataRestriction()
{
    int dataRestriction = 0;
    RETV_IF(vconf_get_int("db/setting/data_restriction", &dataRestriction) != 0, 0);
    return dataRestriction;
}

std::string VconfUtil::GetBgset()
{
    char* value = vconf_get_str(KEY_BGSET);
    if (!value)
        LOGE("vconf_get_str  failed");
    return TakeString(value);
}

int VconfUtil::GetSystemVibrationLevel()
{
    return GetInt(KEY_VIBRATION_LEVEL, 0);
}

bool VconfUtil::SetSystemVibrationLevel(int level)
{
    LOGE("set vibration level as %d", level);
    return SetInt(KEY_VIBRATION_LEVEL, level);
}

bool VconfUtil::GetSystemVibrationStatus()
{
    return GetBool(KEY_VIBRATION_ON, false);
}

bool VconfUtil::SetSystemVibrationStatus(bool on)
{
    LOGE("set vibration status as %d", on);
    return SetBool(KEY_VIBRATION_ON, on);
}

bool VconfUtil::GetUserAgreementForORZZIB()
{
    return GetBool(KEY_USER_AGREEMENT, false);
}

bool VconfUtil::SetUserAgreementForORZZIB(bool agreed)
{
    return SetBool(KEY_USER_AGREEMENT, agreed);
}

int VconfUtil::GetPMState()
{
    return GetInt(KEY_PM_STATE, -1);
}

bool VconfUtil::IsLDUBinary()
{
    // A device that cannot say is treated as a demonstration unit: it must
    // never reach the phone on a customer's behalf.
    int enabled = 1;
    int ret = vconf_get_int(KEY_RETAIL_MODE, &enabled);
    if (ret != VCONF_OK)
    {
        LOGE("vconf_get_int  failed(%d)", ret);
        return true;
    }
    return enabled != 0;
}

int VconfUtil::GetHostDeviceNetworkStatus()
{
    int status = GetInt(KEY_HOST_DATA_NETWORK, -1);
    LOGE("GetHostDeviceNetworkStatus(%d)", status);
    return status;
}

bool VconfUtil::NotifySettingsApplicationRegionFormatTime1224ChangedCb(vconf_callback_fn cb, void* userData)
{
    return Notify(KEY_REGION_FORMAT_TIME1224, cb, userData);
}

bool VconfUtil::IgnoreSettingsApplicationRegionFormatTime1224ChangedCb(vconf_callback_fn cb, void* userData)
{
    return Ignore(KEY_REGION_FORMAT_TIME1224, cb);
}

bool VconfUtil::NotifyBrigConnectionChangedCb(vconf_callback_fn cb, void* userData)
{
    return Notify(KEY_BRIG_CONNECTED, cb, userData);
}

bool VconfUtil::IgnoreBrigConnectionChangedCb(vconf_callback_fn cb, void* userData)
{
    return Ignore(KEY_BRIG_CONNECTED, cb);
}

bool VconfUtil::NotifyNetworkStatusChangedCb(vconf_callback_fn cb, void* userData)
{
    return Notify(KEY_DNET_STATUS, cb, userData);
}

bool VconfUtil::IgnoreNetworkStatusChangedCb(vconf_callback_fn cb, void* userData)
{
    return Ignore(KEY_DNET_STATUS, cb);
}

bool VconfUtil::NotifySystemTimeChangedCb(vconf_callback_fn cb, void* userData)
{
    return Notify(KEY_TIME_CHANGED, cb, userData);
}

bool VconfUtil::IgnoreSystemTimeChangedCb(vconf_callback_fn cb, void* userData)
{
    return Ignore(KEY_TIME_CHANGED, cb);
}

bool VconfUtil::NotifySettingsApplicationTimezoneIDChangedCb(vconf_callback_fn cb, void* userData)
{
    return Notify(KEY_TIMEZONE_ID, cb, userData);
}

bool VconfUtil::IgnoreSettingsApplicationTimezoneIDChangedCb(vconf_callback_fn cb, void* userData)
{
    return Ignore(KEY_TIMEZONE_ID, cb);
}

bool VconfUtil::NotifySettingsApplicationDateFormatChangedCb(vconf_callback_fn cb, void* userData)
{
    return Notify(KEY_DATE_FORMAT, cb, userData);
}

bool VconfUtil::IgnoreSettingsApplicationDateFormatChangedCb(vconf_callback_fn cb, void* userData)
{
    return Ignore(KEY_DATE_FORMAT, cb);
}

bool VconfUtil::NotifyCallStateChangedCb(vconf_callback_fn cb, void* userData)
{
    return Notify(KEY_CALL_STATE, cb, userData);
}

bool VconfUtil::IgnoreCallStateChangedCb(vconf_callback_fn cb, void* userData)
{
    return Ignore(KEY_CALL_STATE, cb);
}

bool VconfUtil::NotifyPalmTouchMuteChangedCb(vconf_callback_fn cb, void* userData)
{
    return Notify(KEY_PALM_TOUCH_MUTE, cb, userData);
}

bool VconfUtil::IgnorePalmTouchMuteChangedCb(vconf_callback_fn cb, void* userData)
{
    return Ignore(KEY_PALM_TOUCH_MUTE, cb);
}
} // namespace NSORZCommon
