#include "pelorn_system_events.h"

#include "desktop_bus.h"
#include "dlog.h"
#include "pelorn_clock.h"
#include "pelorn_paths.h"
#include "system_events_internal.h"
#include "vconf.h"

#include <fcntl.h>
#include <stdlib.h>
#include <string.h>
#include <string>
#include <sys/file.h>
#include <unistd.h>

namespace PelornSystemEvents
{
SystemEvents gEvents;

void Publish(const char* key, int value, const char* source)
{
    int current = 0;
    if (vconf_get_int(key, &current) == VCONF_OK && current == value)
        return;
    if (vconf_set_int(key, value) != VCONF_OK)
    {
        dlog_print(DLOG_ERROR, EVENTS_LOG_TAG, "cannot write %s", key);
        return;
    }
    dlog_print(DLOG_INFO, EVENTS_LOG_TAG, "%s = %d (%s)", key, value, source);
}

void PublishString(const char* key, const std::string& value, const char* source)
{
    char* current = vconf_get_str(key);
    const bool same = current && value == current;
    free(current);
    if (same)
        return;
    if (vconf_set_str(key, value.c_str()) != VCONF_OK)
    {
        dlog_print(DLOG_ERROR, EVENTS_LOG_TAG, "cannot write %s", key);
        return;
    }
    dlog_print(DLOG_INFO, EVENTS_LOG_TAG, "%s = %s (%s)", key, value.c_str(), source);
}

namespace
{
/* ---- D-Bus proxies ---- */

void ProxyChangedCb(GDBusProxy* proxy)
{
    if (proxy == gEvents.networkManager)
        UpdateNetwork();
    else if (proxy == gEvents.displayDevice)
        UpdateBattery();
}

void PropertiesChangedCb(GDBusProxy* proxy, GVariant* changed, GStrv invalidated, gpointer data)
{
    ProxyChangedCb(proxy);
}

void NameOwnerChangedCb(GObject* proxy, GParamSpec* pspec, gpointer data)
{
    ProxyChangedCb(G_DBUS_PROXY(proxy));
}

void ProxyReadyCb(GObject* source, GAsyncResult* result, gpointer data)
{
    GError* error = nullptr;
    GDBusProxy* proxy = g_dbus_proxy_new_finish(result, &error);
    if (!proxy)
    {
        // Cancelled by a stop, or the bus went away while connecting.
        if (!g_error_matches(error, G_IO_ERROR, G_IO_ERROR_CANCELLED))
            dlog_print(DLOG_ERROR, EVENTS_LOG_TAG, "%s: %s", (const char*)data, error->message);
        g_error_free(error);
        return;
    }
    g_signal_connect(proxy, "g-properties-changed", G_CALLBACK(PropertiesChangedCb), nullptr);
    // A service that starts (or restarts) later is heard once its properties are loaded.
    g_signal_connect(proxy, "notify::g-name-owner", G_CALLBACK(NameOwnerChangedCb), nullptr);
    if (!strcmp((const char*)data, NM_NAME))
        gEvents.networkManager = proxy;
    else
        gEvents.displayDevice = proxy;
    ProxyChangedCb(proxy);
}

void WatchService(GDBusConnection* bus, const char* name, const char* path, const char* interface)
{
    g_dbus_proxy_new(bus, G_DBUS_PROXY_FLAGS_DO_NOT_AUTO_START, nullptr, name, path, interface,
                     gEvents.cancellable, ProxyReadyCb, (gpointer)name);
}

bool TakeLock()
{
    std::string path = std::string(pelorn_runtime_dir()) + "/system-events.lock";
    gEvents.lockFd = open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (gEvents.lockFd < 0)
        return false;
    if (flock(gEvents.lockFd, LOCK_EX | LOCK_NB) == 0)
        return true;
    close(gEvents.lockFd);
    gEvents.lockFd = -1;
    return false;
}
} // namespace
} // namespace PelornSystemEvents

using namespace PelornSystemEvents;

int pelorn_system_events_start(void)
{
    if (gEvents.running)
        return 0;
    if (!TakeLock())
    {
        dlog_print(DLOG_ERROR, EVENTS_LOG_TAG, "another process already plays the platform daemons here");
        return -1;
    }
    gEvents.running = true;
    gEvents.cancellable = g_cancellable_new();

    GDBusConnection* system = pelorn_desktop_bus(G_BUS_TYPE_SYSTEM);
    if (system)
    {
        // GIO's network monitor follows NetworkManager over GIO's shared
        // system bus connection, which would end the process with the bus.
        gEvents.sharedSystemBus = g_bus_get_sync(G_BUS_TYPE_SYSTEM, nullptr, nullptr);
        if (gEvents.sharedSystemBus)
            g_dbus_connection_set_exit_on_close(gEvents.sharedSystemBus, FALSE);
    }
    GNetworkMonitor* monitor = g_network_monitor_get_default();
    if (monitor)
    {
        gEvents.monitor = G_NETWORK_MONITOR(g_object_ref(monitor));
        gEvents.monitorHandler =
            g_signal_connect(monitor, "network-changed", G_CALLBACK(NetworkChangedCb), nullptr);
    }
    if (system)
    {
        WatchService(system, NM_NAME, NM_PATH, NM_INTERFACE);
        WatchService(system, UPOWER_NAME, UPOWER_DISPLAY_PATH, UPOWER_DEVICE_INTERFACE);
    }
    // The network monitor answers now; NetworkManager corrects it once its proxy is ready.
    UpdateNetwork();
    WatchMemoryPressure();
    WatchClock();
    WatchZone();
    WatchClockFormat();
    return 0;
}

void pelorn_system_events_stop(void)
{
    if (!gEvents.running)
        return;
    g_cancellable_cancel(gEvents.cancellable);
    g_clear_object(&gEvents.cancellable);
    if (gEvents.monitorHandler)
        g_signal_handler_disconnect(gEvents.monitor, gEvents.monitorHandler);
    gEvents.monitorHandler = 0;
    g_clear_object(&gEvents.monitor);
    g_clear_object(&gEvents.sharedSystemBus);
    for (GDBusProxy** proxy : {&gEvents.networkManager, &gEvents.displayDevice})
    {
        if (*proxy)
        {
            g_signal_handlers_disconnect_by_func(*proxy, (gpointer)PropertiesChangedCb, nullptr);
            g_signal_handlers_disconnect_by_func(*proxy, (gpointer)NameOwnerChangedCb, nullptr);
        }
        g_clear_object(proxy);
    }
    DisarmTrigger(gEvents.some);
    DisarmTrigger(gEvents.full);
    if (gEvents.pressureRecheck)
        pelorn_timer_remove(gEvents.pressureRecheck);
    gEvents.pressureRecheck = 0;
    if (gEvents.clockWatch)
        g_source_remove(gEvents.clockWatch);
    gEvents.clockWatch = 0;
    if (gEvents.clockFd >= 0)
        close(gEvents.clockFd);
    gEvents.clockFd = -1;
    if (gEvents.zoneMonitor)
    {
        g_signal_handlers_disconnect_by_func(gEvents.zoneMonitor, (gpointer)ZoneChangedCb, nullptr);
        g_file_monitor_cancel(gEvents.zoneMonitor);
    }
    g_clear_object(&gEvents.zoneMonitor);
    if (gEvents.desktopInterface)
        g_signal_handlers_disconnect_by_func(gEvents.desktopInterface, (gpointer)ClockFormatChangedCb,
                                             nullptr);
    g_clear_object(&gEvents.desktopInterface);
    close(gEvents.lockFd);
    gEvents.lockFd = -1;
    gEvents.running = false;
}
