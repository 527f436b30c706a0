/* A launch request: the application it is for and its extra data. */

#include "app_control.h"

#include "app_control_private.h"

#include <glib.h>
#include <stdlib.h>
#include <string.h>
#include <sys/socket.h>

namespace
{
std::vector<std::pair<std::string, std::string>>::iterator FindExtra(app_control_h ac, const char* key)
{
    for (auto it = ac->extras.begin(); it != ac->extras.end(); ++it)
        if (it->first == key)
            return it;
    return ac->extras.end();
}
} // namespace

bool pelorn_unix_address(const std::string& path, struct sockaddr_un* addr)
{
    memset(addr, 0, sizeof(*addr));
    addr->sun_family = AF_UNIX;
    if (path.size() >= sizeof(addr->sun_path))
        return false;
    memcpy(addr->sun_path, path.c_str(), path.size() + 1);
    return true;
}

GVariant* pelorn_normal_variant(const std::string& bytes, const char* type)
{
    GBytes* copy = g_bytes_new(bytes.data(), bytes.size());
    GVariant* v = g_variant_ref_sink(g_variant_new_from_bytes(G_VARIANT_TYPE(type), copy, FALSE));
    g_bytes_unref(copy);
    if (g_variant_is_normal_form(v))
        return v;
    g_variant_unref(v);
    return nullptr;
}

int app_control_create(app_control_h* app_control)
{
    if (!app_control)
        return APP_CONTROL_ERROR_INVALID_PARAMETER;
    *app_control = new app_control_s();
    return APP_CONTROL_ERROR_NONE;
}

int app_control_destroy(app_control_h app_control)
{
    if (!app_control)
        return APP_CONTROL_ERROR_INVALID_PARAMETER;
    delete app_control;
    return APP_CONTROL_ERROR_NONE;
}

int app_control_clone(app_control_h* clone, app_control_h app_control)
{
    if (!clone || !app_control)
        return APP_CONTROL_ERROR_INVALID_PARAMETER;
    *clone = new app_control_s(*app_control);
    return APP_CONTROL_ERROR_NONE;
}

int app_control_set_app_id(app_control_h app_control, const char* app_id)
{
    if (!app_control)
        return APP_CONTROL_ERROR_INVALID_PARAMETER;
    app_control->appId = app_id ? app_id : "";
    return APP_CONTROL_ERROR_NONE;
}

int app_control_get_app_id(app_control_h app_control, char** app_id)
{
    if (!app_control || !app_id)
        return APP_CONTROL_ERROR_INVALID_PARAMETER;
    *app_id = strdup(app_control->appId.c_str());
    return APP_CONTROL_ERROR_NONE;
}

int app_control_add_extra_data(app_control_h app_control, const char* key, const char* value)
{
    if (!app_control || !key || !*key || !value)
        return APP_CONTROL_ERROR_INVALID_PARAMETER;
    if (strncmp(key, "__", 2) == 0)
        return APP_CONTROL_ERROR_KEY_REJECTED;
    auto it = FindExtra(app_control, key);
    if (it != app_control->extras.end())
        it->second = value;
    else
        app_control->extras.emplace_back(key, value);
    return APP_CONTROL_ERROR_NONE;
}

int app_control_get_extra_data(app_control_h app_control, const char* key, char** value)
{
    if (!app_control || !key || !value)
        return APP_CONTROL_ERROR_INVALID_PARAMETER;
    auto it = FindExtra(app_control, key);
    if (it == app_control->extras.end())
        return APP_CONTROL_ERROR_KEY_NOT_FOUND;
    *value = strdup(it->second.c_str());
    return APP_CONTROL_ERROR_NONE;
}

int app_control_remove_extra_data(app_control_h app_control, const char* key)
{
    if (!app_control || !key)
        return APP_CONTROL_ERROR_INVALID_PARAMETER;
    auto it = FindExtra(app_control, key);
    if (it == app_control->extras.end())
        return APP_CONTROL_ERROR_KEY_NOT_FOUND;
    app_control->extras.erase(it);
    return APP_CONTROL_ERROR_NONE;
}

int app_control_foreach_extra_data(app_control_h app_control, app_control_extra_data_cb callback, void* user_data)
{
    if (!app_control || !callback)
        return APP_CONTROL_ERROR_INVALID_PARAMETER;
    std::vector<std::string> keys;
    for (const auto& kv : app_control->extras)
        keys.push_back(kv.first);
    for (const std::string& key : keys)
        if (!callback(app_control, key.c_str(), user_data))
            break;
    return APP_CONTROL_ERROR_NONE;
}

