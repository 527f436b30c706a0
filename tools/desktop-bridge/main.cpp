/* desktop-bridge: the watch platform's system daemons, played by the desktop. */

#include "LostContactRecorder.h"
#include "dlog.h"
#include "pelorn_system_events.h"

#include <glib-unix.h>
#include <stdio.h>
#include <string.h>

namespace
{
const char* const HELP = R"(Usage: desktop-bridge

Writes the settings keys that the watch's platform daemons keep, from this
machine's own services, until SIGINT or SIGTERM:
  memory/dnet/status               NetworkManager (system bus), else GIO's
                                   network monitor: 0 off, 1 cellular,
                                   2 Wi-Fi, 3 Ethernet, 4 Bluetooth
  memory/sysman/battery_status_low UPower's display device: 1 power off,
                                   2 critically low, 3 low, 4 normal
  memory/sysman/battery_capacity   UPower's display device: percent
  memory/sysman/low_memory         kernel memory pressure (PSI): 1 normal,
                                   2 soft warning, 4 hard warning

and plays the watch's own background side: when the link to the phone drops
(phone-sim killed or told to `detach`) and stays down for 10 s, it asks
GeoClue2 (system bus) where the watch is, from the drop until a fix of 100 m
or better or for 60 s, and stores the lost-contact record in the app's data
folder (lost-contact.ini) for the last-seen screen.

The system bus is DBUS_SYSTEM_BUS_ADDRESS when set. The pressure file is
/proc/pressure/memory, or PELORN_MEMORY_PRESSURE_FILE. Only one bridge runs per
runtime folder ($PELORN_RUNTIME_DIR, ...); a second one exits with status 1.
It prints "ready" once it watches its sources. ./scripts/run starts it beside
the app.

Example:
  PELORN_RUNTIME_DIR=build/run-runtime build/desktop-bridge
)";

gboolean StopCb(gpointer loop)
{
    g_main_loop_quit(static_cast<GMainLoop*>(loop));
    return G_SOURCE_CONTINUE;
}
} // namespace

int main(int argc, char** argv)
{
    if (argc > 1)
    {
        bool help = !strcmp(argv[1], "--help") || !strcmp(argv[1], "-h");
        fputs(HELP, help ? stdout : stderr);
        return help ? 0 : 2;
    }
    if (pelorn_system_events_start() != 0)
        return 1;
    NSORZCommon::LostContactRecorder recorder;
    recorder.Start();
    printf("ready\n");
    fflush(stdout);
    GMainLoop* loop = g_main_loop_new(nullptr, FALSE);
    guint term = g_unix_signal_add(SIGTERM, StopCb, loop);
    guint intr = g_unix_signal_add(SIGINT, StopCb, loop);
    g_main_loop_run(loop);
    g_source_remove(term);
    g_source_remove(intr);
    recorder.Stop();
    pelorn_system_events_stop();
    g_main_loop_unref(loop);
    return 0;
}
