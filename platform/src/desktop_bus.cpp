#include "desktop_bus.h"

#include "dlog.h"

#include <glib/gstdio.h>
#include <string>

#define BUS_LOG_TAG "dbus"

namespace
{
struct Bus
{
    GDBusConnection* connection = nullptr;
    bool missingLogged = false;
};

Bus gSystem;
Bus gSession;

/* GIO would start a session bus of its own through dbus-launch when none is
 * named; a stand-in must not leave such a daemon behind. */
bool SessionBusNamed()
{
    const char* address = g_getenv("DBUS_SESSION_BUS_ADDRESS");
    if (address && *address)
        return true;
    const char* runtime = g_getenv("XDG_RUNTIME_DIR");
    if (!runtime || !*runtime)
        return false;
    std::string socket = std::string(runtime) + "/bus";
    return g_file_test(socket.c_str(), G_FILE_TEST_EXISTS);
}
} // namespace

GDBusConnection* pelorn_desktop_bus(GBusType type)
{
    Bus& bus = type == G_BUS_TYPE_SESSION ? gSession : gSystem;
    const char* name = type == G_BUS_TYPE_SESSION ? "session" : "system";
    if (bus.connection && g_dbus_connection_is_closed(bus.connection))
    {
        g_object_unref(bus.connection);
        bus.connection = nullptr;
    }
    if (bus.connection)
        return bus.connection;

    GError* error = nullptr;
    gchar* address = nullptr;
    if (type == G_BUS_TYPE_SESSION && !SessionBusNamed())
        error = g_error_new_literal(G_IO_ERROR, G_IO_ERROR_NOT_FOUND, "no session bus is named");
    else
        address = g_dbus_address_get_for_bus_sync(type, nullptr, &error);
    // A connection of our own: GIO's shared one can outlive its bus, held by
    // other users, and would be handed back closed.
    if (address)
        bus.connection = g_dbus_connection_new_for_address_sync(
            address,
            (GDBusConnectionFlags)(G_DBUS_CONNECTION_FLAGS_AUTHENTICATION_CLIENT |
                                   G_DBUS_CONNECTION_FLAGS_MESSAGE_BUS_CONNECTION),
            nullptr, nullptr, &error);
    g_free(address);
    if (!bus.connection)
    {
        if (!bus.missingLogged)
            dlog_print(DLOG_ERROR, BUS_LOG_TAG, "no %s bus: %s", name,
                       error ? error->message : "unknown error");
        bus.missingLogged = true;
        g_clear_error(&error);
        return nullptr;
    }
    bus.missingLogged = false;
    return bus.connection;
}
