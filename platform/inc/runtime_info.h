#ifndef PELORN_PLATFORM_RUNTIME_INFO_H
#define PELORN_PLATFORM_RUNTIME_INFO_H

#include <stdbool.h>

#ifdef __cplusplus
extern "C" {
#endif

/* Runtime flags read from the settings store:
 *   LOCATION_SERVICE_ENABLED  "db/location/setting/enabled" (bool or int) */

typedef enum
{
    RUNTIME_INFO_ERROR_NONE = 0,
    RUNTIME_INFO_ERROR_INVALID_PARAMETER = -22,
    RUNTIME_INFO_ERROR_IO_ERROR = -5,
    RUNTIME_INFO_ERROR_NOT_SUPPORTED = -1073741822,
} runtime_info_error_e;

typedef enum
{
    RUNTIME_INFO_KEY_LOCATION_SERVICE_ENABLED,
} runtime_info_key_e;

int runtime_info_get_value_bool(runtime_info_key_e key, bool* value);

#ifdef __cplusplus
}
#endif

#endif
