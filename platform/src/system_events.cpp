#include "pelorn_system_events.h"

#include "desktop_bus.h"
#include "dlog.h"
#include "pelorn_clock.h"
#include "pelorn_paths.h"
#include "vconf.h"

#include <errno.h>
#include <fcntl.h>
#include <gio/gio.h>
#include <glib-unix.h>
#include <stdlib.h>
#include <string.h>
#include <string>
#include <sys/file.h>
#include <sys/timerfd.h>
#include <time.h>
#include <unistd.h>

#define EVENTS_LOG_TAG "system-events"

namespace
{
const char* const STATUS_KEY = "memory/dnet/status";
const char* const BATTERY_LOW_KEY = "memory/sysman/battery_status_low";
const char* const BATTERY_CAPACITY_KEY = "memory/sysman/battery_capacity";
const char* const LOW_MEMORY_KEY = "memory/sysman/low_memory";
const char* const TIME_CHANGED_KEY = "memory/system/timechanged";
const char* const TIMEZONE_KEY = "db/setting/timezone_id";
const char* const TIME1224_KEY = "db/menu_widget/regionformat_time1224";
const char* const DESKTOP_INTERFACE_SCHEMA = "org.gnome.desktop.interface";
const char* const CLOCK_FORMAT = "clock-format";
const char* const LOCALTIME_FILE = "/etc/localtime";

const char* const NM_NAME = "org.freedesktop.NetworkManager";
const char* const NM_PATH = "/org/freedesktop/NetworkManager";
const char* const NM_INTERFACE = "org.freedesktop.NetworkManager";
const guint32 NM_STATE_CONNECTED_SITE = 60;

const char* const UPOWER_NAME = "org.freedesktop.UPower";
const char* const UPOWER_DISPLAY_PATH = "/org/freedesktop/UPower/devices/DisplayDevice";
const char* const UPOWER_DEVICE_INTERFACE = "org.freedesktop.UPower.Device";

const char* const PSI_MEMORY_FILE = "/proc/pressure/memory";
// Stalls of 10% of a 2 s window: "some" task waiting is a soft warning, "full"
// (every task waiting) a hard one. Unprivileged triggers need whole 2 s windows.
const char* const PSI_SOME_TRIGGER = "some 200000 2000000";
const char* const PSI_FULL_TRIGGER = "full 200000 2000000";
const double PSI_WARNING_AVG10 = 10.0;
const guint PSI_RECHECK_SECONDS = 10;
const gsize PSI_FILE_LIMIT = 4096;

enum
{
    STATUS_OFF = 0,
    STATUS_CELLULAR = 1,
    STATUS_WIFI = 2,
    STATUS_ETHERNET = 3,
    STATUS_BLUETOOTH = 4,
};

enum
{
    BATTERY_POWER_OFF = 1,
    BATTERY_CRITICAL_LOW = 2,
    BATTERY_WARNING_LOW = 3,
    BATTERY_NORMAL = 4,
};

enum
{
    MEMORY_NORMAL = 1,
    MEMORY_SOFT_WARNING = 2,
    MEMORY_HARD_WARNING = 4,
};

struct PressureTrigger
{
    int fd = -1;
    guint watch = 0;
};

struct SystemEvents
{
    bool running = false;
    int lockFd = -1;
    GCancellable* cancellable = nullptr;
    GDBusConnection* sharedSystemBus = nullptr;

    GNetworkMonitor* monitor = nullptr;
    gulong monitorHandler = 0;
    GDBusProxy* networkManager = nullptr;
    GDBusProxy* displayDevice = nullptr;

    std::string pressureFile;
    PressureTrigger some;
    PressureTrigger full;
    guint pressureRecheck = 0;

    int clockFd = -1;
    guint clockWatch = 0;
    GFileMonitor* zoneMonitor = nullptr;
    std::string localtimeFile;
    GSettings* desktopInterface = nullptr;
};

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

/* ---- wall clock and time zone ---- */

/* A timer that never expires but is cancelled by the kernel whenever the
 * wall clock is set (by a person, NTP stepping it, a resume from suspend). */
bool ArmClockWatch()
{
    struct itimerspec expiry = {};
    expiry.it_value.tv_sec = time(nullptr) + 10 * 365 * 24 * 3600L;
    return timerfd_settime(gEvents.clockFd, TFD_TIMER_ABSTIME | TFD_TIMER_CANCEL_ON_SET, &expiry, nullptr) == 0;
}

gboolean ClockSetCb(gint fd, GIOCondition condition, gpointer data)
{
    guint64 expirations = 0;
    if (read(fd, &expirations, sizeof(expirations)) < 0 && errno == ECANCELED)
        Publish(TIME_CHANGED_KEY, (int)time(nullptr), "wall clock set");
    if (ArmClockWatch())
        return G_SOURCE_CONTINUE;
    gEvents.clockWatch = 0;
    return G_SOURCE_REMOVE;
}

void WatchClock()
{
    gEvents.clockFd = timerfd_create(CLOCK_REALTIME, TFD_NONBLOCK | TFD_CLOEXEC);
    if (gEvents.clockFd >= 0 && ArmClockWatch())
    {
        gEvents.clockWatch = g_unix_fd_add(gEvents.clockFd, G_IO_IN, ClockSetCb, nullptr);
        return;
    }
    dlog_print(DLOG_ERROR, EVENTS_LOG_TAG, "cannot watch the wall clock: %s", g_strerror(errno));
}

/* "Area/City" from a link into a zoneinfo folder, empty when it is no such link. */
std::string ZoneOf(const std::string& localtime)
{
    gchar* target = g_file_read_link(localtime.c_str(), nullptr);
    if (!target)
        return std::string();
    std::string zone = target;
    g_free(target);
    const size_t at = zone.find("zoneinfo/");
    return at == std::string::npos ? std::string() : zone.substr(at + strlen("zoneinfo/"));
}

void ZoneChangedCb(GFileMonitor* monitor, GFile* file, GFile* other, GFileMonitorEvent event, gpointer data)
{
    const std::string zone = ZoneOf(gEvents.localtimeFile);
    // Replacing the link passes through a moment without it.
    if (!zone.empty())
        PublishString(TIMEZONE_KEY, zone, "time zone link");
}

/* The watch's setting keeps its value until the desktop's zone changes. */
void WatchZone()
{
    const char* file = getenv("PELORN_LOCALTIME_FILE");
    gEvents.localtimeFile = file && *file ? file : LOCALTIME_FILE;
    GFile* localtime = g_file_new_for_path(gEvents.localtimeFile.c_str());
    gEvents.zoneMonitor = g_file_monitor_file(localtime, G_FILE_MONITOR_WATCH_MOVES, nullptr, nullptr);
    g_object_unref(localtime);
    if (gEvents.zoneMonitor)
        g_signal_connect(gEvents.zoneMonitor, "changed", G_CALLBACK(ZoneChangedCb), nullptr);
}

/* The desktop's 12/24-hour clock choice (GNOME's "clock-format"), where its
 * schema is installed. Like the zone, only a change is passed on. */
void ClockFormatChangedCb(GSettings* settings, const gchar* key, gpointer data)
{
    gchar* format = g_settings_get_string(settings, CLOCK_FORMAT);
    if (!g_strcmp0(format, "12h"))
        Publish(TIME1224_KEY, 1, "desktop clock format");
    else if (!g_strcmp0(format, "24h"))
        Publish(TIME1224_KEY, 2, "desktop clock format");
    g_free(format);
}

void WatchClockFormat()
{
    GSettingsSchemaSource* source = g_settings_schema_source_get_default();
    GSettingsSchema* schema =
        source ? g_settings_schema_source_lookup(source, DESKTOP_INTERFACE_SCHEMA, TRUE) : nullptr;
    const bool hasKey = schema && g_settings_schema_has_key(schema, CLOCK_FORMAT);
    if (schema)
        g_settings_schema_unref(schema);
    if (!hasKey)
    {
        dlog_print(DLOG_INFO, EVENTS_LOG_TAG, "no desktop clock format setting here");
        return;
    }
    gEvents.desktopInterface = g_settings_new(DESKTOP_INTERFACE_SCHEMA);
    g_signal_connect(gEvents.desktopInterface, "changed::clock-format", G_CALLBACK(ClockFormatChangedCb),
                     nullptr);
    // Settings backends only tell about keys that were read.
    g_free(g_settings_get_string(gEvents.desktopInterface, CLOCK_FORMAT));
}

/* ---- network ---- */

bool HasWirelessInterface()
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
            status = HasWirelessInterface() ? STATUS_WIFI : STATUS_ETHERNET;
    }
    Publish(STATUS_KEY, status, source);
}

void NetworkChangedCb(GNetworkMonitor* monitor, gboolean available, gpointer data)
{
    UpdateNetwork();
}

/* ---- battery ---- */

void UpdateBattery()
{
    if (!gEvents.displayDevice)
        return;
    GVariant* present = g_dbus_proxy_get_cached_property(gEvents.displayDevice, "IsPresent");
    GVariant* percentage = g_dbus_proxy_get_cached_property(gEvents.displayDevice, "Percentage");
    GVariant* warning = g_dbus_proxy_get_cached_property(gEvents.displayDevice, "WarningLevel");
    // A desktop without a battery has a display device that is not present.
    if (present && g_variant_is_of_type(present, G_VARIANT_TYPE_BOOLEAN) && g_variant_get_boolean(present) &&
        percentage && g_variant_is_of_type(percentage, G_VARIANT_TYPE_DOUBLE))
    {
        double percent = CLAMP(g_variant_get_double(percentage), 0.0, 100.0);
        guint32 level = warning && g_variant_is_of_type(warning, G_VARIANT_TYPE_UINT32)
                            ? g_variant_get_uint32(warning)
                            : 0;
        int status = BATTERY_NORMAL;
        switch (level)
        {
        case 5: // action: the machine is about to act (power off, hibernate)
            status = BATTERY_POWER_OFF;
            break;
        case 4: // critical
            status = BATTERY_CRITICAL_LOW;
            break;
        case 3: // low
            status = BATTERY_WARNING_LOW;
            break;
        case 0: // unknown: judge by the charge left
            status = percent <= 1.0    ? BATTERY_POWER_OFF
                     : percent <= 5.0  ? BATTERY_CRITICAL_LOW
                     : percent <= 15.0 ? BATTERY_WARNING_LOW
                                       : BATTERY_NORMAL;
            break;
        default: // none, or a UPS discharging
            break;
        }
        Publish(BATTERY_CAPACITY_KEY, (int)(percent + 0.5), "UPower");
        Publish(BATTERY_LOW_KEY, status, "UPower");
    }
    else if (present && g_variant_is_of_type(present, G_VARIANT_TYPE_BOOLEAN))
    {
        // The battery went (a laptop docked without it): no longer low.
        int current = 0;
        if (vconf_get_int(BATTERY_LOW_KEY, &current) == VCONF_OK)
            Publish(BATTERY_LOW_KEY, BATTERY_NORMAL, "UPower, no battery");
    }
    for (GVariant* v : {present, percentage, warning})
        if (v)
            g_variant_unref(v);
}

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

/* ---- memory pressure ---- */

/* The level the pressure file shows now, or 0 when it cannot be read. */
int ReadPressureLevel()
{
    int fd = open(gEvents.pressureFile.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0)
        return 0;
    char text[PSI_FILE_LIMIT];
    ssize_t n = read(fd, text, sizeof(text) - 1);
    close(fd);
    if (n <= 0)
        return 0;
    text[n] = '\0';
    double some = -1.0, full = -1.0;
    for (char* line = text; line && *line;)
    {
        char* next = strchr(line, '\n');
        if (next)
            *next++ = '\0';
        const char* avg = strstr(line, "avg10=");
        if (avg)
        {
            double value = g_ascii_strtod(avg + 6, nullptr);
            if (!strncmp(line, "some ", 5))
                some = value;
            else if (!strncmp(line, "full ", 5))
                full = value;
        }
        line = next;
    }
    if (some < 0.0)
        return 0;
    if (full >= PSI_WARNING_AVG10)
        return MEMORY_HARD_WARNING;
    return some >= PSI_WARNING_AVG10 ? MEMORY_SOFT_WARNING : MEMORY_NORMAL;
}

gboolean PressureRecheckTimerCb(gpointer data)
{
    int level = ReadPressureLevel();
    if (level == 0 || level == MEMORY_NORMAL)
    {
        gEvents.pressureRecheck = 0;
        Publish(LOW_MEMORY_KEY, MEMORY_NORMAL, "memory pressure");
        return G_SOURCE_REMOVE;
    }
    Publish(LOW_MEMORY_KEY, level, "memory pressure");
    return G_SOURCE_CONTINUE;
}

void WarnMemory(int level)
{
    Publish(LOW_MEMORY_KEY, level, "memory pressure");
    // Triggers only speak when pressure rises; its fall is seen by looking again.
    if (!gEvents.pressureRecheck)
        gEvents.pressureRecheck =
            pelorn_timer_add_seconds(PSI_RECHECK_SECONDS, PressureRecheckTimerCb, nullptr);
}

gboolean PressureTriggeredCb(gint fd, GIOCondition condition, gpointer data)
{
    PressureTrigger* trigger = static_cast<PressureTrigger*>(data);
    if (condition & G_IO_ERR)
    {
        // The pressure file went away (its cgroup was removed): nothing more will come.
        dlog_print(DLOG_ERROR, EVENTS_LOG_TAG, "memory pressure trigger closed");
        trigger->watch = 0;
        close(trigger->fd);
        trigger->fd = -1;
        return G_SOURCE_REMOVE;
    }
    WarnMemory(trigger == &gEvents.full ? MEMORY_HARD_WARNING : MEMORY_SOFT_WARNING);
    return G_SOURCE_CONTINUE;
}

bool ArmTrigger(PressureTrigger& trigger, const char* threshold)
{
    trigger.fd = open(gEvents.pressureFile.c_str(), O_RDWR | O_CLOEXEC | O_NONBLOCK);
    if (trigger.fd >= 0 && write(trigger.fd, threshold, strlen(threshold) + 1) > 0)
    {
        trigger.watch =
            g_unix_fd_add(trigger.fd, (GIOCondition)(G_IO_PRI | G_IO_ERR), PressureTriggeredCb, &trigger);
        return true;
    }
    dlog_print(DLOG_ERROR, EVENTS_LOG_TAG, "no memory pressure trigger on %s: %s",
               gEvents.pressureFile.c_str(), g_strerror(errno));
    if (trigger.fd >= 0)
        close(trigger.fd);
    trigger.fd = -1;
    return false;
}

void DisarmTrigger(PressureTrigger& trigger)
{
    if (trigger.watch)
        g_source_remove(trigger.watch);
    trigger.watch = 0;
    if (trigger.fd >= 0)
        close(trigger.fd);
    trigger.fd = -1;
}

void WatchMemoryPressure()
{
    const char* file = getenv("PELORN_MEMORY_PRESSURE_FILE");
    gEvents.pressureFile = file && *file ? file : PSI_MEMORY_FILE;
    int level = ReadPressureLevel();
    if (level == 0)
    {
        dlog_print(DLOG_ERROR, EVENTS_LOG_TAG, "no memory pressure information in %s",
                   gEvents.pressureFile.c_str());
        return;
    }
    if (level == MEMORY_NORMAL)
        Publish(LOW_MEMORY_KEY, level, "memory pressure");
    else
        WarnMemory(level);
    if (ArmTrigger(gEvents.some, PSI_SOME_TRIGGER))
        ArmTrigger(gEvents.full, PSI_FULL_TRIGGER);
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
