#include "desktop_bus.h"

#include "dlog.h"

#include <chrono>
#include <condition_variable>
#include <glib/gstdio.h>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

#define BUS_LOG_TAG "dbus"

namespace
{
/* How long the main loop waits for a bus daemon to take a new connection.
 * A working one answers in a millisecond or two; a stuck one (or a socket
 * that is no bus) would otherwise hold the screen still for good. */
const auto kConnectWait = std::chrono::milliseconds(250);

/* A connection being made on a thread of its own, shared with that thread. */
struct Connecting
{
    std::mutex mutex;
    std::condition_variable done;
    bool finished = false;
    GDBusConnection* connection = nullptr;
    std::string error;
};

struct Bus
{
    GDBusConnection* connection = nullptr;
    bool missingLogged = false;
    bool slowLogged = false;
    std::shared_ptr<Connecting> connecting; // one at a time, kept past its wait
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

    std::string error;
    const bool started = !bus.connecting;
    if (started)
    {
        GError* addressError = nullptr;
        gchar* address = nullptr;
        if (type == G_BUS_TYPE_SESSION && !SessionBusNamed())
            error = "no session bus is named";
        else
            address = g_dbus_address_get_for_bus_sync(type, nullptr, &addressError);
        if (addressError)
            error = addressError->message;
        g_clear_error(&addressError);
        if (address)
        {
            auto connecting = std::make_shared<Connecting>();
            std::string target = address;
            std::thread([connecting, target] {
                // A connection of our own: GIO's shared one can outlive its
                // bus, held by other users, and would be handed back closed.
                GError* connectError = nullptr;
                GDBusConnection* connection = g_dbus_connection_new_for_address_sync(
                    target.c_str(),
                    (GDBusConnectionFlags)(G_DBUS_CONNECTION_FLAGS_AUTHENTICATION_CLIENT |
                                           G_DBUS_CONNECTION_FLAGS_MESSAGE_BUS_CONNECTION),
                    nullptr, nullptr, &connectError);
                std::lock_guard<std::mutex> hold(connecting->mutex);
                connecting->connection = connection;
                if (connectError)
                    connecting->error = connectError->message;
                g_clear_error(&connectError);
                connecting->finished = true;
                connecting->done.notify_all();
            }).detach();
            bus.connecting = connecting;
        }
        g_free(address);
    }
    if (bus.connecting)
    {
        std::shared_ptr<Connecting> connecting = bus.connecting;
        std::unique_lock<std::mutex> hold(connecting->mutex);
        // Only a new attempt is waited for; one that already had its wait is
        // looked at again on later calls, and taken once it is done.
        const auto wait = started ? kConnectWait : std::chrono::milliseconds(0);
        if (!connecting->done.wait_for(hold, wait, [&] { return connecting->finished; }))
        {
            if (!bus.slowLogged)
                dlog_print(DLOG_ERROR, BUS_LOG_TAG, "the %s bus does not answer; going on without it", name);
            bus.slowLogged = true;
            return nullptr;
        }
        bus.connection = connecting->connection;
        error = connecting->error;
        bus.connecting.reset();
    }
    if (!bus.connection)
    {
        // The machine's, not a failure of ours: many have no session bus, some no system bus.
        if (!bus.missingLogged)
            dlog_print(DLOG_WARN, BUS_LOG_TAG, "no %s bus: %s", name, error.empty() ? "unknown error" : error.c_str());
        bus.missingLogged = true;
        return nullptr;
    }
    bus.missingLogged = false;
    bus.slowLogged = false;
    return bus.connection;
}
