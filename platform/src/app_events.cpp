/* Application events (language, region format, low battery, low memory),
 * each heard from the settings key the watch keeps it in. */

#include "app.h"

#include "vconf.h"

#include <glib.h>
#include <string.h>
#include <string>
#include <vector>

struct app_event_handler_s
{
    app_event_type_e type;
    app_event_cb callback;
    void* userData;
};

struct app_event_info_s
{
    app_event_type_e type;
    std::string text;
    int value;
};

namespace
{
const int EVENT_TYPES = APP_EVENT_SUSPENDED_STATE_CHANGED + 1;
std::vector<app_event_handler_s*> gHandlers[EVENT_TYPES];

const char* EventKey(app_event_type_e type)
{
    switch (type)
    {
    case APP_EVENT_LANGUAGE_CHANGED:
        return "db/menu_widget/language";
    case APP_EVENT_REGION_FORMAT_CHANGED:
        return "db/menu_widget/regionformat";
    case APP_EVENT_LOW_BATTERY:
        return "memory/sysman/battery_status_low";
    case APP_EVENT_LOW_MEMORY:
        return "memory/sysman/low_memory";
    default:
        return nullptr;
    }
}

void Dispatch(app_event_type_e type, app_event_info_s* info)
{
    // A handler may remove itself (or another one) while being told.
    std::vector<app_event_handler_s*> handlers = gHandlers[type];
    for (app_event_handler_s* h : handlers)
    {
        auto& live = gHandlers[type];
        bool stillThere = false;
        for (app_event_handler_s* l : live)
            stillThere = stillThere || l == h;
        if (stillThere)
            h->callback(info, h->userData);
    }
}

void EventKeyChangedCb(keynode_t* node, void* data)
{
    app_event_type_e type = (app_event_type_e)GPOINTER_TO_INT(data);
    app_event_info_s info{type, std::string(), 0};
    int keyType = vconf_keynode_get_type(node);
    switch (type)
    {
    case APP_EVENT_LANGUAGE_CHANGED:
    case APP_EVENT_REGION_FORMAT_CHANGED:
    {
        const char* value = keyType == VCONF_TYPE_STRING ? vconf_keynode_get_str(node) : nullptr;
        if (!value || !*value)
            return;
        info.text = value;
        break;
    }
    case APP_EVENT_LOW_BATTERY:
        if (keyType != VCONF_TYPE_INT)
            return;
        info.value = vconf_keynode_get_int(node);
        if (info.value != APP_EVENT_LOW_BATTERY_POWER_OFF && info.value != APP_EVENT_LOW_BATTERY_CRITICAL_LOW)
            return;
        break;
    case APP_EVENT_LOW_MEMORY:
        if (keyType != VCONF_TYPE_INT)
            return;
        info.value = vconf_keynode_get_int(node);
        if (info.value < APP_EVENT_LOW_MEMORY_SOFT_WARNING)
            return;
        break;
    default:
        return;
    }
    Dispatch(type, &info);
}
} // namespace

int ui_app_add_event_handler(app_event_handler_h* event_handler, app_event_type_e event_type, app_event_cb callback,
                             void* user_data)
{
    if (!event_handler || !callback || (int)event_type < 0 || (int)event_type >= EVENT_TYPES)
        return APP_ERROR_INVALID_PARAMETER;
    const char* key = EventKey(event_type);
    if (key && gHandlers[event_type].empty() &&
        vconf_notify_key_changed(key, EventKeyChangedCb, GINT_TO_POINTER(event_type)) != VCONF_OK)
        return APP_ERROR_IO_ERROR;
    app_event_handler_s* h = new app_event_handler_s{event_type, callback, user_data};
    gHandlers[event_type].push_back(h);
    *event_handler = h;
    return APP_ERROR_NONE;
}

int ui_app_remove_event_handler(app_event_handler_h event_handler)
{
    if (!event_handler)
        return APP_ERROR_INVALID_PARAMETER;
    for (int type = 0; type < EVENT_TYPES; ++type)
    {
        auto& list = gHandlers[type];
        for (auto it = list.begin(); it != list.end(); ++it)
        {
            if (*it != event_handler)
                continue;
            list.erase(it);
            delete event_handler;
            const char* key = EventKey((app_event_type_e)type);
            if (key && list.empty())
                vconf_ignore_key_changed(key, EventKeyChangedCb);
            return APP_ERROR_NONE;
        }
    }
    return APP_ERROR_INVALID_PARAMETER;
}

int app_event_get_language(app_event_info_h event_info, char** lang)
{
    if (!event_info || !lang || event_info->type != APP_EVENT_LANGUAGE_CHANGED)
        return APP_ERROR_INVALID_PARAMETER;
    *lang = strdup(event_info->text.c_str());
    return APP_ERROR_NONE;
}

int app_event_get_region_format(app_event_info_h event_info, char** region)
{
    if (!event_info || !region || event_info->type != APP_EVENT_REGION_FORMAT_CHANGED)
        return APP_ERROR_INVALID_PARAMETER;
    *region = strdup(event_info->text.c_str());
    return APP_ERROR_NONE;
}

int app_event_get_low_memory_status(app_event_info_h event_info, app_event_low_memory_status_e* status)
{
    if (!event_info || !status || event_info->type != APP_EVENT_LOW_MEMORY)
        return APP_ERROR_INVALID_PARAMETER;
    *status = (app_event_low_memory_status_e)event_info->value;
    return APP_ERROR_NONE;
}

int app_event_get_low_battery_status(app_event_info_h event_info, app_event_low_battery_status_e* status)
{
    if (!event_info || !status || event_info->type != APP_EVENT_LOW_BATTERY)
        return APP_ERROR_INVALID_PARAMETER;
    *status = (app_event_low_battery_status_e)event_info->value;
    return APP_ERROR_NONE;
}
