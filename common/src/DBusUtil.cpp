#include "DBusUtil.h"

#include "OrzLog.h"

#include <deque>
#include <unistd.h>

namespace
{
const char* const RESOURCED_PROCESS_PATH = "/Org/Tizen/ResourceD/Process";
const char* const RESOURCED_PROCESS_INTERFACE = "org.tizen.resourced.process";
const char* const RESOURCED_PROCESS_SIGNAL = "ProcExclude";
const char* const PROC_INCLUDE = "include";
const char* const PROC_EXCLUDE = "exclude";
// Requests alternate, so a bus that never answers leaves at most this many
// waiting; older ones are superseded by the newer anyway.
const size_t MAX_WAITING = 8;

/* The process's one way to the bus. Never freed: a connection attempt may
 * still answer while the process ends. */
struct Bus
{
    GDBusConnection* connection = nullptr;
    bool connecting = false;
    std::deque<std::string> waiting; // asked for while connecting, oldest first
};

Bus& TheBus()
{
    static Bus* bus = new Bus();
    return *bus;
}
} // namespace

namespace NSORZCommon
{
std::string DBusUtil::mPrevMessage;
bool DBusUtil::mMissingBusLogged = false;

DBusUtil::DBusUtil()
{
}

DBusUtil::~DBusUtil()
{
}

int DBusUtil::SendMessageToDBus(const std::string& messageToSend)
{
    RETV_IF(!mPrevMessage.empty() && mPrevMessage.compare(messageToSend) == 0, 0);
    if (!mPrevMessage.empty())
        LOGE("process state %s -> %s", mPrevMessage.c_str(), messageToSend.c_str());

    Bus& bus = TheBus();
    // A bus that went away (daemon restart) leaves a closed connection behind.
    if (bus.connection && g_dbus_connection_is_closed(bus.connection))
    {
        g_object_unref(bus.connection);
        bus.connection = NULL;
    }
    if (bus.connection)
    {
        if (!Signal(bus.connection, messageToSend))
            return 1; // a signal that could not be sent leaves the previous state standing
        mPrevMessage = messageToSend;
        return 1;
    }
    // Connecting takes a round trip with the bus daemon, which may be slow or
    // stuck: the main loop must not wait for it.
    if (bus.waiting.size() >= MAX_WAITING)
        bus.waiting.pop_front();
    bus.waiting.push_back(messageToSend);
    mPrevMessage = messageToSend;
    if (!bus.connecting)
    {
        // A connection of our own: GIO's shared one outlives a bus daemon's
        // restart for as long as anyone holds it, and is handed back closed.
        GError* err = NULL;
        gchar* address = g_dbus_address_get_for_bus_sync(G_BUS_TYPE_SYSTEM, NULL, &err);
        if (!address)
        {
            ReportMissingBus(err ? err->message : "no address");
            g_clear_error(&err);
            bus.waiting.clear();
            mPrevMessage.clear();
            return 1;
        }
        bus.connecting = true;
        g_dbus_connection_new_for_address(
            address,
            (GDBusConnectionFlags)(G_DBUS_CONNECTION_FLAGS_AUTHENTICATION_CLIENT |
                                   G_DBUS_CONNECTION_FLAGS_MESSAGE_BUS_CONNECTION),
            NULL, NULL, OnBusReady, NULL);
        g_free(address);
    }
    return 1;
}

void DBusUtil::OnBusReady(GObject*, GAsyncResult* result, gpointer)
{
    Bus& bus = TheBus();
    bus.connecting = false;
    GError* err = NULL;
    GDBusConnection* connection = g_dbus_connection_new_for_address_finish(result, &err);
    if (!connection)
    {
        ReportMissingBus(err ? err->message : "no connection");
        if (err)
            g_error_free(err);
        // Nothing went out: the next request is tried afresh.
        bus.waiting.clear();
        mPrevMessage.clear();
        return;
    }
    mMissingBusLogged = false;
    bus.connection = connection;
    std::deque<std::string> waiting;
    waiting.swap(bus.waiting);
    for (const std::string& message : waiting)
        Signal(connection, message);
}

/* A machine without a system bus would otherwise log on every ring. */
void DBusUtil::ReportMissingBus(const char* why)
{
    if (mMissingBusLogged)
        return;
    LOGE("no system bus: %s", why);
    LOGE("[%s(): %d] (err) [return]", __func__, __LINE__);
    mMissingBusLogged = true;
}

bool DBusUtil::Signal(GDBusConnection* connection, const std::string& message)
{
    GDBusMessage* msgSignal =
        g_dbus_message_new_signal(RESOURCED_PROCESS_PATH, RESOURCED_PROCESS_INTERFACE, RESOURCED_PROCESS_SIGNAL);
    RETV_IF(!msgSignal, false);
    g_dbus_message_set_body(msgSignal, g_variant_new("(si)", message.c_str(), (gint32)getpid()));

    GError* sendError = NULL;
    bool sent = g_dbus_connection_send_message(connection, msgSignal, G_DBUS_SEND_MESSAGE_FLAGS_NONE, NULL, &sendError);
    if (!sent)
    {
        if (sendError)
        {
            LOGE("ERR send DBus Message [%d][%s]", sendError->code, sendError->message);
            g_error_free(sendError);
        }
        else
        {
            LOGE("ERR send DBus Message");
        }
    }
    // The signal is written by GDBus's own thread; the last one (at exit) must not be left in its queue.
    g_dbus_connection_flush_sync(connection, NULL, NULL);
    g_object_unref(msgSignal);
    return sent;
}

int DBusUtil::SendProcInclude()
{
    return SendMessageToDBus(PROC_INCLUDE);
}

int DBusUtil::SendProcExclude()
{
    return SendMessageToDBus(PROC_EXCLUDE);
}
} // namespace NSORZCommon
