#ifndef PELORN_PLATFORM_DESKTOP_BUS_H
#define PELORN_PLATFORM_DESKTOP_BUS_H

#include <gio/gio.h>

/* The desktop's message buses as the stand-ins reach them: the system bus
 * (DBUS_SYSTEM_BUS_ADDRESS honoured) and the session bus when one is named
 * (DBUS_SESSION_BUS_ADDRESS or $XDG_RUNTIME_DIR/bus; never an autolaunched
 * one). Answers a borrowed connection, or NULL when there is no such bus; a
 * missing bus is logged once until it is found again. A connection whose bus
 * went away is replaced on the next call, and losing it never ends the
 * process (the connection is the stand-ins' own, not GIO's shared one).
 * Connecting happens on a thread of its own, waited for at most a quarter of
 * a second: a bus daemon that does not answer gives NULL (logged once), and
 * the connection is taken by a later call once it is made.
 * Main thread only. */
GDBusConnection* pelorn_desktop_bus(GBusType type);

#endif
