#include "runtime_info.h"

#include "vconf.h"

int runtime_info_get_value_bool(runtime_info_key_e key, bool* value)
{
    if (!value || key != RUNTIME_INFO_KEY_LOCATION_SERVICE_ENABLED)
        return RUNTIME_INFO_ERROR_INVALID_PARAMETER;
    int enabled = 0;
    if (vconf_get_bool("db/location/setting/enabled", &enabled) != VCONF_OK)
        return RUNTIME_INFO_ERROR_IO_ERROR;
    *value = enabled != 0;
    return RUNTIME_INFO_ERROR_NONE;
}
