#include "net_connection.h"

#include "dlog.h"
#include "vconf.h"
#include "wireless.h"

#include <algorithm>
#include <gio/gio.h>
#include <stdlib.h>
#include <string.h>
#include <vector>

#define NET_LOG_TAG "net_connection"

struct _connection_handle_s
{
    connection_type_changed_cb callback = nullptr;
    void* userData = nullptr;
    connection_type_e lastType = CONNECTION_TYPE_DISCONNECTED;
    GNetworkMonitor* monitor = nullptr;
    gulong monitorHandler = 0;
};

namespace
{
const char* const STATUS_KEY = "memory/dnet/status";
const char* const PROXY_KEY = "memory/dnet/proxy";

/* Every handle with a type-change callback; the settings key is watched once
 * for all of them. */
std::vector<connection_h>& Subscribers()
{
    static std::vector<connection_h> subscribers;
    return subscribers;
}

connection_type_e TypeFromStatus(int status)
{
    switch (status)
    {
    case 1:
        return CONNECTION_TYPE_CELLULAR;
    case 2:
        return CONNECTION_TYPE_WIFI;
    case 3:
        return CONNECTION_TYPE_ETHERNET;
    case 4:
        return CONNECTION_TYPE_BT;
    default:
        return CONNECTION_TYPE_DISCONNECTED;
    }
}

GNetworkMonitor* Monitor(connection_h connection)
{
    // Taken on first need: asking for the proxy must not start GIO's monitor.
    if (!connection->monitor)
    {
        GNetworkMonitor* monitor = g_network_monitor_get_default();
        if (monitor)
            connection->monitor = G_NETWORK_MONITOR(g_object_ref(monitor));
    }
    return connection->monitor;
}

connection_type_e CurrentType(connection_h connection)
{
    int status = 0;
    if (vconf_get_int(STATUS_KEY, &status) == VCONF_OK)
        return TypeFromStatus(status);
    GNetworkMonitor* monitor = Monitor(connection);
    if (!monitor || !g_network_monitor_get_network_available(monitor))
        return CONNECTION_TYPE_DISCONNECTED;
    return pelorn_has_wireless_interface() ? CONNECTION_TYPE_WIFI : CONNECTION_TYPE_ETHERNET;
}

void NotifyIfChanged(connection_h connection)
{
    connection_type_e type = CurrentType(connection);
    if (type == connection->lastType || !connection->callback)
        return;
    connection->lastType = type;
    connection->callback(type, connection->userData);
}

void StatusKeyChangedCb(keynode_t* node, void* userData)
{
    // Callbacks may unsubscribe; walk a copy.
    std::vector<connection_h> subscribers = Subscribers();
    for (connection_h connection : subscribers)
        if (std::find(Subscribers().begin(), Subscribers().end(), connection) != Subscribers().end())
            NotifyIfChanged(connection);
}

void NetworkChangedCb(GNetworkMonitor* monitor, gboolean available, gpointer userData)
{
    NotifyIfChanged(static_cast<connection_h>(userData));
}
} // namespace

int connection_create(connection_h* connection)
{
    if (!connection)
        return CONNECTION_ERROR_INVALID_PARAMETER;
    *connection = new _connection_handle_s();
    return CONNECTION_ERROR_NONE;
}

int connection_destroy(connection_h connection)
{
    if (!connection)
        return CONNECTION_ERROR_INVALID_PARAMETER;
    connection_unset_type_changed_cb(connection);
    if (connection->monitor)
        g_object_unref(connection->monitor);
    delete connection;
    return CONNECTION_ERROR_NONE;
}

int connection_get_type(connection_h connection, connection_type_e* type)
{
    if (!connection || !type)
        return CONNECTION_ERROR_INVALID_PARAMETER;
    *type = CurrentType(connection);
    return CONNECTION_ERROR_NONE;
}

int connection_get_proxy(connection_h connection, connection_address_family_e address_family, char** proxy)
{
    if (!connection || !proxy ||
        (address_family != CONNECTION_ADDRESS_FAMILY_IPV4 && address_family != CONNECTION_ADDRESS_FAMILY_IPV6))
        return CONNECTION_ERROR_INVALID_PARAMETER;
    *proxy = nullptr;
    char* stored = vconf_get_str(PROXY_KEY);
    if (stored && *stored)
    {
        *proxy = stored;
        return CONNECTION_ERROR_NONE;
    }
    free(stored);
    for (const char* name : {"http_proxy", "HTTP_PROXY"})
    {
        const char* value = getenv(name);
        if (value && *value)
        {
            *proxy = strdup(value);
            return *proxy ? CONNECTION_ERROR_NONE : CONNECTION_ERROR_OUT_OF_MEMORY;
        }
    }
    return CONNECTION_ERROR_NONE;
}

int connection_set_type_changed_cb(connection_h connection, connection_type_changed_cb callback, void* user_data)
{
    if (!connection || !callback)
        return CONNECTION_ERROR_INVALID_PARAMETER;
    connection_unset_type_changed_cb(connection);
    connection->callback = callback;
    connection->userData = user_data;
    connection->lastType = CurrentType(connection);

    std::vector<connection_h>& subscribers = Subscribers();
    if (subscribers.empty() && vconf_notify_key_changed(STATUS_KEY, StatusKeyChangedCb, nullptr) != VCONF_OK)
        dlog_print(DLOG_ERROR, NET_LOG_TAG, "cannot watch %s", STATUS_KEY);
    subscribers.push_back(connection);
    GNetworkMonitor* monitor = Monitor(connection);
    if (monitor)
        connection->monitorHandler =
            g_signal_connect(monitor, "network-changed", G_CALLBACK(NetworkChangedCb), connection);
    return CONNECTION_ERROR_NONE;
}

int connection_unset_type_changed_cb(connection_h connection)
{
    if (!connection)
        return CONNECTION_ERROR_INVALID_PARAMETER;
    if (connection->monitorHandler)
    {
        g_signal_handler_disconnect(connection->monitor, connection->monitorHandler);
        connection->monitorHandler = 0;
    }
    std::vector<connection_h>& subscribers = Subscribers();
    auto it = std::find(subscribers.begin(), subscribers.end(), connection);
    if (it != subscribers.end())
    {
        subscribers.erase(it);
        if (subscribers.empty())
            vconf_ignore_key_changed(STATUS_KEY, StatusKeyChangedCb);
    }
    connection->callback = nullptr;
    connection->userData = nullptr;
    return CONNECTION_ERROR_NONE;
}

bool pelorn_has_wireless_interface()
{
    gchar* contents = nullptr;
    if (!g_file_get_contents("/proc/net/wireless", &contents, nullptr, nullptr))
        return false;
    // Two header lines, then one line per wireless interface.
    int lines = 0;
    for (const gchar* p = contents; *p; ++p)
        lines += *p == '\n';
    g_free(contents);
    return lines > 2;
}
