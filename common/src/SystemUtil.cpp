#include "SystemUtil.h"

#include "OrzLog.h"

#include <runtime_info.h>
#include <stdlib.h>
#include <system_settings.h>

namespace
{
const char* const ZONEINFO_PREFIX = "/usr/share/zoneinfo/";
}

namespace NSORZCommon
{
SystemUtil::SystemUtil()
{
}

SystemUtil::~SystemUtil()
{
}

std::string SystemUtil::GetCurrentLocale()
{
    char* value = NULL;
    int ret = system_settings_get_value_string(SYSTEM_SETTINGS_KEY_LOCALE_LANGUAGE, &value);
    if (ret != SYSTEM_SETTINGS_ERROR_NONE || !value)
    {
        LOGE("system_settings_get_value_string(SYSTEM_SETTINGS_KEY_LOCALE_LANGUAGE) failed [%d]", ret);
        free(value);
        return std::string();
    }
    std::string locale(value);
    free(value);
    LOGE("Lang region text : %s", locale.c_str());
    return locale;
}

std::string SystemUtil::GetCurrentLocaleUtf8()
{
    return GetCurrentLocale() + ".UTF-8";
}

std::string SystemUtil::GetTimeZone()
{
    char* value = NULL;
    int ret = system_settings_get_value_string(SYSTEM_SETTINGS_KEY_LOCALE_TIMEZONE, &value);
    if (ret != SYSTEM_SETTINGS_ERROR_NONE || !value)
    {
        LOGE("system_settings_get_value_string(SYSTEM_SETTINGS_KEY_LOCALE_TIMEZONE) failed [%d]", ret);
        free(value);
        return std::string();
    }
    std::string timeZone(value);
    free(value);
    std::string::size_type prefix = timeZone.find(ZONEINFO_PREFIX);
    if (prefix != std::string::npos)
        timeZone = timeZone.substr(prefix + std::string(ZONEINFO_PREFIX).size());
    return timeZone;
}

std::string SystemUtil::GetCurrentFont()
{
    char* value = NULL;
    int ret = system_settings_get_value_string(SYSTEM_SETTINGS_KEY_FONT_TYPE, &value);
    if (ret != SYSTEM_SETTINGS_ERROR_NONE || !value)
    {
        LOGE("system_settings_get_value_string(SYSTEM_SETTINGS_KEY_FONT_TYPE) failed [%d]", ret);
        free(value);
        return std::string();
    }
    std::string font(value);
    free(value);
    return font;
}

bool SystemUtil::IsLocationServiceEnabled()
{
    bool enabled = false;
    int ret = runtime_info_get_value_bool(RUNTIME_INFO_KEY_LOCATION_SERVICE_ENABLED, &enabled);
    if (ret != RUNTIME_INFO_ERROR_NONE)
    {
        LOGE("Fail to runtime_info_get_value_bool : %d", ret);
        return false;
    }
    return enabled;
}

std::string SystemUtil::GetCurrentSystemLangStr()
{
    std::string locale = GetCurrentLocale();
    std::string language = locale.substr(0, locale.find('_'));
    LOGE("language :%s", language.c_str());
    return language;
}

std::string SystemUtil::GetCurrentSystemRegionStr()
{
    std::string locale = GetCurrentLocale();
    std::string::size_type separator = locale.find('_');
    std::string region = separator == std::string::npos ? std::string() : locale.substr(separator + 1);
    LOGE("region :%s", region.c_str());
    return region;
}
} // namespace NSORZCommon
