#ifndef PELORN_PLATFORM_SYSTEM_SETTINGS_H
#define PELORN_PLATFORM_SYSTEM_SETTINGS_H

#include <stdbool.h>

#ifdef __cplusplus
extern "C" {
#endif

/* System settings read from the settings store, with the machine's own
 * environment as the fallback:
 *   LOCALE_LANGUAGE  "db/menu_widget/language" without its encoding
 *                    ("en_US.UTF-8" -> "en_US"), else LC_ALL, LC_MESSAGES, LANG
 *   LOCALE_COUNTRY   "db/menu_widget/regionformat", else LC_ALL, LC_TIME, LANG
 *   LOCALE_TIMEZONE  "db/setting/timezone_id", else TZ, else the target of
 *                    /etc/localtime (a path under /usr/share/zoneinfo/)
 *   FONT_TYPE        "db/setting/font_name"
 *   LOCALE_TIMEFORMAT_24HOUR  "db/menu_widget/regionformat_time1224" == 2
 * The "C" and "POSIX" locales name no language and count as unset. */

typedef enum
{
    SYSTEM_SETTINGS_ERROR_NONE = 0,
    SYSTEM_SETTINGS_ERROR_INVALID_PARAMETER = -22,
    SYSTEM_SETTINGS_ERROR_OUT_OF_MEMORY = -12,
    SYSTEM_SETTINGS_ERROR_IO_ERROR = -5,
    SYSTEM_SETTINGS_ERROR_NOT_SUPPORTED = -1073741822,
} system_settings_error_e;

typedef enum
{
    SYSTEM_SETTINGS_KEY_LOCALE_COUNTRY,
    SYSTEM_SETTINGS_KEY_LOCALE_LANGUAGE,
    SYSTEM_SETTINGS_KEY_LOCALE_TIMEFORMAT_24HOUR,
    SYSTEM_SETTINGS_KEY_LOCALE_TIMEZONE,
    SYSTEM_SETTINGS_KEY_FONT_TYPE,
} system_settings_key_e;

/* *value is newly allocated (free() it). */
int system_settings_get_value_string(system_settings_key_e key, char** value);
int system_settings_get_value_bool(system_settings_key_e key, bool* value);

#ifdef __cplusplus
}
#endif

#endif
