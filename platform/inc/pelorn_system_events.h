#ifndef PELORN_PLATFORM_SYSTEM_EVENTS_H
#define PELORN_PLATFORM_SYSTEM_EVENTS_H

#ifdef __cplusplus
extern "C" {
#endif

/* Plays the watch's network daemon, power manager and memory monitor from
 * the desktop's own services, writing the settings keys the application
 * listens to (`build/desktop-bridge` runs it beside the app):
 * - "memory/dnet/status" (0 off, 1 cellular, 2 Wi-Fi, 3 Ethernet, 4 Bluetooth)
 *   from NetworkManager's State and PrimaryConnectionType on the system bus
 *   while NetworkManager runs, else from GIO's network monitor;
 * - "memory/sysman/battery_status_low" (1 power off, 2 critically low,
 *   3 low, 4 normal) and "memory/sysman/battery_capacity" (percent) from
 *   UPower's display device, while it reports a present battery;
 * - "memory/sysman/low_memory" (1 normal, 2 soft warning, 4 hard warning)
 *   from the kernel's memory pressure (PSI, /proc/pressure/memory, or the file
 *   named by PELORN_MEMORY_PRESSURE_FILE): read at start, then through PSI
 *   triggers; after a warning the level is read again every 10 s until it is
 *   back to normal;
 * - "memory/system/timechanged" (the new wall time, seconds) whenever the
 *   wall clock is set, from a timer the kernel cancels on every clock set;
 * - "db/setting/timezone_id" ("Area/City") when the desktop's time zone link
 *   (/etc/localtime, or PELORN_LOCALTIME_FILE) is replaced; until then the
 *   watch's own setting stands;
 * - "db/menu_widget/regionformat_time1224" (1 12-hour, 2 24-hour) when the
 *   desktop's "clock-format" (GSettings org.gnome.desktop.interface, where
 *   installed) changes.
 * Every source is a signal, a D-Bus message or a kernel trigger: nothing
 * wakes the process while the machine is quiet. A key is written only when
 * its value changes. One process per runtime folder plays these daemons.
 * Runs on the GLib default main context. */

/* 0 started; -1 when another process already plays them (or the runtime
 * folder has no room for the lock). A missing service is not an error: its
 * keys wait for it to appear. */
int pelorn_system_events_start(void);
void pelorn_system_events_stop(void);

#ifdef __cplusplus
}
#endif

#endif
