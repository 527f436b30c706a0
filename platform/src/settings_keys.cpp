#include "pelorn_settings_keys.h"

#include "vconf.h"

#include <string.h>

namespace
{
const pelorn_settings_key_s KEYS[] = {
    {"db/brig/user_agreement/orzzib", VCONF_TYPE_BOOL, "the legal notice was agreed to", "1"},
    {"db/retailmode/enabled", VCONF_TYPE_INT, "demo mode: a fixed map and address, no phone needed", "1"},
    {"db/menu_widget/language", VCONF_TYPE_STRING, "the watch's language", "ko_KR.UTF-8"},
    {"db/menu_widget/regionformat_time1224", VCONF_TYPE_INT, "clock format: 1 = 12-hour, 2 = 24-hour", "2"},
    {"db/setting/timezone_id", VCONF_TYPE_STRING, "time zone (unset: the machine's)", "Asia/Seoul"},
    {"db/csc/country_iso", VCONF_TYPE_STRING, "the watch's country; picks the map provider", "KR"},
    {"db/setting/data_restriction", VCONF_TYPE_INT, "1: mobile data restricted (only logged; maps still load)", "0"},
    {"db/setting/accessibility/tts", VCONF_TYPE_BOOL, "screen reader on (read at the app's start)", "1"},
    {"db/setting/font_name", VCONF_TYPE_STRING, "the watch's font", "DejaVu Sans"},
    {"db/location/setting/enabled", VCONF_TYPE_BOOL, "the watch's own location setting", "1"},
    {"memory/brig/brig_connected", VCONF_TYPE_BOOL, "the phone is connected; kept by the platform from phone-sim",
     nullptr},
    {"memory/private/kiv/conn_type", VCONF_TYPE_INT,
     "link type: 0 none, 1 Bluetooth, 16 remote; kept by the platform from phone-sim", nullptr},
    {"memory/dnet/status", VCONF_TYPE_INT, "network: 0 none, 1 cellular, 2 Wi-Fi, 3 Ethernet, 4 Bluetooth", "2"},
    {"memory/dnet/proxy", VCONF_TYPE_STRING, "HTTP proxy for maps (./scripts/run: map-server)",
     "http://127.0.0.1:8765"},
};
} // namespace

const pelorn_settings_key_s* pelorn_settings_keys(size_t* count)
{
    if (count)
        *count = sizeof(KEYS) / sizeof(KEYS[0]);
    return KEYS;
}

const pelorn_settings_key_s* pelorn_settings_key_find(const char* key)
{
    if (!key)
        return nullptr;
    for (const pelorn_settings_key_s& entry : KEYS)
        if (strcmp(entry.key, key) == 0)
            return &entry;
    return nullptr;
}

const char* pelorn_settings_type_name(int type)
{
    switch (type)
    {
    case VCONF_TYPE_INT:
        return "int";
    case VCONF_TYPE_BOOL:
        return "bool";
    case VCONF_TYPE_DOUBLE:
        return "double";
    case VCONF_TYPE_STRING:
        return "string";
    default:
        return "none";
    }
}
