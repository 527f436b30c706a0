#ifndef PELORN_PLATFORM_SYSTEM_EVENTS_INTERNAL_H
#define PELORN_PLATFORM_SYSTEM_EVENTS_INTERNAL_H

/* The platform daemons' stand-in (pelorn_system_events.h), one file per
 * source it listens to: the wall clock, time zone and clock format
 * (system_events_clock.cpp), the network (system_events_network.cpp), the
 * battery (system_events_battery.cpp) and memory pressure
 * (system_events_memory.cpp). system_events.cpp starts and stops them all
 * and follows the system bus services they read. */

#include <gio/gio.h>
#include <string>

#define EVENTS_LOG_TAG "system-events"

namespace PelornSystemEvents
{
const char* const NM_NAME = "org.freedesktop.NetworkManager";
const char* const NM_PATH = "/org/freedesktop/NetworkManager";
const char* const NM_INTERFACE = "org.freedesktop.NetworkManager";

const char* const UPOWER_NAME = "org.freedesktop.UPower";
const char* const UPOWER_DISPLAY_PATH = "/org/freedesktop/UPower/devices/DisplayDevice";
const char* const UPOWER_DEVICE_INTERFACE = "org.freedesktop.UPower.Device";

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

extern SystemEvents gEvents;

/* Writes the key only when its value changes, and logs where it came from. */
void Publish(const char* key, int value, const char* source);
void PublishString(const char* key, const std::string& value, const char* source);

void WatchClock();
void WatchZone();
void WatchClockFormat();
void ZoneChangedCb(GFileMonitor* monitor, GFile* file, GFile* other, GFileMonitorEvent event, gpointer data);
void ClockFormatChangedCb(GSettings* settings, const gchar* key, gpointer data);

void UpdateNetwork();
void NetworkChangedCb(GNetworkMonitor* monitor, gboolean available, gpointer data);

void UpdateBattery();

void WatchMemoryPressure();
void DisarmTrigger(PressureTrigger& trigger);
} // namespace PelornSystemEvents

#endif
