/* The network the watch would use, from NetworkManager where it runs and
 * from GIO's network monitor elsewhere. */

#include "system_events_internal.h"

#include "dlog.h"
#include "vconf.h"
#include "wireless.h"

#include <string.h>

namespace PelornSystemEvents
{
namespace
{
const char* const STATUS_KEY = "memory/dnet/status";
const guint32 NM_STATE_CONNECTED_SITE = 60;


enum
{
    STATUS_OFF = 0,
    STATUS_CELLULAR = 1,
    STATUS_WIFI = 2,
    STATUS_ETHERNET = 3,
    STATUS_BLUETOOTH = 4,
};

int StatusFromConnectionType(const char* type)
{
    if (!type)
        return STATUS_ETHERNET;
    if (!strcmp(type, "802-11-wireless") || !strcmp(type, "wifi") || !strcmp(type, "802-11-olpc-mesh"))
        return STATUS_WIFI;
    if (!strcmp(type, "gsm") || !strcmp(type, "cdma") || !strcmp(type, "wimax"))
        return STATUS_CELLULAR;
    if (!strcmp(type, "bluetooth"))
        return STATUS_BLUETOOTH;
    // Wired, bridges, bonds, VPNs on top of any of them: a wired-like network.
    return STATUS_ETHERNET;
}

/* NetworkManager's answer, or -1 when it does not run here. */
int StatusFromNetworkManager()
{
    if (!gEvents.networkManager)
        return -1;
    gchar* owner = g_dbus_proxy_get_name_owner(gEvents.networkManager);
    GVariant* state = owner ? g_dbus_proxy_get_cached_property(gEvents.networkManager, "State") : nullptr;
    g_free(owner);
    if (!state)
        return -1;
    int status = -1;
    if (g_variant_is_of_type(state, G_VARIANT_TYPE_UINT32))
    {
        if (g_variant_get_uint32(state) < NM_STATE_CONNECTED_SITE)
            status = STATUS_OFF;
        else
        {
            GVariant* type =
                g_dbus_proxy_get_cached_property(gEvents.networkManager, "PrimaryConnectionType");
            status = StatusFromConnectionType(type && g_variant_is_of_type(type, G_VARIANT_TYPE_STRING)
                                                  ? g_variant_get_string(type, nullptr)
                                                  : nullptr);
            if (type)
                g_variant_unref(type);
        }
    }
    g_variant_unref(state);
    return status;
}

} // namespace

void UpdateNetwork()
{
    int status = StatusFromNetworkManager();
    const char* source = "NetworkManager";
    if (status < 0)
    {
        source = "network monitor";
        if (!gEvents.monitor || !g_network_monitor_get_network_available(gEvents.monitor))
            status = STATUS_OFF;
        else
            status = pelorn_has_wireless_interface() ? STATUS_WIFI : STATUS_ETHERNET;
    }
    Publish(STATUS_KEY, status, source);
}

void NetworkChangedCb(GNetworkMonitor* monitor, gboolean available, gpointer data)
{
    UpdateNetwork();
}

} // namespace PelornSystemEvents
