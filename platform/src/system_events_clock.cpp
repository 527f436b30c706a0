/* The wall clock, the time zone and the 12/24-hour clock format, as the
 * desktop has them: each change is written to the watch's own key. */

#include "system_events_internal.h"

#include "dlog.h"
#include "vconf.h"

#include <errno.h>
#include <glib-unix.h>
#include <stdlib.h>
#include <string.h>
#include <sys/timerfd.h>
#include <time.h>
#include <unistd.h>

namespace PelornSystemEvents
{
namespace
{
const char* const TIME_CHANGED_KEY = "memory/system/timechanged";
const char* const TIMEZONE_KEY = "db/setting/timezone_id";
const char* const TIME1224_KEY = "db/menu_widget/regionformat_time1224";
const char* const DESKTOP_INTERFACE_SCHEMA = "org.gnome.desktop.interface";
const char* const CLOCK_FORMAT = "clock-format";
const char* const LOCALTIME_FILE = "/etc/localtime";

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

} // namespace

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

namespace
{
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

} // namespace

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
} // namespace PelornSystemEvents
