#ifndef ORZ_COMMON_VCONF_UTIL_H
#define ORZ_COMMON_VCONF_UTIL_H

#include <string>
#include <vconf.h>

namespace NSORZCommon
{
/* Every system settings key the application reads, writes or watches.
 * Reads answer the key's default when the key cannot be read; Notify/Ignore
 * pairs subscribe a callback (with its user data) to one key's changes, which
 * arrive on the main loop. Notify and Set answer true on success. */
class VconfUtil
{
public:
    VconfUtil();
    virtual ~VconfUtil();

    static int GetRegionFormatTime1224();
    static std::string GetHostDeviceVendor();
    static std::string GetCSCCountryIso();
    static std::string GetLanguageCode();
    static bool IsCurrLanguageBy(int type);
    static int GetIOSConnected();
    static bool GetRemoteLockType();
    static bool SetRemoteLockType(bool locked);
    static bool GetIsConnectedBrig();
    static bool IsBRIGConnected();
    static int GetKivConnectionType();
    static int GetDataRestriction();
    static std::string GetBgset();
    static int GetSystemVibrationLevel();
    static bool SetSystemVibrationLevel(int level);
    static bool GetSystemVibrationStatus();
    static bool SetSystemVibrationStatus(bool on);
    static bool GetUserAgreementForORZZIB();
    static bool SetUserAgreementForORZZIB(bool agreed);
    static int GetPMState();
    static bool IsLDUBinary();
    static int GetHostDeviceNetworkStatus();

    static bool NotifySettingsApplicationRegionFormatTime1224ChangedCb(vconf_callback_fn cb, void* userData);
    static bool IgnoreSettingsApplicationRegionFormatTime1224ChangedCb(vconf_callback_fn cb, void* userData = nullptr);
    static bool NotifyBrigConnectionChangedCb(vconf_callback_fn cb, void* userData);
    static bool IgnoreBrigConnectionChangedCb(vconf_callback_fn cb, void* userData = nullptr);
    static bool NotifyNetworkStatusChangedCb(vconf_callback_fn cb, void* userData);
    static bool IgnoreNetworkStatusChangedCb(vconf_callback_fn cb, void* userData = nullptr);
    static bool NotifySystemTimeChangedCb(vconf_callback_fn cb, void* userData);
    static bool IgnoreSystemTimeChangedCb(vconf_callback_fn cb, void* userData = nullptr);
    static bool NotifySettingsApplicationTimezoneIDChangedCb(vconf_callback_fn cb, void* userData);
    static bool IgnoreSettingsApplicationTimezoneIDChangedCb(vconf_callback_fn cb, void* userData = nullptr);
    static bool NotifySettingsApplicationDateFormatChangedCb(vconf_callback_fn cb, void* userData);
    static bool IgnoreSettingsApplicationDateFormatChangedCb(vconf_callback_fn cb, void* userData = nullptr);
    static bool NotifyCallStateChangedCb(vconf_callback_fn cb, void* userData);
    static bool IgnoreCallStateChangedCb(vconf_callback_fn cb, void* userData = nullptr);
    static bool NotifyPalmTouchMuteChangedCb(vconf_callback_fn cb, void* userData);
    static bool IgnorePalmTouchMuteChangedCb(vconf_callback_fn cb, void* userData = nullptr);

private:
    static int GetInt(const char* key, int defaultValue);
    static bool GetBool(const char* key, bool defaultValue);
    static bool SetInt(const char* key, int value);
    static bool SetBool(const char* key, bool value);
    static bool Notify(const char* key, vconf_callback_fn cb, void* userData);
    static bool Ignore(const char* key, vconf_callback_fn cb);
};
} // namespace NSORZCommon

#endif
