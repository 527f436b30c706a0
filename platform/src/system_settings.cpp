#include "system_settings.h"

#include "dlog.h"
#include "vconf.h"

#include <stdlib.h>
#include <string.h>
#include <string>
#include <unistd.h>

#define SYSTEM_SETTINGS_LOG_TAG "system-settings"

namespace
{
bool ReadKey(const char* key, std::string& out)
{
    char* value = vconf_get_str(key);
    if (!value)
        return false;
    out = value;
    free(value);
    return !out.empty();
}

/* "en_US.UTF-8@euro" -> "en_US"; the C locale names no language. */
bool LocaleName(const std::string& raw, std::string& out)
{
    std::string name = raw.substr(0, raw.find_first_of(".@"));
    if (name.empty() || name == "C" || name == "POSIX")
        return false;
    out = name;
    return true;
}

bool LocaleFromEnv(const char* const* vars, std::string& out)
{
    for (const char* const* var = vars; *var; ++var)
    {
        const char* value = getenv(*var);
        if (value && *value)
            return LocaleName(value, out); // the first one set decides, as for setlocale()
    }
    return false;
}

bool Locale(const char* key, const char* const* envVars, std::string& out)
{
    std::string stored;
    if (ReadKey(key, stored) && LocaleName(stored, out))
        return true;
    return LocaleFromEnv(envVars, out);
}

bool TimeZone(std::string& out)
{
    if (ReadKey("db/setting/timezone_id", out))
        return true;
    const char* tz = getenv("TZ");
    if (tz && *tz)
    {
        out = tz[0] == ':' ? tz + 1 : tz;
        return !out.empty();
    }
    char target[512];
    ssize_t n = readlink("/etc/localtime", target, sizeof(target) - 1);
    if (n <= 0)
        return false;
    target[n] = '\0';
    out = target;
    return true;
}
} // namespace

int system_settings_get_value_string(system_settings_key_e key, char** value)
{
    if (!value)
        return SYSTEM_SETTINGS_ERROR_INVALID_PARAMETER;
    static const char* const languageVars[] = {"LC_ALL", "LC_MESSAGES", "LANG", nullptr};
    static const char* const regionVars[] = {"LC_ALL", "LC_TIME", "LANG", nullptr};
    std::string result;
    bool found = false;
    switch (key)
    {
    case SYSTEM_SETTINGS_KEY_LOCALE_LANGUAGE:
        found = Locale("db/menu_widget/language", languageVars, result);
        break;
    case SYSTEM_SETTINGS_KEY_LOCALE_COUNTRY:
        found = Locale("db/menu_widget/regionformat", regionVars, result);
        break;
    case SYSTEM_SETTINGS_KEY_LOCALE_TIMEZONE:
        found = TimeZone(result);
        break;
    case SYSTEM_SETTINGS_KEY_FONT_TYPE:
        found = ReadKey("db/setting/font_name", result);
        break;
    default:
        return SYSTEM_SETTINGS_ERROR_INVALID_PARAMETER;
    }
    if (!found)
    {
        dlog_print(DLOG_ERROR, SYSTEM_SETTINGS_LOG_TAG, "setting %d is not set", (int)key);
        return SYSTEM_SETTINGS_ERROR_IO_ERROR;
    }
    *value = strdup(result.c_str());
    return *value ? SYSTEM_SETTINGS_ERROR_NONE : SYSTEM_SETTINGS_ERROR_OUT_OF_MEMORY;
}

int system_settings_get_value_bool(system_settings_key_e key, bool* value)
{
    if (!value || key != SYSTEM_SETTINGS_KEY_LOCALE_TIMEFORMAT_24HOUR)
        return SYSTEM_SETTINGS_ERROR_INVALID_PARAMETER;
    int format = 0;
    if (vconf_get_int("db/menu_widget/regionformat_time1224", &format) != VCONF_OK)
        return SYSTEM_SETTINGS_ERROR_IO_ERROR;
    *value = format == 2;
    return SYSTEM_SETTINGS_ERROR_NONE;
}
